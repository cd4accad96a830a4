#include "unattended/silent_install.h"

#include "deploy/package_folder.h"
#include "deploy/running_host.h"
#include "discovery/discovery.h"
#include "protection/install_folder.h"
#include "uninstall/record_store.h"
#include "ui/path_checks.h"
#include "ui/setup_rules.h"
#include "unattended/exit_codes.h"

namespace unattended {
namespace {

// The 32-bit rule of the dialog applies here too.
constexpr int kBuildBits = static_cast<int>(sizeof(void*) * 8);

class NoProgress : public plat::ProgressSink {
 public:
  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPos(int) override {}
  void StepIt() override {}
};

// The setup dialog without a window: its controls hold the run's choices, and it notes what
// the install logic asked of it.
class SilentDialog : public InstallDialog {
 public:
  SilentDialog(const std::string& folder, const ReleaseFlags& flags)
      : folder_(folder), flags_(flags) {}
  void TakeControlValues() override {}
  void ShowProgressLayout() override {}
  void EndCancelled() override { cancelled = true; }
  void ShowCompletionLayout() override { completed = true; }
  InstallInputs inputs() { return {folder_, flags_, progress_}; }

  bool cancelled = false, completed = false;

 private:
  std::string folder_;
  ReleaseFlags flags_;
  NoProgress progress_;
};

void Note(RunLog* log, const std::string& line) {
  if (log) log->Line(line);
}

int Ends(RunLog* log, int code, const std::string& why) {
  Note(log, why);
  return code;
}

std::string InLog(RunLog* log, const std::string& text) {
  return log ? log->Utf8(text) : std::string();
}

// The install command's last word was a refusal of the folder, or the question about one: a stop
// sign, or a question whose answer was No.
bool RefusedFolder(const SilentMessageBoxes& boxes) {
  constexpr unsigned kIconMask = 0xF0;
  if (boxes.unshown().empty()) return false;
  const UnshownMessage& last = boxes.unshown().back();
  return (last.type & kIconMask) == plat::kMbIconStop || last.answer == plat::kIdNo;
}

// The folder text as the picker checks it: "C:\\Tools\\" is typed as often as "C:\\Tools",
// and the install command drops that backslash itself; a drive root keeps its own.
std::string AsPickerSeesIt(plat::CodePage& text, const std::string& folder) {
  std::string checked = folder;
  if (checked.size() > 3) plat::DropTrailingBackslash(text, checked);
  return checked;
}

}  // namespace

bool ChooseReleases(const InstallCatalogue& catalogue, const cmdline::Options& options,
                    ReleaseFlags* flags, int* missing) {
  ReleaseFlags asked{};
  if (options.hasReleases) {
    for (int year : options.releases) asked[ReleaseIndex(year)] = 1;
  } else {
    asked.fill(1);
  }
  *flags = setup::InitialReleaseChoice(catalogue, kBuildBits, asked).flags;
  for (int year : options.releases) {
    if (!(*flags)[ReleaseIndex(year)]) {
      *missing = year;
      return false;
    }
  }
  return true;
}

int RunSilentInstall(plat::Platform& platform, SilentMessageBoxes& boxes,
                     InstallCatalogue& catalogue, const cmdline::Options& options,
                     AfterInstall* after, RunLog* log) {
  DiscoverHosts(platform.registry, catalogue);
  ReleaseFlags flags{};
  int missing = 0;
  if (!ChooseReleases(catalogue, options, &flags, &missing)) {
    return Ends(log, kNothingToServe,
                "release " + std::to_string(missing) + " was asked for and is not installed");
  }
  if (!setup::InstallButtonEnabled(flags)) {
    return Ends(log, kNothingToServe, "no AutoCAD release is installed");
  }

  const std::string folder = options.hasFolder ? options.folder : kDefaultFolder;
  // The install command refuses such a folder with a message, after the picker would have
  // made it: refused here first, nothing is made.
  if (folder.find(';') != std::string::npos) {
    return Ends(log, kWrongCommandLine,
                "the folder " + (log ? log->Utf8(folder) : std::string()) +
                    " holds ';', at which AutoCAD splits its trusted paths");
  }
  const std::string checked = AsPickerSeesIt(platform.text, folder);
  if (picker::CheckOrCreatePath(platform.files, platform.text, checked.c_str(), true) !=
      picker::kFolderUsable) {
    return Ends(log, kWrongCommandLine,
                "the folder " + (log ? log->Utf8(folder) : std::string()) +
                    " is not a full folder path such as C:\\Velmar");
  }
  // Nobody is there to accept a folder others may change, and nothing is made before it is
  // refused.
  const std::string product = ProductFolder(platform.text, folder);
  const protection::Finding unsafe = protection::AssessInstallFolder(
      platform, product,
      uninstall::FoldersMadeBefore(platform, protection::FullPath(platform, product))).finding;
  if (unsafe) {
    return Ends(log, kFolderNotSafe, "the folder " + InLog(log, unsafe.path) +
                                         " is not safe: " + protection::FindingLogText(unsafe));
  }
  // Before anything is made: a running host changes nothing.
  if (IsHostRunning(platform)) return Ends(log, kRetryLater, "AutoCAD is running");
  std::string package;
  if (!FindPackageFolder(platform, package)) {
    return Ends(log, kNoPackage, "no package beside the program: neither a Data folder nor "
                                 "VL_BatchPlot2010.arx");
  }
  const std::string caption = picker::ApplicationName(platform.files, platform.text);
  if (picker::ConfirmFolder(platform, caption, checked) != picker::kFolderUsable) {
    return Ends(log, kFatalError, "the install folder could not be created");
  }

  SilentDialog dialog(folder, flags);
  OnBnClickedInstall(platform, catalogue, dialog, dialog.inputs(), after);
  if (dialog.completed) return kInstalled;
  if (dialog.cancelled) {
    if (boxes.Asked(plat::kMbAbortRetryIgnore)) {
      return Ends(log, kFatalError, "a file could not be copied: stopped, nothing registered");
    }
    return Ends(log, kNoPackage, "the package was gone when the copy began");
  }
  // The install command refused the folder, changed since the check above (its message, in
  // the log, says how); or its own check saw a host that started after ours.
  if (RefusedFolder(boxes))
    return Ends(log, kFolderNotSafe, "the install folder was refused as not safe");
  return Ends(log, kRetryLater, "AutoCAD started while the run began");
}

}  // namespace unattended
