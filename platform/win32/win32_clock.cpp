#include "platform/win32/win32_clock.h"

#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

int64_t Ticks(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

}  // namespace

plat::LocalTime Win32Clock::Now() {
  // One instant read once, and the local time the current bias makes of it, so that the
  // offset belongs to exactly that time.
  FILETIME utc, local;
  ::GetSystemTimeAsFileTime(&utc);
  ::FileTimeToLocalFileTime(&utc, &local);
  SYSTEMTIME parts;
  ::FileTimeToSystemTime(&local, &parts);
  constexpr int64_t kTicksPerMinute = 60LL * 10000000;
  return {parts.wYear,   parts.wMonth,  parts.wDay,
          parts.wHour,   parts.wMinute, parts.wSecond,
          static_cast<int>((Ticks(local) - Ticks(utc)) / kTicksPerMinute)};
}

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace win32
