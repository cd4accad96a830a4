#pragma once
// The first stage of an installation: the package into the install folder, the settings file
// into the user's application-data folder.
#include <string>

#include "deploy/package.h"
#include "platform/platform.h"
#include "platform/progress_sink.h"

struct PackageCopyJob {
  // Made from the prepared install folder; one trailing backslash character is dropped.
  PackageCopyJob(plat::CodePage& text, std::string folder, plat::ProgressSink& progress);
  std::string installFolder;
  plat::ProgressSink& progressBar;
};

// Why a copy that returned false stopped.
enum class CopyStop { kNoPackage, kAborted };

// True when the whole package was worked through; false when no package was found or the
// user chose Abort after a failed copy (stop, when given, says which). The files land with the
// bytes package read, written through the handles of folders walked from their drive's root:
// a folder that is not there, or is reached through a link, fails every copy into it.
bool CopyPackage(plat::Platform& platform, const deploy::Package& package,
                 const PackageCopyJob& job, CopyStop* stop = nullptr);

// The package's settings file, which goes to the user's own settings folder.
constexpr char kSettingsFileName[] = "Velmar.Ini";

// "%s\\Velmar" under the user's application-data folder: APPDATA as a 260-byte buffer would
// hold it, else the folder the shell reports. Empty when neither gives one.
std::string SettingsFolder(plat::FileSystem& files);

// Clears the read-only attribute of an existing file; silent on every failure.
void ClearReadOnly(plat::FileSystem& files, const std::string& path);
