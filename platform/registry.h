#pragma once
// Registry seam: the narrow-string Reg* calls the logic uses, one method a call, with the
// call's own semantics (the sim models them; the contract suite proves both agree):
//  - paths are relative to the parent handle; a trailing backslash ends the path;
//  - key and value names compare without letter case;
//  - OpenKey (RegOpenKeyA) with an empty name hands back the parent handle itself;
//    OpenKeyRead (RegOpenKeyExA, KEY_READ) with an empty name opens a second handle of it;
//  - QueryValue with a buffer too small answers kErrorMoreData and the size needed;
//    with no buffer it answers the size;
//  - DeleteKey does not recurse and refuses a key that has sub-keys;
//  - CreateKey opens a key that exists, creating every missing level;
//  - SetValue stores exactly the bytes given, except that a REG_SZ whose count leaves out a
//    zero byte standing right after the text is stored with that terminator;
//  - text values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are kept in UTF-16: the narrow calls
//    convert from and to the ANSI code page, so a character the code page cannot hold reads
//    back through them as '?'; the wide calls see the stored text as it is.
// Every call returns a Win32 error code (kErrorSuccess when it worked).
#include <cstdint>
#include <string>
#include <utility>

#include "platform/win_constants.h"

namespace plat {

using HKey = std::uintptr_t;
constexpr HKey kNoKey = 0;
constexpr HKey kHkeyCurrentUser = 0x80000001u;
constexpr HKey kHkeyLocalMachine = 0x80000002u;

class Registry {
 public:
  virtual ~Registry() = default;
  virtual long OpenKey(HKey parent, const std::string& sub, HKey* out) = 0;
  virtual long OpenKeyRead(HKey parent, const std::string& sub, HKey* out) = 0;
  virtual long CreateKey(HKey parent, const std::string& sub, HKey* out) = 0;
  virtual long DeleteKey(HKey parent, const std::string& sub) = 0;
  // RegQueryInfoKeyA, number of sub-keys only.
  virtual long QuerySubKeyCount(HKey key, uint32_t* count) = 0;
  // RegEnumKeyExA into a buffer of *size bytes; on success *size is the name's length.
  virtual long EnumKey(HKey key, uint32_t index, char* name, uint32_t* size) = 0;
  // RegQueryValueExA. data may be null to ask for the size; type may be null.
  virtual long QueryValue(HKey key, const std::string& name, uint32_t* type, unsigned char* data,
                          uint32_t* size) = 0;
  virtual long SetValue(HKey key, const std::string& name, uint32_t type, const void* data,
                        uint32_t size) = 0;
  // RegQueryValueExW / RegSetValueExW: the name and text data in UTF-16 (little-endian units
  // in the data bytes); sizes in bytes, with the same rules as the narrow calls.
  virtual long QueryValueW(HKey key, const std::u16string& name, uint32_t* type,
                           unsigned char* data, uint32_t* size) = 0;
  virtual long SetValueW(HKey key, const std::u16string& name, uint32_t type, const void* data,
                         uint32_t size) = 0;
  // RegDeleteValueA.
  virtual long DeleteValue(HKey key, const std::string& name) = 0;
  // RegQueryInfoKeyA, number of values only.
  virtual long QueryValueCount(HKey key, uint32_t* count) = 0;
  // RegQueryInfoKeyA, the numbers of sub-keys and of values in one call: a walk that needs both
  // pays one round trip to the registry, not two. A wrapper that forwards every call should
  // forward this one too; without it, the answer is the same, from two calls.
  virtual long QueryKeyCounts(HKey key, uint32_t* subKeys, uint32_t* values) {
    long result = QuerySubKeyCount(key, subKeys);
    return result == kErrorSuccess ? QueryValueCount(key, values) : result;
  }
  virtual long CloseKey(HKey key) = 0;
};

// Owns one open key and closes it exactly once.
class UniqueKey {
 public:
  explicit UniqueKey(Registry& reg, HKey key = kNoKey) : reg_(&reg), key_(key) {}
  UniqueKey(UniqueKey&& other) noexcept : reg_(other.reg_), key_(other.release()) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      reg_ = other.reg_;
    }
    return *this;
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  ~UniqueKey() { reset(); }

  HKey get() const { return key_; }
  explicit operator bool() const { return key_ != kNoKey; }
  HKey* put() {
    reset();
    return &key_;
  }
  HKey release() { return std::exchange(key_, kNoKey); }
  void reset(HKey key = kNoKey) {
    if (key_ != kNoKey) reg_->CloseKey(key_);
    key_ = key;
  }

 private:
  Registry* reg_;
  HKey key_;
};

}  // namespace plat
