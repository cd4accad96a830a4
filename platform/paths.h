#pragma once
// Path texts in the code page as Windows reads them: split at backslashes that are characters
// of their own (淺 is 9C 5C), resolved as the system resolves a full path before it looks at
// the disk, compared without letter case.
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace plat {

// A path's names, split at backslashes that are characters of their own.
std::vector<std::string> PathNames(CodePage& text, const std::string& path);
// A full path "X:\\..." as the system resolves it before it looks at the disk: "C:\\CAD\\\\Fonts"
// and "c:/CAD/./Fonts." both give "c:\\CAD\\Fonts". False for any other path (relative,
// drive-relative, a network path).
bool ResolvePath(CodePage& text, const std::string& path, std::string* resolved);
// A full path that resolves to a drive and plain names: none holding a character a file name
// cannot hold, none ending in a dot or a blank that the system would keep.
bool IsPlainPath(CodePage& text, const std::string& path);
// path lies below folder (not the folder itself); names compare without letter case, full
// paths as the system resolves them.
bool IsBelow(CodePage& text, const std::string& folder, const std::string& path);
bool SamePath(CodePage& text, const std::string& a, const std::string& b);

// What lies before and after the last backslash character: "C:\\a\\b" gives "C:\\a" and "b";
// a text without one has no folder and is its own name.
std::string FolderOf(CodePage& text, const std::string& path);
std::string FileNameOf(CodePage& text, const std::string& path);

}  // namespace plat
