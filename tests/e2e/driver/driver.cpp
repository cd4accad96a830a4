// velmar_e2e_driver: drives another process's windows from a shell script, one command per run.
//
//   driver wait TITLE [SECONDS]           wait for a visible top-level window; print its handle
//   driver gone TITLE [SECONDS]           wait until no visible top-level window has that title
//   driver text TITLE ID                  print a control's text (WM_GETTEXT)
//   driver state TITLE ID                 print "enabled=E visible=V checked=C"
//   driver click TITLE ID                 post BM_CLICK to a visible, enabled control
//   driver settext TITLE ID TEXT          set a control's text (WM_SETTEXT)
//   driver msgbox TITLE [SECONDS]         wait for a message box (#32770); print its text (id 65535)
//   driver answer TITLE BUTTON_ID         press a message box button (posted BM_CLICK) and wait
//                                         until that box has closed
//   driver rect TITLE [ID]                print the screen rectangle "left top right bottom"
//   driver client TITLE                   print the client area size "width height"
//   driver close TITLE                    post WM_CLOSE to the window
//   driver keys TITLE ID|- KEY...         make the window the foreground one, put the focus on
//                                         control ID (as Tab would; "-" keeps it), then type
//                                         the keys as real input: enter, esc, space, or any
//                                         other word as its characters
//   driver closebox TITLE                 click the window's close box with the real mouse
//   driver tree TITLE LABEL               select the item of that label in the window's tree
//                                         view (its root or a child of the root), as a click
//                                         on it would
//   driver reg ROOT KEY [VALUE]           print a registry value as "TYPE DATA" (64-bit view);
//                                         without VALUE, list the key: "key NAME", "value NAME"
//   driver dump ROOT KEY                  print the key and everything below it, one line each
//   driver wait-start EXENAME [SECONDS]   wait until a process of that executable name runs
//   driver wait-exit EXENAME [SECONDS]    wait until no process of that executable name runs
//   driver time-to-window EXE TITLE [SECONDS]
//                                         start EXE, print milliseconds until its window is visible
//                                         (EXE inherits the driver's output: send it to a file,
//                                         as a shell reading a pipe would wait for EXE to end)
//   driver list                           print every visible top-level window and its controls
//   driver run SECONDS COMMANDLINE        start COMMANDLINE (one argument: the whole command line
//                                         the program gets), watching the window list all the
//                                         while; when it has ended, print a line
//                                         "window class=C title=T visible=V" for each top-level
//                                         window it ever had (V: ever shown), then "exit=N"
//                                         (fails, after the window lines, when it has not ended
//                                         in time)
//   driver kill-at SECONDS FILE LINES COMMANDLINE
//                                         start COMMANDLINE and watch FILE; as soon as the file
//                                         has LINES line ends (0: as soon as it exists), end the
//                                         program with TerminateProcess, as a deployment tool's
//                                         time-out or Task Manager ends it, and print "killed
//                                         seen=S lines=N": the lines that set it off, and those
//                                         the file holds once the program is gone. A program
//                                         that ends first prints "ended exit=C lines=N" (fails
//                                         when neither happens in time)
//
// Exit codes: 0 done, 1 the condition did not hold (timeout, no such window or key), 2 usage.
// Titles and texts are UTF-8 on the command line and in the output; control characters in
// printed texts are escaped as \n, \r and \t so that a multi-line text stays on one line.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSendTimeoutMs = 10000;

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
  return s;
}

std::string Escaped(const std::wstring& w) {
  std::string out;
  for (char c : Utf8(w)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

// Console output goes to a pipe or file as raw UTF-8 bytes.
void Print(const std::string& line) {
  std::string s = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), (DWORD)s.size(), &written, nullptr);
}

int Fail(const std::string& why) {
  std::string s = "driver: " + why + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), s.data(), (DWORD)s.size(), &written, nullptr);
  return 1;
}

// A CreateProcessW that failed, with the error it gave (read before anything else may reset it).
int CannotStart(const std::wstring& commandLine) {
  const DWORD error = GetLastError();
  return Fail("cannot start " + Utf8(commandLine) + " (error " + std::to_string(error) + ")");
}

