#pragma once
// A registry that passes every call through and remembers what each SetValue was handed, so a
// test can check the byte count given (the stored bytes alone cannot tell: the system adds
// the terminator that the count leaves out).
#include <string>
#include <vector>

#include "platform/platform.h"

struct SetValueCall {
  std::string name;
  uint32_t type = 0;
  std::string bytes;  // exactly the bytes handed over
  bool wide = false;  // through the UTF-16 call (the name is then its ASCII units)
};

class RecordingRegistry : public plat::Registry {
 public:
  explicit RecordingRegistry(plat::Registry& inner) : inner_(inner) {}

  long OpenKey(plat::HKey p, const std::string& s, plat::HKey* o) override {
    return inner_.OpenKey(p, s, o);
  }
  long OpenKeyRead(plat::HKey p, const std::string& s, plat::HKey* o) override {
    return inner_.OpenKeyRead(p, s, o);
  }
  long CreateKey(plat::HKey p, const std::string& s, plat::HKey* o) override {
    return inner_.CreateKey(p, s, o);
  }
  long DeleteKey(plat::HKey p, const std::string& s) override { return inner_.DeleteKey(p, s); }
  long QuerySubKeyCount(plat::HKey k, uint32_t* c) override {
    return inner_.QuerySubKeyCount(k, c);
  }
  long EnumKey(plat::HKey k, uint32_t i, char* n, uint32_t* s) override {
    return inner_.EnumKey(k, i, n, s);
  }
  long QueryValue(plat::HKey k, const std::string& n, uint32_t* t, unsigned char* d,
                  uint32_t* s) override {
    return inner_.QueryValue(k, n, t, d, s);
  }
  long SetValue(plat::HKey k, const std::string& n, uint32_t t, const void* d,
                uint32_t s) override {
    calls.push_back({n, t, std::string(static_cast<const char*>(d), s)});
    return inner_.SetValue(k, n, t, d, s);
  }
  long QueryValueW(plat::HKey k, const std::u16string& n, uint32_t* t, unsigned char* d,
                   uint32_t* s) override {
    return inner_.QueryValueW(k, n, t, d, s);
  }
  long SetValueW(plat::HKey k, const std::u16string& n, uint32_t t, const void* d,
                 uint32_t s) override {
    calls.push_back({std::string(n.begin(), n.end()), t,
                     std::string(static_cast<const char*>(d), s), true});
    return inner_.SetValueW(k, n, t, d, s);
  }
  long DeleteValue(plat::HKey k, const std::string& n) override { return inner_.DeleteValue(k, n); }
  long QueryValueCount(plat::HKey k, uint32_t* c) override { return inner_.QueryValueCount(k, c); }
  long CloseKey(plat::HKey k) override { return inner_.CloseKey(k); }

  std::vector<SetValueCall> calls;

 private:
  plat::Registry& inner_;
};

// The machine's platform with the registry swapped for a recording one.
struct RecordingPlatform {
  explicit RecordingPlatform(plat::Platform& base)
      : registry(base.registry),
        platform{registry, base.files, base.processes, base.messages, base.text, base.checked} {}
  RecordingRegistry registry;
  plat::Platform platform;
};
