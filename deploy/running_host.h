#pragma once
#include <string>

#include "platform/platform.h"

// True when some process's executable name contains "acad.exe" in any letter case.
bool IsHostRunning(plat::Platform& platform);
// The same answer; on true, name (unless null) is the executable name it matched, as the
// snapshot gives it ("ACAD.EXE"), for the log to tell which process it was.
bool FindRunningHost(plat::Platform& platform, std::string* name);
