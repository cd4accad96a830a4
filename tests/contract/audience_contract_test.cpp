// Who could see a window of the process, on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include "tests/contract/contract_machine.h"

namespace {

// The test machine is a person's: a user's account, a session of its own, WinSta0. Wine answers
// so for every program, session 1 and a visible WinSta0 even without any X display; it never
// runs one as SYSTEM or in session 0, which Windows does for services and deployment agents
// (their station, "Service-0x0-3e7$", lacks WSF_VISIBLE). Only WinSta0 is shown on a screen:
// a station the process makes for itself is not, on Windows and under Wine alike.
TEST(AudienceContract, APersonSeesTheTestMachineButNoOneAStationOfItsOwn) {
  std::unique_ptr<TestMachine> machine = TestMachine::Create();
  plat::FileSystem& files = machine->platform().files;
  std::unique_ptr<plat::Audience> audience = contract::NewAudience();
  EXPECT_EQ(plat::WhyUnseen(files, *audience), plat::Unseen::kSeen);
  ASSERT_TRUE(contract::OnStationOfItsOwn(*audience, [&] {
    EXPECT_EQ(plat::WhyUnseen(files, *audience), plat::Unseen::kHiddenStation);
  }));
}

}  // namespace
