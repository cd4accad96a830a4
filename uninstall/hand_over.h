#pragma once
// A running program cannot delete its own file. So the uninstaller leaves its last removals to
// a copy of itself in a folder of its own that it makes in the temporary folder: it writes
// there what is left (its own file, the folders that held it) and starts the copy, which waits
// for it to end, removes those, and has itself deleted when the machine next starts. The copy
// is an uninstall run like any other; it tells that it is the helper by the hand-over list
// beside it, and acts on one that only an administrator can have written.
#include <string>
#include <vector>

#include "platform/platform.h"

namespace uninstall {

constexpr char kHandOverFileName[] = "Uninstall-handover.txt";

// Hands program (the running uninstaller) and then folders, deepest first and each only if it
// is empty by then, to a helper, which appends to the log file logPath when one is named. False
// when no helper could be started: the program and the folders are then left for the next
// start of the machine.
bool HandOver(plat::Platform& platform, const std::string& program,
              const std::vector<std::string>& folders, const std::string& logPath = "");

// True when folder holds a hand-over list: the running program is the helper.
bool IsHelperFolder(plat::Platform& platform, const std::string& folder);

// The helper's work, from the list in folder, its own. False, with why (for the log), when the
// list is not one an administrator alone can have written as the uninstaller writes it: then
// nothing is removed, now or at the next restart.
bool FinishHandOver(plat::Platform& platform, const std::string& folder,
                    std::string* refused = nullptr);

}  // namespace uninstall
