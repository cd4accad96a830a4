// The test machine of the Windows build: the real registry, files, processes and code page of
// the Wine prefix the test runs in, with scripted message boxes.
#include "platform/win32/windows_api.h"

#include <aclapi.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "platform/sim/scripted_message_boxes.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_access.h"
#include "platform/win32/win32_checked_files.h"
#include "platform/win32/win32_codepage.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "tests/support/test_machine.h"

namespace {

// Every call goes to the real file system except the module file name, which a test points at
// its stand-in SetUp.exe.
class ModuleOverrideFiles : public win32::Win32FileSystem {
 public:
  bool ModuleFileName(std::string* path) override {
    if (module_.empty()) return Win32FileSystem::ModuleFileName(path);
    *path = module_;
    return true;
  }
  void SetModule(const std::string& path) { module_ = path; }

 private:
  std::string module_;
};

class Win32TestMachine : public TestMachine {
 public:
  Win32TestMachine() : platform_{registry_, files_, processes_, messages_, text_, checked_} {}

  plat::Platform& platform() override { return platform_; }
  plat::CheckedFiles& checked() override { return checked_; }
  sim::ScriptedMessageBoxes& messages() override { return messages_; }
  sim::Machine* simulated() override { return nullptr; }

  // Creates the missing folders first, as the simulated machine's WriteFile does.
  void WriteFile(const std::string& path, const std::string& content) override {
    MakeFolders(path.substr(0, text_.LastBackslash(path)));
    win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()),
                              &written, nullptr) ||
        written != content.size()) {
      // Seeding has no error path; say so loudly, the test's own checks then fail.
      std::fprintf(stderr, "test machine: cannot write %s (error %lu)\n", path.c_str(),
                   ::GetLastError());
    }
  }

  bool ReadFile(const std::string& path, std::string* content) override {
    win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    content->clear();
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
      content->append(buffer, got);
    }
    return true;
  }

  void RemoveTree(const std::string& path) override {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    // Wine removes the folder a Unix link leads to, never the link: the Unix side does.
    if (UnderWine() && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return RemoveOnUnixSide(path);
    // Read-only and hidden entries refuse deletion until their attributes are cleared.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileA(path.c_str());
      return;
    }
    std::vector<std::string> children;
    WIN32_FIND_DATAA data;
    win32::UniqueFindFile find(::FindFirstFileA((path + "\\*").c_str(), &data));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileA(find.get(), &data)) {
      std::string name = data.cFileName;
      if (name != "." && name != "..") children.push_back(path + "\\" + name);
    }
    find.reset();
    for (const std::string& child : children) RemoveTree(child);
    // Wine lists no link that leads nowhere, and keeps the folder for it.
    if (!::RemoveDirectoryA(path.c_str()) && UnderWine()) RemoveOnUnixSide(path);
  }

  bool MakeFolderLink(const std::string& path, const std::string& target) override {
    if (!UnderWine())
      return ::CreateSymbolicLinkA(path.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    return RunUnix(L"/bin/ln -s", {target, path},
                   [&] { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
  }

  void SetModuleFileName(const std::string& path) override { files_.SetModule(path); }

  bool ReadAccessList(const std::string& path, plat::AccessList* list) override {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS) {
      return false;
    }
    win32::UniqueLocal owned(sd);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!dacl || !::GetSecurityDescriptorControl(sd, &control, &revision)) return false;
    list->isProtected = (control & SE_DACL_PROTECTED) != 0;
    return win32::ReadAcl(*dacl, &list->entries);
  }

  bool KeepsAccessLists() override {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return !(ntdll && ::GetProcAddress(ntdll, "wine_get_version"));
  }

 private:
  static bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
  }
  static void RemoveOnUnixSide(const std::string& path) {
    RunUnix(L"/bin/rm -rf", {path},
            [&] { return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
  }
  // A Unix program run by Wine on the Unix names of paths. Wine gives no handle that waits
  // for it: done says when it has done its work.
  static bool RunUnix(const std::wstring& program, const std::vector<std::string>& paths,
                      const std::function<bool()>& done) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring line = L"Z:" + program;
    for (const std::string& path : paths) {
      wchar_t wide[MAX_PATH] = {}, back[MAX_PATH] = {};
      ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      char* name = unixName(wide);  // UTF-8
      if (name) ::MultiByteToWideChar(CP_UTF8, 0, name, -1, back, MAX_PATH);
      ::HeapFree(::GetProcessHeap(), 0, name);
      line += std::wstring(L" \"") + back + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
      return false;
    win32::UniqueProcess owned(process.hProcess), thread(process.hThread);
    for (int tries = 0; tries < 1000; ++tries, ::Sleep(10))
      if (done()) return true;
    return false;
  }

  void MakeFolders(const std::string& folder) {
    if (folder.empty() || ::GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    std::size_t slash = text_.LastBackslash(folder);
    if (slash != std::string::npos) MakeFolders(folder.substr(0, slash));
    ::CreateDirectoryA(folder.c_str(), nullptr);
  }

  win32::Win32CodePage text_;
  win32::Win32Registry registry_;
  ModuleOverrideFiles files_;
  win32::Win32CheckedFiles checked_;
  win32::Win32Processes processes_;
  sim::ScriptedMessageBoxes messages_;
  plat::Platform platform_;
};

}  // namespace

std::unique_ptr<TestMachine> TestMachine::Create() { return std::make_unique<Win32TestMachine>(); }
