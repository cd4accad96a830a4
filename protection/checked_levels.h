#pragma once
// The rules of levels.h judged on handles of a checked walk (platform/checked_files.h): what
// is judged is the very folder or file the program then acts on or below, whatever is put in
// place of its name afterwards.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "protection/levels.h"

namespace protection {

// What is wrong with the open file or folder at path: someone other than an administrator who
// holds one of rights on it (problem then names that), or a descriptor that cannot be read.
Finding CheckOpen(plat::CheckedFiles& files, const Administrators& admins, plat::FileHandle open,
                  const std::string& path, uint32_t rights, Problem problem);

// The folder a file's full path lies in, as a walk takes it: "C:\\" for "C:\\x.log".
std::string FolderToWalk(plat::CodePage& text, const std::string& path);

// The path of the level a walk of fullPath stopped at (0 is the drive's root).
std::string LevelPath(plat::CodePage& text, const std::string& fullPath, size_t level);

struct SafeWalk {
  plat::Walked walked;  // kFolder with the last level open, or why the walk stopped
  Finding finding;      // a link, or a level someone else may replace, where it stopped
};

// Walks to a full folder path; every level below the drive's root must be no link and no
// folder that anyone but an administrator may replace. The last level is opened with access
// and share as well. A walk that stops at a missing level has no finding.
SafeWalk WalkSafeFolder(plat::Platform& platform, const std::string& fullPath, uint32_t access,
                        uint32_t share);

// The settings file's folder (%APPDATA%\Velmar, made when missing) as the log's: a finding
// when a level that exists is a link or someone else's to replace. Under SYSTEM, an %APPDATA%
// taken from a user's environment names that user's profile, and is refused.
Finding CheckSettingsFolder(plat::Platform& platform, const std::string& folder);

// The content of the file at path (a full path) when only administrators can have written it,
// judged as CheckWrittenByAdministrators judges it, each level on the handle the walk opened and
// the file on the handle it is read through. False, with why, otherwise.
bool ReadWrittenByAdministrators(plat::Platform& platform, const std::string& path,
                                 std::string* bytes, Finding* why);

// A folder of the program's own, named by path, in the open folder above it: made with the
// descriptor given; one that stands there and is an administrator's alone is given its list;
// anything else there (someone else's, or what administrators may not even look at) is moved
// aside whole, under the name with "-" and 16 hex digits of a random number, which no one can
// take first, and the folder is made anew: whatever its owner holds open in it or owns there
// stays with the old one. Its handle, or none with why (a link is never moved); none without a
// finding when it is not there and cannot be made.
plat::UniqueFileHandle OwnFolder(plat::Platform& platform, plat::FileHandle parent,
                                 const std::string& path, const plat::Descriptor& descriptor,
                                 Finding* why);

// Gives each folder the list of the folders the program makes, on the handle a walk to it
// opened: a level swapped for a link since it was judged is never reached.
void ProtectThrough(plat::Platform& platform, const std::vector<std::string>& folders);

}  // namespace protection
