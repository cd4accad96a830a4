#pragma once
// The install folder's entry in a TRUSTEDPATHS value, worked on in UTF-16 as the registry
// holds the value, so that every other character of the user's entries stays as it is, also
// one that code page 936 cannot hold.
#include <string>

#include "platform/codepage.h"

namespace uninstall {

// Whether some entry of the value (UTF-16, no terminator) already trusts folder: the folder
// itself, with a trailing backslash, or with the sub-folder suffix "\\...". Letter case does
// not matter, by the code page's rules.
bool TrustsFolder(plat::CodePage& text, const std::u16string& value, const std::string& folder);

// Takes out every entry that is exactly folder (in any letter case), each with one semicolon
// next to it; every other unit stays. False when there was none.
bool RemoveFolderEntry(plat::CodePage& text, std::u16string* value, const std::string& folder);

}  // namespace uninstall
