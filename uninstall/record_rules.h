#pragma once
// What a record may name at all. The uninstall runs elevated and reads its record from the
// install folder, which other users may be able to write to; so it acts only on entries of the
// shapes an installation of this program makes, and refuses a record with any other entry as
// a whole. The installation records only entries of these shapes.
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "uninstall/record.h"

namespace uninstall {

// A path's names, split at backslashes that are characters of their own.
std::vector<std::string> PathNames(plat::CodePage& text, const std::string& path);
// A full path "X:\\..." as the system resolves it before it looks at the disk: "C:\\CAD\\\\Fonts"
// and "c:/CAD/./Fonts." both give "c:\\CAD\\Fonts". False for any other path (relative,
// drive-relative, a network path).
bool ResolvePath(plat::CodePage& text, const std::string& path, std::string* resolved);
// A full path that resolves to a drive and plain names: none holding a character a file name
// cannot hold, none ending in a dot or a blank that the system would keep.
bool IsPlainPath(plat::CodePage& text, const std::string& path);
// path lies below folder (not the folder itself); names compare without letter case, full
// paths as the system resolves them.
bool IsBelow(plat::CodePage& text, const std::string& folder, const std::string& path);
bool SamePath(plat::CodePage& text, const std::string& a, const std::string& b);

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
