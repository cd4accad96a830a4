#include "platform/sim/sim_checked_files.h"

#include <cctype>
#include <string>

#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_node.h"
#include "platform/win_constants.h"

namespace sim {
namespace {

constexpr uint32_t kSynchronize = 0x100000;
constexpr uint32_t kWrites = plat::kFileWriteData | plat::kFileAppendData;

const SimFileSystem::Node* RootOf(const SimFileSystem::Node* node) {
  while (node->parent) node = node->parent;
  return node;
}

}  // namespace

SimCheckedFiles::Node* SimCheckedFiles::Held(plat::FileHandle handle, uint32_t need) {
  auto held = files_.held_.find(handle);
  if (held == files_.held_.end() || (MapGeneric(held->second.access) & need) != need)
    return nullptr;
  return held->second.node.get();
}

SimCheckedFiles::Node* SimCheckedFiles::Folder(plat::FileHandle handle) {
  Node* folder = Held(handle, 0);
  return folder && folder->IsFolder() && !folder->gone && !folder->deletePending ? folder
                                                                                   : nullptr;
}

bool SimCheckedFiles::PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         files_.text_.LastBackslash(name) == std::string::npos;
}

plat::Opened SimCheckedFiles::Hold(Node* node, uint32_t access, uint32_t share) {
  const plat::FileHandle handle = files_.nextHeld_++;
  files_.held_[handle] = {files_.Owning(node), access, share};
  return {{*this, handle}, node->IsFolder() ? plat::Reached::kFolder : plat::Reached::kFile};
}

plat::Opened SimCheckedFiles::Grant(Node* node, uint32_t access, uint32_t share) {
  if (node->deletePending) return {{}, plat::Reached::kDenied};
  uint32_t wanted = MapGeneric(access) & ~kSynchronize;
  if (node->parent && files_.May(node->parent, plat::kFileDeleteChild)) wanted &= ~plat::kDelete;
  if (node->parent && files_.May(node->parent, plat::kFileReadData))
    wanted &= ~plat::kFileReadAttributes;
  if (!Allows(node->security, files_.caller_, wanted)) return {{}, plat::Reached::kDenied};
  if (!node->IsFolder() && (node->attributes & plat::kAttrReadOnly) && (wanted & kWrites))
    return {{}, plat::Reached::kDenied};
  if (!files_.Shares(node, access, share)) return {{}, plat::Reached::kInUse};
  return Hold(node, access, share);
}

plat::Opened SimCheckedFiles::OpenDrive(char letter, uint32_t access, uint32_t share) {
  files_.Race("OpenDrive");
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  auto drive = files_.drives_.find(upper);
  if (drive == files_.drives_.end()) return {{}, plat::Reached::kMissing};
  return Grant(drive->second.get(), access, share);
}

plat::Opened SimCheckedFiles::Open(plat::FileHandle folder, const std::string& name,
                                   uint32_t access, uint32_t share) {
  files_.Race("Open");
  Node* at = Folder(folder);
  if (!at || !PlainName(name)) return {{}, plat::Reached::kFailed};
  std::shared_ptr<Node> child = files_.Child(at, name);
  if (!child) return {{}, plat::Reached::kMissing};
  if (!child->link.empty()) return {{}, plat::Reached::kLink};
  return Grant(child.get(), access, share);
}

plat::Opened SimCheckedFiles::Make(plat::FileHandle folder, const std::string& name,
                                   bool isFolder, const plat::Descriptor& descriptor,
                                   uint32_t access, uint32_t share) {
  files_.Race("Make");
  files_.BeforeWrite();
  Node* at = Folder(folder);
  if (!at || !PlainName(name)) return {{}, plat::Reached::kFailed};
  if (files_.Child(at, name)) return {{}, plat::Reached::kExists};
  const uint32_t right = isFolder ? plat::kFileAppendData : plat::kFileWriteData;
  const bool given = !descriptor.owner.empty();
  if (files_.WriteDenied(at) || !files_.May(at, right) ||
      (given && !files_.caller_.MayOwnAs(descriptor.owner)))
    return {{}, plat::Reached::kDenied};
  const uint32_t kind = isFolder ? plat::kAttrDirectory : plat::kAttrArchive;
  return Hold(files_.Make(at, name, kind, "", given ? &descriptor : nullptr), access, share);
}

bool SimCheckedFiles::Facts(plat::FileHandle file, plat::FileFacts* facts) {
  files_.Race("Facts");
  Node* node = Held(file, 0);
  if (!node) return false;
  facts->attributes = node->attributes;
  facts->links = node->links;
  facts->size = node->IsFolder() ? 0 : node->content.size();
  facts->volume = static_cast<unsigned char>(RootOf(node)->name[0]);
  facts->id = node->id;
  return true;
}

