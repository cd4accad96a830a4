#pragma once
// Checked handles that forward every call unchanged and tell an observer each write ahead of
// it, then what was written, as the recording file system tells its calls by name. It knows
// each handle's path from the walk that opened it (the drive, then one name at a time), so
// that the record and the log name what a handle reached, not a path opened again. A copy is
// one event, whatever calls it takes. Access lists it passes on untold.
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
  plat::Opened OwnImage() override { return Rehomed(inner_.OwnImage(), ""); }
  bool CopyInto(plat::FileHandle folder, const std::string& name,
                const plat::FileCopy& from) override;

 private:
  // The inner handle, owned by this decorator from now on, with its path.
  plat::Opened Rehomed(plat::Opened opened, const std::string& path);
  std::string Below(plat::FileHandle folder, const std::string& name) const;
  const std::string& PathOf(plat::FileHandle file) const;
  bool Written(bool done, const std::string& path, uint64_t bytes);

  plat::CheckedFiles& inner_;
  Observer& observer_;
  std::map<plat::FileHandle, std::string> paths_;  // every handle open, and what it reached
};

}  // namespace journal
