#pragma once
// Checked handles that forward every call unchanged and tell an observer each write ahead of
// it, then what was written, under the path the handle was reached by: a drive's root, then
// each name opened or made below a handle it knows. The walk is what checked the path, so the
// path it tells is the one acted on. Access lists it passes on untold, as the file system's
// recorder does; the running program's own image is only ever read.
#include <map>
#include <string>

#include "journal/observer.h"
#include "platform/checked_files.h"

namespace journal {

class RecordingCheckedFiles : public plat::CheckedFiles {
 public:
  RecordingCheckedFiles(plat::CheckedFiles& inner, Observer& observer)
      : inner_(inner), observer_(observer) {}

  plat::Opened OpenDrive(char letter, uint32_t access, uint32_t share) override;
  plat::Opened Open(plat::FileHandle folder, const std::string& name, uint32_t access,
                    uint32_t share) override;
  plat::Opened Make(plat::FileHandle folder, const std::string& name, bool isFolder,
                    const plat::Descriptor& descriptor, uint32_t access, uint32_t share) override;
  bool Facts(plat::FileHandle file, plat::FileFacts* facts) override {
    return inner_.Facts(file, facts);
  }
  bool ReadSecurity(plat::FileHandle file, plat::Descriptor* descriptor) override {
    return inner_.ReadSecurity(file, descriptor);
  }
  bool SetAccessList(plat::FileHandle file, const plat::AccessList& list) override {
    return inner_.SetAccessList(file, list);
  }
  bool ReadAll(plat::FileHandle file, std::string* bytes) override {
    return inner_.ReadAll(file, bytes);
  }
  bool Replace(plat::FileHandle file, const std::string& bytes) override;
  bool Append(plat::FileHandle file, const std::string& bytes, bool flush) override;
  bool SetAttributes(plat::FileHandle file, uint32_t attributes) override;
  bool Delete(plat::FileHandle file) override;
  bool Rename(plat::FileHandle file, plat::FileHandle folder, const std::string& name) override;
  void Close(plat::FileHandle file) override;
  plat::Opened OwnImage() override;

 private:
  struct Reached {
    std::string path;
    bool isFolder = false;
  };
  // The inner handle, now owned by this decorator's caller, known under path.
  plat::Opened Known(plat::Opened opened, const std::string& path);
  std::string Below(plat::FileHandle folder, const std::string& name) const;
  std::string PathOf(plat::FileHandle file) const;
  bool Written(bool done, plat::FileHandle file, uint64_t bytes);

  plat::CheckedFiles& inner_;
  Observer& observer_;
  std::map<plat::FileHandle, Reached> paths_;
};

}  // namespace journal
