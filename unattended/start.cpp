#include "unattended/start.h"

#include <algorithm>
#include <memory>

#include "activesetup/active_setup.h"
#include "discovery/discovery.h"
#include "journal/recording_platform.h"
#include "peruser/default_settings.h"
#include "platform/unicode.h"
#include "ui/setup_rules.h"
#include "uninstall/hand_over.h"
#include "unattended/exit_codes.h"
#include "unattended/log_file.h"
#include "unattended/one_run.h"
#include "unattended/run_log.h"
#include "unattended/silent_install.h"
#include "unattended/silent_message_boxes.h"
#include "unattended/usage.h"
#include "versioninfo/build_version.h"

namespace unattended {
namespace {

constexpr int kBuildVersion = velmar::kBuildVersion;
constexpr int kBuildBits = static_cast<int>(sizeof(void*) * 8);
// How long a quiet run waits for another run to end before it answers "retry later".
constexpr uint32_t kQuietWaitMilliseconds = 5000;

// What follows a successful installation: the log's note of it, the default copy of the
// settings, the Active Setup component, then the uninstall support's step, which then sees
// the copy and the component among the writes.
class Additions : public AfterInstall {
 public:
  Additions(RunLog* log, std::string program, AfterInstall* uninstallStep)
      : log_(log), registration_(std::move(program)), uninstallStep_(uninstallStep) {}

  void Prepared(plat::Platform& platform, const std::string& installFolder) override {
    if (!uninstallStep_) return;
    uninstallStep_->Prepared(platform, installFolder);
    // Written past the journal, so that the record never names itself.
    if (log_) {
      for (const std::string& path : uninstallStep_->OwnFiles())
        log_->Line("written for the uninstall: " + log_->Utf8(path));
    }
  }

  void Abandoned(plat::Platform& platform) override {
    if (!uninstallStep_) return;
    const std::vector<std::string> before = uninstallStep_->OwnFiles();
    uninstallStep_->Abandoned(platform);
    if (log_ && !before.empty() && uninstallStep_->OwnFiles().empty()) {
      for (const std::string& path : before)
        log_->Line("deleted again, nothing was installed: " + log_->Utf8(path));
    }
  }

  void Run(plat::Platform& platform, const InstallCatalogue& catalogue,
           const ReleaseFlags& flags) override {
    ran_ = true;
    if (log_) {
      std::string served;
      for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
        const bool found = !catalogue.hostLocations[ReleaseIndex(year)].empty();
        if (flags[ReleaseIndex(year)]) {
          served += (served.empty() ? "" : ", ") + std::to_string(year);
        } else if (found) {
          log_->Line("skipped: release " + std::to_string(year) + ", found but not chosen");
        }
      }
      log_->Line("installed into " + log_->Utf8(catalogue.installFolder) + " for " +
                 (served.empty() ? std::string("no release") : "releases " + served));
    }
    // Before the component: a logon that runs its stub finds the copy there.
    const bool kept = peruser::KeepDefaultSettings(platform, catalogue.installFolder);
    if (log_ && !kept) {
      log_->Line("skipped: settings for every user, the package's settings file could not be "
                 "kept as the default copy");
    }
    registration_.Run(platform, catalogue, flags);
    if (log_) {
      switch (registration_.outcome()) {
        case activesetup::Outcome::kRegistered:
          log_->Line("trust for every user: Active Setup component registered");
          break;
        case activesetup::Outcome::kProgramNotWritten:
          log_->Line(std::string("skipped: trust for every user, ") +
                     activesetup::kPerUserProgram + " could not be written");
          break;
        case activesetup::Outcome::kNotRegistered:
          log_->Line("skipped: trust for every user, the Active Setup component could not "
                     "be registered");
          break;
      }
    }
    if (uninstallStep_) uninstallStep_->Run(platform, catalogue, flags);
    if (log_ && uninstallStep_) {
      for (const std::string& what : uninstallStep_->Unrecorded())
        log_->Line("not recorded for the uninstall: " + log_->Utf8(what));
    }
  }
  bool ran() const { return ran_; }

