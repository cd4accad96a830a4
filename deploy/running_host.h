#pragma once
#include "platform/platform.h"

// True when some process's executable name contains "acad.exe" in any letter case.
bool IsHostRunning(plat::Platform& platform);
