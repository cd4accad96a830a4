#pragma once
// A clock whose time a test sets. Sleep lets the time run on by what was asked, and tells a
// test's hook, which can change the machine meanwhile (another run ending, say).
#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace sim {

class SimClock : public plat::Clock {
 public:
  plat::LocalTime Now() override { return now; }
  void Sleep(uint32_t milliseconds) override {
    slept += milliseconds;
    carry_ += milliseconds;
    for (; carry_ >= 1000; carry_ -= 1000) ++now.second;  // seconds past 59 are fine for a test
    if (onSleep) onSleep(slept);
  }

  plat::LocalTime now{2024, 4, 26, 10, 15, 0, 480};
  uint64_t slept = 0;  // milliseconds, over every Sleep
  std::function<void(uint64_t slept)> onSleep;

 private:
  uint32_t carry_ = 0;
};

}  // namespace sim
