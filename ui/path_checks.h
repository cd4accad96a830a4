#pragma once
// The folder picker's checks of a typed folder, over the platform seam so they run anywhere.
// Paths are code page text: they are split and tested by character, so a double-byte
// character whose trail byte equals '\\' or '|' is never taken for that character.
#include <string>

#include "platform/platform.h"

namespace picker {

// Results of ConfirmFolder and CheckOrCreatePath.
constexpr int kFolderUsable = 0;
constexpr int kFolderInvalid = 1;
constexpr int kFolderNotCreated = 2;
constexpr int kFolderDeclined = -1;  // ConfirmFolder only: the user did not want it created

// Checks the folder text, asks whether a missing folder should be created and creates every
// missing level. Its messages are English and carry the caption given (the program's name).
int ConfirmFolder(plat::Platform& platform, const std::string& caption, const std::string& path);

// Syntax check of a rooted path "X:\\a\\b" and, unless checkOnly, creation of every missing
// level from the root down, each with the descriptor of the folders the program makes. Shows
// nothing. Returns kFolderUsable, kFolderInvalid, or kFolderNotCreated when a level does not
// exist after its creation.
int CheckOrCreatePath(plat::FileSystem& files, plat::CodePage& text, const char* path,
                      bool checkOnly);

// One folder name: not empty, no tab, blank or '.' first or last, none of "*/:<>?\\| and '"'.
bool IsValidPathComponent(plat::CodePage& text, const char* name);

// The program's own name: its executable's file name without the extension.
std::string ApplicationName(plat::FileSystem& files, plat::CodePage& text);

}  // namespace picker
