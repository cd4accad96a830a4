#pragma once
// Undoing what the installations of a set of records placed, newest installation first, and
// only where the machine is still as they left it: what someone changed since stays.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "uninstall/record.h"

namespace uninstall {

struct FoundRecord {
  std::string path;  // the record file
  Record record;
};

// What an uninstall did not remove. Texts are for the final message, one item a line.
struct Outcome {
  std::vector<std::string> failed;  // could not be removed or put back, and why
  std::vector<std::string> kept;    // changed since the installation, so left in place
  std::vector<std::string> notes;   // worth knowing, such as a record that is gone
  std::vector<std::string> settingsFiles;  // the user's: never removed
  // What the installations changed that no record could hold: it stays.
  std::vector<std::string> unrecorded;
};

// Undoes every installation of the records, newest first.
void UndoInstallations(plat::Platform& platform, const std::vector<FoundRecord>& records,
                       Outcome* outcome);

// After an undo without failures: the records and the uninstallers (except keep, the
// running program, which cannot delete itself), then every folder the installations made
// that is now empty, the deepest first, but for the product folders, which profiles may still
// trust. Returns the folders left for the uninstaller's own removal, those that held keep.
std::vector<std::string> RemoveOwnFiles(plat::Platform& platform,
                                        const std::vector<FoundRecord>& records,
                                        const std::string& keep, Outcome* outcome);

}  // namespace uninstall
