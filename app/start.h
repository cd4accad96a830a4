#pragma once
// Where every run is decided: the command line is parsed once, and chooses the run. Without
// arguments the setup dialog runs as it always has (no log, no window of ours besides it, exit
// code 0), unless no person can see it (SYSTEM, session 0, a hidden window station): such a
// run is quiet whatever its command line says. With them: the quiet installation (/S and the other installers' quiet switches),
// the dialog preset from /DIR= and /RELEASES=, the uninstall, the uninstall's helper, the usage
// text, or the usage error; /LOG= has any of them write its log. A quiet run never shows a
// window, writes a log even without /LOG=, and ends with an exit code a deployment tool reads.
// Every run that may change something holds the machine's run lock first (onerun/).
#include <string>

#include "app/installation.h"
#include "deploy/package.h"
#include "discovery/install_catalogue.h"
#include "platform/audience.h"
#include "platform/clock.h"
#include "platform/platform.h"

namespace app {

// The folder text and ticked releases the dialog starts with.
struct DialogPreset {
  std::string folder;
  ReleaseFlags ticked;
};

// What only the Windows build can do for a run.
class Windows {
 public:
  virtual ~Windows() = default;
  // The setup dialog, its clicks running installation's command, until it ends; preset null:
  // as the dialog is made.
  virtual void RunDialog(Installation& installation, const DialogPreset* preset) = 0;
  // From now on the system shows no box of its own for this process either (a drive without
  // its disk, a program that stopped working).
  virtual void ShowNoSystemErrors() = 0;
};

struct StartUp {
  plat::Platform& machine;  // the real machine; its message boxes show
  InstallCatalogue& catalogue;
  Windows& windows;
  plat::Clock& clock;
  plat::Audience& audience;    // who could answer a window of the run
  std::string modulePath;      // the running program (code page text)
  std::string perUserProgram;  // its bytes, placed beside every installation
  const deploy::PackageList* packageList = nullptr;  // the package it was built for, if any
  bool redirectionGuard = false;  // the system follows no junction a standard user made
};

// Runs what commandLine (GetCommandLineW's text) asks for; answers the exit code.
int Start(StartUp& startUp, const std::u16string& commandLine);

}  // namespace app
