#pragma once
// The machine's run locks as a table of names; a test adds those another process holds.
#include <map>
#include <string>

#include "platform/run_locks.h"

namespace sim {

class SimRunLocks : public plat::RunLocks {
 public:
  struct Object {
    std::string ownerSid;
    bool refusesCaller = false;  // its access list leaves this process out
    bool heldHere = false;       // this process holds it
  };

  plat::LockAttempt Make(const std::string& name, const std::string& ownerSid,
                         const plat::AccessList&) override {
    if (failMake) return {plat::LockAnswer::kFailed, ""};
    auto it = objects.find(name);
    if (it == objects.end()) {
      objects[name] = Object{ownerSid, false, true};
      return {plat::LockAnswer::kMade, ""};
    }
    if (it->second.refusesCaller) return {plat::LockAnswer::kDenied, ""};
    return {plat::LockAnswer::kExists, it->second.ownerSid};
  }
  bool Hold(const std::string& name) override {
    auto it = objects.find(name);
    if (it == objects.end() || it->second.refusesCaller) return false;
    it->second.heldHere = true;
    return true;
  }

  // Names are matched as Windows matches object names: exactly.
  std::map<std::string, Object> objects;
  bool failMake = false;
};

}  // namespace sim
