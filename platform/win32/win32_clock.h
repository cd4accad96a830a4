#pragma once
// The clock seam over the system time and the time zone in force now.
#include "platform/clock.h"

namespace win32 {

class Win32Clock : public plat::Clock {
 public:
  plat::LocalTime Now() override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace win32
