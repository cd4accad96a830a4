#pragma once
// The program's entry in Windows' list of installed programs (Settings' Apps, the Control
// Panel's Programs and Features): one key under the machine's
// SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall, in the native view. Its texts go
// through the wide calls, which is how those views read them.
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace uninstall {

constexpr char kProgramEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmarBatchPlot";

// version is major * 10000 + minor * 100 + patch; bytes the size of what was installed.
// Returns the first error, or kErrorSuccess.
long WriteProgramEntry(plat::Platform& platform, const std::string& folder, int version,
                       uint64_t bytes);
// The install folder the entry names; false when there is none.
bool ReadProgramEntryFolder(plat::Platform& platform, std::string* folder);
// kErrorSuccess also when there was no entry.
long RemoveProgramEntry(plat::Platform& platform);

}  // namespace uninstall
