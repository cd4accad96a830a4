#include "journal/recording_files.h"

#include "platform/win_constants.h"

namespace journal {

bool RecordingFileSystem::IsFile(const std::string& path) {
  const uint32_t attributes = inner_.GetAttributes(path);
  return attributes != plat::kInvalidAttributes && !(attributes & plat::kAttrDirectory);
}

uint64_t RecordingFileSystem::SizeOf(const std::string& path) {
  plat::FindEntry entry;
  plat::UniqueFind find(inner_, inner_.FindFirst(path, &entry));
  return find ? entry.size : 0;
}

bool RecordingFileSystem::CopyFile(const std::string& from, const std::string& to,
                                   bool failIfExists) {
  if (!failIfExists && IsFile(to)) observer_.BeforeReplace(to);
  if (!inner_.CopyFile(from, to, failIfExists)) {
    observer_.CallFailed("copy " + from + " -> " + to, 0);
    return false;
  }
  observer_.FileCopied(from, to, SizeOf(to));
  return true;
}

bool RecordingFileSystem::CreateDirectory(const std::string& path) {
  if (inner_.CreateDirectory(path)) {
    observer_.FolderMade(path);
    return true;
  }
  // An existing folder is the usual answer, and no failure of what the caller wanted.
  if (inner_.GetAttributes(path) == plat::kInvalidAttributes) {
    observer_.CallFailed("create folder " + path, 0);
  }
  return false;
}

bool RecordingFileSystem::DeleteFile(const std::string& path) {
  if (!inner_.DeleteFile(path)) {
    observer_.CallFailed("delete " + path, 0);
    return false;
  }
  observer_.FileDeleted(path);
  return true;
}

bool RecordingFileSystem::RemoveDirectory(const std::string& path) {
  if (!inner_.RemoveDirectory(path)) {
    observer_.CallFailed("remove folder " + path, 0);
    return false;
  }
  observer_.FolderRemoved(path);
  return true;
}

bool RecordingFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (!inner_.WriteWholeFile(path, bytes)) {
    observer_.CallFailed("write " + path, 0);
    return false;
  }
  observer_.FileWritten(path, bytes.size());
  return true;
}

bool RecordingFileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  if (!inner_.AppendToFile(path, bytes)) {
    observer_.CallFailed("append to " + path, 0);
    return false;
  }
  observer_.FileWritten(path, SizeOf(path));
  return true;
}

}  // namespace journal
