// The clock, on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <memory>

#include "tests/contract/contract_machine.h"

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

}  // namespace
