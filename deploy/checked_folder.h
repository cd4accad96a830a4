#pragma once
// A folder the deployment writes into, reached by a walk from its drive's root that follows no
// link (platform/checked_files.h), and held: every file is then opened, made and changed
// relative to that handle, never by its path again.
#include <string>

#include "platform/platform.h"

namespace deploy {

class CheckedFolder {
 public:
  // path as the caller names it; a relative or drive-relative one is taken as the system takes
  // it, from the current directory. made: the last level is made when it is missing, with what
  // its folder passes on (one level, as CreateDirectory makes it). accept: a rule each level
  // walked must pass besides being no link (platform/checked_files.h), or none.
  CheckedFolder(plat::Platform& platform, std::string path, bool made = false,
                plat::LevelCheck accept = nullptr)
      : platform_(platform), path_(std::move(path)), made_(made), accept_(std::move(accept)) {}

  // The folder's handle, walked the first time it is there; kNoFileHandle while it is not.
  plat::FileHandle Get();
  // After Get() failed: the level that is a junction or symbolic link, else empty.
  const std::string& link() const { return link_; }

 private:
  plat::Platform& platform_;
  std::string path_;
  bool made_;
  plat::LevelCheck accept_;
  plat::UniqueFileHandle folder_;
  std::string link_;
};

// Clears the read-only attribute of the file name in folder, opened without following a link;
// silent on every failure.
void ClearReadOnlyIn(plat::CheckedFiles& files, plat::FileHandle folder, const std::string& name);

}  // namespace deploy
