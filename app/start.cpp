#include "app/start.h"

#include <algorithm>
#include <memory>

#include "app/quiet_install.h"
#include "cmdline/command_line.h"
#include "cmdline/usage.h"
#include "discovery/discovery.h"
#include "onerun/one_run.h"
#include "platform/paths.h"
#include "platform/unicode.h"
#include "ui/setup_rules.h"
#include "unattended/exit_codes.h"
#include "unattended/log_file.h"
#include "unattended/run_log.h"
#include "unattended/silent_message_boxes.h"
#include "uninstall/hand_over.h"
#include "uninstall/run_uninstall.h"
#include "versioninfo/build_version.h"

namespace app {
namespace {

using namespace unattended;

constexpr int kBuildBits = static_cast<int>(sizeof(void*) * 8);
// How long a quiet run waits for another run to end before it answers "retry later".
constexpr uint32_t kQuietWaitMilliseconds = 5000;

const char* RunName(const cmdline::Options& o) {
  if (o.action == cmdline::Action::kUsage) return "usage text";
  if (o.action == cmdline::Action::kUninstall) return o.silent ? "unattended uninstall" : "uninstall";
  return o.silent ? "unattended installation" : "setup dialog";
}

int ExitCodeOf(uninstall::UninstallResult result) {
  switch (result) {
    case uninstall::kRemoved: return kInstalled;
    case uninstall::kHostRunning: return kRetryLater;
    case uninstall::kRemovedInPart: return kRemovedInPart;
    case uninstall::kDeclined: return kAnsweredNo;
    case uninstall::kNothingFound: return kNothingInstalled;
    case uninstall::kRemovedAtRestart: return kRestartNeeded;
  }
  return kFatalError;
}

// A run started with arguments: its log (when asked for, and in every quiet run) and how it
// tells the user.
class Run {
 public:
  Run(StartUp& s, const cmdline::Parsed& parsed, const std::u16string& commandLine)
      : s_(s),
        parsed_(parsed),
        log_(s.machine.text, &s.clock),
        file_(s.machine),
        silentBoxes_(&log_),
        machine_{s.machine.registry, s.machine.files, s.machine.processes,
                 silent() ? silentBoxes_ : s.machine.messages, s.machine.text, s.machine.checked} {
    log_.Line(log_.Utf8(setup::VersionLabel(velmar::kBuildVersion, kBuildBits)) + ", run log");
    log_.Line("command line: " + plat::Utf16ToUtf8(commandLine));
    log_.Line(std::string("run: ") + RunName(parsed.options));
    log_.Line(s.redirectionGuard ? "RedirectionGuard: on, junctions made by standard users are "
                                   "not followed"
                                 : "RedirectionGuard: not in effect on this system");
  }

  bool silent() const { return parsed_.options.silent; }
  bool logging() const { return parsed_.options.hasLog || silent(); }
  RunLog* log() { return logging() ? &log_ : nullptr; }
  std::string Utf8(const std::string& narrow) { return log_.Utf8(narrow); }
  void Note(const std::string& line) {
    if (logging()) log_.Line(line);
  }
  // The real machine, with message boxes that never show in a quiet run.
  plat::Platform& machine() { return machine_; }

  // The log file is opened before anything else happens, so that a path it cannot be written
  // to ends the run with nothing changed. A quiet run without /LOG=, or whose /LOG= cannot be
  // written, logs into a file of its own in the temporary folder. False when /LOG='s file
  // cannot be written.
  bool OpenLog() {
    const cmdline::Options& o = parsed_.options;
    const bool asked = !o.hasLog || file_.Open(o.logPath);
    refused_ = log_.Utf8(file_.WhyLogText());
    refusedText_ = file_.WhyText();
    if (!file_.isOpen() && silent()) {
      std::string path;
      if (DefaultLogPath(s_.machine.files, s_.clock.Now(),
                         o.action == cmdline::Action::kUninstall, &path)) {
        file_.Open(path, true);
      }
    }
    if (!asked) Note("the log file " + log_.Utf8(o.logPath) + " is refused: " + refused_);
    Flush();
    return asked;
  }

