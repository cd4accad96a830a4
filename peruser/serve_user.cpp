#include "peruser/serve_user.h"

#include <vector>

#include "cmdline/command_line.h"
#include "discovery/install_catalogue.h"
#include "peruser/default_settings.h"
#include "registration/trusted_paths.h"

namespace peruser {
namespace {

bool OwnFolder(plat::Platform& platform, std::string* folder) {
  std::string module;
  if (!platform.files.ModuleFileName(&module)) return false;
  const std::size_t slash = platform.text.LastBackslash(module);
  if (slash == std::string::npos) return false;
  *folder = module.substr(0, slash);
  return true;
}

}  // namespace

int ServeUser(plat::Platform& platform, const std::u16string& commandLine) {
  std::vector<std::u16string> words;
  if (!cmdline::SplitWords(commandLine, &words) || words.size() > 2) return kWrongCommandLine;
  std::string folder;
  if (words.size() == 2) {
    if (!platform.text.FromUtf16(words[1], &folder)) return kWrongCommandLine;
  } else if (!OwnFolder(platform, &folder)) {
    return kNoInstallFolder;
  }
  plat::DropTrailingBackslash(platform.text, folder);
  // A trusted folder that does not exist is one anybody allowed to make it could fill.
  const uint32_t attributes = platform.files.GetAttributes(folder);
  if (folder.empty() || attributes == plat::kInvalidAttributes ||
      !(attributes & plat::kAttrDirectory)) {
    return kNoInstallFolder;
  }
  InstallCatalogue catalogue;
  catalogue.installFolder = folder;
  RegisterTrustedPaths(platform, catalogue);
  GiveDefaultSettings(platform, folder);
  return kServed;
}

}  // namespace peruser