std::wstring WindowTitle(HWND w) {
  wchar_t buf[512] = L"";
  // Top-level captions are kept by the window manager side, so this reaches other processes.
  GetWindowTextW(w, buf, 512);
  return buf;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[256] = L"";
  GetClassNameW(w, buf, 256);
  return buf;
}

// A control's text, read through the control's own window procedure.
bool ControlText(HWND w, std::wstring& text) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len))
    return false;
  std::vector<wchar_t> buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &got))
    return false;
  text.assign(buf.data(), got);
  return true;
}

struct Search {
  std::wstring title;
  const wchar_t* cls;  // null: any class
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (!IsWindowVisible(w) || WindowTitle(w) != s->title) return TRUE;
  if (s->cls && ClassOf(w) != s->cls) return TRUE;
  s->found = w;
  return FALSE;
}

HWND FindTopLevel(const std::wstring& title, const wchar_t* cls = nullptr) {
  Search s{title, cls, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitTopLevel(const std::wstring& title, double seconds, const wchar_t* cls = nullptr) {
  ULONGLONG end = GetTickCount64() + (ULONGLONG)(seconds * 1000);
  for (;;) {
    if (HWND w = FindTopLevel(title, cls)) return w;
    if (GetTickCount64() >= end) return nullptr;
    Sleep(20);
  }
}

std::string Hex(const void* p) {
  char buf[32];
  snprintf(buf, sizeof buf, "0x%llx", (unsigned long long)(UINT_PTR)p);
  return buf;
}

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w.data(), n);
  w.resize(n ? n - 1 : 0);
  return w;
}

struct Args {
  std::vector<std::wstring> v;
  size_t size() const { return v.size(); }
  const std::wstring& operator[](size_t i) const { return v[i]; }
  double Seconds(size_t i, double dflt) const { return i < v.size() ? _wtof(v[i].c_str()) : dflt; }
  int Id(size_t i) const { return (int)wcstol(v[i].c_str(), nullptr, 0); }
};

int Usage() {
  Print("usage: driver wait|gone|text|state|click|settext|msgbox|answer|rect|client|close|"
        "keys|closebox|tree|reg|dump|wait-start|wait-exit|time-to-window|list|run|kill-at ...");
  return 2;
}

// The top-level window named by args[1], which must exist now.
HWND Window(const Args& a, std::string& err) {
  HWND w = FindTopLevel(a[1]);
  if (!w) err = "no visible window titled \"" + Utf8(a[1]) + "\"";
  return w;
}

HWND Control(const Args& a, std::string& err) {
  HWND w = Window(a, err);
  if (!w) return nullptr;
  HWND c = GetDlgItem(w, a.Id(2));
  if (!c) err = "window \"" + Utf8(a[1]) + "\" has no control " + Utf8(a[2]);
  return c;
}

int CmdWait(const Args& a) {
  HWND w = WaitTopLevel(a[1], a.Seconds(2, 30));
  if (!w) return Fail("timed out waiting for \"" + Utf8(a[1]) + "\"");
  Print(Hex(w));
  return 0;
}

int CmdGone(const Args& a) {
  ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(2, 30) * 1000);
  while (FindTopLevel(a[1])) {
    if (GetTickCount64() >= end) return Fail("\"" + Utf8(a[1]) + "\" is still open");
    Sleep(20);
  }
  return 0;
}

int CmdText(const Args& a) {
  std::string err;
  HWND c = Control(a, err);
  if (!c) return Fail(err);
  std::wstring text;
  if (!ControlText(c, text)) return Fail("WM_GETTEXT did not answer");
  Print(Escaped(text));
  return 0;
}

int CmdState(const Args& a) {
  std::string err;
  HWND c = Control(a, err);
  if (!c) return Fail(err);
  DWORD_PTR checked = 0;
  SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &checked);
  Print("enabled=" + std::to_string(IsWindowEnabled(c) ? 1 : 0) +
        " visible=" + std::to_string(IsWindowVisible(c) ? 1 : 0) +
        " checked=" + std::to_string((int)checked));
  return 0;
}

