#include "onerun/one_run.h"

#include "protection/checked_levels.h"
#include "protection/rules.h"

namespace onerun {
namespace {

constexpr uint32_t kRetryMilliseconds = 250;
constexpr uint32_t kHelperWaitMilliseconds = 60 * 60 * 1000;
constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;

// The Windows folder, reached through a walk whose every level no one but an administrator
// may replace; none with why not.
plat::UniqueFileHandle LockFolder(plat::Platform& machine, std::string* why) {
  std::string windows;
  if (!machine.files.GetEnvironmentVariable("windir", &windows) || windows.empty()) {
    *why = "no Windows folder is named";
    return {};
  }
  plat::DropTrailingBackslash(machine.text, windows);
  protection::SafeWalk walked = protection::WalkSafeFolder(machine, windows, 0, kShareAll);
  if (walked.walked.folder) return std::move(walked.walked.folder);
  *why = walked.finding ? "the folder " + walked.finding.path + " is not safe: " +
                              protection::FindingLogText(walked.finding)
                        : "the folder " + windows + " cannot be opened";
  return {};
}

}  // namespace

std::string AnotherRunText() {
  return "另一个Velmar批打印软件安装或卸载程序\n正在运行，请等它结束后再试 !";
}

Claim ClaimTheRun(plat::Platform& machine, plat::Clock& clock, bool helper,
                  uint32_t waitMilliseconds) {
  std::string why;
  const plat::UniqueFileHandle folder = LockFolder(machine, &why);
  if (!folder)
    return {Claimed::kUnguarded, "run lock: " + why + "; the run goes on without it", {}};
  if (helper) waitMilliseconds = kHelperWaitMilliseconds;
  plat::CheckedFiles& files = machine.checked;
  const uint32_t access = plat::kFileReadData | plat::kDelete;
  for (uint32_t waited = 0;; waited += kRetryMilliseconds) {
    plat::Opened lock = files.Open(folder.get(), kLockFileName, access, 0);
    if (lock.reached == plat::Reached::kMissing) {
      lock = files.Make(folder.get(), kLockFileName, false,
                        protection::AdministratorsOnlyDescriptor(), access, 0);
    }
    if (lock.handle) {
      // Marked for deletion, it goes with the handle: whenever and however the run ends.
      files.Delete(lock.handle.get());
      return {Claimed::kOurs, "run lock: taken", std::move(lock.handle)};
    }
    // Held, or going with its holder's end: another run.
    const bool held = lock.reached == plat::Reached::kInUse ||
                      lock.reached == plat::Reached::kDenied ||
                      lock.reached == plat::Reached::kExists;
    if (!held) {
      return {Claimed::kUnguarded, "run lock: it could not be made; the run goes on without it",
              {}};
    }
    if (waited >= waitMilliseconds) {
      return {Claimed::kAnotherRun,
              "another run of SetUp.exe or Uninstall.exe is in progress" +
                  (waited > 0 ? " (waited " + std::to_string(waited) + " ms for it to end)"
                              : std::string()),
              {}};
    }
    clock.Sleep(kRetryMilliseconds);
  }
}

}  // namespace onerun
