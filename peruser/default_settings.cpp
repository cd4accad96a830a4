#include "peruser/default_settings.h"

#include "deploy/package_copy.h"
#include "deploy/package_folder.h"
#include "unattended/silent_message_boxes.h"

namespace peruser {

bool KeepDefaultSettings(plat::Platform& platform, const std::string& installFolder) {
  // The package was there a moment ago; should it have gone since, nobody is told twice.
  unattended::SilentMessageBoxes unasked;
  plat::Platform quiet{platform.registry, platform.files, platform.processes, unasked,
                       platform.text, platform.checked};
  std::string package;
  if (!FindPackageFolder(quiet, package)) return false;
  const std::string source = package + "\\" + kSettingsFileName;
  if (GetPathKind(platform.files, source) != PathFile) return false;
  const std::string copy = installFolder + "\\" + kDefaultSettingsFile;
  ClearReadOnly(platform.files, copy);
  if (!platform.files.CopyFile(source, copy, false)) return false;
  ClearReadOnly(platform.files, copy);
  return true;
}

Given GiveDefaultSettings(plat::Platform& platform, const std::string& installFolder) {
  plat::FileSystem& files = platform.files;
  const std::string copy = installFolder + "\\" + kDefaultSettingsFile;
  if (GetPathKind(files, copy) != PathFile) return Given::kNoDefault;
  const std::string folder = SettingsFolder(files);
  if (folder.empty()) return Given::kNoSettingsFolder;
  const std::string own = folder + "\\" + kSettingsFileName;
  if (files.GetAttributes(own) != plat::kInvalidAttributes) return Given::kUserHasOwn;
  files.CreateDirectory(folder);
  // Never over a file: one that appeared since the look above is the user's.
  if (!files.CopyFile(copy, own, true)) return Given::kNotWritten;
  // The user's own from now on, to change as they like.
  ClearReadOnly(files, own);
  return Given::kGiven;
}

}  // namespace peruser
