#pragma once
// The install button's logic: warn once while AutoCAD runs, prepare the install folder, run
// the install sequence. Written against what it needs of the setup dialog, so it runs
// without a window.
#include <string>
#include <vector>

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

// Work that follows a successful install sequence, before the completion layout: what the
// additions to the installation place (their own files and entries), in the order they run.
class AfterInstall {
 public:
  virtual ~AfterInstall() = default;
  // The install folder is made and the sequence about to begin: what must be in place before
  // its first write.
  virtual void Prepared(plat::Platform& /*platform*/, const std::string& /*installFolder*/) {}
  // The sequence ended before its end (the package missing, a copy answered Abort).
  virtual void Abandoned(plat::Platform& /*platform*/) {}
  // The files the step wrote itself, past the journal, for the log.
  virtual std::vector<std::string> OwnFiles() const { return {}; }
  // The writes no record holds, one text each, for the log.
  virtual std::vector<std::string> Unrecorded() const { return {}; }
  virtual void Run(plat::Platform& platform, const InstallCatalogue& catalogue,
                   const ReleaseFlags& flags) = 0;
};

// The install folder as the install command makes it from the folder text: one trailing
// backslash dropped, the product sub-folder appended.
std::string ProductFolder(plat::CodePage& text, std::string folderText);

void OnBnClickedInstall(plat::Platform& platform, InstallCatalogue& catalogue,
                        InstallDialog& dialog, InstallInputs inputs,
                        AfterInstall* after = nullptr);
// True when every stage ran; false when the package copy failed and the dialog was ended.
bool RunInstallSequence(plat::Platform& platform, InstallCatalogue& catalogue,
                        InstallDialog& dialog, const std::string& installFolder,
                        const ReleaseFlags& flags, plat::ProgressSink& progress);
