#pragma once
// The registry seam over advapi32's Reg* calls (narrow, and wide for values). HKey is the HKEY value; the two
// predefined roots are spelled as their 32-bit constants on the seam and as the system's own
// (sign-extended) HKEY values here. Opens for reading ask for KEY_READ without a view flag.
#include "platform/registry.h"

namespace win32 {

class Win32Registry : public plat::Registry {
 public:
  long OpenKey(plat::HKey parent, const std::string& sub, plat::HKey* out) override;
  long OpenKeyRead(plat::HKey parent, const std::string& sub, plat::HKey* out) override;
  long CreateKey(plat::HKey parent, const std::string& sub, plat::HKey* out) override;
  long DeleteKey(plat::HKey parent, const std::string& sub) override;
  long QuerySubKeyCount(plat::HKey key, uint32_t* count) override;
  long EnumKey(plat::HKey key, uint32_t index, char* name, uint32_t* size) override;
  long QueryValue(plat::HKey key, const std::string& name, uint32_t* type, unsigned char* data,
                  uint32_t* size) override;
  long SetValue(plat::HKey key, const std::string& name, uint32_t type, const void* data,
                uint32_t size) override;
  long QueryValueW(plat::HKey key, const std::u16string& name, uint32_t* type,
                   unsigned char* data, uint32_t* size) override;
  long SetValueW(plat::HKey key, const std::u16string& name, uint32_t type, const void* data,
                 uint32_t size) override;
  long DeleteValue(plat::HKey key, const std::string& name) override;
  long QueryValueCount(plat::HKey key, uint32_t* count) override;
  long QueryKeyCounts(plat::HKey key, uint32_t* subKeys, uint32_t* values) override;
  long CloseKey(plat::HKey key) override;
};

}  // namespace win32
