#pragma once
// The settings file for every user. The installation places the package's Velmar.Ini in the
// settings folder of the account that runs it, which under a deployment tool is SYSTEM's and
// over a user's shoulder an administrator's: the users who plot would never get one. So the
// installation also keeps the package's file in the install folder as the default copy, and
// the per-user program gives it to each user at their logon, unless they have one: a user's
// own settings are never replaced.
#include <string>

#include "deploy/package.h"
#include "platform/platform.h"

namespace peruser {

// In the install folder (the product folder).
constexpr char kDefaultSettingsFile[] = "VelmarDefault.Ini";

// After an installation: the package's settings file, as package read it, as installFolder's
// default copy. False when the package has none, or the copy could not be written.
bool KeepDefaultSettings(plat::Platform& platform, const deploy::Package& package,
                         const std::string& installFolder);

enum class Given {
  kGiven,             // the user had no settings file and now has the default copy
  kUserHasOwn,        // the user's settings file (or something of that name) stays as it is
  kNoDefault,         // installFolder holds no default copy
  kNoSettingsFolder,  // the user has no application-data folder to name
  kNotWritten,        // the copy could not be written
};

// At a user's logon: installFolder's default copy to the user's own %APPDATA%\Velmar\Velmar.Ini,
// only if the user has none.
Given GiveDefaultSettings(plat::Platform& platform, const std::string& installFolder);

}  // namespace peruser
