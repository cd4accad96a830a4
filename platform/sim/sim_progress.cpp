#include "platform/sim/sim_progress.h"

namespace sim {

void RecordingProgress::SetRange(int lo, int hi) {
  calls.push_back('r');
  low = lo;
  high = hi;
  if (pos < low) pos = low;
  if (pos > high) pos = high;
}

void RecordingProgress::SetStep(int s) {
  calls.push_back('s');
  step = s;
}

void RecordingProgress::SetPos(int p) {
  calls.push_back('p');
  pos = p < low ? low : (p > high ? high : p);
  positions.push_back(pos);
}

void RecordingProgress::StepIt() {
  calls.push_back('i');
  // The common control starts again from the bottom once a step passes the top.
  pos += step;
  if (pos > high) pos = low + (pos - high) % (high - low == 0 ? 1 : high - low);
  positions.push_back(pos);
}

}  // namespace sim
