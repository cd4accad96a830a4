#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_node.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

using Node = SimFileSystem::Node;
constexpr size_t kMaxPathChars = 260;  // MAX_PATH, terminator included, for the ANSI calls

constexpr int kMaxLinks = 8;  // a loop of links ends as a missing path

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// Which of what others may share an open uses: reading (or running), writing, deleting.
uint32_t Uses(uint32_t access) {
  const uint32_t mapped = MapGeneric(access);
  return ((mapped & (plat::kFileReadData | plat::kFileExecute)) ? plat::kShareRead : 0) |
         ((mapped & (plat::kFileWriteData | plat::kFileAppendData)) ? plat::kShareWrite : 0) |
         ((mapped & plat::kDelete) ? plat::kShareDelete : 0);
}

// Two opens of one file get along when each shares what the other uses; an open that asks
// for none of these is not counted at all.
bool Conflict(uint32_t heldAccess, uint32_t heldShare, uint32_t access, uint32_t share) {
  if (!Uses(heldAccess) || !Uses(access)) return false;
  return (Uses(access) & ~heldShare) != 0 || (Uses(heldAccess) & ~share) != 0;
}

constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;

// '*' and '?' against an already case-folded name.
bool WildMatch(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') {
    while (pattern[1] == '*') ++pattern;
    // "*.*" matches every name, with or without a dot, as on Windows.
    if (pattern[1] == '.' && pattern[2] == '*' && pattern[3] == '\0') return true;
    for (const char* n = name;; ++n) {
      if (WildMatch(pattern + 1, n)) return true;
      if (*n == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  if (*pattern == '?' || *pattern == *name) return WildMatch(pattern + 1, name + 1);
  return false;
}

}  // namespace

// A path taken apart: its drive and the names below the drive's root.
struct ParsedPath {
  char drive = 0;
  std::vector<std::string> names;
  bool trailingBackslash = false;
};

static size_t CharCount(SimCodePage& text, const std::string& s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n)
    i += (text.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  return n;
}

// Splits at backslashes that are whole characters, never at a trail byte.
static std::vector<std::string> SplitNames(SimCodePage& text, const std::string& s) {
  std::vector<std::string> out;
  std::string current;
  for (size_t i = 0; i < s.size();) {
    bool lead = text.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
    if (!lead && s[i] == '\\') {
      out.push_back(current);
      current.clear();
      ++i;
      continue;
    }
    current.append(s, i, lead ? 2 : 1);
    i += lead ? 2 : 1;
  }
  out.push_back(current);
  return out;
}

static bool Parse(SimCodePage& text, const std::string& current, const std::string& path,
                  ParsedPath* out) {
  if (path.empty() || CharCount(text, path) >= kMaxPathChars) return false;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;  // no network
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    out->drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
    bool sameDrive = std::toupper(static_cast<unsigned char>(current[0])) == out->drive;
    if (rest.empty() || rest[0] != '\\') {
      // "D:" or "D:name": relative to that drive's current folder.
      if (sameDrive) rest = current.substr(2) + "\\" + rest;
      else rest = "\\" + rest;
    }
  } else {
    out->drive = static_cast<char>(std::toupper(static_cast<unsigned char>(current[0])));
    rest = path[0] == '\\' ? path : current.substr(2) + "\\" + path;
  }
  // '/' separates names too; it is never the trail byte of a double-byte character.
  std::replace(rest.begin(), rest.end(), '/', '\\');
  std::vector<std::string> parts = SplitNames(text, rest);
  out->trailingBackslash = path.size() > 2 && parts.size() > 1 && parts.back().empty();
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = parts[i];
    // The system drops trailing dots and blanks of the last name.
    if (i + 1 == parts.size())
      while (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "." &&
             name != "..")
        name.pop_back();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!out->names.empty()) out->names.pop_back();
      continue;
    }
    // A name with more after it loses one trailing dot.
    if (i + 1 < parts.size() && name.back() == '.') name.pop_back();
    out->names.push_back(name);
  }
  return true;
}

