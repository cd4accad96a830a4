#include "unattended/time_text.h"

#include <cstdio>
#include <cstdlib>

namespace unattended {

std::string TimeStamp(const plat::LocalTime& t) {
  const int offset = std::abs(t.utcOffsetMinutes);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string FileNameTime(const plat::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace unattended
