#include "unattended/exit_codes.h"

namespace unattended {

const char* Meaning(int code) {
  switch (code) {
    case kInstalled: return "done";
    case kNothingToServe: return "nothing to serve: no AutoCAD release to install for";
    case kNoPackage: return "the package was not found, nothing was changed";
    case kRemovedInPart: return "uninstalled in part, the log names what stays";
    case kPackageRefused: return "the package is not the one this program was built with, "
                                 "nothing was changed";
    case kFolderNotSafe: return "the install folder is not safe, nothing was written";
    case kAnsweredNo: return "the user answered No, nothing was changed";
    case kFatalError: return "fatal error during the installation: a file could not be copied "
                             "or the folder made, nothing registered";
    case kNothingInstalled: return "nothing installed to uninstall, nothing was changed";
    case kRetryLater: return "retry later: AutoCAD or another run of the setup is running, "
                             "nothing was changed";
    case kLogNotWritable: return "the log file cannot be written, nothing was changed";
    case kWrongCommandLine: return "invalid command line, nothing was changed";
    case kRestartNeeded: return "done, a restart finishes it";
  }
  return "an exit code this program does not give";
}

}  // namespace unattended
