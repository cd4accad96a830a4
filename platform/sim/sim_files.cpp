#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/sim/sim_codepage.h"
#include "platform/win_constants.h"

namespace sim {

struct SimFileSystem::Node {
  std::string name;
  std::string fold;  // the name as NTFS orders and matches it
  uint32_t attributes = plat::kAttrDirectory;
  std::string content;
  bool denyWrite = false;
  bool creationOrder = false;  // on a drive's root: the volume lists in creation order
  bool denyAccessChange = false;
  bool ownAccess = false;    // given a list of its own; otherwise it inherits only
  plat::AccessList access;  // that list
  Node* parent = nullptr;
  std::vector<std::shared_ptr<Node>> children;  // in the volume's listing order

  bool IsFolder() const { return (attributes & plat::kAttrDirectory) != 0; }
};

namespace {

using Node = SimFileSystem::Node;
constexpr size_t kMaxPathChars = 260;  // MAX_PATH, terminator included, for the ANSI calls

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

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
    out->names.push_back(name);
  }
  return true;
}

// What a Windows system drive's root allows: administrators and the system everything, users
// reading, and every signed-in user changing whatever is made below it.
static plat::AccessList SystemDriveRootAccess() {
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  plat::AccessList list;
  list.isProtected = true;
  list.entries = {{"S-1-5-32-544", plat::kFileAllAccess, kBelow},
                  {"S-1-5-18", plat::kFileAllAccess, kBelow},
                  {"S-1-5-32-545", plat::kFileReadExecute, kBelow},
                  {"S-1-5-11", plat::kFileModify, kBelow | plat::kAceInheritOnly},
                  {"S-1-5-11", plat::kFileAppendData, 0}};
  return list;
}

SimFileSystem::SimFileSystem(SimCodePage& text) : text_(text) {
  AddDrive('C');
  MakeFolders(shellAppData_);
  env_["APPDATA"] = shellAppData_;
  MakeFolders(temp_);
}

SimFileSystem::~SimFileSystem() = default;

void SimFileSystem::AddDrive(char letter, ListingOrder order) {
  char d = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (!drives_.count(d)) {
    auto root = std::make_shared<Node>();
    root->name = std::string(1, d) + ":";
    root->creationOrder = order == ListingOrder::Creation;
    root->ownAccess = true;
    root->access = SystemDriveRootAccess();
    drives_[d] = root;
  }
}

// Adds an entry to a folder at its place in the volume's listing order.
static Node* AddChild(SimCodePage& text, Node* folder, const std::string& name,
                      uint32_t attributes, const std::string& content) {
  auto node = std::make_shared<Node>();
  node->name = name;
  node->fold = text.Upper(name);
  node->attributes = attributes;
  node->content = content;
  node->parent = folder;
  const Node* root = folder;
  while (root->parent) root = root->parent;
  if (root->creationOrder) {
    folder->children.push_back(node);
    return node.get();
  }
  auto pos = std::lower_bound(
      folder->children.begin(), folder->children.end(), node->fold,
      [](const std::shared_ptr<Node>& n, const std::string& f) { return n->fold < f; });
  folder->children.insert(pos, node);
  return node.get();
}

static std::shared_ptr<Node> ChildNamed(SimCodePage& text, Node* folder, const std::string& name) {
  std::string fold = text.Upper(name);
  for (auto& child : folder->children)
    if (child->fold == fold) return child;
  return nullptr;
}

// Resolves a path to its node (null when missing); *parent is the folder that holds or would
// hold it, and *leaf its last name.
SimFileSystem::Node* SimFileSystem::Lookup(const std::string& path, Node** parent,
                                           std::string* leaf) {
  if (parent) *parent = nullptr;
  ParsedPath parsed;
  if (!Parse(text_, current_, path, &parsed)) return nullptr;
  auto drive = drives_.find(parsed.drive);
  if (drive == drives_.end()) return nullptr;
  Node* at = drive->second.get();
  for (size_t i = 0; i < parsed.names.size(); ++i) {
    if (!at->IsFolder()) return nullptr;
    if (i + 1 == parsed.names.size()) {
      if (parent) *parent = at;
      if (leaf) *leaf = parsed.names[i];
    }
    std::shared_ptr<Node> child = ChildNamed(text_, at, parsed.names[i]);
    if (!child) return nullptr;
    at = child.get();
  }
  // A trailing backslash names a folder only.
  if (parsed.trailingBackslash && !at->IsFolder()) return nullptr;
  return at;
}