SimFileSystem::SimFileSystem(SimCodePage& text) : text_(text) {
  AddDrive('C');
  const struct {
    const char* path;
    plat::Descriptor security;
  } windows[] = {{"C:\\Windows", SystemFolderDescriptor()},
                 {"C:\\Windows\\Temp", WindowsTempDescriptor()},
                 {"C:\\Program Files", SystemFolderDescriptor()},
                 {"C:\\Program Files (x86)", SystemFolderDescriptor()},
                 {"C:\\users", UsersFolderDescriptor()},
                 {"C:\\users\\user", ProfileDescriptor(caller_.user)}};
  for (const auto& folder : windows) {
    MakeFolders(folder.path);
    SetDescriptor(folder.path, folder.security);
  }
  MakeFolders(shellAppData_);
  env_["APPDATA"] = shellAppData_;
  env_["WINDIR"] = "C:\\Windows";
  MakeFolders(temp_);
}

SimFileSystem::~SimFileSystem() = default;

void SimFileSystem::AddDrive(char letter, ListingOrder order) {
  char d = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (!drives_.count(d)) {
    auto root = std::make_shared<Node>();
    root->name = std::string(1, d) + ":";
    root->creationOrder = order == ListingOrder::Creation;
    root->security = d == 'C' ? DriveRootDescriptor() : SecondDriveDescriptor();
    root->id = nextId_++;
    drives_[d] = root;
  }
}

static const Node* RootOf(const Node* node) {
  while (node->parent) node = node->parent;
  return node;
}

// Puts an entry into a folder under its name, at its place in the volume's listing order.
static Node* Insert(SimCodePage& text, Node* folder, std::shared_ptr<Node> node,
                    const std::string& name) {
  node->name = name;
  node->fold = text.Upper(name);
  node->parent = folder;
  if (RootOf(folder)->creationOrder) {
    folder->children.push_back(node);
    return node.get();
  }
  auto pos = std::lower_bound(
      folder->children.begin(), folder->children.end(), node->fold,
      [](const std::shared_ptr<Node>& n, const std::string& f) { return n->fold < f; });
  folder->children.insert(pos, node);
  return node.get();
}

// A new entry in folder: its owner and list from the create call when it gives them, else the
// caller's default owner; then whatever the folder passes on.
Node* SimFileSystem::Make(Node* folder, const std::string& leaf, uint32_t attributes,
                          const std::string& content, const plat::Descriptor* given) {
  auto node = std::make_shared<Node>();
  node->attributes = attributes;
  node->content = content;
  node->id = nextId_++;
  const std::string owner = given ? given->owner : caller_.defaultOwner;
  node->security = {owner, InheritedList(folder->security.dacl, node->IsFolder(), owner,
                                         given ? &given->dacl : nullptr)};
  return Insert(text_, folder, node, leaf);
}

static std::shared_ptr<Node> ChildNamed(SimCodePage& text, Node* folder, const std::string& name) {
  std::string fold = text.Upper(name);
  for (auto& child : folder->children)
    if (child->fold == fold) return child;
  return nullptr;
}

