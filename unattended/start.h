#pragma once
// Start-up's one decision: which run the command line asks for. Without arguments the setup
// dialog runs as it always has (no log, no window of ours besides it, exit code 0). With
// them: the unattended installation (/S), the dialog preset from /DIR= and /RELEASES=, the
// uninstall, the usage text, or the usage error; /LOG= has any of them write its log.
// A quiet run (/S or another installer's quiet switch) never shows a window, writes a log
// even without /LOG=, and ends with an exit code a deployment tool reads. Every run that may
// change something holds the machine's run lock first (one_run.h).
#include <string>

#include "app/install_command.h"
#include "cmdline/command_line.h"
#include "discovery/install_catalogue.h"
#include "journal/observer.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/run_locks.h"

namespace unattended {

// The folder text and ticked releases the dialog starts with.
struct DialogPreset {
  std::string folder;
  ReleaseFlags ticked;
};

// What only the Windows build can do for a run.
class Runs {
 public:
  virtual ~Runs() = default;
  // The setup dialog over platform, until it ends; preset null: as the dialog is made.
  virtual void RunDialog(plat::Platform& platform, InstallCatalogue& catalogue,
                         const DialogPreset* preset, AfterInstall* after) = 0;
  // The uninstall; answers its exit code.
  virtual int RunUninstall(plat::Platform& platform, const cmdline::Options& options) = 0;
  // From now on the system shows no box of its own for this process either (a drive without
  // its disk, a program that stopped working).
  virtual void ShowNoSystemErrors() = 0;
};

struct StartUp {
  plat::Platform& machine;       // the real machine; its message boxes show
  journal::FanOut& observers;    // who else listens to what an installation writes
  InstallCatalogue& catalogue;
  Runs& runs;
  plat::Clock& clock;
  plat::RunLocks& runLocks;
  std::string modulePath;        // the running program (code page text)
  std::string perUserProgram;    // its bytes, placed beside every installation
  AfterInstall* uninstallStep = nullptr;  // the uninstall support's step after an installation
};

// Runs what commandLine (GetCommandLineW's text) asks for; answers the exit code.
int Start(StartUp& startUp, const std::u16string& commandLine);

}  // namespace unattended
