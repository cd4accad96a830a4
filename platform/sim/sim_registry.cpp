#include "platform/sim/sim_registry.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cstring>

#include "platform/sim/sim_codepage.h"
#include "platform/win_constants.h"

namespace sim {

namespace {
constexpr long kErrorKeyDeleted = 1018;
constexpr long kErrorBadPathname = 161;
constexpr size_t kMaxKeyNameChars = 255;

// Windows keeps sub-keys ordered by their UTF-16 names after case folding. For Chinese names
// that is not the order of the code page 936 bytes: 配 (C5E4) sorts before 未 (CEB4) by bytes
// but after it as U+914D against U+672A. The conversion is the C library's (iconv), or the
// system's in the Windows build, where this file is compiled too; a byte that does not
// convert stands for itself.
std::u16string RegistryOrder(const std::string& fold) {
  std::u16string units;
#ifdef _WIN32
  int length = ::MultiByteToWideChar(936, 0, fold.data(), static_cast<int>(fold.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(936, 0, fold.data(), static_cast<int>(fold.size()), &wide[0], length);
  units.assign(wide.begin(), wide.end());
#else
  iconv_t convert = iconv_open("UTF-16LE", "CP936");
  if (convert == reinterpret_cast<iconv_t>(-1)) return std::u16string(fold.begin(), fold.end());
  std::string in = fold;
  char* from = &in[0];
  size_t fromLeft = in.size();
  while (fromLeft > 0) {
    char out[2];
    char* to = out;
    size_t toLeft = sizeof(out);
    size_t before = fromLeft;
    iconv(convert, &from, &fromLeft, &to, &toLeft);
    if (toLeft == 0) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                            static_cast<unsigned char>(out[1]) << 8));
    } else if (fromLeft == before) {
      units.push_back(static_cast<unsigned char>(*from));
      ++from;
      --fromLeft;
    }
  }
  iconv_close(convert);
#endif
  return units;
}

bool IsStringType(uint32_t type) {
  return type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
}
}  // namespace

struct SimRegistry::Node {
  struct Value {
    std::string name;
    uint32_t type = 0;
    std::string bytes;
  };
  std::string name;
  std::string fold;      // the name as the registry matches it
  std::u16string order;  // and as it orders it
  Node* parent = nullptr;
  std::vector<std::shared_ptr<Node>> children;  // kept in the registry's order
  std::vector<Value> values;
  bool deleted = false;
  bool denyOpen = false;
  bool denyValueRead = false;
  bool denyWrite = false;

  bool WriteDenied() const {
    for (const Node* n = this; n; n = n->parent)
      if (n->denyWrite) return true;
    return false;
  }
};

namespace {

using Node = SimRegistry::Node;

// Splits a key path into its names at backslashes that are whole characters (the system
// converts the path from the code page first, so a trail byte 0x5C is no separator). A
// trailing backslash ends the path; a leading one or an empty name in the middle makes the
// path invalid.
bool SplitPath(SimCodePage& text, const std::string& path, std::vector<std::string>* names) {
  names->clear();
  if (path.empty()) return true;
  if (path[0] == '\\') return false;
  std::string name;
  for (size_t i = 0; i < path.size();) {
    bool lead = text.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
    if (!lead && path[i] == '\\') {
      if (name.empty()) return false;
      names->push_back(name);
      name.clear();
      ++i;
      continue;
    }
    name.append(path, i, lead ? 2 : 1);
    i += lead ? 2 : 1;
  }
  if (!name.empty()) names->push_back(name);
  return true;
}

// The narrow registry calls convert a path into a buffer of 261 wide characters; a longer
// path is refused with "more data" before the registry sees it.
bool PathTooLong(SimCodePage& text, const std::string& path) {
  size_t chars = 0;
  for (size_t i = 0; i < path.size(); ++chars)
    i += text.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size() ? 2 : 1;
  return chars > 260;
}

}  // namespace

SimRegistry::SimRegistry(SimCodePage& text)
    : text_(text), machine_(std::make_shared<Node>()), user_(std::make_shared<Node>()) {
  machine_->name = "HKEY_LOCAL_MACHINE";
  user_->name = "HKEY_CURRENT_USER";
}

SimRegistry::~SimRegistry() = default;

Node* SimRegistry::Resolve(plat::HKey key) {
  if (key == plat::kHkeyLocalMachine) return machine_.get();
  if (key == plat::kHkeyCurrentUser) return user_.get();
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : it->second.get();
}