bool SimFileSystem::WriteDenied(const Node* folder) {
  for (const Node* n = folder; n; n = n->parent)
    if (n->denyWrite) return true;
  return false;
}

bool SimFileSystem::ModuleFileName(std::string* path) {
  *path = module_;
  return !module_.empty();
}

plat::FindHandle SimFileSystem::FindFirst(const std::string& pattern, plat::FindEntry* entry) {
  std::vector<plat::FindEntry> found;
  size_t cut = text_.LastBackslash(pattern);
  std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  if (last.empty()) return plat::kNoFind;
  if (HasWildcard(last)) {
    std::string folderPath = cut == std::string::npos ? current_ : pattern.substr(0, cut + 1);
    if (folderPath.size() == 2 && folderPath[1] == ':') folderPath += "\\";
    Node* folder = Lookup(folderPath, nullptr, nullptr);
    if (!folder || !folder->IsFolder()) return plat::kNoFind;
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
  Node* node = Lookup(path, nullptr, nullptr);
  return node ? node->attributes : plat::kInvalidAttributes;
}

bool SimFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || WriteDenied(node)) return false;
  uint32_t keep = node->attributes & plat::kAttrDirectory;
  uint32_t settable = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem |
                      plat::kAttrArchive;
  node->attributes = keep | (attributes & settable);
  if (node->attributes == 0) node->attributes = plat::kAttrNormal;
  return true;
}

bool SimFileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  Node* source = Lookup(from, nullptr, nullptr);
  if (!source || source->IsFolder()) return false;
  Node* folder = nullptr;
  std::string leaf;
  Node* target = Lookup(to, &folder, &leaf);
  if (!folder || !folder->IsFolder() || WriteDenied(folder)) return false;
  uint32_t attributes = (source->attributes & ~plat::kAttrNormal) | plat::kAttrArchive;
  if (target) {
    if (target == source) return false;  // the file is in use by the copy itself
    // An existing read-only or hidden file is not overwritten.
    if (failIfExists || target->IsFolder() ||
        (target->attributes & (plat::kAttrReadOnly | plat::kAttrHidden)))
      return false;
    target->content = source->content;
    target->attributes = attributes;
    return true;
  }
  AddChild(text_, folder, leaf, attributes, source->content);
  return true;
}

bool SimFileSystem::CreateDirectory(const std::string& path) {
  Node* folder = nullptr;
  std::string leaf;
  if (Lookup(path, &folder, &leaf) || !folder || !folder->IsFolder()) return false;
  if (WriteDenied(folder)) return false;
  AddChild(text_, folder, leaf, plat::kAttrDirectory, "");
  return true;
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

bool SimFileSystem::DeleteFile(const std::string& path) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent || node->IsFolder()) return false;
  if ((node->attributes & plat::kAttrReadOnly) || WriteDenied(node->parent)) return false;
  Unlink(node);
  return true;
}

bool SimFileSystem::RemoveDirectory(const std::string& path) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent || !node->IsFolder() || !node->children.empty()) return false;
  if ((node->attributes & plat::kAttrReadOnly) || WriteDenied(node)) return false;
  Unlink(node);
  return true;
}

bool SimFileSystem::ReadWholeFile(const std::string& path, std::string* bytes) {
  return ReadFile(path, bytes);
}

bool SimFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf);
  if (!folder || !folder->IsFolder() || WriteDenied(folder)) return false;
  constexpr uint32_t kRefused = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem;
  if (node && (node->IsFolder() || (node->attributes & kRefused))) return false;
  return WriteFile(path, bytes, plat::kAttrArchive);
}

