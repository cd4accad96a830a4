#pragma once
// The common controls (comctl32) are not one of Windows' KnownDLLs, so a static import of them
// is looked for in the program's own folder first: a download folder, a USB stick, a share,
// where anyone may have put a comctl32.dll that would run before our first instruction. They
// are therefore loaded here, at run time, from System32 only.
#include "platform/win32/windows_api.h"

namespace win32 {

// Registers the window classes of `classes` (ICC_PROGRESS_CLASS, ...), as InitCommonControlsEx
// does. False when the system's comctl32 cannot be loaded or refuses. The library stays loaded
// for the rest of the process: its window classes live in it.
bool LoadCommonControls(DWORD classes);

}  // namespace win32
