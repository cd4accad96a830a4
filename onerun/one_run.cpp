#include "onerun/one_run.h"

#include "platform/win_constants.h"

namespace onerun {
namespace {

constexpr char kSidLocalSystem[] = "S-1-5-18";
constexpr char kSidAdministrators[] = "S-1-5-32-544";
constexpr uint32_t kRetryMilliseconds = 250;

// Administrators and SYSTEM may use it; nobody else may even open it.
plat::AccessList LockAccess() {
  plat::AccessList list;
  list.isProtected = true;
  list.entries = {{kSidLocalSystem, plat::kSectionAllAccess, 0},
                  {kSidAdministrators, plat::kSectionAllAccess, 0}};
  return list;
}

bool MadeByARun(const std::string& owner) {
  return owner == kSidAdministrators || owner == kSidLocalSystem;
}

}  // namespace

std::string AnotherRunText() {
  return "另一个Velmar批打印软件安装或卸载程序\n正在运行，请等它结束后再试 !";
}

Claim ClaimTheRun(plat::RunLocks& locks, plat::Clock& clock, bool helper,
                  uint32_t waitMilliseconds) {
  if (helper && locks.Hold(kRunLockName))
    return {Claimed::kJoined, "run lock: shared with the uninstaller that started this helper"};
  for (uint32_t waited = 0;; waited += kRetryMilliseconds) {
    const plat::LockAttempt attempt = locks.Make(kRunLockName, kSidAdministrators, LockAccess());
    switch (attempt.answer) {
      case plat::LockAnswer::kMade:
        return {Claimed::kOurs, "run lock: taken"};
      case plat::LockAnswer::kExists:
        if (!MadeByARun(attempt.ownerSid)) {
          return {Claimed::kUnguarded,
                  "run lock: its name is taken by an object of " +
                      (attempt.ownerSid.empty() ? std::string("an unknown owner")
                                                : attempt.ownerSid) +
                      ", not of an administrator; no run of this program made it, so this "
                      "run goes on without the lock"};
        }
        if (waited >= waitMilliseconds) {
          return {Claimed::kAnotherRun,
                  "another run of SetUp.exe or Uninstall.exe is in progress" +
                      (waited > 0 ? " (waited " + std::to_string(waited) + " ms for it to end)"
                                  : std::string())};
        }
        clock.Sleep(kRetryMilliseconds);
        break;
      case plat::LockAnswer::kDenied:
        return {Claimed::kUnguarded,
                "run lock: its name is taken by an object that refuses administrators; no run "
                "of this program made it, so this run goes on without the lock"};
      case plat::LockAnswer::kFailed:
        return {Claimed::kUnguarded, "run lock: it could not be made; the run goes on without it"};
    }
  }
}

}  // namespace onerun
