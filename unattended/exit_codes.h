#pragma once
// The process's exit status of a run started with arguments; one run ends with exactly one.
// Where Windows Installer has a code for the same outcome, the run answers that code, so that
// deployment tools read it without a mapping of their own; the program's own outcomes keep
// small codes that Windows Installer never answers.
namespace unattended {

enum ExitCode {
  kInstalled = 0,             // installed (or uninstalled)
  kNothingToServe = 2,        // no host found, or a requested release is not installed
  kNoPackage = 4,             // the package was not found
  kRemovedInPart = 6,         // uninstalled in part: the message and the log name what stays
  kPackageRefused = 7,        // the package differs from the one the program was built with
  kFolderNotSafe = 9,         // the install folder is not safe (others could change it); nothing written
  kAnsweredNo = 1602,         // the user answered No (ERROR_INSTALL_USEREXIT)
  kFatalError = 1603,         // a copy failed and the run stopped as Abort does (ERROR_INSTALL_FAILURE)
  kNothingInstalled = 1605,   // no usable record to uninstall (ERROR_UNKNOWN_PRODUCT)
  kRetryLater = 1618,         // AutoCAD runs, or another run is in progress (ERROR_INSTALL_ALREADY_RUNNING)
  kLogNotWritable = 1622,     // the log file cannot be written (ERROR_INSTALL_LOG_FAILURE)
  kWrongCommandLine = 1639,   // invalid command line (ERROR_INVALID_COMMAND_LINE)
  kRestartNeeded = 3010,      // done, but something waits for the next restart (ERROR_SUCCESS_REBOOT_REQUIRED)
};

// Every code above, for the texts that list them.
constexpr ExitCode kEveryExitCode[] = {
    kInstalled,  kNothingToServe,   kNoPackage,  kRemovedInPart,  kPackageRefused, kFolderNotSafe,
    kAnsweredNo, kFatalError,       kNothingInstalled, kRetryLater, kLogNotWritable,
    kWrongCommandLine, kRestartNeeded};

// "done", "invalid command line", ...: the code's meaning in the log's result line.
const char* Meaning(int code);

}  // namespace unattended
