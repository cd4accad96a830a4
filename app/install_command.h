#pragma once
// The install button's logic: warn once while AutoCAD runs, prepare the install folder, run
// the install sequence. Written against what it needs of the setup dialog, so it runs
// without a window. The installation's script (app/installation.h) runs these steps with what
// the additions place around them.
#include <string>

#include "deploy/package_copy.h"
#include "discovery/install_catalogue.h"
#include "platform/platform.h"
#include "platform/progress_sink.h"

// True until the running-host warning has been shown once.
extern bool g_bCheckHostRunning;

// The four requests the install logic makes of the setup dialog.
class InstallDialog {
 public:
  virtual ~InstallDialog() = default;
  // Moves the control values into folderText and flags (the dialog's data exchange).
  virtual void TakeControlValues() = 0;
  virtual void ShowProgressLayout() = 0;
  // Ends the dialog as cancelled, as its cancel button does.
  virtual void EndCancelled() = 0;
  virtual void ShowCompletionLayout() = 0;
};

// The dialog's members the install logic reads and writes.
struct InstallInputs {
  std::string& folderText;    // m_strInstallPath
  ReleaseFlags& flags;        // m_bAcad2007 .. m_bAcad2025
  plat::ProgressSink& progress;  // m_progress
};

// How a click of the install button ended. The dialog goes on as it always has, whatever the
// answer; a quiet run answers its exit code from it.
enum class InstallEnd {
  kInstalled,
  kHostRunning,    // the running-host warning was shown; nothing changed
  kFolderText,     // the folder text was refused (empty, or holding ';'); nothing changed
  kFolderRefused,  // a link on the way, someone else's folder declined, or not made ready
  kFolderNotMade,  // a level of the install folder could not be made; nothing was copied
  kNoPackage,      // the package was missing; the dialog ended as cancelled
  kCopyStopped,    // a copy was answered Abort; the dialog ended as cancelled
};

// What the end was, in English for the log: "a file could not be copied, stopped as Abort
// does", ...
const char* InstallEndText(InstallEnd end);

// The install folder as the install command makes it from the folder text: one trailing
// backslash dropped, the product sub-folder appended.
std::string ProductFolder(plat::CodePage& text, std::string folderText);

// The install command up to the sequence: the warn-once guard, the folder text taken and
// checked, the install folder and its product sub-folder made. True when the sequence may
// run, with inputs.folderText the install folder; false with *end telling why not.
bool PrepareInstall(plat::Platform& platform, InstallDialog& dialog, InstallInputs inputs,
                    InstallEnd* end);
// True when every stage ran; false when the package copy failed (stop, when given, says why)
// and the dialog was ended.
bool RunInstallSequence(plat::Platform& platform, InstallCatalogue& catalogue,
                        InstallDialog& dialog, const std::string& installFolder,
                        const ReleaseFlags& flags, plat::ProgressSink& progress,
                        CopyStop* stop = nullptr);