// Resolves a path to its node (null when missing); *parent is the folder that holds or would
// hold it, and *leaf its last name. A link on the way leads on to its target; one at the end
// is followed when follow is true, as opening a file or folder follows it.
SimFileSystem::Node* SimFileSystem::Lookup(const std::string& path, Node** parent,
                                           std::string* leaf, bool follow, int depth) {
  if (parent) *parent = nullptr;
  ParsedPath parsed;
  if (!Parse(text_, current_, path, &parsed)) return nullptr;
  auto drive = drives_.find(parsed.drive);
  if (drive == drives_.end()) return nullptr;
  Node* at = drive->second.get();
  for (size_t i = 0; i < parsed.names.size(); ++i) {
    if (!at->IsFolder()) return nullptr;
    const bool last = i + 1 == parsed.names.size();
    if (last) {
      if (parent) *parent = at;
      if (leaf) *leaf = parsed.names[i];
    }
    std::shared_ptr<Node> child = ChildNamed(text_, at, parsed.names[i]);
    if (!child) return nullptr;
    at = child.get();
    if (at->link == kRpcControl && !last) {
      // The object manager takes the next name; the rest goes on from where its link leads.
      auto target = objectLinks_.find(text_.Upper(parsed.names[i + 1]));
      if (target == objectLinks_.end() || depth >= kMaxLinks) return nullptr;
      std::string rest = target->second;
      for (size_t j = i + 2; j < parsed.names.size(); ++j) rest += "\\" + parsed.names[j];
      return Lookup(rest, parent, leaf, follow, depth + 1);
    }
    if (!at->link.empty() && (!last || follow)) {
      at = Follow(at, depth);
      if (!at) return nullptr;
    }
  }
  // A trailing backslash names a folder only.
  if (parsed.trailingBackslash && !at->IsFolder()) return nullptr;
  return at;
}

SimFileSystem::Node* SimFileSystem::Follow(Node* link, int depth) {
  // The object manager's directory itself is no file or folder.
  if (depth >= kMaxLinks || link->link == kRpcControl) return nullptr;
  return Lookup(link->link, nullptr, nullptr, true, depth + 1);
}

bool SimFileSystem::WriteDenied(const Node* folder) {
  for (const Node* n = folder; n; n = n->parent)
    if (n->denyWrite) return true;
  return false;
}

bool SimFileSystem::May(const Node* node, uint32_t rights) const {
  return Allows(node->security, caller_, rights);
}

// Windows lets a holder of FILE_DELETE_CHILD on a folder delete what is in it, whatever the
// entry's own list says.
bool SimFileSystem::MayDelete(const Node* node) const {
  return May(node, plat::kDelete) || (node->parent && May(node->parent, plat::kFileDeleteChild));
}

bool SimFileSystem::ModuleFileName(std::string* path) {
  *path = module_;
  return !module_.empty();
}

plat::FindHandle SimFileSystem::FindFirst(const std::string& pattern, plat::FindEntry* entry) {
  Race("FindFirst");
  std::vector<plat::FindEntry> found;
  size_t cut = text_.LastBackslash(pattern);
  std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  if (last.empty()) return plat::kNoFind;
  if (HasWildcard(last)) {
    std::string folderPath = cut == std::string::npos ? current_ : pattern.substr(0, cut + 1);
    if (folderPath.size() == 2 && folderPath[1] == ':') folderPath += "\\";
    Node* folder = Lookup(folderPath, nullptr, nullptr, true);
    if (!folder || !folder->IsFolder() || !May(folder, plat::kFileReadData)) return plat::kNoFind;
    std::string foldPattern = text_.Upper(last);
    if (folder->parent) {
      for (const char* dots : {".", ".."})
        if (WildMatch(foldPattern.c_str(), dots)) found.push_back({dots, plat::kAttrDirectory});
    }
    for (auto& child : folder->children)
      if (WildMatch(foldPattern.c_str(), child->fold.c_str()))
        found.push_back({child->name, child->attributes, child->IsFolder() ? 0 : child->content.size()});
  } else {
    Node* node = Lookup(pattern, nullptr, nullptr);
    if (!node || !node->parent) return plat::kNoFind;
    ParsedPath parsed;
    Parse(text_, current_, pattern, &parsed);
    if (parsed.trailingBackslash) return plat::kNoFind;
    found.push_back({node->name, node->attributes, node->IsFolder() ? 0 : node->content.size()});
  }
  if (found.empty()) return plat::kNoFind;
  plat::FindHandle h = nextFind_++;
  *entry = found[0];
  finds_[h] = std::move(found);
  findPos_[h] = 1;
  return h;
}