// Posted, not sent: the click's handler may open a modal message box and not return for a while.
// A button acts on BM_CLICK even when disabled or hidden, which no user could do; refused here.
int CmdClick(const Args& a) {
  std::string err;
  HWND c = Control(a, err);
  if (!c) return Fail(err);
  if (!IsWindowVisible(c) || !IsWindowEnabled(c))
    return Fail("control " + Utf8(a[2]) + " is hidden or disabled; a user could not click it");
  if (!PostMessageW(c, BM_CLICK, 0, 0)) return Fail("PostMessage failed");
  return 0;
}

int CmdSetText(const Args& a) {
  std::string err;
  HWND c = Control(a, err);
  if (!c) return Fail(err);
  DWORD_PTR ok = 0;
  if (!SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)a[3].c_str(), SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &ok) || !ok)
    return Fail("WM_SETTEXT failed");
  return 0;
}

// A box is found by its title as soon as it is visible; its text is read once it can be,
// within the same time.
int CmdMsgBox(const Args& a) {
  const ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(2, 30) * 1000);
  HWND w = WaitTopLevel(a[1], a.Seconds(2, 30), L"#32770");
  if (!w) return Fail("no message box titled \"" + Utf8(a[1]) + "\"");
  for (;;) {
    HWND text = GetDlgItem(w, 0xFFFF);
    std::wstring s;
    if (text && ControlText(text, s) && !s.empty()) {
      Print(Escaped(s));
      return 0;
    }
    if (!IsWindow(w)) return Fail("the message box closed before its text could be read");
    if (GetTickCount64() >= end) return Fail("the message box shows no text (control 65535)");
    Sleep(20);
  }
}

int CmdAnswer(const Args& a) {
  HWND w = FindTopLevel(a[1], L"#32770");
  if (!w) return Fail("no message box titled \"" + Utf8(a[1]) + "\"");
  HWND b = GetDlgItem(w, a.Id(2));
  if (!b) return Fail("the message box has no button " + Utf8(a[2]));
  if (!PostMessageW(b, BM_CLICK, 0, 0)) return Fail("PostMessage failed");
  // The next box may open with the same title at once; waiting for this one keeps steps apart.
  ULONGLONG end = GetTickCount64() + 10000;
  while (IsWindow(w)) {
    if (GetTickCount64() >= end) return Fail("the message box did not close");
    Sleep(20);
  }
  return 0;
}

int CmdRect(const Args& a) {
  std::string err;
  HWND w = a.size() > 2 ? Control(a, err) : Window(a, err);
  if (!w) return Fail(err);
  RECT r;
  if (!GetWindowRect(w, &r)) return Fail("GetWindowRect failed");
  Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
        " " + std::to_string(r.bottom));
  return 0;
}

int CmdClient(const Args& a) {
  std::string err;
  HWND w = Window(a, err);
  if (!w) return Fail(err);
  RECT r;
  if (!GetClientRect(w, &r)) return Fail("GetClientRect failed");
  Print(std::to_string(r.right) + " " + std::to_string(r.bottom));
  return 0;
}

int CmdClose(const Args& a) {
  std::string err;
  HWND w = Window(a, err);
  if (!w) return Fail(err);
  PostMessageW(w, WM_CLOSE, 0, 0);
  return 0;
}

HWND WaitForeground(HWND w) {
  SetForegroundWindow(w);
  ULONGLONG end = GetTickCount64() + 5000;
  while (GetForegroundWindow() != w) {
    if (GetTickCount64() >= end) return nullptr;
    Sleep(20);
    SetForegroundWindow(w);
  }
  return w;
}

HWND FocusOf(HWND w) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void AddKey(std::vector<INPUT>& in, WORD vk, WORD scan, DWORD flags) {
  INPUT down{};
  down.type = INPUT_KEYBOARD;
  down.ki.wVk = vk;
  down.ki.wScan = scan;
  down.ki.dwFlags = flags;
  in.push_back(down);
  down.ki.dwFlags |= KEYEVENTF_KEYUP;
  in.push_back(down);
}

bool NamedKey(const std::wstring& name, WORD& vk) {
  static const struct { const wchar_t* name; WORD vk; } kKeys[] = {
      {L"enter", VK_RETURN}, {L"esc", VK_ESCAPE}, {L"space", VK_SPACE}};
  for (const auto& k : kKeys) {
    if (name == k.name) {
      vk = k.vk;
      return true;
    }
  }
  return false;
}

