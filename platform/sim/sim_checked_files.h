#pragma once
// The checked-handle seam on the simulated file system, as Windows shows it: a handle keeps its
// file or folder wherever the name goes; an open is checked against the caller's rights when it
// is made (DELETE also from FILE_DELETE_CHILD of the folder above, attributes also from listing
// it) and against what the opens held meanwhile share; the maker of a new file gets the access
// it asks for; a deletion waits for the last handle; the running program's file is open to the
// loader, sharing reading and deleting, and is never deleted.
#include "platform/checked_files.h"
#include "platform/sim/sim_files.h"

namespace sim {

class SimCheckedFiles : public plat::CheckedFiles {
 public:
  explicit SimCheckedFiles(SimFileSystem& files) : files_(files) {}

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

 private:
  using Node = SimFileSystem::Node;
  // The node of an open handle that was opened with every right of need; null otherwise.
  Node* Held(plat::FileHandle handle, uint32_t need);
  Node* Folder(plat::FileHandle handle);
  bool PlainName(const std::string& name);
  plat::Opened Hold(Node* node, uint32_t access, uint32_t share);
  plat::Opened Grant(Node* node, uint32_t access, uint32_t share);
  bool Write(plat::FileHandle file, uint32_t need, const std::string& bytes, bool append);

  SimFileSystem& files_;
};

}  // namespace sim
