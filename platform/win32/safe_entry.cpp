// The entry point of the project's programs, ahead of the C runtime's start-up and of every
// static constructor: a program must not load DLLs from its own folder or the current
// directory, where someone else may have put one (SetUp.exe runs elevated; the per-user
// program runs as each user, from a folder other users may write to).
#include "platform/win32/windows_api.h"

extern "C" int WinMainCRTStartup(void);
extern "C" int VelmarEntry(void) {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return WinMainCRTStartup();
}
