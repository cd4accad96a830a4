#include "ui/dialog_layer.h"

#include <commctrl.h>

#include "platform/win32/common_controls.h"
#include "platform/win32/win32_codepage.h"
#include "platform/win32/win32_files.h"
#include "ui/path_checks.h"

#include <cstring>
#include <exception>
#include <vector>

namespace ui {
namespace {

Application* g_application = nullptr;

// The subclass object of a window lives in a window property, so no global table is needed.
const char kSubclassProperty[] = "VelmarSubclass";

template <typename F>
auto Guarded(HWND owner, F&& handler) -> decltype(handler()) {
  try {
    return handler();
  } catch (const std::exception& e) {
    ReportHandlerFailure(owner, e.what());
  } catch (...) {
    ReportHandlerFailure(owner, "An unknown error occurred.");
  }
  return {};
}

// A dialog that its initialisation did not place opens centred on its owner or, without a
// visible owner, on the work area of its monitor.
void CenterOnOwner(HWND window) {
  RECT area;
  HWND owner = ::GetWindow(window, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  RECT rect;
  ::GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Application::Application() { g_application = this; }

Application::~Application() {
  if (g_application == this) g_application = nullptr;
}

Application* Application::Current() { return g_application; }

int Application::Run(HINSTANCE instance, std::string name) {
  m_instance = instance;
  m_name = std::move(name);
  return InitInstance() ? 1 : m_exitCode;
}

void ReportHandlerFailure(HWND owner, const char* what) {
  const Application* app = Application::Current();
  ::MessageBoxA(owner, what, app ? app->Name().c_str() : "", MB_OK | MB_ICONSTOP);
}

void DataExchange::Check(int id, int& value) const {
  HWND box = Control(id);
  if (m_saving) {
    value = static_cast<int>(::SendMessageA(box, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageA(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DataExchange::Text(int id, std::string& value) const {
  HWND control = Control(id);
  if (m_saving) {
    std::vector<char> text(::GetWindowTextLengthA(control) + 1);
    const int length = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    value.assign(text.data(), length > 0 ? length : 0);
    return;
  }
  // Unchanged text is not set again: an edit box would report a change and repaint.
  std::vector<char> current(::GetWindowTextLengthA(control) + 1);
  ::GetWindowTextA(control, current.data(), static_cast<int>(current.size()));
  if (value != current.data()) ::SetWindowTextA(control, value.c_str());
}

ModalDialog::ModalDialog(int templateId, HWND parent)
    : m_templateId(templateId), m_parent(parent) {}

INT_PTR ModalDialog::DoModal() {
  // The template holds a common-controls progress bar; its class must exist first.
  win32::LoadCommonControls(ICC_PROGRESS_CLASS);
  const Application* app = Application::Current();
  HINSTANCE instance = app ? app->Instance() : ::GetModuleHandleA(nullptr);
  return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(m_templateId), m_parent, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool ModalDialog::UpdateData(bool saveAndValidate) {
  DataExchange dx(m_hWnd, saveAndValidate);
  DoDataExchange(dx);
  return true;
}

BOOL ModalDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void ModalDialog::DoDataExchange(DataExchange&) {}

void ModalDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void ModalDialog::OnCancel() { EndDialog(IDCANCEL); }

bool ModalDialog::OnCommand(int, int) { return false; }

HBRUSH ModalDialog::OnCtlColor(HDC, HWND, UINT) { return nullptr; }

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<ModalDialog*>(lParam)->m_hWnd = window;
  }
  auto* dialog = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  return Guarded(window, [&] { return dialog->HandleMessage(message, wParam, lParam); });
}

INT_PTR ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      // A dialog without a parent is the program's main window while it runs: windows
      // opened later without an owner of their own (the folder picker) are owned by it.
      Application* app = Application::Current();
      if (app != nullptr && m_parent == nullptr && app->MainWindow() == nullptr) {
        app->SetMainWindow(m_hWnd);
      }
      RECT before;
      ::GetWindowRect(m_hWnd, &before);
      const BOOL focusDefault = OnInitDialog();
      RECT after;
      ::GetWindowRect(m_hWnd, &after);
      if (std::memcmp(&before, &after, sizeof before) == 0) CenterOnOwner(m_hWnd);
      return focusDefault;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // The dialog manager sends IDOK for Enter and IDCANCEL for Esc and the close box.
      if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL && code == BN_CLICKED) {
        OnCancel();
        return TRUE;
      }
      return OnCommand(id, code) ? TRUE : FALSE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
      // A dialog procedure answers colour requests with the brush itself.
      return reinterpret_cast<INT_PTR>(
          OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message));
    case WM_NCDESTROY: {
      Application* app = Application::Current();
      if (app != nullptr && app->MainWindow() == m_hWnd) app->SetMainWindow(nullptr);
      m_hWnd = nullptr;
      return FALSE;
    }
    default:
      return FALSE;
  }
}

bool SubclassedWindow::Attach(HWND window) {
  if (m_hWnd != nullptr || window == nullptr) return false;
  m_hWnd = window;
  ::SetPropA(window, kSubclassProperty, this);
  m_previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
  return true;
}

void SubclassedWindow::Detach() {
  if (m_hWnd == nullptr) return;
  ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
  ::RemovePropA(m_hWnd, kSubclassProperty);
  m_hWnd = nullptr;
  m_previous = nullptr;
}

bool SubclassedWindow::OnCommand(int, int) { return false; }

LRESULT CALLBACK SubclassedWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  auto* self = static_cast<SubclassedWindow*>(::GetPropA(window, kSubclassProperty));
  if (self == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC previous = self->m_previous;
  if (message == WM_COMMAND) {
    const bool handled = Guarded(window, [&] {
      return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
    });
    if (handled) return 0;
  } else if (message == WM_NCDESTROY) {
    self->Detach();
  }
  return ::CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace ui

// The framework's entry: the application object already exists (static storage).
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Application* app = ui::Application::Current();
  if (app == nullptr) return 0;
  win32::Win32FileSystem files;
  win32::Win32CodePage text;
  return app->Run(instance, picker::ApplicationName(files, text));
}
