#include "app/install_command.h"

#include "deploy/fonts_and_driver.h"
#include "deploy/running_host.h"
#include "protection/install_folder.h"
#include "uninstall/record_store.h"
#include "registration/auto_load.h"

bool g_bCheckHostRunning = true;

namespace {

const char kProductSubFolder[] = "\\Velmar批打印软件";
const char kTitle[] = "Velmar软件安装";
const char kCloseHostFirst[] = "请关闭AutoCAD后再进行安装 !";
const char kFolderEmpty[] = "安装路径不能为空 !";
const char kFolderSemicolon[] = "安装路径中不能有分号(;)，请修改后再进行安装 !";
constexpr int kProgressTop = 50;
const char kOthersMayChangeIt[] =
    "。\n\n安装后，该用户可以替换AutoCAD从这里加载的插件，以及每个用户（包括管理员）"
    "登录时从这里运行的程序，让它们运行他自己的代码。\n\n仍要安装到这里吗 ?";
const char kNotHere[] = "，不能安装到这里。\n\n请选择其他安装路径后再进行安装 !";

// AutoCAD loads the plug-in from the product folder into every user's session, and the folder
// is a trusted path, so no user but an administrator may change what lies in it or replace a
// folder on the way to it. A folder the user chose that others may change is theirs to
// choose, once they know; a link is never followed. False, with *end telling why, when the
// sequence may not run.
bool FolderReady(plat::Platform& platform, const std::string& folder, const std::string& product,
                 InstallEnd* end) {
  const protection::Assessment found = protection::AssessInstallFolder(
      platform, product,
      uninstall::FoldersMadeBefore(platform, protection::FullPath(platform, product)));
  const unsigned refusal = plat::kMbOk | plat::kMbIconStop;
  *end = InstallEnd::kFolderRefused;
  if (found.finding.problem == protection::Problem::kLink) {
    platform.messages.Show(protection::FindingText(found.finding) + kNotHere, kTitle, refusal);
    return false;
  }
  if (found.finding &&
      platform.messages.Show(protection::FindingText(found.finding) + kOthersMayChangeIt, kTitle,
                             plat::kMbYesNo | plat::kMbIconExclamation | plat::kMbDefButton2) !=
          plat::kIdYes)
    return false;
  protection::Finding why;
  if (protection::PrepareInstallFolder(platform, folder, product, found, &why)) return true;
  if (why.problem == protection::Problem::kNotMade) *end = InstallEnd::kFolderNotMade;
  platform.messages.Show(protection::FindingText(why) + kNotHere, kTitle, refusal);
  return false;
}

}  // namespace

const char* InstallEndText(InstallEnd end) {
  switch (end) {
    case InstallEnd::kInstalled: return "installed";
    case InstallEnd::kHostRunning: return "AutoCAD was running, the user was asked to close it";
    case InstallEnd::kFolderText: return "the folder text was refused";
    case InstallEnd::kFolderRefused: return "the install folder was refused";
    case InstallEnd::kFolderNotMade: return "a level of the install folder could not be made";
    case InstallEnd::kNoPackage: return "the package was not found";
    case InstallEnd::kCopyStopped: return "a file could not be copied, stopped as Abort does";
    case InstallEnd::kPackageRefused: return "the package is not the one the program was built for";
  }
  return "";
}

std::string ProductFolder(plat::CodePage& text, std::string folderText) {
  plat::DropTrailingBackslash(text, folderText);
  return folderText + kProductSubFolder;
}

bool PrepareInstall(plat::Platform& platform, InstallDialog& dialog, InstallInputs inputs,
                    InstallEnd* end) {
  // The host is asked only until the user has been warned once; a second click installs.
  if (g_bCheckHostRunning && IsHostRunning(platform)) {
    platform.messages.Show(kCloseHostFirst, kTitle, plat::kMbOk);
    g_bCheckHostRunning = false;
    *end = InstallEnd::kHostRunning;
    return false;
  }

  dialog.TakeControlValues();
  *end = InstallEnd::kFolderText;
  if (inputs.folderText.empty()) {
    platform.messages.Show(kFolderEmpty, kTitle, plat::kMbOk | plat::kMbIconStop);
    return false;
  }
  // AutoCAD splits its trusted paths at ';', so such a folder could never be trusted, and
  // every installation would add it again. ';' is never the trail byte of a double-byte
  // character, so a byte search finds only the character.
  if (inputs.folderText.find(';') != std::string::npos) {
    platform.messages.Show(kFolderSemicolon, kTitle, plat::kMbOk | plat::kMbIconStop);
    return false;
  }

  std::string& folder = inputs.folderText;
  plat::DropTrailingBackslash(platform.text, folder);
  // Every level made before the copy, so that every file arrives under the folders' lists.
  if (!FolderReady(platform, folder, folder + kProductSubFolder, end)) return false;
  folder += kProductSubFolder;
  return true;
}

bool RunInstallSequence(plat::Platform& platform, InstallCatalogue& catalogue,
                        const deploy::Package& package, InstallDialog& dialog,
                        const std::string& installFolder, const ReleaseFlags& flags,
                        plat::ProgressSink& progress, CopyStop* stop) {
  dialog.ShowProgressLayout();
  progress.SetRange(0, kProgressTop);
  progress.SetStep(1);
  progress.SetPos(0);

  PackageCopyJob job(platform.text, installFolder, progress);
  if (!CopyPackage(platform, package, job, stop)) {
    // Nothing is registered for a package that did not arrive whole.
    dialog.EndCancelled();
    return false;
  }
  progress.StepIt();

  catalogue.installFolder = installFolder;
  plat::DropTrailingBackslash(platform.text, catalogue.installFolder);
  RegisterWithHost(platform, catalogue, flags);
  progress.StepIt();

  DeployToHosts(platform, package, catalogue, flags);
  progress.StepIt();

  // Full whatever number of steps the copy took.
  progress.SetPos(kProgressTop);
  return true;
}