 private:
  RunLog* log_;
  activesetup::Registration registration_;
  AfterInstall* uninstallStep_;
  bool ran_ = false;
};

const char* RunName(const cmdline::Options& o) {
  if (o.action == cmdline::Action::kUsage) return "usage text";
  if (o.action == cmdline::Action::kUninstall) return o.silent ? "unattended uninstall" : "uninstall";
  return o.silent ? "unattended installation" : "setup dialog";
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
        silentBoxes_(&log_) {
    log_.Line(log_.Utf8(setup::VersionLabel(kBuildVersion, kBuildBits)) + ", run log");
    log_.Line("command line: " + plat::Utf16ToUtf8(commandLine));
    log_.Line(std::string("run: ") + RunName(parsed.options));
  }

  bool silent() const { return parsed_.options.silent; }
  bool logging() const { return parsed_.options.hasLog || silent(); }
  RunLog* log() { return logging() ? &log_ : nullptr; }
  void Note(const std::string& line) {
    if (logging()) log_.Line(line);
  }

  // The log file is opened before anything else happens, so that a path it cannot be written
  // to ends the run with nothing changed. A quiet run without /LOG=, or whose /LOG= cannot be
  // written, logs into a file of its own in the temporary folder. False when /LOG='s file
  // cannot be written.
  bool OpenLog() {
    const cmdline::Options& o = parsed_.options;
    const bool asked = !o.hasLog || file_.Open(o.logPath);
    if (!file_.isOpen() && silent()) {
      std::string path;
      if (DefaultLogPath(s_.machine.files, s_.clock.Now(), s_.machine.processes.CurrentProcessId(),
                         o.action == cmdline::Action::kUninstall, &path)) {
        file_.Open(path);
      }
    }
    if (!asked) {
      Note("the log file " + log_.Utf8(o.logPath) +
           " cannot be written, or is no plain file of an administrator's reached through no link");
    }
    Flush();
    return asked;
  }

  int End(int code) {
    Note("result: exit code " + std::to_string(code) + ", " + Meaning(code));
    Flush();
    return code;
  }

  void Tell(const std::string& text, unsigned icon) {
    if (silent()) return;
    s_.machine.messages.Show(text, kMessageTitle, plat::kMbOk | icon);
  }

  // The platform a run works on: the real machine's, with message boxes that never show in a
  // quiet run, and every write heard by the log, and an installation's by the other listeners
  // too (the uninstall's own writes are no installation's to record).
  plat::Platform& Platform(bool installing) {
    plat::Platform& m = s_.machine;
    silentMachine_.reset(new plat::Platform{m.registry, m.files, m.processes,
                                            silent() ? silentBoxes_ : m.messages, m.text});
    if (installing) listeners_.Add(s_.observers);
    if (logging()) listeners_.Add(log_);
    recording_.reset(new journal::RecordingPlatform(*silentMachine_, listeners_));
    return recording_->platform();
  }

  SilentMessageBoxes& silentBoxes() { return silentBoxes_; }

 private:
  // What the log holds and the file does not yet.
  void Flush() {
    if (logging() && file_.Append(log_.text().substr(written_))) written_ = log_.text().size();
  }

  StartUp& s_;
  const cmdline::Parsed& parsed_;
  RunLog log_;
  LogFile file_;
  std::size_t written_ = 0;
  SilentMessageBoxes silentBoxes_;
  std::unique_ptr<plat::Platform> silentMachine_;
  journal::FanOut listeners_;
  std::unique_ptr<journal::RecordingPlatform> recording_;
};

int Install(StartUp& s, Run& run, const cmdline::Options& o) {
  Additions additions(run.log(), s.perUserProgram, s.uninstallStep);
  plat::Platform& platform = run.Platform(true);
  if (o.silent) {
    return run.End(
        RunSilentInstall(platform, run.silentBoxes(), s.catalogue, o, &additions, run.log()));
  }
  DiscoverHosts(platform.registry, s.catalogue);
  DialogPreset preset{o.hasFolder ? o.folder : kDefaultFolder, {}};
  int missing = 0;
  if (!ChooseReleases(s.catalogue, o, &preset.ticked, &missing)) {
    run.Tell(ReleaseNotFoundText(missing), plat::kMbIconStop);
    run.Note("release " + std::to_string(missing) + " was asked for and is not installed");
    return run.End(kNothingToServe);
  }
  s.runs.RunDialog(platform, s.catalogue, &preset, &additions);
  if (!additions.ran()) run.Note("the dialog ended without an installation");
  // The dialog's run keeps the exit code it has always had.
  return run.End(kInstalled);
}

// The helper the uninstall leaves its own removal to: a copy of the program beside its
// hand-over list, started by the uninstaller, whose run it is part of.
bool IsUninstallHelper(StartUp& s, const cmdline::Options& o) {
  const std::size_t slash = s.machine.text.LastBackslash(s.modulePath);
  return o.action == cmdline::Action::kUninstall && slash != std::string::npos &&
         uninstall::IsHelperFolder(s.machine, s.modulePath.substr(0, slash));
}

// The usage text in the log, line by line.
void NoteUsage(Run& run, plat::CodePage& text) {
  const std::string usage = plat::Utf16ToUtf8(text.ToUtf16(UsageText()));
  for (std::size_t at = 0; at <= usage.size();) {
    const std::size_t end = std::min(usage.find('\n', at), usage.size());
    run.Note("  " + usage.substr(at, end - at));
    at = end + 1;
  }
}

}  // namespace

