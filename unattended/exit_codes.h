#pragma once
// The process's exit status of a run started with arguments; one run ends with exactly one.
namespace unattended {

enum ExitCode {
  kInstalled = 0,         // installed (or uninstalled)
  kWrongCommandLine = 1,  // the command line is wrong (the usage error); nothing changed
  kNothingToServe = 2,    // no host found, or a requested release is not installed
  kHostRunning = 3,       // AutoCAD is running; nothing was changed
  kNoPackage = 4,         // the package was not found
  kCopyFailed = 5,        // a file could not be copied; stopped as Abort does, nothing registered
  kFolderNotSafe = 9,     // others than administrators could change the folder; nothing written
};

// "installed", "the command line is wrong", ...: the code's meaning in the log.
const char* Meaning(int code);

}  // namespace unattended
