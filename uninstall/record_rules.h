#pragma once
// What a record may name at all. The uninstall runs elevated and reads its record from the
// install folder, which other users may be able to write to; so it acts only on entries of the
// shapes an installation of this program makes, and refuses a record with any other entry as
// a whole. The installation records only entries of these shapes.
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "uninstall/record.h"

namespace uninstall {

using plat::IsBelow;
using plat::IsPlainPath;
using plat::PathNames;
using plat::ResolvePath;
using plat::SamePath;


enum class FileKind {
  kInstalled,  // in the install folder, or below it
  kHostFile,   // a shape font in a Fonts folder, the plot driver in a Drv folder
  kOther,
};
FileKind KindOfFile(plat::CodePage& text, const std::string& folder, const std::string& path);

enum class KeyKind {
  kAutoLoad,      // HKLM ...\Autodesk\AutoCAD\...\Applications\VL_BatchPlot<release>
  kApplications,  // the Applications key above it, when the installation made it
  kVariables,     // HKCU SOFTWARE\Autodesk\AutoCAD\...\Variables of a profile
  kActiveSetup,   // the program's Active Setup component
  kServed,        // HKCU: the same component's key, which tells the version a user was served
  kComponents,    // the two keys above the component, when the installation made them
  kOther,
};
KeyKind KindOfKey(plat::CodePage& text, const RegKey& key);

enum class ValueKind { kAutoLoad, kTrustedPaths, kActiveSetup, kServed, kOther };
ValueKind KindOfValue(plat::CodePage& text, const RegKey& key, const std::string& name);

// True when every entry of the record has one of the shapes above and the record belongs to
// folder, the one it was found in; otherwise why names the first entry that does not.
bool CheckRecord(plat::CodePage& text, const Record& record, const std::string& folder,
                 std::string* why);

// True when every host file of the record lies in the Fonts or Drv folder of one of the host
// locations (AutoCAD's program folders, as the discovery finds them in the machine's registry);
// otherwise why names the first that does not.
bool CheckHostFiles(plat::CodePage& text, const Record& record, const std::string& folder,
                    const std::vector<std::string>& hostLocations, std::string* why);

}  // namespace uninstall
