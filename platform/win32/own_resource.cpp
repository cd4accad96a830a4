#include "platform/win32/own_resource.h"

#include "platform/win32/windows_api.h"

namespace win32 {

bool OwnResource(int id, std::string* bytes) {
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes->assign(static_cast<const char*>(data), ::SizeofResource(nullptr, found));
  return true;
}

}  // namespace win32
