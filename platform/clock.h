#pragma once
// Clock seam: the time of day as the machine's time zone tells it, and waiting.
#include <cstdint>

namespace plat {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  // Local time minus UTC in minutes, daylight saving time included: 480 in China.
  int utcOffsetMinutes = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // The local time now, with the offset from UTC in force now.
  virtual LocalTime Now() = 0;
  // Returns after about that long (Sleep).
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace plat
