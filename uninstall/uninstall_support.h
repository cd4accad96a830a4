#pragma once
// What an installation adds for its uninstall: the record of what it places, written ahead of
// each change (the recorder hears the installation through the journal), the uninstaller (a
// copy of the running program, Uninstall.exe) and the installed-programs entry, both in place
// before the first file is copied, so that even an installation stopped half-way can be
// undone. All of it fails silently, as the rest of the interactive installation does, but
// for writes no record holds: those the user is told of.
#include <string>
#include <vector>

#include "app/install_command.h"
#include "discovery/install_catalogue.h"
#include "platform/platform.h"
#include "uninstall/installation_recorder.h"

namespace uninstall {

class UninstallSupport : public AfterInstall {
 public:
  // machine: the machine's own calls, unheard by the journal.
  UninstallSupport(plat::Platform& machine, int version)
      : machine_(machine), recorder_(machine), version_(version) {}
  // Add it to the journal's observers before the installation begins.
  journal::Observer& observer() { return recorder_; }
  void Prepared(plat::Platform& platform, const std::string& installFolder) override;
  void Abandoned(plat::Platform& platform) override;
  void Run(plat::Platform& platform, const InstallCatalogue& catalogue,
           const ReleaseFlags& flags) override;
  std::vector<std::string> OwnFiles() const override { return ownFiles_; }
  std::vector<std::string> Unrecorded() const override { return recorder_.unrecorded(); }

 private:
  void WriteEntry();

  plat::Platform& machine_;
  InstallationRecorder recorder_;
  int version_;
  std::string folder_;
  bool entryBefore_ = false;
  bool uninstallerBefore_ = false;
  std::vector<std::string> ownFiles_;
};

}  // namespace uninstall