int Start(StartUp& s, const std::u16string& commandLine) {
  const bool asUninstall = cmdline::IsUninstallProgram(s.machine.text, s.modulePath);
  const cmdline::Parsed parsed = cmdline::Parse(commandLine, asUninstall, s.machine.text);
  const cmdline::Options& o = parsed.options;

  if (o.noArguments && o.action == cmdline::Action::kInstall) {
    if (ClaimTheRun(s.runLocks, s.clock, false, 0).claimed == Claimed::kAnotherRun) {
      s.machine.messages.Show(AnotherRunText(), kMessageTitle,
                              plat::kMbOk | plat::kMbIconExclamation);
      return kInstalled;
    }
    DiscoverHosts(s.machine.registry, s.catalogue);
    journal::RecordingPlatform recording(s.machine, s.observers);
    Additions additions(nullptr, s.perUserProgram, s.uninstallStep);
    s.runs.RunDialog(recording.platform(), s.catalogue, nullptr, &additions);
    return kInstalled;
  }

  if (o.silent) s.runs.ShowNoSystemErrors();
  Run run(s, parsed, commandLine);
  const bool logOpened = run.OpenLog();
  if (parsed.problem != cmdline::Problem::kNone) {
    run.Note("command line error: " + cmdline::DescribeForLog(parsed));
    run.Tell(UsageErrorText(parsed, s.machine.text), plat::kMbIconStop);
    return run.End(kWrongCommandLine);
  }
  if (!logOpened) {
    run.Tell(LogNotWritableText(o.logPath), plat::kMbIconStop);
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
    s.machine.messages.Show(UsageText(), kMessageTitle, plat::kMbOk | kMbIconInformation);
    return run.End(kInstalled);
  }

  const Claim claim = ClaimTheRun(s.runLocks, s.clock, IsUninstallHelper(s, o),
                                  run.silent() ? kQuietWaitMilliseconds : 0);
  run.Note(claim.note);
  if (claim.claimed == Claimed::kAnotherRun) {
    run.Tell(AnotherRunText(), plat::kMbIconExclamation);
    return run.End(kRetryLater);
  }
  if (o.action == cmdline::Action::kUninstall) {
    plat::Platform& platform = run.Platform(false);
    return run.End(s.runs.RunUninstall(platform, o));
  }
  return Install(s, run, o);
}

}  // namespace unattended
