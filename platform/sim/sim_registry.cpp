#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/sim/sim_codepage.h"
#include "platform/win_constants.h"

namespace sim {

namespace {
constexpr long kErrorKeyDeleted = 1018;
constexpr long kErrorBadPathname = 161;
constexpr size_t kMaxKeyNameChars = 255;

// Windows keeps sub-keys ordered by their UTF-16 names in upper case, so '_' (U+005F) comes
// after the letters (Wine folds to lower case and puts it before them). For Chinese names
// that is not the order of the code page 936 bytes: 配 (C5E4) sorts before 未 (CEB4) by bytes
// but after it as U+914D against U+672A.
std::u16string RegistryOrder(SimCodePage& text, const std::string& name) {
  return text.ToUtf16(text.Upper(name));
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
  bool link = false;
  std::weak_ptr<Node> linkTarget;

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

// A link whose target has been deleted leads nowhere.
static std::shared_ptr<Node> LinkTarget(const Node& link) {
  std::shared_ptr<Node> target = link.linkTarget.lock();
  return target && !target->deleted ? target : nullptr;
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
    if (current && current->link) current = LinkTarget(*current);
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
  if (stop_) stop_->Before();
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
  bool made = false;
  for (const std::string& name : names) {
    std::shared_ptr<Node> child = ChildOf(text_, at, name);
    if (!child) {
      if (name.size() > kMaxKeyNameChars * 2) return plat::kErrorInvalidParameter;
      if (at->WriteDenied() || readOnly_.count(parent)) return plat::kErrorAccessDenied;
      // One key at a time, as Windows makes a path: a stop can fall between two of them.
      if (std::exchange(made, true) && stop_) stop_->Before();
      child = std::make_shared<Node>();
      child->name = name;
      child->fold = text_.Lower(name);
      child->order = RegistryOrder(text_, name);
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
  if (stop_) stop_->Before();
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

namespace {

std::string Utf16Bytes(const std::u16string& units) {
  std::string bytes;
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::u16string Utf16Units(const std::string& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

// Hands stored bytes to a caller's buffer with the registry's size rules. A text stored
// without its terminator gets one in the caller's buffer when it fits (a zero of the width
// the call reads); the size answered does not count it.
long AnswerData(const std::string& bytes, bool text, size_t unit, unsigned char* data,
                uint32_t* size) {
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  if (!data) {
    if (size) *size = length;
    return plat::kErrorSuccess;
  }
  if (*size < length) {
    *size = length;
    return plat::kErrorMoreData;
  }
  std::memcpy(data, bytes.data(), length);
  const bool terminated =
      length >= unit && bytes.compare(length - unit, unit, std::string(unit, '\0')) == 0;
  if (text && !terminated && length + unit <= *size) std::memset(data + length, 0, unit);
  *size = length;
  return plat::kErrorSuccess;
}

Node::Value* FindValue(SimCodePage& text, Node* node, const std::string& name) {
  const std::string fold = text.Lower(name);
  for (Node::Value& v : node->values) {
    if (text.Lower(v.name) == fold) return &v;
  }
  return nullptr;
}

}  // namespace

// Text values are kept as Windows keeps them, in UTF-16; the narrow calls convert on the way
// in and out, and a character the code page cannot hold comes out as '?'.
long SimRegistry::QueryValue(plat::HKey key, const std::string& name, uint32_t* type,
                             unsigned char* data, uint32_t* size) {
  return Query(key, name, false, type, data, size);
}

long SimRegistry::QueryValueW(plat::HKey key, const std::u16string& name, uint32_t* type,
                              unsigned char* data, uint32_t* size) {
  std::string narrowName;
  text_.FromUtf16(name, &narrowName);
  return Query(key, narrowName, true, type, data, size);
}

long SimRegistry::Query(plat::HKey key, const std::string& name, bool wide, uint32_t* type,
                        unsigned char* data, uint32_t* size) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (data && !size) return plat::kErrorInvalidParameter;
  if (node->denyValueRead) return plat::kErrorAccessDenied;
  const Node::Value* value = FindValue(text_, node, name);
  if (!value) return plat::kErrorFileNotFound;
  if (type) *type = value->type;
  const bool text = IsStringType(value->type);
  if (!text || wide) return AnswerData(value->bytes, text, wide ? 2 : 1, data, size);
  std::string narrow;
  text_.FromUtf16(Utf16Units(value->bytes), &narrow);
  return AnswerData(narrow, true, 1, data, size);
}

long SimRegistry::SetValue(plat::HKey key, const std::string& name, uint32_t type,
                           const void* data, uint32_t size) {
  if (stop_) stop_->Before();
  if (size && !data) return plat::kErrorInvalidParameter;
  const char* bytes = static_cast<const char*>(data);
  if (!IsStringType(type)) return Store(key, name, type, std::string(bytes ? bytes : "", size));
  // The system counts a text's terminator that the caller left out, when one follows it.
  if (size && bytes[size - 1] != '\0' && bytes[size] == '\0') ++size;
  return Store(key, name, type, Utf16Bytes(text_.ToUtf16(std::string(bytes ? bytes : "", size))));
}

long SimRegistry::SetValueW(plat::HKey key, const std::u16string& name, uint32_t type,
                            const void* data, uint32_t size) {
  if (stop_) stop_->Before();
  if (size && !data) return plat::kErrorInvalidParameter;
  const char* bytes = static_cast<const char*>(data);
  // The same for a wide text: a terminator left out but standing after the text is counted.
  if (IsStringType(type) && size >= 2 && size % 2 == 0 &&
      (bytes[size - 2] != '\0' || bytes[size - 1] != '\0') && bytes[size] == '\0' &&
      bytes[size + 1] == '\0') {
    size += 2;
  }
  std::string narrowName;
  text_.FromUtf16(name, &narrowName);
  return Store(key, narrowName, type, std::string(bytes ? bytes : "", size));
}

long SimRegistry::Store(plat::HKey key, const std::string& name, uint32_t type,
                        const std::string& stored) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (node->WriteDenied() || readOnly_.count(key)) return plat::kErrorAccessDenied;
  if (Node::Value* value = FindValue(text_, node, name)) {
    value->type = type;
    value->bytes = stored;
    return plat::kErrorSuccess;
  }
  node->values.push_back({name, type, stored});
  return plat::kErrorSuccess;
}

long SimRegistry::DeleteValue(plat::HKey key, const std::string& name) {
  if (stop_) stop_->Before();
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (node->WriteDenied() || readOnly_.count(key)) return plat::kErrorAccessDenied;
  Node::Value* value = FindValue(text_, node, name);
  if (!value) return plat::kErrorFileNotFound;
  node->values.erase(node->values.begin() + (value - node->values.data()));
  return plat::kErrorSuccess;
}

long SimRegistry::QueryValueCount(plat::HKey key, uint32_t* count) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (count) *count = static_cast<uint32_t>(node->values.size());
  return plat::kErrorSuccess;
}

long SimRegistry::QueryKeyCounts(plat::HKey key, uint32_t* subKeys, uint32_t* values) {
  Node* node = Resolve(key);
  if (!node) return plat::kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (subKeys) *subKeys = static_cast<uint32_t>(node->children.size());
  if (values) *values = static_cast<uint32_t>(node->values.size());
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

void SimRegistry::MakeLink(plat::HKey root, const std::string& path, const std::string& target) {
  Node* n = Find(root, path);
  Node* to = Find(root, target);
  if (!n || !to || !to->parent) return;
  n->link = true;
  n->linkTarget = SelfOf(to);
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
static void DumpNode(const Node& node, const std::string& path, std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  *out += "[" + path + "]\n";
  for (const Node::Value& value : node.values) {
    *out += "  " + value.name + " = " + std::to_string(value.type) + ":";
    for (unsigned char b : value.bytes) *out += {kDigits[b >> 4], kDigits[b & 15]};
    *out += "\n";
  }
  for (const std::shared_ptr<Node>& child : node.children) {
    if (!child->deleted) DumpNode(*child, path + "\\" + child->name, out);
  }
}

std::string SimRegistry::Dump(plat::HKey root) const {
  std::string out;
  const Node* node = root == plat::kHkeyLocalMachine ? machine_.get()
                     : root == plat::kHkeyCurrentUser ? user_.get() : nullptr;
  if (node) DumpNode(*node, node->name, &out);
  return out;
}

int SimRegistry::OpenHandles() const { return static_cast<int>(handles_.size()); }

}  // namespace sim
