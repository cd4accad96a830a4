#pragma once
// <windows.h> without the A/W macros whose names are also method names on the platform seam
// (plat::FileSystem::CopyFile, CreateDirectory, GetEnvironmentVariable). With the macros, a
// call such as files.CopyFile(...) turns into files.CopyFileA(...) in any file that includes
// <windows.h> after the seam. Include this instead of <windows.h>; call the A functions by
// their explicit names.
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef GetEnvironmentVariable
#undef DeleteFile
#undef RemoveDirectory
#undef MoveFile
