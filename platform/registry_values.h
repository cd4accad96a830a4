#pragma once
// Typed reads over the registry seam, one call a value, as WIL's registry helpers read them:
// the whole value whatever its length, as the wide call holds it, so that no caller repeats
// the registry's "ask the size, then read". Each answers the registry's error code; a value of
// another type than the one asked for answers kErrorUnsupportedType and leaves the output
// alone.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace plat {

constexpr long kErrorUnsupportedType = 1630;  // ERROR_UNSUPPORTED_TYPE
constexpr long kErrorInvalidData = 13;        // ERROR_INVALID_DATA

// The value's type and bytes as stored (text in UTF-16LE units, terminator included when one is
// stored). A value that grows between the size query and the read is asked again; one that
// keeps growing is being written by someone right now and answers kErrorMoreData.
inline long ReadValue(Registry& reg, HKey key, const std::u16string& name, uint32_t* type,
                      std::string* bytes) {
  uint32_t size = 0;
  long rc = reg.QueryValueW(key, name, type, nullptr, &size);
  for (int attempt = 0; rc == kErrorSuccess && attempt < 4; ++attempt) {
    // A unit more than asked for, so that the buffer is never null: a null one asks the size.
    std::string buffer(size + 2, '\0');
    uint32_t got = size;
    rc = reg.QueryValueW(key, name, type, reinterpret_cast<unsigned char*>(&buffer[0]), &got);
    if (rc == kErrorMoreData) {
      size = got;
      rc = kErrorSuccess;
      continue;
    }
    if (rc == kErrorSuccess) bytes->assign(buffer, 0, got);
    return rc;
  }
  return rc == kErrorSuccess ? kErrorMoreData : rc;
}

// UTF-16LE bytes as units; a last odd byte is no unit.
inline std::u16string Utf16Units(const std::string& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  return units;
}

inline std::string Utf16Bytes(const std::u16string& units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

// A REG_SZ or REG_EXPAND_SZ (which one in *type, when given): its text up to the first zero
// unit. An odd byte count is no text in whole units: kErrorInvalidData.
inline long ReadText(Registry& reg, HKey key, const std::u16string& name, std::u16string* text,
                     uint32_t* textType = nullptr) {
  uint32_t type = 0;
  std::string bytes;
  const long rc = ReadValue(reg, key, name, &type, &bytes);
  if (rc != kErrorSuccess) return rc;
  if (type != kRegSz && type != kRegExpandSz) return kErrorUnsupportedType;
  if (textType) *textType = type;
  if (bytes.size() % 2 != 0) return kErrorInvalidData;
  const std::u16string units = Utf16Units(bytes);
  *text = units.substr(0, units.find(u'\0'));
  return kErrorSuccess;
}

// A REG_MULTI_SZ: its strings in order, without the empty one that ends the list.
inline long ReadMultiString(Registry& reg, HKey key, const std::u16string& name,
                            std::vector<std::u16string>* strings) {
  uint32_t type = 0;
  std::string bytes;
  const long rc = ReadValue(reg, key, name, &type, &bytes);
  if (rc != kErrorSuccess) return rc;
  if (type != kRegMultiSz) return kErrorUnsupportedType;
  strings->clear();
  const std::u16string units = Utf16Units(bytes);
  for (size_t at = 0; at < units.size();) {
    const size_t end = std::min(units.find(u'\0', at), units.size());
    if (end == at) break;
    strings->push_back(units.substr(at, end - at));
    at = end + 1;
  }
  return kErrorSuccess;
}

// A REG_DWORD of its four bytes.
inline long ReadDword(Registry& reg, HKey key, const std::u16string& name, uint32_t* value) {
  uint32_t type = 0;
  std::string bytes;
  const long rc = ReadValue(reg, key, name, &type, &bytes);
  if (rc != kErrorSuccess) return rc;
  if (type != kRegDword || bytes.size() != 4) return kErrorUnsupportedType;
  *value = 0;
  for (int i = 3; i >= 0; --i) *value = *value << 8 | static_cast<unsigned char>(bytes[i]);
  return kErrorSuccess;
}

// Writes text (UTF-16) as REG_SZ or REG_MULTI_SZ with its terminators counted, as the wide
// readers expect.
inline long WriteText(Registry& reg, HKey key, const std::u16string& name,
                      const std::u16string& text) {
  const std::string bytes = Utf16Bytes(text + u'\0');
  return reg.SetValueW(key, name, kRegSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
}
inline long WriteMultiString(Registry& reg, HKey key, const std::u16string& name,
                             const std::vector<std::u16string>& strings) {
  std::u16string units;
  for (const std::u16string& s : strings) units += s + u'\0';
  const std::string bytes = Utf16Bytes(units + u'\0');
  return reg.SetValueW(key, name, kRegMultiSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
}
inline long WriteDword(Registry& reg, HKey key, const std::u16string& name, uint32_t value) {
  return reg.SetValueW(key, name, kRegDword, &value, sizeof value);
}

}  // namespace plat
