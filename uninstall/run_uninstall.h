#pragma once
// The uninstall run: started as Uninstall.exe, or with /UNINSTALL. It finds the record of the
// installation (beside the program, or where the installed-programs entry points), asks, and
// removes what the record lists where it is still as installed; then the entry and itself.
#include <string>

#include "platform/platform.h"
#include "uninstall/removal.h"

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

// One installation per machine: an installation into another folder first takes the earlier
// one away, as its uninstall would but without asking: its files, its trusted-path entries, its
// keys; its records, uninstaller and folders go when nothing failed, and otherwise stay for the
// new installation's record to reach. False when folder held no usable record. The texts of
// what stays are in outcome.
bool RemoveEarlierInstallation(plat::Platform& platform, const std::string& folder,
                               Outcome* outcome);

}  // namespace uninstall
