#include "app/quiet_install.h"

#include "deploy/package_folder.h"
#include "deploy/running_host.h"
#include "discovery/discovery.h"
#include "protection/install_folder.h"
#include "ui/path_checks.h"
#include "ui/setup_rules.h"
#include "unattended/exit_codes.h"
#include "platform/paths.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_store.h"

namespace app {
namespace {

using namespace unattended;

// The 32-bit rule of the dialog applies here too.
constexpr int kBuildBits = static_cast<int>(sizeof(void*) * 8);

class NoProgress : public plat::ProgressSink {
 public:
  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPos(int) override {}
  void StepIt() override {}
};

// The setup dialog without a window: its controls hold the run's choices.
class QuietDialog : public InstallDialog {
 public:
  QuietDialog(const std::string& folder, const ReleaseFlags& flags)
      : folder_(folder), flags_(flags) {}
  void TakeControlValues() override {}
  void ShowProgressLayout() override {}
  void EndCancelled() override {}
  void ShowCompletionLayout() override {}
  InstallInputs inputs() { return {folder_, flags_, progress_}; }

 private:
  std::string folder_;
  ReleaseFlags flags_;
  NoProgress progress_;
};

int Ends(RunLog* log, int code, const std::string& why) {
  if (log) log->Line(why);
  return code;
}

std::string InLog(RunLog* log, const std::string& text) {
  return log ? log->Utf8(text) : std::string();
}

// The folder text as the picker checks it: "C:\\Tools\\" is typed as often as "C:\\Tools",
// and the install command drops that backslash itself; a drive root keeps its own.
std::string AsPickerSeesIt(plat::CodePage& text, const std::string& folder) {
  std::string checked = folder;
  if (checked.size() > 3) plat::DropTrailingBackslash(text, checked);
  return checked;
}

}  // namespace

std::string OfferedFolder(plat::Platform& platform) {
  plat::CodePage& text = platform.text;
  std::string product;
  const std::string sub = ProductFolder(text, "");  // "\\" and the product's name
  if (!uninstall::ReadProgramEntryFolder(platform, &product) ||
      text.CompareNoCase(plat::FileNameOf(text, product), sub.substr(1)) != 0)
    return kDefaultFolder;
  const std::string folder = plat::FolderOf(text, product);
  return folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder.empty() ? "\\" : folder;
}

bool ChooseReleases(const InstallCatalogue& catalogue, const cmdline::Options& options,
                    ReleaseFlags* flags, std::vector<int>* missing) {
  ReleaseFlags asked{};
  if (options.hasReleases) {
    for (int year : options.releases) asked[ReleaseIndex(year)] = 1;
  } else {
    asked.fill(1);
  }
  *flags = setup::InitialReleaseChoice(catalogue, kBuildBits, asked).flags;
  missing->clear();
  for (int year : options.releases) {
    if (!(*flags)[ReleaseIndex(year)]) missing->push_back(year);
  }
  return missing->size() < options.releases.size() || options.releases.empty();
}

std::string NotInstalledText(const std::vector<int>& years) {
  std::string text;
  for (int year : years) text += (text.empty() ? "" : ", ") + std::to_string(year);
  return (years.size() == 1 ? "release " : "releases ") + text;
}

int RunQuietInstall(Installation& installation, const cmdline::Options& options, RunLog* log) {
  plat::Platform& platform = installation.platform();
  InstallCatalogue& catalogue = installation.catalogue();
  DiscoverHosts(platform.registry, catalogue);
  ReleaseFlags flags{};
  std::vector<int> missing;
  if (!ChooseReleases(catalogue, options, &flags, &missing)) {
    return Ends(log, kNothingToServe,
                "no release asked for is installed: " + NotInstalledText(missing));
  }
  if (log && !missing.empty())
    log->Line("passed over: " + NotInstalledText(missing) + ", asked for and not installed");
  if (!setup::InstallButtonEnabled(flags)) {
    return Ends(log, kNothingToServe, "no AutoCAD release is installed");
  }

  const std::string folder = options.hasFolder ? options.folder : OfferedFolder(platform);
  // The install command refuses such a folder with a message, after the picker would have
  // made it: refused here first, nothing is made.
  if (folder.find(';') != std::string::npos) {
    return Ends(log, kWrongCommandLine,
                "the folder " + InLog(log, folder) + " holds ';', at which AutoCAD splits its "
                                                     "trusted paths");
  }
  const std::string checked = AsPickerSeesIt(platform.text, folder);
  if (picker::CheckOrCreatePath(platform.files, platform.text, checked.c_str(), true) !=
      picker::kFolderUsable) {
    return Ends(log, kWrongCommandLine,
                "the folder " + InLog(log, folder) + " is not a full folder path such as C:\\Velmar");
  }
  // Nobody is there to accept a folder others may change, and nothing is made before it is
  // refused.
  const std::string product = ProductFolder(platform.text, folder);
  const protection::Finding unsafe =
      protection::AssessInstallFolder(
          platform, product,
          uninstall::FoldersMadeBefore(platform, protection::FullPath(platform, product)))
          .finding;
  if (unsafe) {
    return Ends(log, kFolderNotSafe, "the folder " + InLog(log, unsafe.path) +
                                         " is not safe: " + protection::FindingLogText(unsafe));
  }
  // Before anything is made: a running host changes nothing.
  std::string host;
  if (FindRunningHost(platform, &host))
    return Ends(log, kRetryLater, "AutoCAD is running (" + InLog(log, host) + ")");
  std::string package;
  if (!FindPackageFolder(platform, package)) {
    return Ends(log, kNoPackage, "no package beside the program: neither a Data folder nor "
                                 "VL_BatchPlot2010.arx");
  }
  QuietDialog dialog(folder, flags);
  switch (installation.Install(dialog, dialog.inputs())) {
    case InstallEnd::kInstalled:
      return kInstalled;
    case InstallEnd::kHostRunning:
      FindRunningHost(platform, &host);
      return Ends(log, kRetryLater, "AutoCAD started while the run began (" + InLog(log, host) + ")");
    case InstallEnd::kFolderText:
      return Ends(log, kWrongCommandLine, "the folder text was refused");
    case InstallEnd::kFolderNotMade:
      return Ends(log, kFatalError, "the install folder could not be created");
    case InstallEnd::kFolderRefused:
      // Changed since the check above; its message, in the log, says how.
      return Ends(log, kFolderNotSafe, "the install folder was refused as not safe");
    case InstallEnd::kNoPackage:
      return Ends(log, kNoPackage, "the package was gone when the copy began");
    case InstallEnd::kCopyStopped:
      break;
  }
  return Ends(log, kFatalError, "a file could not be copied: stopped, nothing registered");
}

}  // namespace app
