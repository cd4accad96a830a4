#include "journal/recording_checked.h"

#include <cctype>

namespace journal {

// The handle the caller gets is the inner one: this decorator closes it through the inner
// seam, and every call it forwards reaches the file the inner open reached.
plat::Opened RecordingCheckedFiles::Known(plat::Opened opened, const std::string& path) {
  if (!opened.handle) return opened;
  const plat::FileHandle handle = opened.handle.release();
  paths_[handle] = {path, opened.reached == plat::Reached::kFolder};
  return {{*this, handle}, opened.reached};
}

std::string RecordingCheckedFiles::PathOf(plat::FileHandle file) const {
  const auto known = paths_.find(file);
  return known == paths_.end() ? std::string() : known->second.path;
}

std::string RecordingCheckedFiles::Below(plat::FileHandle folder, const std::string& name) const {
  std::string path = PathOf(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + name;
}

plat::Opened RecordingCheckedFiles::OpenDrive(char letter, uint32_t access, uint32_t share) {
  const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return Known(inner_.OpenDrive(letter, access, share), std::string(1, drive) + ":\\");
}

plat::Opened RecordingCheckedFiles::Open(plat::FileHandle folder, const std::string& name,
                                         uint32_t access, uint32_t share) {
  return Known(inner_.Open(folder, name, access, share), Below(folder, name));
}

plat::Opened RecordingCheckedFiles::Make(plat::FileHandle folder, const std::string& name,
                                         bool isFolder, const plat::Descriptor& descriptor,
                                         uint32_t access, uint32_t share) {
  const std::string path = Below(folder, name);
  if (isFolder) {
    observer_.BeforeFolder(path);
  } else {
    observer_.BeforeWrite(path, "");
  }
  plat::Opened made = inner_.Make(folder, name, isFolder, descriptor, access, share);
  if (made.handle) {
    if (isFolder) observer_.FolderMade(path);
    if (!isFolder) observer_.FileWritten(path, 0);
  } else if (made.reached != plat::Reached::kExists) {
    // Something standing there already is an answer the caller looks at, not a failure.
    observer_.CallFailed((isFolder ? "create folder " : "write ") + path, 0);
  }
  return Known(std::move(made), path);
}

bool RecordingCheckedFiles::Written(bool done, plat::FileHandle file, uint64_t bytes) {
  if (!done) {
    observer_.CallFailed("write " + PathOf(file), 0);
    return false;
  }
  observer_.FileWritten(PathOf(file), bytes);
  return true;
}

bool RecordingCheckedFiles::Replace(plat::FileHandle file, const std::string& bytes) {
  observer_.BeforeWrite(PathOf(file), bytes);
  return Written(inner_.Replace(file, bytes), file, bytes.size());
}

bool RecordingCheckedFiles::Append(plat::FileHandle file, const std::string& bytes, bool flush) {
  std::string now;
  inner_.ReadAll(file, &now);
  observer_.BeforeWrite(PathOf(file), now + bytes);
  return Written(inner_.Append(file, bytes, flush), file, now.size() + bytes.size());
}

bool RecordingCheckedFiles::SetAttributes(plat::FileHandle file, uint32_t attributes) {
  observer_.BeforeAttributes(PathOf(file), attributes);
  return inner_.SetAttributes(file, attributes);
}

bool RecordingCheckedFiles::Delete(plat::FileHandle file) {
  const auto known = paths_.find(file);
  const std::string path = PathOf(file);
  const bool folder = known != paths_.end() && known->second.isFolder;
  observer_.BeforeDelete(path);
  if (!inner_.Delete(file)) {
    observer_.CallFailed((folder ? "remove folder " : "delete ") + path, 0);
    return false;
  }
  if (folder) {
    observer_.FolderRemoved(path);
  } else {
    observer_.FileDeleted(path);
  }
  return true;
}

bool RecordingCheckedFiles::Rename(plat::FileHandle file, plat::FileHandle folder,
                                   const std::string& name) {
  const std::string from = PathOf(file);
  const std::string to = Below(folder, name);
  if (!inner_.Rename(file, folder, name)) {
    observer_.CallFailed("move " + from + " -> " + to, 0);
    return false;
  }
  observer_.Moved(from, to);
  paths_[file].path = to;
  return true;
}

void RecordingCheckedFiles::Close(plat::FileHandle file) {
  paths_.erase(file);
  inner_.Close(file);
}

plat::Opened RecordingCheckedFiles::OwnImage() { return Known(inner_.OwnImage(), ""); }

}  // namespace journal
