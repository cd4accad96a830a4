#pragma once
// Where the package lies: a Data folder beside the setup program, or the setup folder itself.
#include <string>

#include "platform/platform.h"

enum PathKind { PathMissing = 0, PathFile = 1, PathFolder = 2 };

// What lies under path (no wildcards): nothing, a file or a folder.
PathKind GetPathKind(plat::FileSystem& files, std::string path);

// True with the package folder in packageFolder; false after the missing-package message.
bool FindPackageFolder(plat::Platform& platform, std::string& packageFolder);
// The same answer, without a word.
bool LocatePackageFolder(plat::Platform& platform, std::string& packageFolder);
// The missing-package message; false.
bool ShowMissingPackage(plat::Platform& platform);
