#include "ui/path_dialog.h"

#include <commctrl.h>

#include "platform/win32/win32_message_boxes.h"
#include "ui/path_checks.h"
#include "ui/res/resource.h"

namespace {

// The shell allocator, released once.
class ShellAllocator {
 public:
  ShellAllocator() {
    if (FAILED(::SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ShellAllocator(const ShellAllocator&) = delete;
  ShellAllocator& operator=(const ShellAllocator&) = delete;
  ~ShellAllocator() {
    if (malloc_ != nullptr) malloc_->Release();
  }
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

// An item list the shell handed out, freed with the shell allocator.
class UniqueItemList {
 public:
  UniqueItemList(IMalloc* malloc, LPITEMIDLIST list) : malloc_(malloc), list_(list) {}
  UniqueItemList(const UniqueItemList&) = delete;
  UniqueItemList& operator=(const UniqueItemList&) = delete;
  ~UniqueItemList() {
    if (list_ != nullptr) malloc_->Free(list_);
  }

 private:
  IMalloc* malloc_;
  LPITEMIDLIST list_;
};

// The owner a window without a parent of its own gets: the top-level window of the program's
// main window, or rather the pop-up last active over it.
HWND SafeOwner(HWND parent) {
  HWND window = parent;
  if (window == nullptr) {
    const ui::Application* app = ui::Application::Current();
    window = app ? app->MainWindow() : nullptr;
  }
  if (window == nullptr) return nullptr;
  HWND top = ::GetAncestor(window, GA_ROOT);
  return ::GetLastActivePopup(top ? top : window);
}

// The path box sits above the browser's tree: 23 pixels high, 4 pixels clear of it.
constexpr int kBoxHeight = 23;
constexpr int kBoxGap = 4;

}  // namespace

CPathDialog::CPathDialog(plat::Platform& platform, const char* caption, const char* prompt,
                         const char* initialFolder, HWND parent)
    : m_caption(caption),
      m_initialFolder(initialFolder),
      m_pOwner(SafeOwner(parent)),
      m_sub(this),
      m_platform(platform) {
  m_browseInfo.hwndOwner = m_pOwner;
  m_browseInfo.pidlRoot = nullptr;
  m_browseInfo.pszDisplayName = nullptr;
  m_browseInfo.lpszTitle = prompt;
  m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  m_browseInfo.lpfn = &BrowseCallback;
  m_browseInfo.lParam = 0;
  m_browseInfo.iImage = 0;
}

int CPathDialog::RunModal() {
  m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
  m_browseInfo.lpfn = &BrowseCallback;

  ShellAllocator allocator;
  if (allocator.get() == nullptr) return -1;
  m_confirmed = 0;
  {
    // The display name is not used, but the browser writes it; the buffer lives for the
    // browser's run only.
    char displayName[MAX_PATH];
    BROWSEINFOA request = m_browseInfo;
    request.pszDisplayName = displayName;
    UniqueItemList chosen(allocator.get(), ::SHBrowseForFolderA(&request));
  }
  // The browser's own answer does not count: only a folder that passed the checks does.
  return m_confirmed ? 1 : -1;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM parameter, LPARAM data) {
  auto* dialog = reinterpret_cast<CPathDialog*>(data);
  if (dialog == nullptr) return 0;
  if (message == BFFM_INITIALIZED) {
    dialog->OnInitialized(window);
  } else if (message == BFFM_SELCHANGED) {
    dialog->OnSelectionChanged(window, reinterpret_cast<LPCITEMIDLIST>(parameter));
  }
  return 0;
}

RECT CPathDialog::PathBoxRect(HWND browser) const {
  HWND tree = ::GetDlgItem(browser, IDC_BROWSER_TREE);
  if (tree == nullptr) tree = ::FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
  RECT box = {};
  if (tree == nullptr) {
    ::GetClientRect(browser, &box);
    box = RECT{8, 8, box.right - 8, 8 + kBoxHeight};
    return box;
  }
  RECT anchor;
  ::GetWindowRect(tree, &anchor);
  box = RECT{anchor.left, anchor.top - kBoxHeight - kBoxGap, anchor.right, anchor.top - kBoxGap};
  ::MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

void CPathDialog::OnInitialized(HWND browser) {
  m_hBrowseWnd = browser;
  if (m_caption != nullptr) ::SetWindowTextA(browser, m_caption);
  m_sub.Attach(browser);
  if (HWND status = ::GetDlgItem(browser, IDC_BROWSER_STATUS)) ::ShowWindow(status, SW_HIDE);

  const RECT box = PathBoxRect(browser);
  const ui::Application* app = ui::Application::Current();
  HWND edit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, box.left,
                                box.top, box.right - box.left, box.bottom - box.top, browser,
                                nullptr, app ? app->Instance() : ::GetModuleHandleA(nullptr),
                                nullptr);
  ::SetWindowLongPtrA(edit, GWLP_ID, kPathBoxId);
  ::ShowWindow(edit, SW_SHOW);
  ::SendMessageA(edit, WM_SETFONT, ::SendMessageA(browser, WM_GETFONT, 0, 0), TRUE);

  // An empty initial folder is still a folder text; only no text at all means the current
  // directory.
  const std::string selection =
      m_initialFolder != nullptr ? std::string(m_initialFolder) : m_platform.files.CurrentDirectory();
  ::SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(selection.c_str()));
}

void CPathDialog::OnSelectionChanged(HWND browser, LPCITEMIDLIST item) {
  char path[MAX_PATH] = {};
  // Network paths and virtual folders have no drive path: they are never offered.
  if (!::SHGetPathFromIDListA(item, path) || path[1] != ':') {
    path[0] = '\0';
    ::SendMessageA(browser, BFFM_ENABLEOK, 0, 0);
  } else {
    ::SendMessageA(browser, BFFM_ENABLEOK, 0, 1);
  }
  ::SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
  if (HWND edit = ::GetDlgItem(browser, kPathBoxId)) ::SetWindowTextA(edit, path);
}

bool CPathDialogSub::OnCommand(int id, int code) {
  if (id == IDOK && code == BN_CLICKED) {
    OnOkClicked();
    return true;
  }
  if (id == IDC_PICKER_PATH_EDIT && code == EN_CHANGE) {
    OnPathEditChanged();
    return true;
  }
  return false;
}

void CPathDialogSub::OnPathEditChanged() {
  CPathDialog& dialog = *m_pPathDialog;
  ::GetWindowTextA(dialog.PathBox(), dialog.m_path, MAX_PATH);
  ::SendMessageA(dialog.m_hBrowseWnd, BFFM_ENABLEOK, 0, dialog.m_path[0] != '\0' ? 1 : 0);
}

void CPathDialogSub::OnOkClicked() {
  CPathDialog& dialog = *m_pPathDialog;
  HWND edit = dialog.PathBox();
  ::GetWindowTextA(edit, dialog.m_path, MAX_PATH);

  // The picker's messages are owned by the browser, which stays open behind them.
  win32::Win32MessageBoxes messages;
  messages.SetOwner(dialog.m_hBrowseWnd);
  plat::Platform platform{dialog.m_platform.registry, dialog.m_platform.files,
                          dialog.m_platform.processes, messages, dialog.m_platform.text,
                          dialog.m_platform.checked};
  const ui::Application* app = ui::Application::Current();
  const std::string caption =
      app ? app->Name() : picker::ApplicationName(platform.files, platform.text);

  if (picker::ConfirmFolder(platform, caption, dialog.m_path) != picker::kFolderUsable) {
    ::SetFocus(edit);
    return;
  }
  dialog.m_confirmed = 1;
  ::EndDialog(dialog.m_hBrowseWnd, 1);
}