// Keys go through the system's input queue to the focused window of the foreground thread,
// so the dialog manager sees them exactly as it sees a keyboard's.
int CmdKeys(const Args& a) {
  std::string err;
  HWND w = Window(a, err);
  if (!w) return Fail(err);
  if (!WaitForeground(w)) return Fail("\"" + Utf8(a[1]) + "\" does not come to the foreground");
  if (a[2] != L"-") {
    HWND c = Control(a, err);
    if (!c) return Fail(err);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(w, WM_NEXTDLGCTL, (WPARAM)c, TRUE, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                        &ignored);
    ULONGLONG end = GetTickCount64() + 5000;
    while (FocusOf(w) != c) {
      if (GetTickCount64() >= end) return Fail("control " + Utf8(a[2]) + " does not take the focus");
      Sleep(20);
    }
  }
  std::vector<INPUT> in;
  for (size_t i = 3; i < a.size(); ++i) {
    WORD vk = 0;
    if (NamedKey(a[i], vk)) {
      AddKey(in, vk, (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), 0);
    } else {
      for (wchar_t ch : a[i]) AddKey(in, 0, ch, KEYEVENTF_UNICODE);
    }
  }
  if (SendInput((UINT)in.size(), in.data(), sizeof(INPUT)) != in.size()) return Fail("SendInput failed");
  return 0;
}

// The close box is found where the window itself says it is (WM_NCHITTEST), so the click
// does not depend on how the caption is drawn.
int CmdCloseBox(const Args& a) {
  std::string err;
  HWND w = Window(a, err);
  if (!w) return Fail(err);
  RECT r;
  GetWindowRect(w, &r);
  POINT hit{-1, -1};
  for (int y = r.top; y < r.top + 60 && hit.x < 0; ++y) {
    for (int x = r.right - 1; x > r.right - 100; --x) {
      DWORD_PTR code = 0;
      SendMessageTimeoutW(w, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                          &code);
      if (code == HTCLOSE) {
        hit = POINT{x - 3, y + 3};
        break;
      }
    }
  }
  if (hit.x < 0) return Fail("\"" + Utf8(a[1]) + "\" has no close box");
  if (!WaitForeground(w)) return Fail("\"" + Utf8(a[1]) + "\" does not come to the foreground");
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3] = {};
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = (LONG)((hit.x * 65535LL) / (sw - 1));
    i.mi.dy = (LONG)((hit.y * 65535LL) / (sh - 1));
  }
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  for (INPUT& i : in) {
    if (SendInput(1, &i, sizeof(INPUT)) != 1) return Fail("SendInput failed");
    Sleep(50);
  }
  return 0;
}

BOOL CALLBACK FindTree(HWND c, LPARAM p) {
  if (ClassOf(c) != WC_TREEVIEWW) return TRUE;
  *reinterpret_cast<HWND*>(p) = c;
  return FALSE;
}

// An item's label, read through memory of the tree's own process: the tree writes it there.
bool ItemLabel(HWND tree, HANDLE process, void* remote, HTREEITEM item, std::wstring& label) {
  constexpr int kChars = 260;
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TVITEMW));
  tv.cchTextMax = kChars;
  if (!WriteProcessMemory(process, remote, &tv, sizeof tv, nullptr)) return false;
  DWORD_PTR ok = 0;
  if (!SendMessageTimeoutW(tree, TVM_GETITEMW, 0, (LPARAM)remote, SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &ok) || !ok)
    return false;
  wchar_t text[kChars] = L"";
  if (!ReadProcessMemory(process, tv.pszText, text, sizeof text, nullptr)) return false;
  text[kChars - 1] = L'\0';
  label = text;
  return true;
}

