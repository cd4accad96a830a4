#include "journal/recording_registry.h"

#include <utility>
#include <vector>

#include "platform/paths.h"
#include "platform/registry_values.h"
#include "platform/win_constants.h"

namespace journal {

std::string KeyText(const KeyRef& key) {
  const char* root = key.root == plat::kHkeyLocalMachine  ? "HKLM"
                     : key.root == plat::kHkeyCurrentUser ? "HKCU"
                                                          : "?";
  return key.path.empty() ? root : std::string(root) + "\\" + key.path;
}

ValueState StoredValue(plat::CodePage& text, bool wide, uint32_t type, const void* data,
                       uint32_t size) {
  const char* bytes = static_cast<const char*>(data);
  const bool isText =
      type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
  ValueState stored{true, type, {}};
  if (!bytes) return stored;
  if (isText && wide && size >= 2 && size % 2 == 0 &&
      (bytes[size - 2] != '\0' || bytes[size - 1] != '\0') && bytes[size] == '\0' &&
      bytes[size + 1] == '\0') {
    size += 2;
  } else if (isText && !wide && size && bytes[size - 1] != '\0' && bytes[size] == '\0') {
    ++size;
  }
  stored.bytes.assign(bytes, size);
  if (isText && !wide) {
    const std::u16string units = text.ToUtf16(stored.bytes);
    stored.bytes.clear();
    for (char16_t u : units) {
      stored.bytes += static_cast<char>(u & 0xFF);
      stored.bytes += static_cast<char>(u >> 8);
    }
  }
  return stored;
}

RecordingRegistry::RecordingRegistry(plat::Registry& inner, plat::CodePage& text,
                                     Observer& observer)
    : inner_(inner), text_(text), observer_(observer) {}

KeyRef RecordingRegistry::Where(plat::HKey key) const {
  if (key == plat::kHkeyLocalMachine || key == plat::kHkeyCurrentUser) return {key, ""};
  auto found = keys_.find(key);
  return found == keys_.end() ? KeyRef{plat::kNoKey, "?"} : found->second;
}

KeyRef RecordingRegistry::Below(plat::HKey parent, const std::string& sub) const {
  KeyRef key = Where(parent);
  std::string name = sub;
  plat::DropTrailingBackslash(text_, name);
  if (!name.empty()) key.path = key.path.empty() ? name : key.path + "\\" + name;
  return key;
}

void RecordingRegistry::Remember(long result, plat::HKey parent, const std::string& sub,
                                 const plat::HKey* out) {
  // An empty name hands back the parent itself, whose key this gives again.
  if (result == plat::kErrorSuccess) keys_[*out] = Below(parent, sub);
}

ValueState RecordingRegistry::Read(plat::HKey key, const std::u16string& name) {
  ValueState state;
  state.present = plat::ReadValue(inner_, key, name, &state.type, &state.bytes) == plat::kErrorSuccess;
  return state;
}

long RecordingRegistry::OpenKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  const long result = inner_.OpenKey(parent, sub, out);
  Remember(result, parent, sub, out);
  return result;
}

long RecordingRegistry::OpenKeyRead(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  const long result = inner_.OpenKeyRead(parent, sub, out);
  Remember(result, parent, sub, out);
  return result;
}

// Each level of a key path: "A", "A\\B", "A\\B\\C", cut at backslashes that are characters.
std::vector<std::string> RecordingRegistry::Levels(const std::string& sub) const {
  std::vector<std::string> levels;
  std::string prefix;
  bool first = true;
  for (const std::string& name : plat::PathNames(text_, sub)) {
    prefix += (std::exchange(first, false) ? "" : "\\") + name;
    if (!name.empty()) levels.push_back(prefix);
  }
  return levels;
}

