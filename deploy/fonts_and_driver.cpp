#include "deploy/fonts_and_driver.h"

#include "deploy/checked_folder.h"
#include "deploy/package_copy.h"
#include "deploy/package_folder.h"
#include "deploy/path_limits.h"
#include "platform/paths.h"
#include "protection/levels.h"

namespace {

using deploy::FitsPathBuffer;
using deploy::JoinPath;

constexpr int kDriverRelease = 2008;

// An old read-only file at the destination would make the copy fail and stay in place, so
// the attribute goes before the copy; clearing again after it leaves no copied file
// read-only. A path too long for the buffers is passed over like any failed copy.
void CopyClearing(plat::Platform& platform, const deploy::Package& package,
                  const std::string& source, deploy::CheckedFolder& folder,
                  const std::string& destination) {
  const deploy::PackageEntry* file = package.File(platform.text, source);
  if (!file || !FitsPathBuffer(file->file.source) || !FitsPathBuffer(destination)) return;
  plat::CheckedFiles& checked = platform.checked;
  deploy::ClearReadOnlyOfSource(platform, package, *file);
  const plat::FileHandle at = folder.Get();
  const std::string name = plat::FileNameOf(platform.text, destination);
  deploy::ClearReadOnlyIn(checked, at, name);
  // A copy never comes out read-only; a file the copy left there loses the bit all the same.
  if (at == plat::kNoFileHandle || !checked.CopyInto(at, name, file->file))
    deploy::ClearReadOnlyIn(checked, at, name);
}

// The host folder gets nothing through a link; the user hears of it as of an install folder
// on such a way.
void TellLink(plat::Platform& platform, deploy::CheckedFolder& folder, const char* what) {
  folder.Get();
  if (folder.link().empty()) return;
  const protection::Finding link{protection::Problem::kLink, folder.link(), ""};
  platform.messages.Show(protection::FindingText(link) + "，" + what + "没有复制到这里。",
                         deploy::kSetupTitle, plat::kMbOk | plat::kMbIconExclamation);
}

}  // namespace

void CopyFontsAndDriver(plat::Platform& platform, const deploy::Package& package,
                        std::string location, bool withDriver) {
  // The message has been shown; the last path probed is no package to take files from.
  if (!package.found()) {
    ShowMissingPackage(platform);
    return;
  }
  const std::string fonts = JoinPath(location, "Fonts");
  if (FitsPathBuffer(fonts)) {
    deploy::CheckedFolder folder(platform, fonts);
    TellLink(platform, folder, "字体文件");
    for (const char* font : {"Velmar_EN.shx", "Velmar_HZ.shx"})
      CopyClearing(platform, package, font, folder, JoinPath(fonts, font));
  }
  if (!withDriver) return;
  const std::string drivers = JoinPath(location, "Drv");
  if (FitsPathBuffer(drivers)) {
    deploy::CheckedFolder folder(platform, drivers);
    TellLink(platform, folder, "打印驱动");
    CopyClearing(platform, package, "Velmar.prt5", folder, JoinPath(drivers, "pdfplot9.hdi"));
  }
}

void DeployToHosts(plat::Platform& platform, const deploy::Package& package,
                   const InstallCatalogue& catalogue, const ReleaseFlags& flags) {
  for (int index = 0; index < kReleaseCount; ++index) {
    if (!flags[index]) continue;
    const bool withDriver = ReleaseYearAt(index) == kDriverRelease;
    for (const std::string& location : catalogue.hostLocations[index])
      CopyFontsAndDriver(platform, package, location, withDriver);
  }
}
