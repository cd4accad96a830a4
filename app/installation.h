#pragma once
// One installation, as every run that installs has it: the install command's steps and, at
// their points, what the additions place. Every write of the run is heard by the uninstall's
// recorder and by the run's log, when it has one.
#include <string>

#include "app/install_command.h"
#include "journal/recording_platform.h"
#include "unattended/run_log.h"
#include "uninstall/recorder.h"

namespace app {

class Installation {
 public:
  // machine: the machine the run works on, with the message boxes the run shows; log: the
  // run's log, or null; perUserProgram: the bytes of the program every user's logon runs.
  Installation(plat::Platform& machine, InstallCatalogue& catalogue, std::string perUserProgram,
               unattended::RunLog* log);
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // What the run's steps work on, every write heard. The dialog's folder picker makes its
  // folders on it too, so that the record takes them in.
  plat::Platform& platform() { return journaled_.platform(); }
  InstallCatalogue& catalogue() { return catalogue_; }

  // The install button's command, with the additions around it; each click runs it.
  InstallEnd Install(InstallDialog& dialog, InstallInputs inputs);
  // A click ran the installation to its end.
  bool installed() const { return installed_; }
  // How the last click ended; null before the first.
  const InstallEnd* lastEnd() const { return clicked_ ? &last_ : nullptr; }

 private:
  InstallEnd Run(InstallDialog& dialog, InstallInputs inputs);
  std::string MoveEarlier(const std::string& folder);

  plat::Platform& machine_;
  InstallCatalogue& catalogue_;
  std::string perUserProgram_;
  unattended::RunLog* log_;
  uninstall::Recorder recorder_;
  journal::FanOut listeners_;
  journal::RecordingPlatform journaled_;
  bool installed_ = false;
  bool clicked_ = false;
  InstallEnd last_ = InstallEnd::kInstalled;
};

}  // namespace app
