#pragma once
// The run-lock seam over named file-mapping objects in the global namespace. Each object made
// or held stays open as long as this owner lives: the program keeps it for its whole run.
#include <vector>

#include "platform/run_locks.h"
#include "platform/win32/unique_handle.h"

namespace win32 {

class Win32RunLocks : public plat::RunLocks {
 public:
  plat::LockAttempt Make(const std::string& name, const std::string& ownerSid,
                         const plat::AccessList& access) override;
  bool Hold(const std::string& name) override;

 private:
  std::vector<UniqueMapping> held_;
};

}  // namespace win32
