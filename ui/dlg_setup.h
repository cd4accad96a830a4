#pragma once
// The setup dialog (template 141): the releases to serve, the install folder, the install
// button, and the progress and completion layouts the installation switches it to. It binds
// its controls to plain members and leaves every decision to ui/setup_rules and the install
// logic.
#include <array>
#include <string>
#include <vector>

#include "app/installation.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_progress.h"
#include "ui/dialog_layer.h"
#include "ui/setup_rules.h"

// The build: version as major * 10000 + minor * 100 + patch, and the program's bitness.
extern const int g_nBuildVersion;
extern const int g_nBuildBits;

class Dlg_Setup : public ui::ModalDialog, public InstallDialog {
 public:
  // Its install button runs installation's command, over installation's platform and
  // catalogue; messages is the platform's message-box adapter, of which the dialog becomes the
  // owner.
  Dlg_Setup(app::Installation& installation, win32::Win32MessageBoxes& messages,
            HWND parent = nullptr);
  ~Dlg_Setup() override;

  // Before the dialog runs: the folder text its edit box starts with and the releases it
  // starts ticked (a release that was not found stays unticked all the same).
  void Preset(const std::string& folder, const ReleaseFlags& ticked);

  // What the install logic asks of the dialog.
  void TakeControlValues() override;
  void ShowProgressLayout() override;
  void EndCancelled() override;
  void ShowCompletionLayout() override;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int id, int code) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;

 private:
  void UpdateInstallButton();
  void OnBnClickedAcad();
  void OnBnClickedBrowse();
  void OnBnClickedInstall();
  void ApplySteps(const std::vector<setup::VisibilityStep>& steps);
  void ShortenWindow();
  HWND CheckBox(int year) const;

  ui::UniqueBrush m_brushBack;
  std::array<HWND, kReleaseCount> m_checkAcad{};  // bound from 2025 down to 2007
  ReleaseFlags m_bAcad;                          // 2007 first
  std::string m_strVersion;
  win32::Win32ProgressBar m_progress;
  std::string m_strInstallPath = "C:\\Velmar";

  app::Installation& m_installation;
  plat::Platform& m_platform;
  win32::Win32MessageBoxes& m_messages;
  InstallCatalogue& m_catalogue;
  setup::Layout m_layout = setup::Layout::kInput;
  // Selected into the version label's DC on each of its colour requests, so it lives as long
  // as the dialog object.
  ui::UniqueFont m_versionFont;
};