int CmdTree(const Args& a) {
  std::string err;
  HWND w = Window(a, err);
  if (!w) return Fail(err);
  HWND tree = nullptr;
  EnumChildWindows(w, FindTree, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return Fail("\"" + Utf8(a[1]) + "\" has no tree view");
  DWORD pid = 0;
  GetWindowThreadProcessId(tree, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return Fail("cannot open the tree's process");
  void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  HTREEITEM found = nullptr;
  std::string seen;
  auto next = [&](HTREEITEM item, WPARAM how) {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, how, (LPARAM)item, SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &r);
    return reinterpret_cast<HTREEITEM>(r);
  };
  HTREEITEM root = next(nullptr, TVGN_ROOT);
  std::vector<HTREEITEM> items{root};
  for (HTREEITEM c = root ? next(root, TVGN_CHILD) : nullptr; c; c = next(c, TVGN_NEXT)) items.push_back(c);
  for (HTREEITEM item : items) {
    std::wstring label;
    if (!remote || !item || !ItemLabel(tree, process, remote, item, label)) continue;
    seen += " \"" + Utf8(label) + "\"";
    if (label == a[2]) {
      found = item;
      break;
    }
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!found) return Fail("no tree item \"" + Utf8(a[2]) + "\"; the tree shows" + seen);
  DWORD_PTR ok = 0;
  if (!SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)found, SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &ok) || !ok)
    return Fail("TVM_SELECTITEM failed");
  return 0;
}

bool Root(const std::wstring& name, HKEY& root) {
  if (name == L"HKLM" || name == L"HKEY_LOCAL_MACHINE") root = HKEY_LOCAL_MACHINE;
  else if (name == L"HKCU" || name == L"HKEY_CURRENT_USER") root = HKEY_CURRENT_USER;
  else return false;
  return true;
}

// Values are read with the narrow API, so REG_SZ data shows the bytes a code page 936 program
// reads back; they are printed as hex, without the terminator the registry keeps.
int CmdReg(const Args& a) {
  HKEY root;
  if (a.size() < 3 || !Root(a[1], root)) return Usage();
  HKEY key;
  LONG rc = RegOpenKeyExW(root, a[2].c_str(), 0, KEY_READ, &key);
  if (rc != ERROR_SUCCESS) return Fail("no key " + Utf8(a[2]));
  if (a.size() < 4) {
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      Print("key " + Utf8(name));
    }
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      if (RegEnumValueW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      Print("value " + Utf8(name));
    }
    RegCloseKey(key);
    return 0;
  }
  std::string valueName;
  {
    int n = WideCharToMultiByte(CP_ACP, 0, a[3].c_str(), -1, nullptr, 0, nullptr, nullptr);
    valueName.resize(n);
    WideCharToMultiByte(CP_ACP, 0, a[3].c_str(), -1, valueName.data(), n, nullptr, nullptr);
  }
  DWORD type = 0, size = 0;
  rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  std::vector<unsigned char> data(size + 1);
  if (rc == ERROR_SUCCESS)
    rc = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return Fail("no value " + Utf8(a[3]));
  if (type == REG_DWORD && size == 4) {
    DWORD d;
    memcpy(&d, data.data(), 4);
    Print("REG_DWORD " + std::to_string(d));
    return 0;
  }
  if (type == REG_SZ && size > 0 && data[size - 1] == 0) --size;
  std::string hex;
  char byte[3];
  for (DWORD i = 0; i < size; ++i) {
    snprintf(byte, sizeof byte, "%02x", data[i]);
    hex += byte;
  }
  const char* typeName = type == REG_SZ ? "REG_SZ" : type == REG_EXPAND_SZ ? "REG_EXPAND_SZ"
                         : type == REG_BINARY ? "REG_BINARY" : "REG_OTHER";
  Print(std::string(typeName) + " " + hex);
  return 0;
}

void DumpKey(HKEY parent, const std::wstring& name, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  Print("[" + Utf8(path) + "]");
  std::vector<BYTE> data(65536);
  wchar_t valueName[16384];
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = 16384, type = 0, size = (DWORD)data.size();
    if (RegEnumValueW(key, i, valueName, &nameLen, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
      break;
    std::string shown;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<wchar_t*>(data.data()), size / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      shown = "\"" + Escaped(text) + "\"";
    } else if (type == REG_DWORD && size == 4) {
      DWORD d;
      memcpy(&d, data.data(), 4);
      shown = "dword:" + std::to_string(d);
    } else {
      shown = "(" + std::to_string(size) + " bytes of type " + std::to_string(type) + ")";
    }
    Print("  " + (nameLen ? Utf8(valueName) : std::string("@")) + " = " + shown);
  }
  std::vector<std::wstring> subKeys;
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(key, i, valueName, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    subKeys.push_back(valueName);
  }
  for (const std::wstring& sub : subKeys) DumpKey(key, sub, path + L"\\" + sub);
  RegCloseKey(key);
}

