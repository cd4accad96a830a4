#include "journal/recording_checked.h"

namespace journal {

plat::Opened RecordingCheckedFiles::Rehomed(plat::Opened opened, const std::string& path) {
  if (!opened.handle) return opened;
  const plat::FileHandle handle = opened.handle.release();
  paths_[handle] = path;
  return {{*this, handle}, opened.reached};
}

const std::string& RecordingCheckedFiles::PathOf(plat::FileHandle file) const {
  static const std::string kUnknown;
  auto known = paths_.find(file);
  return known == paths_.end() ? kUnknown : known->second;
}

std::string RecordingCheckedFiles::Below(plat::FileHandle folder, const std::string& name) const {
  return PathOf(folder) + "\\" + name;
}

bool RecordingCheckedFiles::Written(bool done, const std::string& path, uint64_t bytes) {
  if (!done) {
    observer_.CallFailed("write " + path, 0);
    return false;
  }
  observer_.FileWritten(path, bytes);
  return true;
}

plat::Opened RecordingCheckedFiles::OpenDrive(char letter, uint32_t access, uint32_t share) {
  return Rehomed(inner_.OpenDrive(letter, access, share), std::string(1, letter) + ":");
}

plat::Opened RecordingCheckedFiles::Open(plat::FileHandle folder, const std::string& name,
                                         uint32_t access, uint32_t share) {
  return Rehomed(inner_.Open(folder, name, access, share), Below(folder, name));
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
  plat::Opened made = Rehomed(inner_.Make(folder, name, isFolder, descriptor, access, share), path);
  if (!isFolder) {
    Written(made.handle.get() != plat::kNoFileHandle, path, 0);
  } else if (made.handle) {
    observer_.FolderMade(path);
  } else if (made.reached != plat::Reached::kExists) {
    // An existing folder is the usual answer, and no failure of what the caller wanted.
    observer_.CallFailed("create folder " + path, 0);
  }
  return made;
}

bool RecordingCheckedFiles::Replace(plat::FileHandle file, const std::string& bytes) {
  const std::string& path = PathOf(file);
  observer_.BeforeWrite(path, bytes);
  return Written(inner_.Replace(file, bytes), path, bytes.size());
}

bool RecordingCheckedFiles::Append(plat::FileHandle file, const std::string& bytes, bool flush) {
  const std::string& path = PathOf(file);
  std::string now;
  inner_.ReadAll(file, &now);
  observer_.BeforeWrite(path, now + bytes);
  return Written(inner_.Append(file, bytes, flush), path, now.size() + bytes.size());
}

bool RecordingCheckedFiles::SetAttributes(plat::FileHandle file, uint32_t attributes) {
  observer_.BeforeAttributes(PathOf(file), attributes);
  return inner_.SetAttributes(file, attributes);
}

bool RecordingCheckedFiles::Delete(plat::FileHandle file) {
  const std::string& path = PathOf(file);
  plat::FileFacts facts;
  const bool folder =
      inner_.Facts(file, &facts) && (facts.attributes & plat::kAttrDirectory) != 0;
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
  const std::string from = PathOf(file), to = Below(folder, name);
  if (!inner_.Rename(file, folder, name)) {
    observer_.CallFailed("move " + from + " -> " + to, 0);
    return false;
  }
  paths_[file] = to;
  observer_.Moved(from, to);
  return true;
}

void RecordingCheckedFiles::Close(plat::FileHandle file) {
  paths_.erase(file);
  inner_.Close(file);
}

bool RecordingCheckedFiles::CopyInto(plat::FileHandle folder, const std::string& name,
                                     const plat::FileCopy& from) {
  const std::string path = Below(folder, name);
  observer_.BeforeWrite(path, from.bytes);
  if (!inner_.CopyInto(folder, name, from)) {
    observer_.CallFailed(
        from.source.empty() ? "write " + path : "copy " + from.source + " -> " + path, 0);
    return false;
  }
  if (from.source.empty()) {
    observer_.FileWritten(path, from.bytes.size());
  } else {
    observer_.FileCopied(from.source, path, from.bytes.size());
  }
  return true;
}

}  // namespace journal
