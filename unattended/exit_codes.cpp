#include "unattended/exit_codes.h"

namespace unattended {

const char* Meaning(int code) {
  switch (code) {
    case kInstalled: return "done";
    case kWrongCommandLine: return "the command line is wrong";
    case kNothingToServe: return "nothing to serve";
    case kHostRunning: return "AutoCAD is running, nothing was changed";
    case kNoPackage: return "the package was not found";
    case kCopyFailed: return "a file could not be copied, nothing registered";
    case kFolderNotSafe: return "the install folder is not safe, nothing written";
    default: return "ended";
  }
}

}  // namespace unattended