long RecordingRegistry::CreateKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  // The levels missing now are the ones the create makes; below the first missing one, every
  // level is missing.
  std::vector<std::string> missing;
  for (const std::string& level : Levels(sub)) {
    if (missing.empty()) {
      plat::UniqueKey probe(inner_);
      if (inner_.OpenKeyRead(parent, level, probe.put()) != plat::kErrorFileNotFound) continue;
    }
    missing.push_back(level);
  }
  std::vector<KeyRef> ahead;
  for (const std::string& level : missing) ahead.push_back(Below(parent, level));
  observer_.BeforeKeys(ahead);
  const long result = inner_.CreateKey(parent, sub, out);
  Remember(result, parent, sub, out);
  if (result != plat::kErrorSuccess) {
    observer_.CallFailed("create " + KeyText(Below(parent, sub)), result);
    return result;
  }
  for (const KeyRef& level : ahead) observer_.KeyCreated(level);
  return result;
}

long RecordingRegistry::DeleteKey(plat::HKey parent, const std::string& sub) {
  observer_.BeforeKeyDelete(Below(parent, sub));
  const long result = inner_.DeleteKey(parent, sub);
  if (result == plat::kErrorSuccess) {
    observer_.KeyDeleted(Below(parent, sub));
  } else if (result != plat::kErrorFileNotFound) {
    observer_.CallFailed("delete " + KeyText(Below(parent, sub)), result);
  }
  return result;
}

long RecordingRegistry::QuerySubKeyCount(plat::HKey key, uint32_t* count) {
  return inner_.QuerySubKeyCount(key, count);
}

long RecordingRegistry::EnumKey(plat::HKey key, uint32_t index, char* name, uint32_t* size) {
  return inner_.EnumKey(key, index, name, size);
}

long RecordingRegistry::QueryValue(plat::HKey key, const std::string& name, uint32_t* type,
                                   unsigned char* data, uint32_t* size) {
  return inner_.QueryValue(key, name, type, data, size);
}

long RecordingRegistry::QueryValueW(plat::HKey key, const std::u16string& name, uint32_t* type,
                                    unsigned char* data, uint32_t* size) {
  return inner_.QueryValueW(key, name, type, data, size);
}

template <typename Set>
long RecordingRegistry::Recorded(plat::HKey key, const std::string& name,
                                 const std::u16string& wideName, const ValueState& after,
                                 Set set) {
  const ValueState before = Read(key, wideName);
  observer_.BeforeValue(Where(key), name, before, after);
  const long result = set();
  if (result != plat::kErrorSuccess) {
    observer_.CallFailed("set " + KeyText(Where(key)) + "\\" + name, result);
    return result;
  }
  observer_.ValueWritten(Where(key), name, before, Read(key, wideName));
  return result;
}

long RecordingRegistry::SetValue(plat::HKey key, const std::string& name, uint32_t type,
                                 const void* data, uint32_t size) {
  return Recorded(key, name, text_.ToUtf16(name), StoredValue(text_, false, type, data, size),
                  [&] { return inner_.SetValue(key, name, type, data, size); });
}

long RecordingRegistry::SetValueW(plat::HKey key, const std::u16string& name, uint32_t type,
                                  const void* data, uint32_t size) {
  std::string narrowName;
  text_.FromUtf16(name, &narrowName);
  return Recorded(key, narrowName, name, StoredValue(text_, true, type, data, size),
                  [&] { return inner_.SetValueW(key, name, type, data, size); });
}

long RecordingRegistry::DeleteValue(plat::HKey key, const std::string& name) {
  const ValueState before = Read(key, text_.ToUtf16(name));
  if (before.present) observer_.BeforeValue(Where(key), name, before, ValueState());
  const long result = inner_.DeleteValue(key, name);
  if (result == plat::kErrorSuccess) {
    observer_.ValueDeleted(Where(key), name, before);
  } else if (result != plat::kErrorFileNotFound) {
    observer_.CallFailed("delete " + KeyText(Where(key)) + "\\" + name, result);
  }
  return result;
}

long RecordingRegistry::QueryValueCount(plat::HKey key, uint32_t* count) {
  return inner_.QueryValueCount(key, count);
}

long RecordingRegistry::CloseKey(plat::HKey key) {
  keys_.erase(key);
  return inner_.CloseKey(key);
}

}  // namespace journal