bool SimFileSystem::FindNext(plat::FindHandle find, plat::FindEntry* entry) {
  auto it = finds_.find(find);
  if (it == finds_.end()) return false;
  size_t& pos = findPos_[find];
  if (pos >= it->second.size()) return false;
  *entry = it->second[pos++];
  return true;
}

void SimFileSystem::FindClose(plat::FindHandle find) {
  finds_.erase(find);
  findPos_.erase(find);
}

uint32_t SimFileSystem::GetAttributes(const std::string& path) {
  Race("GetAttributes");
  Node* node = Lookup(path, nullptr, nullptr);
  return node ? node->attributes : plat::kInvalidAttributes;
}

bool SimFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  Race("SetAttributes");
  BeforeWrite();
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || WriteDenied(node) || !May(node, plat::kFileWriteAttributes)) return false;
  SetNodeAttributes(node, attributes);
  return true;
}

void SimFileSystem::SetNodeAttributes(Node* node, uint32_t attributes) {
  uint32_t keep = node->attributes & (plat::kAttrDirectory | plat::kAttrReparsePoint);
  uint32_t settable = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem |
                      plat::kAttrArchive;
  node->attributes = keep | (attributes & settable);
  if (node->attributes == 0) node->attributes = plat::kAttrNormal;
}

bool SimFileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  Race("CopyFile");
  BeforeWrite();
  Node* source = Lookup(from, nullptr, nullptr, true);
  if (!source || source->IsFolder() || !May(source, plat::kFileReadData) ||
      !Shares(source, plat::kFileReadData, plat::kShareRead))
    return false;
  Node* folder = nullptr;
  std::string leaf;
  Node* target = Lookup(to, &folder, &leaf, true);
  if (target) folder = target->parent;
  if (!folder || !folder->IsFolder() || WriteDenied(folder)) return false;
  uint32_t attributes = (source->attributes & ~plat::kAttrNormal) | plat::kAttrArchive;
  if (target) {
    if (target == source) return false;  // the file is in use by the copy itself
    // An existing read-only or hidden file is not overwritten.
    if (failIfExists || target->IsFolder() ||
        (target->attributes & (plat::kAttrReadOnly | plat::kAttrHidden)))
      return false;
    // The file keeps its owner and list.
    if (!May(target, plat::kFileWriteData) || !Shares(target, plat::kFileWriteData, 0))
      return false;
    target->content.clear();
    target->attributes = attributes;
  } else {
    if (!May(folder, plat::kFileWriteData)) return false;
    target = Make(folder, leaf, attributes, "", nullptr);
  }
  Fill(target, source->content);
  return true;
}

bool SimFileSystem::MakeFolder(const std::string& path, const plat::Descriptor* given,
                               bool checked) {
  Node* folder = nullptr;
  std::string leaf;
  if (Lookup(path, &folder, &leaf) || !folder || !folder->IsFolder()) return false;
  if (checked) {
    if (WriteDenied(folder) || !May(folder, plat::kFileAppendData)) return false;
    if (given && !caller_.MayOwnAs(given->owner)) return false;
  }
  Make(folder, leaf, plat::kAttrDirectory, "", given);
  return true;
}

bool SimFileSystem::CreateDirectory(const std::string& path) {
  Race("CreateDirectory");
  BeforeWrite();
  return MakeFolder(path, nullptr, true);
}

bool SimFileSystem::CreateDirectoryWith(const std::string& path,
                                        const plat::Descriptor& descriptor) {
  Race("CreateDirectoryWith");
  BeforeWrite();
  return MakeFolder(path, &descriptor, true);
}

std::string SimFileSystem::CurrentDirectory() { return current_; }

bool SimFileSystem::GetEnvironmentVariable(const std::string& name, std::string* value) {
  auto it = env_.find(text_.Upper(name));
  if (it == env_.end()) return false;
  *value = it->second;
  return true;
}

