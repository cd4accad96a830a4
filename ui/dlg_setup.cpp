#include "ui/dlg_setup.h"

#include <commctrl.h>

#include "ui/path_dialog.h"
#include "ui/res/resource.h"
#include "versioninfo/build_version.h"

const int g_nBuildVersion = velmar::kBuildVersion;
// 32 in a 32-bit build, which then offers no release from 2017 on.
const int g_nBuildBits = static_cast<int>(sizeof(void*) * 8);

namespace {
const char kPickerText[] = "请选择安装目录：";
}

Dlg_Setup::Dlg_Setup(app::Installation& installation, win32::Win32MessageBoxes& messages,
                     HWND parent)
    : ui::ModalDialog(IDD_SETUP, parent),
      m_installation(installation),
      m_platform(installation.platform()),
      m_messages(messages),
      m_catalogue(installation.catalogue()) {
  m_bAcad.fill(TRUE);
}

Dlg_Setup::~Dlg_Setup() = default;

void Dlg_Setup::Preset(const std::string& folder, const ReleaseFlags& ticked) {
  m_strInstallPath = folder;
  m_bAcad = ticked;
}

HWND Dlg_Setup::CheckBox(int year) const {
  return m_checkAcad[kLastReleaseYear - year];
}

void Dlg_Setup::DoDataExchange(ui::DataExchange& dx) {
  for (int year = kLastReleaseYear; year >= kFirstReleaseYear; --year) {
    m_checkAcad[kLastReleaseYear - year] = dx.Control(setup::CheckBoxId(year));
  }
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    dx.Check(setup::CheckBoxId(year), m_bAcad[ReleaseIndex(year)]);
  }
  dx.Text(IDC_VERSION_LABEL, m_strVersion);
  m_progress.Attach(dx.Control(IDC_PROGRESS));
  dx.Text(IDC_PATH_EDIT, m_strInstallPath);
}

BOOL Dlg_Setup::OnInitDialog() {
  ui::ModalDialog::OnInitDialog();
  m_brushBack.reset(::CreateSolidBrush(setup::kBackgroundColour));
  m_strVersion = setup::VersionLabel(g_nBuildVersion, g_nBuildBits);

  const ui::Application* app = ui::Application::Current();
  HINSTANCE instance = app ? app->Instance() : ::GetModuleHandleA(nullptr);
  if (HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP))) {
    ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }

  const setup::ReleaseChoice choice =
      setup::InitialReleaseChoice(m_catalogue, g_nBuildBits, m_bAcad);
  m_bAcad = choice.flags;
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    const setup::ReleaseBox& box = choice.boxes[ReleaseIndex(year)];
    if (!box.enabled) ::EnableWindow(CheckBox(year), FALSE);
    if (!box.visible) ::ShowWindow(CheckBox(year), SW_HIDE);
  }
  UpdateData(false);
  UpdateInstallButton();
  m_messages.SetOwner(hwnd());
  return TRUE;
}

void Dlg_Setup::UpdateInstallButton() {
  UpdateData(true);
  ::EnableWindow(Item(IDC_INSTALL), setup::InstallButtonEnabled(m_bAcad) ? TRUE : FALSE);
}

void Dlg_Setup::OnOK() {
  if (!setup::OkEndsDialog(m_layout)) return;
  ui::ModalDialog::OnOK();
}

void Dlg_Setup::OnCancel() { ui::ModalDialog::OnCancel(); }

bool Dlg_Setup::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  if (setup::YearOfCheckBox(id) != 0) {
    OnBnClickedAcad();
  } else if (id == IDC_BROWSE) {
    OnBnClickedBrowse();
  } else if (id == IDC_INSTALL) {
    OnBnClickedInstall();
  } else {
    return false;
  }
  return true;
}

void Dlg_Setup::OnBnClickedAcad() { UpdateInstallButton(); }

void Dlg_Setup::OnBnClickedBrowse() {
  UpdateData(true);
  {
    CPathDialog picker(m_platform, kPickerText, kPickerText, m_strInstallPath.c_str(), nullptr);
    if (picker.RunModal() == 1) {
      m_strInstallPath = picker.GetChosenFolder();
      UpdateData(false);
    }
  }
  UpdateInstallButton();
}

// How the click ended is the quiet run's to read; the dialog shows what the command told.
void Dlg_Setup::OnBnClickedInstall() {
  m_installation.Install(*this, InstallInputs{m_strInstallPath, m_bAcad, m_progress});
}

void Dlg_Setup::TakeControlValues() { UpdateData(true); }

void Dlg_Setup::ApplySteps(const std::vector<setup::VisibilityStep>& steps) {
  for (const setup::VisibilityStep& step : steps) {
    ::ShowWindow(Item(step.controlId), step.show ? SW_SHOW : SW_HIDE);
  }
}

void Dlg_Setup::ShowProgressLayout() {
  ApplySteps(setup::ProgressLayoutSteps());
  m_layout = setup::Layout::kProgress;
}

void Dlg_Setup::EndCancelled() { OnCancel(); }

void Dlg_Setup::ShowCompletionLayout() {
  ApplySteps(setup::CompletionLayoutSteps());
  m_layout = setup::Layout::kCompletion;
  UpdateData(false);
  ShortenWindow();
}

void Dlg_Setup::ShortenWindow() {
  RECT window, ok, cancel;
  ::GetWindowRect(hwnd(), &window);
  ::GetWindowRect(Item(IDOK), &ok);
  ::GetWindowRect(Item(IDCANCEL), &cancel);
  ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&ok), 2);
  ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&cancel), 2);
  const setup::Rect cut = setup::ShortenedWindow(
      setup::Rect{window.left, window.top, window.right, window.bottom}, ok.bottom,
      cancel.bottom);
  ::MoveWindow(hwnd(), cut.left, cut.top, cut.right - cut.left, cut.bottom - cut.top, TRUE);
}

HBRUSH Dlg_Setup::OnCtlColor(HDC dc, HWND control, UINT message) {
  // The platform's own colours first (the edit box's opaque white text background); its
  // brush is not used.
  ::DefWindowProcA(hwnd(), message, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
  const int id = message == WM_CTLCOLORDLG ? 0 : ::GetDlgCtrlID(control);
  const setup::ColourAnswer answer = setup::ColoursFor(id);
  ::SetTextColor(dc, answer.textColour);
  if (answer.transparentText) ::SetBkMode(dc, TRANSPARENT);
  if (answer.versionFont) {
    if (!m_versionFont) {
      m_versionFont.reset(::CreateFontA(12, 0, 0, 0, 600, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH, "宋体"));
    }
    ::SelectObject(dc, m_versionFont.get());
  }
  return m_brushBack.get();
}
