#include "platform/win32/redirection_guard.h"

#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"

namespace {

// Wine's SetProcessMitigationPolicy says yes to every policy and does nothing; the answer comes
// from what the process reports afterwards. On Windows it depends on the version.
TEST(RedirectionGuard, IsOnOnlyWhenTheProcessReportsItOn) {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  if (!::GetProcAddress(ntdll, "wine_get_version")) GTEST_SKIP() << "Windows: on from 10 22H2";
  EXPECT_FALSE(win32::TurnOnRedirectionGuard());
}

}  // namespace
