#pragma once
// The uninstall run: started as Uninstall.exe, or with /UNINSTALL. It finds the record of the
// installation (beside the program, or where the installed-programs entry points), asks, and
// removes what the record lists where it is still as installed; then the entry and itself.
#include <string>

#include "platform/platform.h"

namespace uninstall {

struct UninstallOptions {
  // A quiet run: nothing is asked. Its messages still go to platform.messages, which in such
  // a run show nothing and note each one in the run's log.
  bool silent = false;
  // The run's log file, which the helper appends to as well; empty: the run keeps none.
  std::string logPath;
};

// How an uninstall ended.
enum UninstallResult {
  kRemoved,           // everything still as installed is gone
  kHostRunning,       // AutoCAD runs: nothing was removed
  kRemovedInPart,     // some items stay (the message names them)
  kDeclined,          // the user answered No: nothing was removed
  kNothingFound,      // no record, or a damaged one: nothing removed
  kRemovedAtRestart,  // removed; the uninstaller itself goes at the next restart
};

UninstallResult RunUninstall(plat::Platform& platform, const UninstallOptions& options);

}  // namespace uninstall
