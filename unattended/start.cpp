#include "unattended/start.h"

#include <memory>

#include "activesetup/active_setup.h"
#include "discovery/discovery.h"
#include "journal/recording_platform.h"
#include "platform/unicode.h"
#include "ui/setup_rules.h"
#include "unattended/exit_codes.h"
#include "unattended/run_log.h"
#include "unattended/silent_install.h"
#include "unattended/silent_message_boxes.h"
#include "unattended/usage.h"
#include "versioninfo/build_version.h"

namespace unattended {
namespace {

constexpr int kBuildVersion = velmar::kBuildVersion;
constexpr int kBuildBits = static_cast<int>(sizeof(void*) * 8);

// What follows a successful installation: the log's note of it, the Active Setup component,
// then the uninstall support's step, which then sees the component among the writes.
class Additions : public AfterInstall {
 public:
  Additions(RunLog* log, std::string program, AfterInstall* uninstallStep)
      : log_(log), registration_(std::move(program)), uninstallStep_(uninstallStep) {}

  void Prepared(plat::Platform& platform, const std::string& installFolder) override {
    if (uninstallStep_) uninstallStep_->Prepared(platform, installFolder);
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

// A run started with arguments: its log (when asked for) and how it tells the user.
class Run {
 public:
  Run(StartUp& s, const cmdline::Parsed& parsed, const std::u16string& commandLine)
      : s_(s), parsed_(parsed), log_(s.machine.text), silentBoxes_(&log_) {
    log_.Line(log_.Utf8(setup::VersionLabel(kBuildVersion, kBuildBits)) + ", run log");
    log_.Line("command line: " + plat::Utf16ToUtf8(commandLine));
    log_.Line(std::string("run: ") + RunName(parsed.options));
  }

  bool silent() const { return parsed_.options.silent; }
  bool logging() const { return parsed_.options.hasLog; }
  RunLog* log() { return logging() ? &log_ : nullptr; }

  // The log file is made before anything else happens, so that a path it cannot be written
  // to ends the run with nothing changed.
  bool OpenLog() { return !logging() || Flush(); }
  bool Flush() { return s_.machine.files.WriteWholeFile(parsed_.options.logPath, log_.text()); }

  int End(int code) {
    log_.Line("result: exit code " + std::to_string(code) + ", " + Meaning(code));
    if (logging()) Flush();
    return code;
  }

  void Tell(const std::string& text, unsigned icon) {
    if (silent()) return;
    s_.machine.messages.Show(text, kMessageTitle, plat::kMbOk | icon);
  }

  // The platform a run works on: the real machine's, with message boxes that never show in
  // /S, and every write heard by the log, and an installation's by the other listeners too
  // (the uninstall's own writes are no installation's to record).
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
  StartUp& s_;
  const cmdline::Parsed& parsed_;
  RunLog log_;
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
    if (run.log()) {
      run.log()->Line("release " + std::to_string(missing) + " was asked for and is not installed");
    }
    return run.End(kNothingToServe);
  }
  s.runs.RunDialog(platform, s.catalogue, &preset, &additions);
  if (!additions.ran() && run.log()) run.log()->Line("the dialog ended without an installation");
  // The dialog's run keeps the exit code it has always had.
  return run.End(kInstalled);
}

}  // namespace

int Start(StartUp& s, const std::u16string& commandLine) {
  const bool asUninstall = cmdline::IsUninstallProgram(s.machine.text, s.modulePath);
  const cmdline::Parsed parsed = cmdline::Parse(commandLine, asUninstall, s.machine.text);
  const cmdline::Options& o = parsed.options;

  if (o.noArguments && o.action == cmdline::Action::kInstall) {
    DiscoverHosts(s.machine.registry, s.catalogue);
    journal::RecordingPlatform recording(s.machine, s.observers);
    Additions additions(nullptr, s.perUserProgram, s.uninstallStep);
    s.runs.RunDialog(recording.platform(), s.catalogue, nullptr, &additions);
    return kInstalled;
  }

  Run run(s, parsed, commandLine);
  if (parsed.problem != cmdline::Problem::kNone) {
    if (run.log()) run.log()->Line("command line error: " + cmdline::DescribeForLog(parsed));
    run.Tell(UsageErrorText(parsed, s.machine.text), plat::kMbIconStop);
    return run.End(kWrongCommandLine);
  }
  if (!run.OpenLog()) {
    run.Tell(LogNotWritableText(o.logPath), plat::kMbIconStop);
    return kWrongCommandLine;
  }
  switch (o.action) {
    case cmdline::Action::kUsage:
      // Asked for by name, so shown even with /S.
      s.machine.messages.Show(UsageText(), kMessageTitle, plat::kMbOk | kMbIconInformation);
      return run.End(kInstalled);
    case cmdline::Action::kUninstall: {
      plat::Platform& platform = run.Platform(false);
      return run.End(s.runs.RunUninstall(platform, o));
    }
    case cmdline::Action::kInstall:
      break;
  }
  return Install(s, run, o);
}

}  // namespace unattended