plat::HKey SimRegistry::NewHandle(const std::shared_ptr<Node>& node) {
  plat::HKey h = nextHandle_;
  nextHandle_ += 4;
  handles_[h] = node;
  return h;
}

static std::shared_ptr<Node> ChildOf(SimCodePage& text, Node* parent, const std::string& name) {
  std::string fold = text.Lower(name);
  for (auto& child : parent->children)
    if (child->fold == fold) return child;
  return nullptr;
}

static std::shared_ptr<Node> SelfOf(Node* node) {
  if (!node->parent) return nullptr;
  for (auto& child : node->parent->children)
    if (child.get() == node) return child;
  return nullptr;
}

long SimRegistry::Open(plat::HKey parent, const std::string& sub, bool forWrite, bool sameOnEmpty,
                       plat::HKey* out) {
  if (!out) return plat::kErrorInvalidParameter;
  Node* node = Resolve(parent);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (sub.empty() && sameOnEmpty) {
    *out = parent;
    return plat::kErrorSuccess;
  }
  if (PathTooLong(text_, sub)) return plat::kErrorMoreData;
  std::vector<std::string> names;
  if (!SplitPath(text_, sub, &names)) return kErrorBadPathname;
  std::shared_ptr<Node> current = SelfOf(node);
  Node* at = node;
  for (const std::string& name : names) {
    current = ChildOf(text_, at, name);
    if (!current) return plat::kErrorFileNotFound;
    at = current.get();
  }
  if (at->denyOpen) return plat::kErrorAccessDenied;
  if (!current) {
    // A second handle of a predefined root: model it as the root itself.
    *out = parent;
    return plat::kErrorSuccess;
  }
  *out = NewHandle(current);
  // A key opened for reading takes no writes; one opened with the rights allowed takes them
  // unless the key itself refuses them.
  if (!forWrite) readOnly_.insert(*out);
  return plat::kErrorSuccess;
}

long SimRegistry::OpenKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  return Open(parent, sub, true, true, out);
}

long SimRegistry::OpenKeyRead(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  return Open(parent, sub, false, false, out);
}

long SimRegistry::CreateKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  if (!out) return plat::kErrorInvalidParameter;
  Node* node = Resolve(parent);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (sub.empty()) return Open(parent, sub, true, true, out);
  if (PathTooLong(text_, sub)) return plat::kErrorMoreData;
  std::vector<std::string> names;
  if (!SplitPath(text_, sub, &names)) return kErrorBadPathname;
  Node* at = node;
  std::shared_ptr<Node> current;
  for (const std::string& name : names) {
    std::shared_ptr<Node> child = ChildOf(text_, at, name);
    if (!child) {
      if (name.size() > kMaxKeyNameChars * 2) return plat::kErrorInvalidParameter;
      if (at->WriteDenied() || readOnly_.count(parent)) return plat::kErrorAccessDenied;
      child = std::make_shared<Node>();
      child->name = name;
      child->fold = text_.Lower(name);
      child->order = RegistryOrder(child->fold);
      child->parent = at;
      auto pos = std::lower_bound(
          at->children.begin(), at->children.end(), child->order,
          [](const std::shared_ptr<Node>& n, const std::u16string& order) {
            return n->order < order;
          });
      at->children.insert(pos, child);
    }
    current = child;
    at = child.get();
  }
  if (at->denyOpen) return plat::kErrorAccessDenied;
  *out = NewHandle(current);
  return plat::kErrorSuccess;
}

long SimRegistry::DeleteKey(plat::HKey parent, const std::string& sub) {
  Node* node = Resolve(parent);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  std::vector<std::string> names;
  if (PathTooLong(text_, sub)) return plat::kErrorMoreData;
  if (!SplitPath(text_, sub, &names)) return kErrorBadPathname;
  if (names.empty()) return plat::kErrorAccessDenied;
  Node* at = node;
  std::shared_ptr<Node> target;
  for (const std::string& name : names) {
    target = ChildOf(text_, at, name);
    if (!target) return plat::kErrorFileNotFound;
    at = target.get();
  }
  // The registry refuses to delete a key that still has sub-keys.
  if (!target->children.empty() || target->WriteDenied() || target->denyOpen)
    return plat::kErrorAccessDenied;
  target->deleted = true;
  auto& siblings = target->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), target));
  target->parent = nullptr;
  return plat::kErrorSuccess;
}

