#include "platform/win32/win32_audience.h"

#include "platform/win32/windows_api.h"

namespace win32 {

bool Win32Audience::SessionId(uint32_t* id) {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return false;
  *id = session;
  return true;
}

bool Win32Audience::StationVisible(bool* visible) {
  // The process's own handle: never closed.
  HWINSTA station = ::GetProcessWindowStation();
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  if (!station ||
      !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
    return false;
  }
  *visible = (flags.dwFlags & WSF_VISIBLE) != 0;
  return true;
}

}  // namespace win32
