#include "peruser/default_settings.h"

#include "deploy/checked_folder.h"
#include "deploy/package_copy.h"
#include "deploy/package_folder.h"

namespace peruser {

bool KeepDefaultSettings(plat::Platform& platform, const deploy::Package& package,
                         const std::string& installFolder) {
  const deploy::PackageEntry* settings = package.File(platform.text, kSettingsFileName);
  if (!settings) return false;
  deploy::CheckedFolder folder(platform, installFolder);
  const plat::FileHandle at = folder.Get();
  deploy::ClearReadOnlyIn(platform.checked, at, kDefaultSettingsFile);
  return at != plat::kNoFileHandle &&
         platform.checked.CopyInto(at, kDefaultSettingsFile, settings->file);
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
