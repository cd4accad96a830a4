#pragma once
// Who could see a window of this process: its session and its window station's flags.
#include "platform/audience.h"

namespace win32 {

class Win32Audience : public plat::Audience {
 public:
  bool SessionId(uint32_t* id) override;
  bool StationVisible(bool* visible) override;
};

}  // namespace win32
