#pragma once
// The checked-handle seam over ntdll and kernel32: every level and every name is opened with
// NtCreateFile relative to the handle of its folder, with FILE_OPEN_REPARSE_POINT. A FileHandle
// is the HANDLE itself.
#include "platform/checked_files.h"

namespace win32 {

class Win32CheckedFiles : public plat::CheckedFiles {
 public:
  plat::Opened OpenDrive(char letter, uint32_t access, uint32_t share) override;
  plat::Opened Open(plat::FileHandle folder, const std::string& name, uint32_t access,
                    uint32_t share) override;
  plat::Opened Make(plat::FileHandle folder, const std::string& name, bool isFolder,
                    const plat::Descriptor& descriptor, uint32_t access, uint32_t share) override;
  bool Facts(plat::FileHandle file, plat::FileFacts* facts) override;
  bool ReadSecurity(plat::FileHandle file, plat::Descriptor* descriptor) override;
  bool SetAccessList(plat::FileHandle file, const plat::AccessList& list) override;
  bool ReadAll(plat::FileHandle file, std::string* bytes) override;
  bool Replace(plat::FileHandle file, const std::string& bytes) override;
  bool Append(plat::FileHandle file, const std::string& bytes, bool flush) override;
  bool SetAttributes(plat::FileHandle file, uint32_t attributes) override;
  bool Delete(plat::FileHandle file) override;
  bool Rename(plat::FileHandle file, plat::FileHandle folder, const std::string& name) override;
  void Close(plat::FileHandle file) override;
  plat::Opened OwnImage() override;
};

}  // namespace win32