int CmdDump(const Args& a) {
  HKEY root;
  if (!Root(a[1], root)) return Usage();
  DumpKey(root, a[2], a[1] + L"\\" + a[2]);
  return 0;
}

bool ProcessRuns(const std::wstring& exe) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  bool found = false;
  for (BOOL more = Process32FirstW(snap, &e); more && !found; more = Process32NextW(snap, &e))
    found = _wcsicmp(e.szExeFile, exe.c_str()) == 0;
  CloseHandle(snap);
  return found;
}

int CmdWaitStart(const Args& a) {
  ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(2, 30) * 1000);
  while (!ProcessRuns(a[1])) {
    if (GetTickCount64() >= end) return Fail(Utf8(a[1]) + " did not start");
    Sleep(50);
  }
  return 0;
}

int CmdWaitExit(const Args& a) {
  ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(2, 30) * 1000);
  while (ProcessRuns(a[1])) {
    if (GetTickCount64() >= end) return Fail(Utf8(a[1]) + " is still running");
    Sleep(50);
  }
  return 0;
}

// Measured inside one process, so the driver's own start-up is not part of the figure.
int CmdTimeToWindow(const Args& a) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + a[1] + L"\"";
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return CannotStart(a[1]);
  HWND w = WaitTopLevel(a[2], a.Seconds(3, 60));
  QueryPerformanceCounter(&t1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!w) return Fail("no window \"" + Utf8(a[2]) + "\"");
  Print(std::to_string((t1.QuadPart - t0.QuadPart) * 1000.0 / freq.QuadPart));
  return 0;
}

BOOL CALLBACK PrintChild(HWND c, LPARAM) {
  std::wstring text;
  ControlText(c, text);
  Print("    id=" + std::to_string(GetDlgCtrlID(c)) + " class=" + Utf8(ClassOf(c)) +
        " visible=" + std::to_string(IsWindowVisible(c) ? 1 : 0) +
        " enabled=" + std::to_string(IsWindowEnabled(c) ? 1 : 0) + " text=\"" + Escaped(text) +
        "\"");
  return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND w, LPARAM) {
  if (!IsWindowVisible(w)) return TRUE;
  Print(Hex(w) + " class=" + Utf8(ClassOf(w)) + " title=\"" + Escaped(WindowTitle(w)) + "\"");
  EnumChildWindows(w, PrintChild, 0);
  return TRUE;
}

int CmdList(const Args&) {
  EnumWindows(PrintTopLevel, 0);
  return 0;
}

struct SeenWindow {
  HWND handle;
  std::wstring cls, title;
  bool visible;
};

struct Watched {
  DWORD pid;
  std::vector<SeenWindow>* seen;
};

// A window is often made hidden and untitled and shown a moment later: the title is the last
// one seen, and the window counts as visible once it has been.
BOOL CALLBACK NoteWindowOf(HWND w, LPARAM p) {
  auto* watched = reinterpret_cast<Watched*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != watched->pid) return TRUE;
  SeenWindow* known = nullptr;
  for (SeenWindow& s : *watched->seen) {
    if (s.handle == w) known = &s;
  }
  if (!known) {
    watched->seen->push_back({w, ClassOf(w), L"", false});
    known = &watched->seen->back();
  }
  const std::wstring title = WindowTitle(w);
  if (!title.empty()) known->title = title;
  known->visible = known->visible || IsWindowVisible(w);
  return TRUE;
}

