#include "deploy/fonts_and_driver.h"

#include "deploy/package_copy.h"
#include "deploy/package_folder.h"
#include "deploy/path_limits.h"

namespace {

using deploy::FitsPathBuffer;
using deploy::JoinPath;

constexpr int kDriverRelease = 2008;

// An old read-only file at the destination would make the copy fail and stay in place, so
// the attribute goes before the copy; clearing again after it leaves no copied file
// read-only. A path too long for the buffers is passed over like any failed copy.
void CopyClearing(plat::FileSystem& files, const std::string& source,
                  const std::string& destination) {
  if (!FitsPathBuffer(source) || !FitsPathBuffer(destination)) return;
  ClearReadOnly(files, source);
  ClearReadOnly(files, destination);
  files.CopyFile(source, destination, false);
  ClearReadOnly(files, destination);
}

}  // namespace

void CopyFontsAndDriver(plat::Platform& platform, std::string location, bool withDriver) {
  std::string packageFolder;
  // The message has been shown; the last path probed is no package to take files from.
  if (!FindPackageFolder(platform, packageFolder)) return;

  const std::string fonts = JoinPath(location, "Fonts");
  if (FitsPathBuffer(fonts)) {
    for (const char* font : {"Velmar_EN.shx", "Velmar_HZ.shx"})
      CopyClearing(platform.files, JoinPath(packageFolder, font), JoinPath(fonts, font));
  }
  if (!withDriver) return;
  const std::string drivers = JoinPath(location, "Drv");
  if (FitsPathBuffer(drivers)) {
    CopyClearing(platform.files, JoinPath(packageFolder, "Velmar.prt5"),
                 JoinPath(drivers, "pdfplot9.hdi"));
  }
}

void DeployToHosts(plat::Platform& platform, const InstallCatalogue& catalogue,
                   const ReleaseFlags& flags) {
  for (int index = 0; index < kReleaseCount; ++index) {
    if (!flags[index]) continue;
    const bool withDriver = ReleaseYearAt(index) == kDriverRelease;
    for (const std::string& location : catalogue.hostLocations[index])
      CopyFontsAndDriver(platform, location, withDriver);
  }
}