bool SimFileSystem::ShellAppDataFolder(std::string* path) {
  if (shellAppData_.empty()) return false;
  *path = shellAppData_;
  return true;
}

// Takes a node out of its folder.
static void Unlink(Node* node) {
  auto& siblings = node->parent->children;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                              [node](const std::shared_ptr<Node>& n) { return n.get() == node; }));
}

// The name goes at once (as DeleteFile does it since Windows 10), the file with its last open.
void SimFileSystem::Detach(Node* node) {
  Unlink(node);
  node->gone = true;
}

bool SimFileSystem::DeleteFile(const std::string& path) {
  Race("DeleteFile");
  BeforeWrite();
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent || node->IsFolder() || node == Image()) return false;
  if ((node->attributes & plat::kAttrReadOnly) || WriteDenied(node->parent)) return false;
  if (!MayDelete(node) || !Shares(node, plat::kDelete, kShareAll)) return false;
  Detach(node);
  return true;
}

bool SimFileSystem::RemoveDirectory(const std::string& path) {
  Race("RemoveDirectory");
  BeforeWrite();
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent || !node->IsFolder() || !node->children.empty()) return false;
  if ((node->attributes & plat::kAttrReadOnly) || WriteDenied(node)) return false;
  if (!MayDelete(node) || !Shares(node, plat::kDelete, kShareAll)) return false;
  Detach(node);
  return true;
}

bool SimFileSystem::ReadWholeFile(const std::string& path, std::string* bytes) {
  Race("ReadWholeFile");
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (!node || node->IsFolder() || !May(node, plat::kFileReadData) ||
      !Shares(node, plat::kFileReadData, plat::kShareRead))
    return false;
  *bytes = node->content;
  return true;
}

bool SimFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  Race("WriteWholeFile");
  BeforeWrite();
  Node* file = Emptied(path);
  if (!file) return false;
  Fill(file, bytes);
  return true;
}

SimFileSystem::Node* SimFileSystem::Emptied(const std::string& path) {
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf, true);
  if (node) folder = node->parent;
  if (!folder || !folder->IsFolder() || WriteDenied(folder)) return nullptr;
  constexpr uint32_t kRefused = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem;
  if (node && (node->IsFolder() || (node->attributes & kRefused))) return nullptr;
  if (node) {
    // Replaced in place: the file keeps its owner and list.
    if (!May(node, plat::kFileWriteData) || !Shares(node, plat::kFileWriteData, 0))
      return nullptr;
    node->content.clear();
    node->attributes = plat::kAttrArchive;
    return node;
  }
  if (!May(folder, plat::kFileWriteData)) return nullptr;
  return Make(folder, leaf, plat::kAttrArchive, "", nullptr);
}

void SimFileSystem::Fill(Node* file, const std::string& bytes) {
  // No bytes, no write call.
  if (bytes.empty()) return;
  const size_t lands = stop_ ? stop_->Filling(bytes.size()) : bytes.size();
  file->content.append(bytes, 0, lands);
  if (lands < bytes.size()) stop_->Stop();
}

bool SimFileSystem::CutFile(const std::string& path, uint64_t size) {
  Race("CutFile");
  BeforeWrite();
  Node* node = Lookup(path, nullptr, nullptr);
  constexpr uint32_t kRefused = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem;
  if (!node || node->IsFolder() || (node->attributes & kRefused) || WriteDenied(node->parent) ||
      node->content.size() < size || !Shares(node, plat::kFileWriteData, 0))
    return false;
  node->content.resize(size);
  return true;
}

