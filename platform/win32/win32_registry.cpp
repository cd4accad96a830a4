#include "platform/win32/win32_registry.h"

#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

// HKEY_CURRENT_USER is (HKEY)(LONG)0x80000001: sign-extended in a 64-bit process, so the
// seam's 32-bit constant is not the same pointer value and must be translated both ways.
HKEY ToHkey(plat::HKey key) {
  if (key == plat::kHkeyCurrentUser) return HKEY_CURRENT_USER;
  if (key == plat::kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(key);
}

plat::HKey FromHkey(HKEY key) {
  if (key == HKEY_CURRENT_USER) return plat::kHkeyCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return plat::kHkeyLocalMachine;
  return reinterpret_cast<plat::HKey>(key);
}

// The out handle is written only when the call succeeded, so a failed open leaves no handle
// for the caller's owner to close.
// The handle is taken by reference: the call that fills it must run before it is read, and
// the order in which a function's arguments are evaluated is not fixed.
long Answer(LONG result, const HKEY& opened, plat::HKey* out) {
  *out = result == ERROR_SUCCESS ? FromHkey(opened) : plat::kNoKey;
  return result;
}

}  // namespace

long Win32Registry::OpenKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  HKEY opened = nullptr;
  return Answer(::RegOpenKeyA(ToHkey(parent), sub.c_str(), &opened), opened, out);
}

long Win32Registry::OpenKeyRead(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  HKEY opened = nullptr;
  return Answer(::RegOpenKeyExA(ToHkey(parent), sub.c_str(), 0, KEY_READ, &opened), opened, out);
}

long Win32Registry::CreateKey(plat::HKey parent, const std::string& sub, plat::HKey* out) {
  HKEY opened = nullptr;
  return Answer(::RegCreateKeyA(ToHkey(parent), sub.c_str(), &opened), opened, out);
}

long Win32Registry::DeleteKey(plat::HKey parent, const std::string& sub) {
  return ::RegDeleteKeyA(ToHkey(parent), sub.c_str());
}

long Win32Registry::QuerySubKeyCount(plat::HKey key, uint32_t* count) {
  DWORD subKeys = 0;
  LONG result = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) *count = subKeys;
  return result;
}

long Win32Registry::EnumKey(plat::HKey key, uint32_t index, char* name, uint32_t* size) {
  DWORD length = *size;
  LONG result =
      ::RegEnumKeyExA(ToHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  *size = length;
  return result;
}

long Win32Registry::QueryValue(plat::HKey key, const std::string& name, uint32_t* type,
                               unsigned char* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD length = size ? *size : 0;
  LONG result = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, data,
                                   size ? &length : nullptr);
  if (type) *type = valueType;
  if (size) *size = length;
  return result;
}

long Win32Registry::SetValue(plat::HKey key, const std::string& name, uint32_t type,
                             const void* data, uint32_t size) {
  return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          size);
}

long Win32Registry::QueryValueW(plat::HKey key, const std::u16string& name, uint32_t* type,
                                unsigned char* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD length = size ? *size : 0;
  LONG result = ::RegQueryValueExW(ToHkey(key), reinterpret_cast<const wchar_t*>(name.c_str()),
                                   nullptr, &valueType, data, size ? &length : nullptr);
  if (type) *type = valueType;
  if (size) *size = length;
  return result;
}

long Win32Registry::SetValueW(plat::HKey key, const std::u16string& name, uint32_t type,
                              const void* data, uint32_t size) {
  return ::RegSetValueExW(ToHkey(key), reinterpret_cast<const wchar_t*>(name.c_str()), 0, type,
                          static_cast<const BYTE*>(data), size);
}

long Win32Registry::DeleteValue(plat::HKey key, const std::string& name) {
  return ::RegDeleteValueA(ToHkey(key), name.c_str());
}

long Win32Registry::QueryValueCount(plat::HKey key, uint32_t* count) {
  DWORD values = 0;
  LONG result = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) *count = values;
  return result;
}

long Win32Registry::QueryKeyCounts(plat::HKey key, uint32_t* subKeys, uint32_t* values) {
  DWORD keys = 0, valueCount = 0;
  LONG result = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &keys, nullptr,
                                   nullptr, &valueCount, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    *subKeys = keys;
    *values = valueCount;
  }
  return result;
}

long Win32Registry::CloseKey(plat::HKey key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace win32
