#include "deploy/package_folder.h"

#include "deploy/path_limits.h"

namespace {

constexpr char kMissingPackageText[] =
    "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !";
// The module with ModuleYear 2010: its presence marks the setup folder itself as the package.
constexpr char kModuleProbe[] = "\\VL_BatchPlot2010.arx";
// GetModuleFileNameA's buffer holds 260 characters and the terminator; a longer path comes
// back cut short and would name some other folder.
constexpr std::size_t kModulePathMax = 260;

}  // namespace

bool ShowMissingPackage(plat::Platform& platform) {
  platform.messages.Show(kMissingPackageText, deploy::kSetupTitle, plat::kMbOk);
  return false;
}

PathKind GetPathKind(plat::FileSystem& files, std::string path) {
  plat::FindEntry entry;
  plat::UniqueFind find(files, files.FindFirst(path, &entry));
  if (!find) return PathMissing;
  return (entry.attributes & plat::kAttrDirectory) ? PathFolder : PathFile;
}

bool FindPackageFolder(plat::Platform& platform, std::string& packageFolder) {
  return LocatePackageFolder(platform, packageFolder) || ShowMissingPackage(platform);
}

bool LocatePackageFolder(plat::Platform& platform, std::string& packageFolder) {
  std::string module;
  const bool haveModule = platform.files.ModuleFileName(&module) && !module.empty() &&
                          module.size() <= kModulePathMax;
  const std::size_t slash = haveModule ? platform.text.LastBackslash(module) : std::string::npos;
  const std::string setupFolder =
      slash == std::string::npos ? std::string() : module.substr(0, slash);
  if (slash == std::string::npos) {
    // Without a folder of our own there is nothing to probe; a bare "\\Data" would be looked
    // up on the current drive.
    packageFolder = setupFolder + kModuleProbe;
    return false;
  }

  packageFolder = setupFolder + "\\Data";
  if (GetPathKind(platform.files, packageFolder) == PathFolder) return true;

  packageFolder = setupFolder + kModuleProbe;
  if (GetPathKind(platform.files, packageFolder) == PathFile) {
    packageFolder = setupFolder;
    return true;
  }
  return false;
}
