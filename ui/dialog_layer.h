#pragma once
// The small window layer SetUp.exe's two windows stand on: the application object, a modal
// dialog over a dialog template with data exchange in both directions, and the subclassing of
// a window the program did not create (the shell's folder browser). Narrow (code page) text
// throughout.
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

#include <string>
#include <utility>

namespace ui {

// A GDI object (brush, font) is deleted with DeleteObject; null is "no object".
template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::DeleteObject(handle); }
};
using UniqueBrush = win32::UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = win32::UniqueHandle<GdiObjectTraits<HFONT>>;

// The one application object of the process, constructed before WinMain runs. WinMain names
// it after the executable (the framework's application name) and calls InitInstance; the
// process ends when that returns.
class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  static Application* Current();
  int Run(HINSTANCE instance, std::string name);

  HINSTANCE Instance() const { return m_instance; }
  // The executable's base name: the title of the program's own message boxes.
  const std::string& Name() const { return m_name; }
  HWND MainWindow() const { return m_mainWindow; }
  void SetMainWindow(HWND window) { m_mainWindow = window; }

 protected:
  // The start routine. The return value says whether to run a message loop; this program
  // never does.
  virtual bool InitInstance() = 0;
  // The process's exit code once InitInstance has returned false (0 unless set).
  void SetExitCode(int code) { m_exitCode = code; }

 private:
  int m_exitCode = 0;
  HINSTANCE m_instance = nullptr;
  std::string m_name;
  HWND m_mainWindow = nullptr;
};

// One direction of a dialog's data exchange: from the controls into the members (saving) or
// from the members into the controls.
class DataExchange {
 public:
  DataExchange(HWND dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}
  bool Saving() const { return m_saving; }
  // The control's window, for a member bound to it.
  HWND Control(int id) const { return ::GetDlgItem(m_dialog, id); }
  // A check box's state: 0 unticked, 1 ticked, 2 indeterminate.
  void Check(int id, int& value) const;
  void Text(int id, std::string& value) const;

 private:
  HWND m_dialog;
  bool m_saving;
};

// A modal dialog made from a template in the program's resources.
class ModalDialog {
 public:
  ModalDialog(int templateId, HWND parent);
  virtual ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Creates the window, runs its modal loop and answers the code it was ended with.
  INT_PTR DoModal();
  HWND hwnd() const { return m_hWnd; }
  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
  // true: controls into members; false: members into controls.
  bool UpdateData(bool saveAndValidate);
  void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

 protected:
  // Shows the member values; TRUE lets the dialog manager focus the first control.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx);
  // Takes the control values and ends the dialog with IDOK.
  virtual void OnOK();
  virtual void OnCancel();
  // Control notifications other than IDOK and IDCANCEL; true when handled.
  virtual bool OnCommand(int id, int code);
  // A WM_CTLCOLOR* request; a null answer leaves the colours to the platform.
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  int m_templateId;
  HWND m_parent;
  HWND m_hWnd = nullptr;
};

// Takes over the window procedure of an existing window. Messages it does not handle go on to
// the window's own procedure; it lets go when the window is destroyed.
class SubclassedWindow {
 public:
  SubclassedWindow() = default;
  virtual ~SubclassedWindow() { Detach(); }
  SubclassedWindow(const SubclassedWindow&) = delete;
  SubclassedWindow& operator=(const SubclassedWindow&) = delete;

  bool Attach(HWND window);
  void Detach();
  HWND hwnd() const { return m_hWnd; }

 protected:
  // A WM_COMMAND; true when handled here, so the window's own procedure does not see it.
  virtual bool OnCommand(int id, int code);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  WNDPROC m_previous = nullptr;
};

// Reports an exception that escaped a handler the way the program reports any failure of its
// own: a stop message box over the given window, titled with the program's name.
void ReportHandlerFailure(HWND owner, const char* what);

}  // namespace ui
