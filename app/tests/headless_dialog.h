#pragma once
// The setup dialog as the install logic sees it, without a window: "controls" the test fills
// in, the members the data exchange moves them into, a recording progress bar, and the
// requests made of the dialog in order: T take values, P progress layout, C ended as
// cancelled, D completion layout.
#include <string>

#include "app/install_command.h"
#include "platform/sim/sim_progress.h"

class HeadlessDialog : public InstallDialog {
 public:
  void TakeControlValues() override {
    requests += 'T';
    folderText = controlFolderText;
    flags = controlFlags;
  }
  void ShowProgressLayout() override { requests += 'P'; }
  void EndCancelled() override { requests += 'C'; }
  void ShowCompletionLayout() override { requests += 'D'; }

  InstallInputs inputs() { return {folderText, flags, progress}; }

  // What the user left in the controls.
  std::string controlFolderText = "C:\\Velmar";
  ReleaseFlags controlFlags{};
  // The dialog's members.
  std::string folderText;
  ReleaseFlags flags{};
  sim::RecordingProgress progress;
  std::string requests;
};