bool SimFileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf);
  if (!folder || !folder->IsFolder() || WriteDenied(folder)) return false;
  if (!node) return WriteFile(path, bytes, plat::kAttrArchive);
  // Opened for appending, not replaced: hidden and system files take it, read-only ones not.
  if (node->IsFolder() || (node->attributes & plat::kAttrReadOnly)) return false;
  node->content += bytes;
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
  atRestart_.push_back(path);
  return true;
}

void SimFileSystem::Restart() {
  for (const std::string& path : atRestart_) {
    if (!DeleteFile(path)) RemoveDirectory(path);
  }
  atRestart_.clear();
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
  for (const std::string& name : parsed.names) {
    at += "\\" + name;
    CreateDirectory(at);
  }
}

bool SimFileSystem::WriteFile(const std::string& path, const std::string& content,
                              uint32_t attributes) {
  Node* folder = nullptr;
  std::string leaf;
  Node* node = Lookup(path, &folder, &leaf);
  if (node) {
    if (node->IsFolder()) return false;
    node->content = content;
    node->attributes = attributes & ~plat::kAttrDirectory;
    return true;
  }
  if (!folder || !folder->IsFolder()) return false;
  AddChild(text_, folder, leaf, attributes & ~plat::kAttrDirectory, content);
  return true;
}

bool SimFileSystem::ReadFile(const std::string& path, std::string* content) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || node->IsFolder()) return false;
  *content = node->content;
  return true;
}

void SimFileSystem::Remove(const std::string& path) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || !node->parent) return;
  Unlink(node);
}

void SimFileSystem::SetEnvironment(const std::string& name, const std::string& value) {
  env_[text_.Upper(name)] = value;
}

void SimFileSystem::UnsetEnvironment(const std::string& name) { env_.erase(text_.Upper(name)); }

void SimFileSystem::DenyWrite(const std::string& path) {
  if (Node* node = Lookup(path, nullptr, nullptr)) node->denyWrite = true;
}

void SimFileSystem::DenyAccessChange(const std::string& path) {
  if (Node* node = Lookup(path, nullptr, nullptr)) node->denyAccessChange = true;
}

bool SimFileSystem::SetAccessList(const std::string& path, const plat::AccessList& list) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node || node->denyAccessChange) return false;
  node->ownAccess = true;
  node->access = list;
  return true;
}

// The entries a folder's list passes on to one entry in it. An entry for folders that does
// not propagate stops at the first level; one for files only is held by a sub-folder as
// inherit-only, to pass on to the files below it.
static void AppendInherited(const plat::AccessList& folder, bool toFolder,
                            std::vector<plat::AccessEntry>* out) {
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  for (const plat::AccessEntry& e : folder.entries) {
    const bool files = (e.flags & plat::kAceObjectInherit) != 0;
    const bool folders = (e.flags & plat::kAceContainerInherit) != 0;
    const bool stop = (e.flags & plat::kAceNoPropagateInherit) != 0;
    uint32_t flags = plat::kAceInherited;
    if (!toFolder) {
      if (!files) continue;
    } else if (folders) {
      if (!stop) flags |= e.flags & kBelow;
    } else if (files && !stop) {
      flags |= plat::kAceObjectInherit | plat::kAceInheritOnly;
    } else {
      continue;
    }
    out->push_back({e.sid, e.rights, flags});
  }
}

// Computed when asked, so a list set on a folder reaches what lies below it at once, as
// SetNamedSecurityInfo propagates it on Windows.
static plat::AccessList EffectiveAccess(const Node* node) {
  plat::AccessList list;
  if (node->ownAccess) list = node->access;
  if (!list.isProtected && node->parent) {
    AppendInherited(EffectiveAccess(node->parent), node->IsFolder(), &list.entries);
  }
  return list;
}

bool SimFileSystem::AccessListOf(const std::string& path, plat::AccessList* list) {
  Node* node = Lookup(path, nullptr, nullptr);
  if (!node) return false;
  *list = EffectiveAccess(node);
  return true;
}

}  // namespace sim
