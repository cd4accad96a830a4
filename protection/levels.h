#pragma once
// The folders on the way to a path, and whether anyone but an administrator could put something
// else in their place. Whoever may delete or rename a level (or rewrite its list, which its
// owner always may) can replace everything below it, so every existing level counts, from the
// drive's root down.
#include <string>
#include <vector>

#include "protection/rules.h"
#include "platform/platform.h"

namespace protection {

enum class Problem {
  kNone,
  kLink,              // a junction or symbolic link, which could lead anywhere
  kUnreadable,        // its owner and list could not be read
  kNotMade,           // a missing level that could not be made
  kNotOwned,          // its owner is not an administrator
  kOthersMayReplace,  // someone else may delete, rename or take it over, or what lies in it
  kOthersMayChange,   // someone else may add to it or change what it holds
};

struct Finding {
  Problem problem = Problem::kNone;
  std::string path;  // the level or file it is about
  std::string who;   // the SID of whoever could do it
  explicit operator bool() const { return problem != Problem::kNone; }
};

// The folder text as a full path: a drive-relative or relative text is resolved against the
// current directory.
std::string FullPath(plat::Platform& platform, const std::string& folder);

// The levels of a full path from its drive's root down: "C:\\", "C:\\A", "C:\\A\\B".
std::vector<std::string> Levels(plat::CodePage& text, const std::string& fullPath);

// What is wrong with the entry at path, when someone else holds one of rights on it (problem
// then names that); a missing entry has nothing wrong with it.
Finding CheckEntry(plat::FileSystem& files, const Administrators& admins, const std::string& path,
                   uint32_t rights, Problem problem);

// The existing levels of fullPath, the path itself included: the first link among them, or
// else the first level owned by someone else or that someone else may replace. A level that
// fails only for the last reason and is named in ours is no problem: it is listed in
// *toProtect (when given), for Protect.
Finding CheckLevels(plat::Platform& platform, const Administrators& admins,
                    const std::string& fullPath, const std::vector<std::string>& ours,
                    std::vector<std::string>* toProtect);

// Whether only administrators can have put what lies at path there: every level above it is
// no link and belongs to an administrator, and no one else may change path or its folder.
Finding CheckWrittenByAdministrators(plat::Platform& platform, const Administrators& admins,
                                     const std::string& path);

// "C:\\Velmar 是一个链接（连接点或符号链接）": the finding in the program's messages.
std::string FindingText(const Finding& finding);
// "it is a junction or symbolic link": the finding in a log line about its path.
std::string FindingLogText(const Finding& finding);

}  // namespace protection
