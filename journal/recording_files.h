#pragma once
// A file system that forwards every call unchanged and tells an observer each write ahead of
// it, then what was written: folders made and removed, files copied, written and deleted, and
// the writes that failed. Access lists it passes on untold.
#include "journal/observer.h"
#include "platform/files.h"

namespace journal {

class RecordingFileSystem : public plat::FileSystem {
 public:
  RecordingFileSystem(plat::FileSystem& inner, Observer& observer)
      : inner_(inner), observer_(observer) {}

  bool ModuleFileName(std::string* path) override { return inner_.ModuleFileName(path); }
  plat::FindHandle FindFirst(const std::string& pattern, plat::FindEntry* entry) override {
    return inner_.FindFirst(pattern, entry);
  }
  bool FindNext(plat::FindHandle find, plat::FindEntry* entry) override {
    return inner_.FindNext(find, entry);
  }
  void FindClose(plat::FindHandle find) override { inner_.FindClose(find); }
  uint32_t GetAttributes(const std::string& path) override { return inner_.GetAttributes(path); }
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDirectory(const std::string& path) override;
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override {
    return inner_.GetEnvironmentVariable(name, value);
  }
  bool ShellAppDataFolder(std::string* path) override { return inner_.ShellAppDataFolder(path); }
  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string* bytes) override {
    return inner_.ReadWholeFile(path, bytes);
  }
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
  bool AppendToFile(const std::string& path, const std::string& bytes, bool flush) override;
  bool AppendToFileIf(const std::string& path, const std::string& bytes,
                      const std::function<bool(const plat::OpenedFile&)>& accept) override;
  bool CutFile(const std::string& path, uint64_t size) override;
  bool TempFolder(std::string* path) override { return inner_.TempFolder(path); }
  bool DeleteAtRestart(const std::string& path) override;
  bool SetAccessList(const std::string& path, const plat::AccessList& list) override {
    return inner_.SetAccessList(path, list);
  }
  bool CreateDirectoryWith(const std::string& path, const plat::Descriptor& descriptor) override;
  bool ReadSecurity(const std::string& path, plat::Descriptor* descriptor) override {
    return inner_.ReadSecurity(path, descriptor);
  }
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool RunningAccount(std::string* sid) override { return inner_.RunningAccount(sid); }
  bool RandomNumber(uint64_t* number) override { return inner_.RandomNumber(number); }

 private:
  bool Written(bool done, const std::string& path);
  bool Made(bool made, const std::string& path);
  bool IsFile(const std::string& path);
  uint64_t SizeOf(const std::string& path);

  plat::FileSystem& inner_;
  Observer& observer_;
};

}  // namespace journal
