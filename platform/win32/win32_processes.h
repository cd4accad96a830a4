#pragma once
// The process seam over the tool-help snapshot (CreateToolhelp32Snapshot, Process32First/Next).
#include "platform/processes.h"

namespace win32 {

class Win32Processes : public plat::Processes {
 public:
  bool ExecutableNames(std::vector<std::string>* names) override;
  uint32_t CurrentProcessId() override;
  uint32_t Start(const std::string& commandLine) override;
  bool WaitForExit(uint32_t id, uint32_t milliseconds) override;
};

}  // namespace win32