bool SimFileSystem::AppendToFileIf(const std::string& path, const std::string& bytes,
                                   const std::function<bool(const plat::OpenedFile&)>& accept) {
  Race("AppendToFileIf");
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf);  // a link at the end is not followed
  plat::OpenedFile opened;
  if (node) {
    if ((node->IsFolder() && node->link.empty()) || !May(node, plat::kFileAppendData) ||
        !Shares(node, plat::kFileAppendData, plat::kShareRead | plat::kShareWrite))
      return false;
    opened.attributes = node->attributes | (node->link.empty() ? 0 : plat::kAttrReparsePoint);
  } else {
    BeforeWrite();
    if (!folder || !folder->IsFolder() || WriteDenied(folder) || !May(folder, plat::kFileWriteData))
      return false;
    node = Make(folder, leaf, plat::kAttrArchive, "", nullptr);
    opened.made = true;
    opened.attributes = node->attributes;
  }
  opened.links = node->links;
  opened.owner = node->security.owner;
  if (!accept(opened)) return false;
  if (!node->link.empty() || (node->attributes & plat::kAttrReadOnly) || WriteDenied(node->parent))
    return false;
  Fill(node, bytes);
  return true;
}

bool SimFileSystem::MakeHardLink(const std::string& path, const std::string& existing) {
  Node* folder = nullptr;
  std::string leaf;
  Node* file = Lookup(existing, nullptr, nullptr);
  if (!file || file->IsFolder() || Lookup(path, &folder, &leaf) || !folder || !folder->IsFolder() ||
      !May(folder, plat::kFileWriteData))
    return false;
  // Both names count two; the model keeps a copy under the new name, so a write through one
  // name is not seen through the other: enough for what refuses a file of two names.
  Node* second = Make(folder, leaf, file->attributes, file->content, nullptr);
  second->security = file->security;
  file->links = second->links = 2;
  return true;
}

bool SimFileSystem::AppendToFile(const std::string& path, const std::string& bytes, bool) {
  Race("AppendToFile");
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (node) {
    // Opened for appending, not replaced: hidden and system files take it, read-only ones not.
    if (WriteDenied(node->parent) || node->IsFolder() ||
        (node->attributes & plat::kAttrReadOnly) || !May(node, plat::kFileAppendData) ||
        !Shares(node, plat::kFileAppendData, plat::kShareRead | plat::kShareWrite))
      return false;
  } else {
    BeforeWrite();
    if (!(node = Emptied(path))) return false;
  }
  Fill(node, bytes);
  return true;
}

bool SimFileSystem::TempFolder(std::string* path) {
  // GetTempPath's order: TMP, TEMP, then the folder the machine was given.
  std::string folder = temp_;
  for (const char* name : {"TEMP", "TMP"}) {
    auto it = env_.find(name);
    if (it != env_.end() && !it->second.empty()) folder = it->second;
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  *path = folder;
  return true;
}

bool SimFileSystem::DeleteAtRestart(const std::string& path) {
  Race("DeleteAtRestart");
  BeforeWrite();
  // The list of what goes at the next start is the machine's, in its registry.
  if (!caller_.Has(plat::kSidAdministrators)) return false;
  atRestart_.push_back(path);
  return true;
}

void SimFileSystem::Restart() {
  // Nothing runs and nothing is open at the next start; no other process acts meanwhile.
  held_.clear();
  running_ = false;
  image_.reset();
  const bool hooked = std::exchange(inHook_, true);
  const Identity was = caller_;
  caller_ = Identity::System();
  for (const std::string& path : atRestart_) {
    if (!DeleteFile(path)) RemoveDirectory(path);
  }
  atRestart_.clear();
  caller_ = was;
  inHook_ = hooked;
}

static void DumpNode(const Node& node, const std::string& path, std::string* out) {
  *out += path + " " + std::to_string(node.attributes) +
          (node.IsFolder() ? std::string() : " " + std::to_string(node.content.size()) + " " +
                                                 node.content) +
          "\n";
  for (const std::shared_ptr<Node>& child : node.children) {
    DumpNode(*child, path + "\\" + child->name, out);
  }
}

std::string SimFileSystem::Dump() const {
  std::string out;
  for (const auto& drive : drives_) DumpNode(*drive.second, std::string(1, drive.first) + ":", &out);
  return out;
}

void SimFileSystem::MakeFolders(const std::string& path) {
  ParsedPath parsed;
  if (!Parse(text_, current_, path, &parsed)) return;
  AddDrive(parsed.drive);
  std::string at = std::string(1, parsed.drive) + ":";
  StopSwitch* stop = std::exchange(stop_, nullptr);
  for (const std::string& name : parsed.names) {
    at += "\\" + name;
    MakeFolder(at, nullptr, false);
  }
  stop_ = stop;
}

bool SimFileSystem::WriteFile(const std::string& path, const std::string& content,
                              uint32_t attributes) {
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf, true);
  if (node) {
    if (node->IsFolder()) return false;
    node->content = content;
    node->attributes = attributes & ~plat::kAttrDirectory;
    return true;
  }
  if (!folder || !folder->IsFolder()) return false;
  Make(folder, leaf, attributes & ~plat::kAttrDirectory, content, nullptr);
  return true;
}

