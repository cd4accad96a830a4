#pragma once
// A progress bar that behaves like the common-controls one and remembers every position.
#include <vector>

#include "platform/progress_sink.h"

namespace sim {

class RecordingProgress : public plat::ProgressSink {
 public:
  void SetRange(int low, int high) override;
  void SetStep(int step) override;
  void SetPos(int pos) override;
  void StepIt() override;

  int low = 0, high = 100, step = 10, pos = 0;
  std::vector<int> positions;  // the position after every SetPos and StepIt
  std::vector<char> calls;     // 'r' range, 's' step, 'p' position, 'i' step-it, in order
};

}  // namespace sim