// Polled every few milliseconds: a window that shows a message or a dialog stays for longer
// than that, waiting for an answer nobody gives.
int CmdRun(const Args& a) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = a[2];
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return CannotStart(a[2]);
  std::vector<SeenWindow> seen;
  Watched watched{pi.dwProcessId, &seen};
  ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(1, 60) * 1000);
  DWORD waited = WAIT_TIMEOUT;
  while (waited == WAIT_TIMEOUT && GetTickCount64() < end) {
    EnumWindows(NoteWindowOf, reinterpret_cast<LPARAM>(&watched));
    waited = WaitForSingleObject(pi.hProcess, 5);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (const SeenWindow& s : seen) {
    Print("window class=" + Utf8(s.cls) + " title=\"" + Escaped(s.title) +
          "\" visible=" + std::to_string(s.visible ? 1 : 0));
  }
  if (waited != WAIT_OBJECT_0) return Fail(Utf8(a[2]) + " did not end in time");
  Print("exit=" + std::to_string(code));
  return 0;
}

// The line ends in a file (or folder: none), or -1 while there is none. The size is read
// without opening the file, and the bytes only when it grew and lines are wanted: the
// program's own opens must never fail because the driver holds the file (WriteWholeFile
// shares nothing), and so it is opened sharing everything.
struct LineCount {
  std::wstring path;
  ULONGLONG size = ~0ull;
  long lines = -1;

  long Now(bool count = true) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return lines = -1;
    const ULONGLONG now = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    if (lines < 0) lines = 0;
    if (!count || now == size) return lines;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return lines;  // held by a write that shares nothing
    long counted = 0;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) {
      for (DWORD i = 0; i < got; ++i) counted += buf[i] == '\n';
    }
    CloseHandle(f);
    size = now;
    return lines = counted;
  }
};

// Polled as fast as the machine allows, yielding between looks: the program goes on between
// two looks, so the kill lands at the k-th line or a little after it.
int CmdKillAt(const Args& a) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = a[4];
  LineCount file{a[2]};
  const long want = wcstol(a[3].c_str(), nullptr, 10);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return CannotStart(a[4]);
  CloseHandle(pi.hThread);
  const ULONGLONG end = GetTickCount64() + (ULONGLONG)(a.Seconds(1, 60) * 1000);
  long seen = -1;
  bool killed = false, late = false;
  while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
    late = GetTickCount64() >= end;
    if ((seen = file.Now(want > 0)) >= want || late) {
      killed = TerminateProcess(pi.hProcess, 1) != FALSE;
      break;
    }
    Sleep(0);
  }
  const bool gone = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  file.size = ~0ull;
  const std::string lines = " lines=" + std::to_string(file.Now());
  if (late || !gone) return Fail(Utf8(a[4]) + " neither ended nor wrote the lines in time;" + lines);
  Print(killed ? "killed seen=" + std::to_string(seen) + lines
               : "ended exit=" + std::to_string(code) + lines);
  return 0;
}

struct Command {
  const char* name;
  size_t minArgs;  // including the command name
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {"wait", 2, CmdWait},         {"gone", 2, CmdGone},       {"text", 3, CmdText},
    {"state", 3, CmdState},       {"click", 3, CmdClick},     {"settext", 4, CmdSetText},
    {"msgbox", 2, CmdMsgBox},     {"answer", 3, CmdAnswer},   {"rect", 2, CmdRect},
    {"client", 2, CmdClient},     {"close", 2, CmdClose},     {"reg", 3, CmdReg},
    {"dump", 3, CmdDump},         {"wait-start", 2, CmdWaitStart}, {"wait-exit", 2, CmdWaitExit}, {"time-to-window", 3, CmdTimeToWindow},
    {"keys", 4, CmdKeys},         {"closebox", 2, CmdCloseBox}, {"tree", 3, CmdTree},
    {"list", 1, CmdList},         {"run", 3, CmdRun},         {"kill-at", 5, CmdKillAt},
};

}  // namespace

int main() {
  // The narrow argv is in the ANSI code page; the wide command line keeps every character.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Args a;
  for (int i = 1; i < argc; ++i) a.v.push_back(argv[i]);
  LocalFree(argv);
  if (a.size() == 0) return Usage();
  for (const Command& c : kCommands) {
    if (a[0] == Wide(c.name)) return a.size() < c.minArgs ? Usage() : c.run(a);
  }
  return Usage();
}
