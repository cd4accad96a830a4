#pragma once
// The uninstall run: started as Uninstall.exe, or with /UNINSTALL. It finds the record of the
// installation (beside the program, or where the installed-programs entry points), asks, and
// removes what the record lists where it is still as installed; then the entry and itself.
#include "platform/platform.h"

namespace uninstall {

struct UninstallOptions {
  bool silent = false;  // /S: no question, no message
};

// The uninstall's exit codes; 0 and 3 mean what they mean for an installation.
enum UninstallResult {
  kRemoved = 0,         // everything the records list that was still as installed
  kHostRunning = 3,     // AutoCAD runs: nothing was removed
  kRemovedInPart = 6,   // some items could not be removed (the message names them)
  kDeclined = 7,        // the user answered No: nothing was removed
  kNothingFound = 8,    // no record, or a damaged one: nothing was removed
};

int RunUninstall(plat::Platform& platform, const UninstallOptions& options);

}  // namespace uninstall
