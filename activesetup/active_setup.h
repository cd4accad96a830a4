#pragma once
// Trust for every user of the machine. TRUSTEDPATHS lives in each user's own registry, and the
// account that installs (SYSTEM under a deployment tool, an administrator elevating over a
// user's shoulder) is seldom the one that starts AutoCAD. So the installation leaves a small
// per-user program beside itself and registers it as an Active Setup component: at each
// user's next logon Windows runs its StubPath once, as that user, and the program adds the
// install folder to that user's profiles.
#include <string>

#include "platform/platform.h"
#include "versioninfo/build_version.h"

namespace activesetup {

// The component's key below HKEY_LOCAL_MACHINE, in the native view. Setting its IsInstalled
// to 0 stops every stub that has not run yet. The same path below HKEY_CURRENT_USER holds the
// Version a user's stub last ran for (Windows writes it after the stub; the installation
// writes it for the user it serves itself).
constexpr char kComponentKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\"
    "{08633EBA-6575-4BF8-8581-11239B9E7980}";
constexpr char kIsInstalled[] = "IsInstalled";
constexpr char kStubPath[] = "StubPath";
constexpr char kVersion[] = "Version";
// The per-user program, in the install folder.
constexpr char kPerUserProgram[] = "VelmarTrust.exe";
constexpr char kDisplayName[] = "Velmar批打印软件";
// The build's version as Active Setup spells one: "2024,4,26".
constexpr char kBuildVersion[] = VELMAR_VERSION_COMMA_TEXT;

// The command Windows runs at a user's logon: the program and the folder to trust, quoted.
std::string StubPathFor(const std::string& installFolder);

// Active Setup runs a stub for a user only when the component's Version is newer than the one
// that user last ran. The build's version is kept while the stub stays as it was; a stub that
// changed (an installation into another folder, or one after an uninstall) must run once more
// for everyone, so the version is then raised above the old one in its fourth part. No
// component yet is an old version of "": older than any.
std::string VersionToWrite(const std::string& oldVersion, bool stubUnchanged);

enum class Outcome {
  kRegistered,
  kProgramNotWritten,  // the per-user program could not be placed: nothing registered
  kNotRegistered,      // the component's key or a value of it could not be written
};

// Places the per-user program (its bytes) in the install folder, registers the component and
// marks it as run for the current user.
Outcome Register(plat::Platform& platform, const std::string& installFolder,
                 const std::string& program);

}  // namespace activesetup
