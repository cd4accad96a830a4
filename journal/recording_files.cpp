#include "journal/recording_files.h"

#include "platform/win_constants.h"

namespace journal {

uint64_t RecordingFileSystem::SizeOf(const std::string& path) {
  plat::FindEntry entry;
  plat::UniqueFind find(inner_, inner_.FindFirst(path, &entry));
  return find ? entry.size : 0;
}

bool RecordingFileSystem::CopyFile(const std::string& from, const std::string& to,
                                   bool failIfExists) {
  observer_.BeforeCopy(from, to);
  if (!inner_.CopyFile(from, to, failIfExists)) {
    observer_.CallFailed("copy " + from + " -> " + to, 0);
    return false;
  }
  observer_.FileCopied(from, to, SizeOf(to));
  return true;
}

bool RecordingFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  observer_.BeforeAttributes(path, attributes);
  return inner_.SetAttributes(path, attributes);
}

bool RecordingFileSystem::Made(bool made, const std::string& path) {
  if (made) {
    observer_.FolderMade(path);
    return true;
  }
  // An existing folder is the usual answer, and no failure of what the caller wanted.
  if (inner_.GetAttributes(path) == plat::kInvalidAttributes) {
    observer_.CallFailed("create folder " + path, 0);
  }
  return false;
}

bool RecordingFileSystem::CreateDirectory(const std::string& path) {
  observer_.BeforeFolder(path);
  return Made(inner_.CreateDirectory(path), path);
}

bool RecordingFileSystem::CreateDirectoryWith(const std::string& path,
                                              const plat::Descriptor& descriptor) {
  observer_.BeforeFolder(path);
  return Made(inner_.CreateDirectoryWith(path, descriptor), path);
}

bool RecordingFileSystem::MoveFile(const std::string& from, const std::string& to) {
  if (!inner_.MoveFile(from, to)) {
    observer_.CallFailed("move " + from + " -> " + to, 0);
    return false;
  }
  observer_.Moved(from, to);
  return true;
}

bool RecordingFileSystem::DeleteFile(const std::string& path) {
  observer_.BeforeDelete(path);
  if (!inner_.DeleteFile(path)) {
    observer_.CallFailed("delete " + path, 0);
    return false;
  }
  observer_.FileDeleted(path);
  return true;
}

bool RecordingFileSystem::RemoveDirectory(const std::string& path) {
  observer_.BeforeDelete(path);
  if (!inner_.RemoveDirectory(path)) {
    observer_.CallFailed("remove folder " + path, 0);
    return false;
  }
  observer_.FolderRemoved(path);
  return true;
}

bool RecordingFileSystem::Written(bool done, const std::string& path) {
  if (!done) {
    observer_.CallFailed("write " + path, 0);
    return false;
  }
  observer_.FileWritten(path, SizeOf(path));
  return true;
}

bool RecordingFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  observer_.BeforeWrite(path, bytes);
  return Written(inner_.WriteWholeFile(path, bytes), path);
}

bool RecordingFileSystem::AppendToFile(const std::string& path, const std::string& bytes,
                                       bool flush) {
  std::string now;
  inner_.ReadWholeFile(path, &now);
  observer_.BeforeWrite(path, now + bytes);
  return Written(inner_.AppendToFile(path, bytes, flush), path);
}

bool RecordingFileSystem::AppendToFileIf(
    const std::string& path, const std::string& bytes,
    const std::function<bool(const plat::OpenedFile&)>& accept) {
  std::string now;
  inner_.ReadWholeFile(path, &now);
  observer_.BeforeWrite(path, now + bytes);
  return Written(inner_.AppendToFileIf(path, bytes, accept), path);
}

bool RecordingFileSystem::CutFile(const std::string& path, uint64_t size) {
  std::string now;
  inner_.ReadWholeFile(path, &now);
  observer_.BeforeWrite(path, now.substr(0, size));
  return Written(inner_.CutFile(path, size), path);
}

bool RecordingFileSystem::DeleteAtRestart(const std::string& path) {
  observer_.BeforeDelete(path);
  return inner_.DeleteAtRestart(path);
}

}  // namespace journal
