#pragma once
// The file-system seam over kernel32 (and shell32 for the application-data folder).
// FindHandle is the HANDLE of FindFirstFileA; INVALID_HANDLE_VALUE is plat::kNoFind.
#include "platform/files.h"

namespace win32 {

class Win32FileSystem : public plat::FileSystem {
 public:
  bool ModuleFileName(std::string* path) override;
  plat::FindHandle FindFirst(const std::string& pattern, plat::FindEntry* entry) override;
  bool FindNext(plat::FindHandle find, plat::FindEntry* entry) override;
  void FindClose(plat::FindHandle find) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDirectory(const std::string& path) override;
  std::string CurrentDirectory() override;
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override;
  bool ShellAppDataFolder(std::string* path) override;
  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string* bytes) override;
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
  bool AppendToFile(const std::string& path, const std::string& bytes, bool flush) override;
  bool AppendToFileIf(const std::string& path, const std::string& bytes,
                      const std::function<bool(const plat::OpenedFile&)>& accept) override;
  bool CutFile(const std::string& path, uint64_t size) override;
  bool TempFolder(std::string* path) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool SetAccessList(const std::string& path, const plat::AccessList& list) override;
  bool CreateDirectoryWith(const std::string& path, const plat::Descriptor& descriptor) override;
  bool ReadSecurity(const std::string& path, plat::Descriptor* descriptor) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool RunningAccount(std::string* sid) override;
  bool RandomNumber(uint64_t* number) override;
};

}  // namespace win32
