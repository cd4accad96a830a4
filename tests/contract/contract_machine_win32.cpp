#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "platform/win32/common_controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_access.h"
#include "platform/win32/win32_audience.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_progress.h"
#include "tests/contract/contract_machine.h"

namespace contract {
namespace {

class Win32ProgressProbe : public ProgressProbe {
 public:
  Win32ProgressProbe() {
    // Without the class registered (comctl32 registers it here) CreateWindowEx answers null.
    win32::LoadCommonControls(ICC_PROGRESS_CLASS);
    // A top-level popup: a WS_CHILD window needs a parent. Never shown.
    window_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, nullptr,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr);
    bar_.Attach(window_);
  }
  ~Win32ProgressProbe() override {
    if (window_) ::DestroyWindow(window_);
  }
  plat::ProgressSink& sink() override { return bar_; }
  bool ready() const override { return window_ != nullptr; }
  int Pos() override { return static_cast<int>(::SendMessageA(window_, PBM_GETPOS, 0, 0)); }

 private:
  HWND window_ = nullptr;
  win32::Win32ProgressBar bar_;
};

}  // namespace

std::unique_ptr<ProgressProbe> ProgressProbe::Create() {
  return std::make_unique<Win32ProgressProbe>();
}

void SetEnvironment(TestMachine&, const std::string& name, const std::string& value) {
  ::SetEnvironmentVariableA(name.c_str(), value.c_str());
}

bool MakeHardLink(TestMachine&, const std::string& path, const std::string& existing) {
  return ::CreateHardLinkA(path.c_str(), existing.c_str(), nullptr) != FALSE;
}

bool Allows(TestMachine&, const plat::Descriptor& descriptor, uint32_t rights) {
  win32::SecurityDescriptor security;
  if (!security.Make(descriptor)) return false;
  // AccessCheck wants a group as well; which one does not matter here.
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  ::GetSecurityDescriptorOwner(security.get(), &owner, &defaulted);
  ::SetSecurityDescriptorGroup(security.get(), owner, FALSE);
  HANDLE process = nullptr, impersonation = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &process))
    return false;
  win32::UniqueToken ownedProcess(process);
  if (!::DuplicateToken(process, SecurityImpersonation, &impersonation)) return false;
  win32::UniqueToken ownedImpersonation(impersonation);
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  DWORD wanted = rights;
  ::MapGenericMask(&wanted, &mapping);
  PRIVILEGE_SET privileges;
  DWORD privilegesSize = sizeof(privileges);
  DWORD granted = 0;
  BOOL allowed = FALSE;
  return ::AccessCheck(security.get(), impersonation, wanted, &mapping, &privileges,
                       &privilegesSize, &granted, &allowed) &&
         allowed;
}

void UnsetEnvironment(TestMachine&, const std::string& name) {
  ::SetEnvironmentVariableA(name.c_str(), nullptr);
}

std::unique_ptr<plat::Clock> NewClock() { return std::make_unique<win32::Win32Clock>(); }

std::unique_ptr<plat::Audience> NewAudience() { return std::make_unique<win32::Win32Audience>(); }

bool OnStationOfItsOwn(plat::Audience&, const std::function<void()>& check) {
  HWINSTA own = ::GetProcessWindowStation();
  HWINSTA made = ::CreateWindowStationW(L"VelmarContract", 0, WINSTA_ALL_ACCESS, nullptr);
  if (!made) return false;
  const bool moved = ::SetProcessWindowStation(made) != FALSE;
  if (moved) check();
  ::SetProcessWindowStation(own);
  ::CloseWindowStation(made);
  return moved;
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool UnderWineAsUnixRoot() {
  // scripts/wine-run passes the Unix user down; Wine gives a program no other view of it.
  const char* root = std::getenv("VELMAR_WINE_UNIX_ROOT");
  return UnderWine() && root && std::strcmp(root, "1") == 0;
}

}  // namespace contract
