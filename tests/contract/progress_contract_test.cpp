// The progress bar as the install sequence drives it: a sim::RecordingProgress natively, a
// common-controls progress bar under Wine, answering the same positions.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/contract/contract_machine.h"

namespace {

TEST(ProgressContract, KeepsPositionsInRangeAndWrapsPastTheTop) {
  using Sink = plat::ProgressSink;
  struct Step {
    const char* label;
    std::function<void(Sink&)> call;
    int pos;  // as the bar reports it afterwards
  };
  const std::vector<Step> steps = {
      {"range 0..50", [](Sink& s) { s.SetRange(0, 50); }, 0},
      {"step 1", [](Sink& s) { s.SetStep(1); }, 0},
      {"pos 0", [](Sink& s) { s.SetPos(0); }, 0},
      {"step it", [](Sink& s) { s.StepIt(); }, 1},
      {"pos 49", [](Sink& s) { s.SetPos(49); }, 49},
      {"step to the top", [](Sink& s) { s.StepIt(); }, 50},
      {"step past the top", [](Sink& s) { s.StepIt(); }, 1},
      {"pos above the range", [](Sink& s) { s.SetPos(80); }, 50},
      {"pos below the range", [](Sink& s) { s.SetPos(-3); }, 0},
      {"step 7", [](Sink& s) { s.SetStep(7); }, 0},
      {"pos 48", [](Sink& s) { s.SetPos(48); }, 48},
      {"wrap by the overshoot", [](Sink& s) { s.StepIt(); }, 5},
      {"range 10..20 pulls the position up", [](Sink& s) { s.SetRange(10, 20); }, 10},
      {"pos 18", [](Sink& s) { s.SetPos(18); }, 18},
      {"wrap from a low bound above zero", [](Sink& s) { s.StepIt(); }, 15},
      {"range 0..5 pulls the position down", [](Sink& s) { s.SetRange(0, 5); }, 5},
  };
  std::unique_ptr<contract::ProgressProbe> bar = contract::ProgressProbe::Create();
  ASSERT_TRUE(bar->ready()) << "no progress bar window: Windows tests need a display "
                               "(scripts/test runs them under Xvfb)";
  for (const Step& step : steps) {
    step.call(bar->sink());
    EXPECT_EQ(bar->Pos(), step.pos) << step.label;
  }
}

}  // namespace