long SimRegistry::QuerySubKeyCount(plat::HKey key, uint32_t* count) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (count) *count = static_cast<uint32_t>(node->children.size());
  return plat::kErrorSuccess;
}

long SimRegistry::EnumKey(plat::HKey key, uint32_t index, char* name, uint32_t* size) {
  if (enumHook_) enumHook_(key, index);
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (!name || !size) return plat::kErrorInvalidParameter;
  if (index >= node->children.size()) return plat::kErrorNoMoreItems;
  const std::string& child = node->children[index]->name;
  if (child.size() + 1 > *size) return plat::kErrorMoreData;
  std::memcpy(name, child.c_str(), child.size() + 1);
  *size = static_cast<uint32_t>(child.size());
  return plat::kErrorSuccess;
}

long SimRegistry::QueryValue(plat::HKey key, const std::string& name, uint32_t* type,
                             unsigned char* data, uint32_t* size) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (data && !size) return plat::kErrorInvalidParameter;
  if (node->denyValueRead) return plat::kErrorAccessDenied;
  std::string fold = text_.Lower(name);
  for (const Node::Value& v : node->values) {
    if (text_.Lower(v.name) != fold) continue;
    if (type) *type = v.type;
    uint32_t length = static_cast<uint32_t>(v.bytes.size());
    if (!data) {
      if (size) *size = length;
      return plat::kErrorSuccess;
    }
    if (*size < length) {
      *size = length;
      return plat::kErrorMoreData;
    }
    std::memcpy(data, v.bytes.data(), length);
    // A text stored without its terminator gets one in the caller's buffer when it fits;
    // the size answered does not count it.
    if (IsStringType(v.type) && length < *size && (length == 0 || v.bytes.back() != '\0'))
      data[length] = 0;
    *size = length;
    return plat::kErrorSuccess;
  }
  return plat::kErrorFileNotFound;
}

long SimRegistry::SetValue(plat::HKey key, const std::string& name, uint32_t type,
                           const void* data, uint32_t size) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (node->WriteDenied() || readOnly_.count(key)) return plat::kErrorAccessDenied;
  if (size && !data) return plat::kErrorInvalidParameter;
  const char* bytes = static_cast<const char*>(data);
  // The system counts a text's terminator that the caller left out, when one follows it.
  if (IsStringType(type) && size && bytes[size - 1] != '\0' && bytes[size] == '\0') ++size;
  std::string stored(bytes ? bytes : "", size);
  std::string fold = text_.Lower(name);
  for (Node::Value& v : node->values) {
    if (text_.Lower(v.name) == fold) {
      v.type = type;
      v.bytes = stored;
      return plat::kErrorSuccess;
    }
  }
  node->values.push_back({name, type, stored});
  return plat::kErrorSuccess;
}

long SimRegistry::CloseKey(plat::HKey key) {
  if (key == plat::kHkeyLocalMachine || key == plat::kHkeyCurrentUser) return plat::kErrorSuccess;
  readOnly_.erase(key);
  return handles_.erase(key) ? plat::kErrorSuccess : plat::kErrorInvalidHandle;
}

Node* SimRegistry::Find(plat::HKey root, const std::string& path) {
  Node* at = Resolve(root);
  std::vector<std::string> names;
  if (!at || !SplitPath(text_, path, &names)) return nullptr;
  for (const std::string& name : names) {
    std::shared_ptr<Node> child = ChildOf(text_, at, name);
    if (!child) return nullptr;
    at = child.get();
  }
  return at;
}

void SimRegistry::DenyOpen(plat::HKey root, const std::string& path) {
  if (Node* n = Find(root, path)) n->denyOpen = true;
}
void SimRegistry::DenyValueRead(plat::HKey root, const std::string& path) {
  if (Node* n = Find(root, path)) n->denyValueRead = true;
}
void SimRegistry::DenyWrite(plat::HKey root, const std::string& path) {
  if (Node* n = Find(root, path)) n->denyWrite = true;
}
void SimRegistry::SetEnumHook(std::function<void(plat::HKey, uint32_t)> hook) {
  enumHook_ = std::move(hook);
}
int SimRegistry::OpenHandles() const { return static_cast<int>(handles_.size()); }

}  // namespace sim
