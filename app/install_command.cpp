#include "app/install_command.h"

#include "deploy/fonts_and_driver.h"
#include "deploy/package_copy.h"
#include "deploy/running_host.h"
#include "registration/auto_load.h"

bool g_bCheckHostRunning = true;

namespace {

const char kProductSubFolder[] = "\\Velmar批打印软件";
const char kTitle[] = "Velmar软件安装";
const char kCloseHostFirst[] = "请关闭AutoCAD后再进行安装 !";
const char kFolderEmpty[] = "安装路径不能为空 !";
constexpr int kProgressTop = 50;

}  // namespace

void OnBnClickedInstall(plat::Platform& platform, InstallCatalogue& catalogue,
                        InstallDialog& dialog, InstallInputs inputs, AfterInstall* after) {
  // The host is asked only until the user has been warned once; a second click installs.
  if (g_bCheckHostRunning && IsHostRunning(platform)) {
    platform.messages.Show(kCloseHostFirst, kTitle, plat::kMbOk);
    g_bCheckHostRunning = false;
    return;
  }

  dialog.TakeControlValues();
  if (inputs.folderText.empty()) {
    platform.messages.Show(kFolderEmpty, kTitle, plat::kMbOk | plat::kMbIconStop);
    return;
  }

  std::string& folder = inputs.folderText;
  plat::DropTrailingBackslash(platform.text, folder);
  // One level each; a folder that could not be made shows up as failed copies into it.
  platform.files.CreateDirectory(folder);
  folder += kProductSubFolder;
  platform.files.CreateDirectory(folder);

  if (!RunInstallSequence(platform, catalogue, dialog, folder, inputs.flags, inputs.progress)) {
    return;  // the dialog is already ending
  }
  if (after) after->Run(platform, catalogue, inputs.flags);
  dialog.ShowCompletionLayout();
}

bool RunInstallSequence(plat::Platform& platform, InstallCatalogue& catalogue,
                        InstallDialog& dialog, const std::string& installFolder,
                        const ReleaseFlags& flags, plat::ProgressSink& progress) {
  dialog.ShowProgressLayout();
  progress.SetRange(0, kProgressTop);
  progress.SetStep(1);
  progress.SetPos(0);

  PackageCopyJob job(platform.text, installFolder, progress);
  if (!CopyPackage(platform, job)) {
    // Nothing is registered for a package that did not arrive whole.
    dialog.EndCancelled();
    return false;
  }
  progress.StepIt();

  catalogue.installFolder = installFolder;
  plat::DropTrailingBackslash(platform.text, catalogue.installFolder);
  RegisterWithHost(platform, catalogue, flags);
  progress.StepIt();

  DeployToHosts(platform, catalogue, flags);
  progress.StepIt();

  // Full whatever number of steps the copy took.
  progress.SetPos(kProgressTop);
  return true;
}
