#include "platform/win32/common_controls.h"

#include <commctrl.h>

namespace win32 {

bool LoadCommonControls(DWORD classes) {
  HMODULE library = ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return false;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // Through void*: a FARPROC cast straight to another function type draws a warning.
  const auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(::GetProcAddress(library, "InitCommonControlsEx")));
  if (!init) return false;
  const INITCOMMONCONTROLSEX request = {sizeof request, classes};
  return init(&request) != FALSE;
}

}  // namespace win32
