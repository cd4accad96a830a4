#pragma once
// The entries of a TRUSTEDPATHS value, worked on in UTF-16 as the registry holds the value, so
// that every other character of the user's entries stays as it is, also one that code page 936
// cannot hold. The installation adds the install folder by these rules; the uninstall takes it
// out by them.
#include <string>
#include <vector>

#include "platform/codepage.h"

// The entries between the semicolons, in order, empty ones included.
std::vector<std::u16string> SplitEntries(const std::u16string& value);

// Whether one whole entry of the value (no terminator) trusts folder: the folder alone, with
// a trailing backslash, or with the sub-folder suffix "\\...". Letter case does not matter, by
// the code page's rules. A longer name that merely starts with it (D:\TOOLS2 for D:\TOOLS) is
// another folder, and so is an entry holding a character the code page cannot, or a zero
// unit: the folder, code page text itself, has neither.
bool IsTrusted(plat::CodePage& text, const std::u16string& value, const std::string& folder);

// Takes out every entry that is exactly folder (in any letter case), each with one semicolon
// next to it; every other unit stays. False when there was none.
bool RemoveFolderEntry(plat::CodePage& text, std::u16string* value, const std::string& folder);
