#pragma once
// What Windows reads from a program file besides its code: the version resource, read as
// Explorer's Properties, the UAC prompt and inventory tools read it (through version.dll), and
// a resource the program carries, written out as a file of its own.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"

namespace versioninfo {

struct FileVersion {
  VS_FIXEDFILEINFO fixed{};
  // \VarFileInfo\Translation: the language and code page of each string block, in order.
  std::vector<std::pair<WORD, WORD>> translations;
  // Texts of the first translation's string block, by name; a name it lacks is not here.
  std::map<std::wstring, std::wstring> texts;
};

// The version resource of the file at path, with the texts of the given names. False, with
// *error naming the step that failed, when it cannot be read.
bool ReadFileVersion(const std::wstring& path, const std::vector<std::wstring>& names,
                     FileVersion* version, std::string* error);

// Writes the RT_RCDATA resource id of the program file module to the file out (replacing it).
bool ExtractResource(const std::wstring& module, int id, const std::wstring& out,
                     std::string* error);

}  // namespace versioninfo
