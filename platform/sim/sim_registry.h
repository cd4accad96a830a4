#pragma once
// An in-memory registry with the semantics of platform/registry.h, as Windows (and Wine)
// show them: two predefined roots, case-insensitive names, sub-keys enumerated in the
// registry's sorted order, text values kept in UTF-16, handle accounting, and a few faults
// tests can switch on.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/stop_switch.h"

namespace sim {

class SimCodePage;

class SimRegistry : public plat::Registry {
 public:
  explicit SimRegistry(SimCodePage& text);
  ~SimRegistry() override;

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

  // Faults. Paths are below a predefined root, without a trailing backslash.
  // A denied key cannot be opened (access denied); it still shows in its parent's listing.
  void DenyOpen(plat::HKey root, const std::string& path);
  // Every value read under this key fails with access denied.
  void DenyValueRead(plat::HKey root, const std::string& path);
  // Opening for writing, creating below, deleting and setting values fail with access denied.
  void DenyWrite(plat::HKey root, const std::string& path);
  // Makes the key at path a registry link to the plain key at target, as a symbolic link is:
  // opening it, or a path through it, opens the target; its parent still lists it by name.
  void MakeLink(plat::HKey root, const std::string& path, const std::string& target);
  // Called before each EnumKey, so a test can change the tree in the middle of a walk.
  void SetEnumHook(std::function<void(plat::HKey key, uint32_t index)> hook);

  // The switch every write consults first.
  void UseStopSwitch(StopSwitch* stop) { stop_ = stop; }

  // Handles opened and not yet closed (predefined roots do not count).
  int OpenHandles() const;
  // Every key below the root and every value, one line each in the registry's order, values
  // as type and bytes: what a test compares before and after.
  std::string Dump(plat::HKey root) const;

  struct Node;

 private:
  Node* Resolve(plat::HKey key);
  long Open(plat::HKey parent, const std::string& sub, bool forWrite, bool sameOnEmpty,
            plat::HKey* out);
  plat::HKey NewHandle(const std::shared_ptr<Node>& node);
  Node* Find(plat::HKey root, const std::string& path);
  long Query(plat::HKey key, const std::string& name, bool wide, uint32_t* type,
             unsigned char* data, uint32_t* size);
  long Store(plat::HKey key, const std::string& name, uint32_t type, const std::string& stored);

  SimCodePage& text_;
  std::shared_ptr<Node> machine_;
  std::shared_ptr<Node> user_;
  std::map<plat::HKey, std::shared_ptr<Node>> handles_;
  std::set<plat::HKey> readOnly_;
  plat::HKey nextHandle_ = 0x1000;
  std::function<void(plat::HKey, uint32_t)> enumHook_;
  StopSwitch* stop_ = nullptr;
};

}  // namespace sim