  // meaning: for a code whose meaning in this run is not the table's.
  int End(int code, const char* meaning = nullptr) {
    Note("result: exit code " + std::to_string(code) + ", " + (meaning ? meaning : Meaning(code)));
    Flush();
    return code;
  }

  // Why /LOG='s file was refused, for the message; where the log goes, for the helper.
  const std::string& refusedText() const { return refusedText_; }
  const std::string& logPath() const { return file_.path(); }

  void Tell(const std::string& text, unsigned icon) {
    if (silent()) return;
    s_.machine.messages.Show(text, cmdline::kMessageTitle, plat::kMbOk | icon);
  }

 private:
  // What the log holds and the file does not yet.
  void Flush() {
    if (logging() && file_.Append(log_.text().substr(written_))) written_ = log_.text().size();
  }

  StartUp& s_;
  const cmdline::Parsed& parsed_;
  RunLog log_;
  LogFile file_;
  std::string refused_, refusedText_;
  std::size_t written_ = 0;
  SilentMessageBoxes silentBoxes_;
  plat::Platform machine_;
};

// The helper the uninstall leaves its own removal to: a copy of the program beside its
// hand-over list, started by the uninstaller, whose run it is part of.
bool IsUninstallHelper(StartUp& s, const cmdline::Options& o) {
  const std::size_t slash = s.machine.text.LastBackslash(s.modulePath);
  return o.action == cmdline::Action::kUninstall && slash != std::string::npos &&
         uninstall::IsHelperFolder(s.machine, s.modulePath.substr(0, slash));
}

// The usage text in the log, line by line.
void NoteUsage(Run& run, plat::CodePage& text) {
  const std::string usage = plat::Utf16ToUtf8(text.ToUtf16(cmdline::UsageText()));
  for (std::size_t at = 0; at <= usage.size();) {
    const std::size_t end = std::min(usage.find('\n', at), usage.size());
    run.Note("  " + usage.substr(at, end - at));
    at = end + 1;
  }
}

// The dialog, preset from the command line.
int RunPresetDialog(StartUp& s, Run& run, const cmdline::Options& o) {
  Installation installation(run.machine(), s.catalogue, s.perUserProgram, run.log(),
                            s.packageList);
  DiscoverHosts(installation.platform().registry, s.catalogue);
  DialogPreset preset{o.hasFolder ? o.folder : OfferedFolder(s.machine), {}};
  std::vector<int> missing;
  if (!ChooseReleases(s.catalogue, o, &preset.ticked, &missing)) {
    run.Tell(cmdline::ReleaseNotFoundText(missing.front()), plat::kMbIconStop);
    run.Note("no release asked for is installed: " + NotInstalledText(missing));
    return run.End(kNothingToServe);
  }
  if (!missing.empty())
    run.Note("passed over: " + NotInstalledText(missing) + ", asked for and not installed");
  s.windows.RunDialog(installation, &preset);
  if (installation.installed()) return run.End(kInstalled);
  // The dialog's run keeps the exit code it has always had, but is not "done".
  const InstallEnd* end = installation.lastEnd();
  run.Note(end ? std::string("the installation ended: ") + InstallEndText(*end)
               : "the dialog ended without an installation");
  return run.End(kInstalled, "nothing installed");
}

}  // namespace

int Start(StartUp& s, const std::u16string& commandLine) {
  const bool asUninstall = cmdline::IsUninstallProgram(s.machine.text, s.modulePath);
  cmdline::Parsed parsed = cmdline::Parse(commandLine, asUninstall, s.machine.text);
  // A deployment tool's agent, a service, a task at boot: a window there waits for a click that
  // no one can give.
  const plat::Unseen unseen = plat::WhyUnseen(s.machine.files, s.audience);
  const bool noOneSees = unseen != plat::Unseen::kSeen && unseen != plat::Unseen::kNotKnown;
  if (noOneSees) {
    parsed.options.silent = true;
    parsed.options.noArguments = false;
  }
  const cmdline::Options& o = parsed.options;

  if (o.noArguments && o.action == cmdline::Action::kInstall) {
    const onerun::Claim claim = onerun::ClaimTheRun(s.machine, s.clock, false, 0);
    if (claim.claimed == onerun::Claimed::kAnotherRun) {
      s.machine.messages.Show(onerun::AnotherRunText(), cmdline::kMessageTitle,
                              plat::kMbOk | plat::kMbIconExclamation);
      return kInstalled;
    }
    DiscoverHosts(s.machine.registry, s.catalogue);
    Installation installation(s.machine, s.catalogue, s.perUserProgram, nullptr, s.packageList);
    // Installed already: the dialog offers that installation's folder.
    DialogPreset offered{OfferedFolder(s.machine), {}};
    offered.ticked.fill(1);
    s.windows.RunDialog(installation, offered.folder == kDefaultFolder ? nullptr : &offered);
    return kInstalled;
  }

  if (o.silent) s.windows.ShowNoSystemErrors();
  Run run(s, parsed, commandLine);
  if (noOneSees) {
    run.Note(std::string("no person can answer a window of this run (") +
             plat::DescribeUnseen(unseen) + "): it runs quiet");
  }
  for (const std::string& word : o.changeNothing) run.Note(cmdline::DescribeChangeNothingForLog(word));
  const bool logOpened = run.OpenLog();
  if (parsed.problem != cmdline::Problem::kNone) {
    run.Note("command line error: " + cmdline::DescribeForLog(parsed));
    run.Tell(cmdline::UsageErrorText(parsed, s.machine.text), plat::kMbIconStop);
    return run.End(kWrongCommandLine);
  }
  if (!logOpened) {
    run.Tell(cmdline::LogNotWritableText(o.logPath, run.refusedText()), plat::kMbIconStop);
    return run.End(kLogNotWritable);
  }
  if (o.action == cmdline::Action::kUsage) {
    if (run.silent()) {
      // Nobody would see it, and a tool must not read "done" from a run that did nothing.
      run.Note("command line error: /? shows its text in a window, which a quiet run never "
               "opens; the text reads:");
      NoteUsage(run, s.machine.text);
      return run.End(kWrongCommandLine);
    }
    s.machine.messages.Show(cmdline::UsageText(), cmdline::kMessageTitle,
                            plat::kMbOk | cmdline::kMbIconInformation);
    return run.End(kInstalled);
  }

  const bool helper = IsUninstallHelper(s, o);
  const onerun::Claim claim = onerun::ClaimTheRun(s.machine, s.clock, helper,
                                                  run.silent() ? kQuietWaitMilliseconds : 0);
  run.Note(claim.note);
  if (claim.claimed == onerun::Claimed::kAnotherRun) {
    run.Tell(onerun::AnotherRunText(), plat::kMbIconExclamation);
    return run.End(kRetryLater);
  }
  if (o.action == cmdline::Action::kUninstall) {
    // Its writes are heard by the log alone: they are no installation's to record.
    std::unique_ptr<journal::RecordingPlatform> logged;
    if (run.log()) logged = std::make_unique<journal::RecordingPlatform>(run.machine(), *run.log());
    plat::Platform& platform = logged ? logged->platform() : run.machine();
    if (!helper)
      return run.End(ExitCodeOf(uninstall::RunUninstall(platform, {o.silent, run.logPath()})));
    std::string refused;
    const std::string own = plat::FolderOf(s.machine.text, s.modulePath);
    if (!uninstall::FinishHandOver(platform, own, &refused))
      run.Note("the hand-over list is refused, " + run.Utf8(refused) + "; nothing is removed");
    return run.End(kInstalled);
  }
  if (!o.silent) return RunPresetDialog(s, run, o);
  Installation installation(run.machine(), s.catalogue, s.perUserProgram, run.log(),
                            s.packageList);
  return run.End(RunQuietInstall(installation, o, run.log()));
}

}  // namespace app
