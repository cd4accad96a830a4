// The clock and the run locks, on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/win_constants.h"
#include "tests/contract/contract_machine.h"
#include "tests/support/test_machine.h"

namespace {

TEST(ClockContract, TellsTheLocalTimeAndItsOffset) {
  std::unique_ptr<plat::Clock> clock = contract::NewClock();
  const plat::LocalTime t = clock->Now();
  EXPECT_GE(t.year, 2024);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12) << t.month;
  EXPECT_TRUE(t.day >= 1 && t.day <= 31) << t.day;
  EXPECT_TRUE(t.hour >= 0 && t.hour <= 23) << t.hour;
  EXPECT_TRUE(t.minute >= 0 && t.minute <= 59) << t.minute;
  EXPECT_TRUE(t.second >= 0 && t.second <= 60) << t.second;
  // Every zone lies within 14 hours of UTC, in whole quarters of an hour.
  EXPECT_LE(t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes, 14 * 60);
  EXPECT_EQ(t.utcOffsetMinutes % 15, 0) << t.utcOffsetMinutes;
}

// A name made is held by this process: making it again finds it, owned as it was made, and
// holding it finds it; a name nobody made cannot be held. Once its holder has gone, it can be
// made anew.
TEST(RunLocksContract, AMadeNameIsFoundUntilItsHolderEnds) {
  std::unique_ptr<TestMachine> machine = TestMachine::Create();
  const std::string name =
      "VelmarContract-" + std::to_string(machine->platform().processes.CurrentProcessId());
  plat::AccessList access;
  access.entries = {{"S-1-5-18", plat::kSectionAllAccess, 0},
                    {"S-1-5-32-544", plat::kSectionAllAccess, 0}};
  const std::string admins = "S-1-5-32-544";
  {
    std::unique_ptr<plat::RunLocks> locks = contract::NewRunLocks();
    EXPECT_EQ(locks->Make(name, admins, access).answer, plat::LockAnswer::kMade);
    const plat::LockAttempt again = locks->Make(name, admins, access);
    EXPECT_EQ(again.answer, plat::LockAnswer::kExists);
    EXPECT_EQ(again.ownerSid, admins);
    EXPECT_TRUE(locks->Hold(name));
    EXPECT_FALSE(locks->Hold(name + "-none"));
  }
  std::unique_ptr<plat::RunLocks> later = contract::NewRunLocks();
  EXPECT_EQ(later->Make(name, admins, access).answer, plat::LockAnswer::kMade);
}

}  // namespace
