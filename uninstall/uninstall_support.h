#pragma once
// What an installation adds for its uninstall, after a successful install sequence and before
// the completion layout: the uninstaller (a copy of the running program, Uninstall.exe), the
// record of what the installation placed (merged into the folder's record from earlier
// installations), backups of the host files it replaced, and the installed-programs entry.
// All of it fails silently, as the rest of the interactive installation does.
#include <string>

#include "app/install_command.h"
#include "discovery/install_catalogue.h"
#include "platform/platform.h"
#include "uninstall/installation_recorder.h"

namespace uninstall {

// Writes the record of what recorder heard into folder, with everything it needs.
void RecordInstallation(plat::Platform& platform, const std::string& folder,
                        const InstallationRecorder& recorder, int version);

// Listens to the installation while it runs (add it to the journal's observers), then, after
// a successful sequence, records it.
class UninstallSupport : public AfterInstall {
 public:
  // files and text: the machine's own, to read host files before they are replaced.
  UninstallSupport(plat::FileSystem& files, plat::CodePage& text, int version)
      : recorder_(files, text), version_(version) {}
  journal::Observer& observer() { return recorder_; }
  void Run(plat::Platform& platform, const InstallCatalogue& catalogue,
           const ReleaseFlags& flags) override;

 private:
  InstallationRecorder recorder_;
  int version_;
};

}  // namespace uninstall
