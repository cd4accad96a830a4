#pragma once
// The uninstall run: started as Uninstall.exe, or with /UNINSTALL. It finds the record of the
// installation (beside the program, or where the installed-programs entry points), asks, and
// removes what the record lists where it is still as installed; then the entry and itself.
#include "platform/platform.h"
#include "unattended/exit_codes.h"

namespace uninstall {

struct UninstallOptions {
  // A quiet run: nothing is asked. Its messages still go to platform.messages, which in such
  // a run show nothing and note each one in the run's log.
  bool silent = false;
};

// The uninstall's exit codes, from the table every run shares.
enum UninstallResult {
  kRemoved = unattended::kInstalled,               // everything still as installed is gone
  kHostRunning = unattended::kRetryLater,          // AutoCAD runs: nothing was removed
  kRemovedInPart = unattended::kRemovedInPart,     // some items stay (the message names them)
  kDeclined = unattended::kAnsweredNo,             // the user answered No: nothing was removed
  kNothingFound = unattended::kNothingInstalled,   // no record, or a damaged one: nothing removed
  kRemovedAtRestart = unattended::kRestartNeeded,  // removed; the uninstaller itself goes at the next restart
};

int RunUninstall(plat::Platform& platform, const UninstallOptions& options);

}  // namespace uninstall
