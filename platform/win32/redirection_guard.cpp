#include "platform/win32/redirection_guard.h"

#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

// Missing from mingw-w64's headers: PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY, whose flags
// word has EnforceRedirectionTrust as its lowest bit, and its policy number.
constexpr int kProcessRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

using SetPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
using GetPolicyFn = BOOL(WINAPI*)(HANDLE, int, PVOID, SIZE_T);

}  // namespace

bool TurnOnRedirectionGuard() {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto set = reinterpret_cast<SetPolicyFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetProcessMitigationPolicy")));
  const auto get = reinterpret_cast<GetPolicyFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "GetProcessMitigationPolicy")));
  if (!set || !get) return false;
  DWORD flags = kEnforceRedirectionTrust;
  if (!set(kProcessRedirectionTrustPolicy, &flags, sizeof(flags))) return false;
  // Read back: Wine's call, and a system that ignores an unknown policy, say yes to anything.
  DWORD now = 0;
  return get(::GetCurrentProcess(), kProcessRedirectionTrustPolicy, &now, sizeof(now)) &&
         (now & kEnforceRedirectionTrust) != 0;
}

}  // namespace win32