bool SimFileSystem::ReadFile(const std::string& path, std::string* content) {
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (!node || node->IsFolder()) return false;
  *content = node->content;
  return true;
}

void SimFileSystem::Remove(const std::string& path) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent) return;
  Detach(node);
}

void SimFileSystem::SetEnvironment(const std::string& name, const std::string& value) {
  env_[text_.Upper(name)] = value;
}

void SimFileSystem::UnsetEnvironment(const std::string& name) { env_.erase(text_.Upper(name)); }

void SimFileSystem::DenyWrite(const std::string& path, bool deny) {
  if (Node* node = Lookup(path, nullptr, nullptr)) node->denyWrite = deny;
}

// A list set on a folder reaches at once what lies below it and inherits, as
// SetNamedSecurityInfo propagates it.
static void PassDown(Node* folder) {
  for (const std::shared_ptr<Node>& child : folder->children) {
    plat::Descriptor& own = child->security;
    own.dacl = Reinherited(folder->security.dacl, child->IsFolder(), own.owner, own.dacl);
    if (child->link.empty()) PassDown(child.get());
  }
}

static plat::AccessList OwnEntries(const plat::AccessList& list) {
  plat::AccessList own{list.isProtected, {}};
  for (plat::AccessEntry e : list.entries) {
    e.flags &= ~plat::kAceInherited;
    own.entries.push_back(e);
  }
  return own;
}

bool SimFileSystem::SetAccessList(const std::string& path, const plat::AccessList& list) {
  Race("SetAccessList");
  BeforeWrite();
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (!node || !May(node, plat::kWriteDac)) return false;
  SetList(node, list);
  return true;
}

void SimFileSystem::SetList(Node* node, const plat::AccessList& list) {
  plat::Descriptor& own = node->security;
  const plat::AccessList given = OwnEntries(list);
  own.dacl = node->parent && !node->gone
                 ? InheritedList(node->parent->security.dacl, node->IsFolder(), own.owner, &given)
                 : given;
  PassDown(node);
}

void SimFileSystem::SetDescriptor(const std::string& path, const plat::Descriptor& descriptor) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node) return;
  node->security.owner = descriptor.owner;
  const plat::AccessList given = OwnEntries(descriptor.dacl);
  node->security.dacl = node->parent ? InheritedList(node->parent->security.dacl,
                                                     node->IsFolder(), descriptor.owner, &given)
                                     : given;
  PassDown(node);
}

bool SimFileSystem::DescriptorOf(const std::string& path, plat::Descriptor* descriptor) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node) return false;
  *descriptor = node->security;
  return true;
}

bool SimFileSystem::ReadSecurity(const std::string& path, plat::Descriptor* descriptor) {
  Race("ReadSecurity");
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (!node || !May(node, plat::kReadControl)) return false;
  *descriptor = node->security;
  return true;
}

