#pragma once
// The folder picker: the shell's folder browser with a path box of our own and an OK button
// that checks the typed folder, offers to create it, and keeps the browser open until the
// text names a usable folder. One picker serves one run.
#include "platform/win32/windows_api.h"

#include <shlobj.h>

#include <string>

#include "platform/platform.h"
#include "ui/dialog_layer.h"

class CPathDialog;

// Attached to the browser window while it is open: takes over its OK button and follows the
// path box.
class CPathDialogSub : public ui::SubclassedWindow {
 public:
  explicit CPathDialogSub(CPathDialog* pathDialog) : m_pPathDialog(pathDialog) {}
  ~CPathDialogSub() override = default;

 protected:
  bool OnCommand(int id, int code) override;

 private:
  void OnOkClicked();
  void OnPathEditChanged();

  CPathDialog* m_pPathDialog;
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM parameter, LPARAM data);

class CPathDialog {
 public:
  // The texts are borrowed and must outlive the run. Without a parent the browser is owned
  // by the program's main window (its last active pop-up).
  CPathDialog(plat::Platform& platform, const char* caption, const char* prompt,
              const char* initialFolder, HWND parent);
  CPathDialog(const CPathDialog&) = delete;
  CPathDialog& operator=(const CPathDialog&) = delete;

  // 1 when the user confirmed a usable folder, -1 otherwise.
  virtual int RunModal();
  // The confirmed folder; meaningful after RunModal answered 1.
  std::string GetChosenFolder() const { return m_path; }

 private:
  friend class CPathDialogSub;
  friend int CALLBACK BrowseCallback(HWND, UINT, LPARAM, LPARAM);

  void OnInitialized(HWND browser);
  void OnSelectionChanged(HWND browser, LPCITEMIDLIST item);
  RECT PathBoxRect(HWND browser) const;
  HWND PathBox() const { return ::GetDlgItem(m_hBrowseWnd, kPathBoxId); }

  static constexpr int kPathBoxId = 14148;

  const char* m_caption;
  const char* m_initialFolder;
  char m_path[MAX_PATH] = {};
  BROWSEINFOA m_browseInfo = {};
  HWND m_hBrowseWnd = nullptr;
  HWND m_pOwner = nullptr;
  int m_confirmed = 0;
  CPathDialogSub m_sub;
  plat::Platform& m_platform;
};
