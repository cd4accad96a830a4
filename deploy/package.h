#pragma once
// The package, read once at the start of a run: the listing of the package folder, and each
// file's bytes through one handle, opened relative to the folder reached by a walk that follows
// no link. The copy, the fonts, the driver and the default settings all take those bytes; none
// opens a package file by name again, so nothing put in the folder after the reading reaches
// the machine. A build can name its package: it then carries the list of the package's files
// with their SHA-256, and a package that differs from it is refused before anything is written.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace deploy {

// One file of the package a build names: its name in the package folder and its SHA-256 in
// lower-case hex.
struct ListedFile {
  const char* name;
  const char* sha256;
};
struct PackageList {
  const ListedFile* files;
  std::size_t count;
};

// The list SetUp.exe carries (the build option VELMAR_PACKAGE_LIST); null when its build named
// no package. Defined by the build of the program, not by the logic.
const PackageList* BuiltInPackageList();

// One entry of the package folder's listing, in the listing's order.
struct PackageEntry {
  plat::FindEntry listed;  // as the listing gave it
  bool read = false;       // a file whose bytes were read
  plat::FileCopy file;     // its path, bytes and attributes, when read
};

class Package {
 public:
  // The package folder was found (FindPackageFolder's answer) and reached through no link.
  bool found() const { return found_; }
  // Its listing could be taken.
  bool listed() const { return listed_; }
  const std::string& folder() const { return folder_; }
  const std::vector<PackageEntry>& entries() const { return entries_; }
  // The package folder, held open; none for a folder on a network share, read by name.
  plat::FileHandle handle() const { return handle_.get(); }
  // The file of that name (letter case aside) whose bytes were read; null when there is none.
  const PackageEntry* File(plat::CodePage& text, const std::string& name) const;

 private:
  friend Package ReadPackage(plat::Platform& platform);
  bool found_ = false;
  bool listed_ = false;
  std::string folder_;
  std::vector<PackageEntry> entries_;
  plat::UniqueFileHandle handle_;
};

// A name the listing gave that is a name of one file: the code page made no backslash, slash
// or colon of it (by best fit from a character it holds not), which joined to a folder would
// name some other path.
bool IsPackageFileName(plat::CodePage& text, const std::string& name);

// Reads the package beside the running program, without a word.
Package ReadPackage(plat::Platform& platform);

// Clears the read-only attribute of a package file, as the copy does to each of its sources:
// through the package folder's handle, never through a link.
void ClearReadOnlyOfSource(plat::Platform& platform, const Package& package,
                           const PackageEntry& entry);

// What keeps a found package from being installed.
enum class Difference {
  kNone,
  kBadName,  // the code page made a backslash, slash or colon of the name: it would be a path
  kUnread,   // the listing, or a file the list names, could not be read
  kChanged,  // a listed file whose bytes are not those the list names
  kAdded,    // a file the list does not name
  kMissing,  // a file the list names that is not there
};
struct Verdict {
  Difference difference = Difference::kNone;
  std::string path;  // the file it is about
  explicit operator bool() const { return difference != Difference::kNone; }
};

// list: the files the package must hold, no more, no fewer; null takes any package. The setup
// program itself, when the package folder is its own, and sub-folders are no package files.
Verdict CheckPackage(plat::CodePage& text, const Package& package, const PackageList* list);

// The message that refuses the package, in the program's voice, and the log's words for it.
std::string RefusalText(const Verdict& verdict);
std::string RefusalLogText(const Verdict& verdict);

}  // namespace deploy