bool SimFileSystem::MoveFile(const std::string& from, const std::string& to) {
  Race("MoveFile");
  BeforeWrite();
  Node* source = Lookup(from, nullptr, nullptr);
  Node* folder = nullptr;
  std::string leaf;
  if (!source || !source->parent || Lookup(to, &folder, &leaf) || !folder || !folder->IsFolder())
    return false;
  if (RootOf(source) != RootOf(folder)) return false;  // a rename stays on its volume
  for (const Node* n = folder; n; n = n->parent)
    if (n == source) return false;  // not into itself
  if (WriteDenied(source->parent) || WriteDenied(folder) || !MayDelete(source)) return false;
  if (!May(folder, source->IsFolder() ? plat::kFileAppendData : plat::kFileWriteData)) return false;
  if (!Shares(source, plat::kDelete, kShareAll)) return false;
  Move(source, folder, leaf);
  return true;
}

// What moves keeps its owner, list and open handles.
void SimFileSystem::Move(Node* node, Node* folder, const std::string& name) {
  std::shared_ptr<Node> moved = Owning(node);
  Unlink(node);
  Insert(text_, folder, moved, name);
}

bool SimFileSystem::MakeLink(const std::string& path, const std::string& target, bool folder) {
  Node* parent = nullptr;
  std::string leaf;
  if (Lookup(path, &parent, &leaf) || !parent || !parent->IsFolder() || WriteDenied(parent))
    return false;
  if (!May(parent, folder ? plat::kFileAppendData : plat::kFileWriteData)) return false;
  const uint32_t kind = folder ? plat::kAttrDirectory : plat::kAttrArchive;
  Make(parent, leaf, kind | plat::kAttrReparsePoint, "", nullptr)->link = target;
  return true;
}

bool SimFileSystem::RunningAccount(std::string* sid) {
  *sid = caller_.user;
  return true;
}

bool SimFileSystem::RandomNumber(uint64_t* number) {
  // splitmix64: every call a new number, the same sequence in every run of a test.
  uint64_t z = (random_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  *number = z ^ (z >> 31);
  return true;
}

bool SimFileSystem::MakeObjectLink(const std::string& name, const std::string& target) {
  return objectLinks_.emplace(text_.Upper(name), target).second;
}

std::shared_ptr<Node> SimFileSystem::Child(Node* folder, const std::string& name) {
  return ChildNamed(text_, folder, name);
}

std::shared_ptr<Node> SimFileSystem::Owning(Node* node) {
  if (!node->parent) return drives_[node->name[0]];
  for (const std::shared_ptr<Node>& child : node->parent->children)
    if (child.get() == node) return child;
  return nullptr;
}

bool SimFileSystem::Shares(Node* node, uint32_t access, uint32_t share) {
  if (node->deletePending) return false;
  for (const auto& entry : held_) {
    const Held& held = entry.second;
    if (held.node.get() == node && Conflict(held.access, held.share, access, share)) return false;
  }
  // The loader keeps the running program's file open to run it, sharing reading and deleting.
  return node != Image() || !Conflict(plat::kFileReadData | plat::kFileExecute,
                                      plat::kShareRead | plat::kShareDelete, access, share);
}

SimFileSystem::Node* SimFileSystem::Image() {
  if (!running_) return nullptr;
  if (image_.expired()) {
    Node* at = Lookup(module_, nullptr, nullptr, true);
    if (at && !at->IsFolder()) image_ = Owning(at);
  }
  return image_.lock().get();
}

void SimFileSystem::Race(const char* call) {
  if (!hook_ || inHook_) return;
  inHook_ = true;
  struct Done {
    bool& hooked;
    ~Done() { hooked = false; }
  } done{inHook_};
  hook_(call, ++calls_);
}

bool SimFileSystem::AccessListOf(const std::string& path, plat::AccessList* list) {
  Node* node = Lookup(path, nullptr, nullptr, true);
  if (!node) return false;
  *list = node->security.dacl;
  return true;
}

}  // namespace sim
