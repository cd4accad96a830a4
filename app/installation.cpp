#include "app/installation.h"

#include <memory>

#include "activesetup/active_setup.h"
#include "peruser/default_settings.h"
#include "platform/paths.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_store.h"
#include "uninstall/run_uninstall.h"
#include "uninstall/uninstaller.h"
#include "versioninfo/build_version.h"

namespace app {
namespace {

constexpr int kVersion = velmar::kBuildVersion;
const char kTitle[] = "Velmar软件安装";
const char kMovedText[] = "Velmar批打印软件已从 ";

journal::FanOut& Listeners(journal::FanOut& fanOut, uninstall::Recorder& recorder,
                           unattended::RunLog* log) {
  fanOut.Add(recorder);
  if (log) fanOut.Add(*log);
  return fanOut;
}

void Note(unattended::RunLog* log, const std::string& line) {
  if (log) log->Line(line);
}

void NoteServed(unattended::RunLog* log, const InstallCatalogue& catalogue,
                const ReleaseFlags& flags) {
  if (!log) return;
  std::string served;
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    if (flags[ReleaseIndex(year)]) {
      served += (served.empty() ? "" : ", ") + std::to_string(year);
    } else if (!catalogue.hostLocations[ReleaseIndex(year)].empty()) {
      log->Line("skipped: release " + std::to_string(year) + ", found but not chosen");
    }
  }
  log->Line("installed into " + log->Utf8(catalogue.installFolder) + " for " +
            (served.empty() ? std::string("no release") : "releases " + served));
}

void NoteTrust(unattended::RunLog* log, activesetup::Outcome outcome) {
  switch (outcome) {
    case activesetup::Outcome::kRegistered:
      return Note(log, "trust for every user: Active Setup component registered");
    case activesetup::Outcome::kProgramNotWritten:
      return Note(log, std::string("skipped: trust for every user, ") +
                           activesetup::kPerUserProgram + " could not be written");
    case activesetup::Outcome::kNotRegistered:
      return Note(log, "skipped: trust for every user, the Active Setup component could not "
                       "be registered");
  }
}

void NoteUnrecorded(unattended::RunLog* log, const std::vector<std::string>& unrecorded) {
  for (const std::string& what : unrecorded) {
    if (log) log->Line("not recorded for the uninstall: " + log->Utf8(what));
  }
}

}  // namespace

Installation::Installation(plat::Platform& machine, InstallCatalogue& catalogue,
                           std::string perUserProgram, unattended::RunLog* log)
    : machine_(machine),
      catalogue_(catalogue),
      perUserProgram_(std::move(perUserProgram)),
      log_(log),
      recorder_(machine),
      journaled_(machine, Listeners(listeners_, recorder_, log)) {}

InstallEnd Installation::Install(InstallDialog& dialog, InstallInputs inputs) {
  clicked_ = true;
  return last_ = Run(dialog, inputs);
}

InstallEnd Installation::Run(InstallDialog& dialog, InstallInputs inputs) {
  plat::Platform& platform = journaled_.platform();
  InstallEnd end = InstallEnd::kInstalled;
  // The guard, the folder text, the install folder made.
  if (!PrepareInstall(platform, dialog, inputs, &end)) return end;
  const std::string folder = inputs.folderText;
  // One installation per machine: one elsewhere goes first, as its uninstall would.
  const std::string moved = MoveEarlier(folder);
  // Before the first file: whatever happens next can be uninstalled.
  const uninstall::Prepared before =
      uninstall::PrepareUninstall(platform, recorder_, folder, kVersion);
  // The record's own writes go past the journal: the log names the record once.
  if (log_ && recorder_.opened())
    log_->Line("written for the uninstall: " + log_->Utf8(uninstall::RecordPath(folder)));
  CopyStop stop = CopyStop::kAborted;
  if (!RunInstallSequence(platform, catalogue_, dialog, folder, inputs.flags, inputs.progress,
                          &stop)) {
    uninstall::AbandonUninstall(platform, recorder_, folder, before, kVersion);
    return stop == CopyStop::kNoPackage ? InstallEnd::kNoPackage : InstallEnd::kCopyStopped;
  }
  NoteServed(log_, catalogue_, inputs.flags);
  // Before the component: a logon that runs its stub finds the copy there.
  if (!peruser::KeepDefaultSettings(platform, folder)) {
    Note(log_, "skipped: settings for every user, the package's settings file could not be "
               "kept as the default copy");
  }
  NoteTrust(log_, activesetup::Register(platform, folder, perUserProgram_));
  // Last: the entry then sees what the steps before it placed.
  uninstall::FinishUninstall(platform, recorder_, folder, kVersion);
  NoteUnrecorded(log_, recorder_.unrecorded());
  if (!moved.empty()) {
    platform.messages.Show(kMovedText + moved + " 移到 " + folder + "。", kTitle,
                           plat::kMbOk | plat::kMbIconInformation);
  }
  installed_ = true;
  dialog.ShowCompletionLayout();
  return InstallEnd::kInstalled;
}

// The installation the installed-programs entry names, when it lies in another folder: taken
// away, its writes heard by the log and not by this installation's record, which they are no
// part of. The folder it lay in; empty when there was none.
std::string Installation::MoveEarlier(const std::string& folder) {
  plat::CodePage& text = machine_.text;
  std::string earlier;
  if (!uninstall::ReadProgramEntryFolder(machine_, &earlier) || !plat::IsPlainPath(text, earlier) ||
      plat::SamePath(text, earlier, folder))
    return "";
  std::unique_ptr<journal::RecordingPlatform> logged;
  if (log_) logged = std::make_unique<journal::RecordingPlatform>(machine_, *log_);
  uninstall::Outcome outcome;
  if (!uninstall::RemoveEarlierInstallation(logged ? logged->platform() : machine_, earlier,
                                            &outcome))
    return "";
  Note(log_, "moved: the installation in " + (log_ ? log_->Utf8(earlier) : "") + " goes" +
                 (outcome.failed.empty() ? ", whole" : "; what could not be removed stays:"));
  for (const std::string& what : outcome.failed) Note(log_, "  " + (log_ ? log_->Utf8(what) : ""));
  return earlier;
}

}  // namespace app
