#include <vector>

#include "tests/support/test_machine.h"

namespace regtest {

using plat::HKey;
using plat::Registry;
using plat::UniqueKey;

namespace {

// Deletes everything below key, one short name at a time: the narrow registry calls refuse a
// path of more than 260 characters, and a deep tree's full paths grow past that.
void DeleteChildren(Registry& reg, HKey key) {
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    char name[1024];
    uint32_t size = sizeof name;
    if (reg.EnumKey(key, i, name, &size) != plat::kErrorSuccess) break;
    names.emplace_back(name, size);
  }
  for (const std::string& name : names) {
    UniqueKey child(reg);
    if (reg.OpenKeyRead(key, name, child.put()) == plat::kErrorSuccess) {
      DeleteChildren(reg, child.get());
    }
    child.reset();
    reg.DeleteKey(key, name);
  }
}

}  // namespace

void DeleteTree(Registry& reg, HKey root, const std::string& path) {
  UniqueKey key(reg);
  if (reg.OpenKeyRead(root, path, key.put()) != plat::kErrorSuccess) return;
  DeleteChildren(reg, key.get());
  key.reset();
  reg.DeleteKey(root, path);
}

void CreatePath(Registry& reg, HKey root, const std::string& path) {
  UniqueKey key(reg);
  reg.CreateKey(root, path, key.put());
}

void SetString(Registry& reg, HKey root, const std::string& path, const std::string& name,
               const std::string& value) {
  UniqueKey key(reg);
  if (reg.CreateKey(root, path, key.put()) != plat::kErrorSuccess) return;
  reg.SetValue(key.get(), name, plat::kRegSz, value.c_str(),
               static_cast<uint32_t>(value.size() + 1));
}

void SetDword(Registry& reg, HKey root, const std::string& path, const std::string& name,
              uint32_t value) {
  UniqueKey key(reg);
  if (reg.CreateKey(root, path, key.put()) != plat::kErrorSuccess) return;
  reg.SetValue(key.get(), name, plat::kRegDword, &value, sizeof value);
}

bool KeyExists(Registry& reg, HKey root, const std::string& path) {
  UniqueKey key(reg);
  return reg.OpenKeyRead(root, path, key.put()) == plat::kErrorSuccess;
}

RawValue ReadRaw(Registry& reg, HKey root, const std::string& path, const std::string& name) {
  RawValue out;
  UniqueKey key(reg);
  if (reg.OpenKeyRead(root, path, key.put()) != plat::kErrorSuccess) return out;
  uint32_t size = 0;
  if (reg.QueryValue(key.get(), name, &out.type, nullptr, &size) != plat::kErrorSuccess)
    return out;
  std::vector<unsigned char> data(size + 1);
  if (reg.QueryValue(key.get(), name, &out.type, data.data(), &size) != plat::kErrorSuccess)
    return out;
  out.found = true;
  out.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
  return out;
}

}  // namespace regtest
