#pragma once
// The process seam over the tool-help snapshot (CreateToolhelp32Snapshot, Process32First/Next).
#include "platform/processes.h"

namespace win32 {

class Win32Processes : public plat::Processes {
 public:
  bool ExecutableNames(std::vector<std::string>* names) override;
};

}  // namespace win32
