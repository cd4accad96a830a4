#pragma once
// A local time as the run's log writes it.
#include <string>

#include "platform/clock.h"

namespace unattended {

// "2024-04-26 10:15:00 +08:00": the date, the time, and its offset from UTC.
std::string TimeStamp(const plat::LocalTime& time);

// "20240426-101500": for a file name, sorting as the times do.
std::string FileNameTime(const plat::LocalTime& time);

}  // namespace unattended
