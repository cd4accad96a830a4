#pragma once
// Who could see a window of the simulated process: by default, as for a program a signed-in
// user starts, session 1 and WinSta0.
#include <cstdint>

#include "platform/audience.h"

namespace sim {

class SimAudience : public plat::Audience {
 public:
  bool SessionId(uint32_t* id) override {
    if (!sessionKnown) return false;
    *id = session;
    return true;
  }
  bool StationVisible(bool* visible) override {
    if (!stationKnown) return false;
    *visible = stationVisible;
    return true;
  }

  uint32_t session = 1;
  bool sessionKnown = true;
  bool stationVisible = true;
  bool stationKnown = true;
};

}  // namespace sim