bool SimCheckedFiles::ReadSecurity(plat::FileHandle file, plat::Descriptor* descriptor) {
  files_.Race("ReadSecurity");
  Node* node = Held(file, plat::kReadControl);
  if (!node) return false;
  *descriptor = node->security;
  return true;
}

bool SimCheckedFiles::SetAccessList(plat::FileHandle file, const plat::AccessList& list) {
  files_.Race("SetAccessList");
  files_.BeforeWrite();
  Node* node = Held(file, plat::kWriteDac);
  if (!node) return false;
  files_.SetList(node, list);
  return true;
}

bool SimCheckedFiles::ReadAll(plat::FileHandle file, std::string* bytes) {
  files_.Race("ReadAll");
  Node* node = Held(file, plat::kFileReadData);
  if (!node || node->IsFolder()) return false;
  *bytes = node->content;
  return true;
}

bool SimCheckedFiles::Write(plat::FileHandle file, uint32_t need, const std::string& bytes,
                            bool append) {
  Node* node = Held(file, need);
  if (!node || node->IsFolder() || (!node->gone && files_.WriteDenied(node->parent))) return false;
  node->attributes = (node->attributes & ~plat::kAttrNormal) | plat::kAttrArchive;
  // Replaced as the system replaces a file's content: cut to nothing, then filled.
  if (!append) {
    files_.BeforeWrite();
    node->content.clear();
  }
  files_.Fill(node, bytes);
  return true;
}

bool SimCheckedFiles::Replace(plat::FileHandle file, const std::string& bytes) {
  files_.Race("Replace");
  return Write(file, plat::kFileWriteData, bytes, false);
}

bool SimCheckedFiles::Append(plat::FileHandle file, const std::string& bytes, bool) {
  files_.Race("Append");
  const uint32_t need = Held(file, plat::kFileAppendData) ? plat::kFileAppendData
                                                          : plat::kFileWriteData;
  return Write(file, need, bytes, true);
}

bool SimCheckedFiles::SetAttributes(plat::FileHandle file, uint32_t attributes) {
  files_.Race("SetAttributes");
  files_.BeforeWrite();
  Node* node = Held(file, plat::kFileWriteAttributes);
  if (!node || files_.WriteDenied(node)) return false;
  SimFileSystem::SetNodeAttributes(node, attributes);
  return true;
}

bool SimCheckedFiles::Delete(plat::FileHandle file) {
  files_.Race("Delete");
  files_.BeforeWrite();
  Node* node = Held(file, plat::kDelete);
  if (!node || !node->parent || node->gone || !node->children.empty() ||
      (node->attributes & plat::kAttrReadOnly) || files_.WriteDenied(node->parent) ||
      node == files_.Image())
    return false;
  node->deletePending = true;
  return true;
}

bool SimCheckedFiles::Rename(plat::FileHandle file, plat::FileHandle folder,
                             const std::string& name) {
  files_.Race("Rename");
  files_.BeforeWrite();
  Node* node = Held(file, plat::kDelete);
  Node* to = Folder(folder);
  if (!node || !to || !node->parent || node->gone || node->deletePending || !PlainName(name) ||
      files_.Child(to, name) || RootOf(node) != RootOf(to))
    return false;
  for (const Node* n = to; n; n = n->parent)
    if (n == node) return false;  // not into itself
  const uint32_t right = node->IsFolder() ? plat::kFileAppendData : plat::kFileWriteData;
  if (files_.WriteDenied(node->parent) || files_.WriteDenied(to) || !files_.May(to, right))
    return false;
  files_.Move(node, to, name);
  return true;
}

void SimCheckedFiles::Close(plat::FileHandle file) {
  auto held = files_.held_.find(file);
  if (held == files_.held_.end()) return;
  std::shared_ptr<Node> node = held->second.node;
  files_.held_.erase(held);
  if (!node->deletePending || node->gone) return;
  for (const auto& other : files_.held_)
    if (other.second.node == node) return;
  SimFileSystem::Detach(node.get());
}

plat::Opened SimCheckedFiles::OwnImage() {
  files_.Race("OwnImage");
  Node* image = files_.Image();
  Node* at = files_.Lookup(files_.module_, nullptr, nullptr, true);
  if (!at || at->IsFolder()) return {{}, plat::Reached::kFailed};
  plat::Opened opened = Grant(at, plat::kFileGenericRead, plat::kShareRead);
  if (opened.handle && at != image) return {{}, plat::Reached::kFailed};
  return opened;
}

}  // namespace sim
