#pragma once
// A registry that forwards every call unchanged and tells an observer each write ahead of it
// (with the value it will leave), then what was written: the levels a create made, each value
// with its state before and after, each deletion, and the writes that failed. To tell, it
// reads what it needs first (never writes).
#include <map>
#include <string>
#include <vector>

#include "journal/observer.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace journal {

class RecordingRegistry : public plat::Registry {
 public:
  RecordingRegistry(plat::Registry& inner, plat::CodePage& text, Observer& observer);

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
  long CloseKey(plat::HKey key) override;

 private:
  KeyRef Where(plat::HKey key) const;
  std::vector<std::string> Levels(const std::string& sub) const;
  KeyRef Below(plat::HKey parent, const std::string& sub) const;
  void Remember(long result, plat::HKey parent, const std::string& sub, const plat::HKey* out);
  ValueState Read(plat::HKey key, const std::u16string& name);
  template <typename Set>
  long Recorded(plat::HKey key, const std::string& name, const std::u16string& wideName,
                const ValueState& after, Set set);

  plat::Registry& inner_;
  plat::CodePage& text_;
  Observer& observer_;
  std::map<plat::HKey, KeyRef> keys_;  // every handle this registry handed out, and its key
};

}  // namespace journal
