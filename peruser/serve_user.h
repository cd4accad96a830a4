#pragma once
// The per-user program's work: Active Setup runs it once at each user's logon, as that user,
// to add the install folder to the trusted paths of every AutoCAD profile the user has, by
// the installation's own rules (RegisterTrustedPaths), and to give a user without settings
// the installation's default copy (GiveDefaultSettings). A second run adds nothing.
#include <string>

#include "platform/platform.h"

namespace peruser {

enum ExitCode {
  kServed = 0,
  kWrongCommandLine = 1,  // more than one argument, an open quote, a folder code page 936 cannot hold
  kNoInstallFolder = 2,   // the folder to trust does not exist (any more): nothing is written
};

// commandLine is the program's own (GetCommandLineW): its name, then the install folder,
// quoted. Without the folder, the program's own folder is the install folder.
int ServeUser(plat::Platform& platform, const std::u16string& commandLine);

}  // namespace peruser
