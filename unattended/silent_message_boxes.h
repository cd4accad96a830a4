#pragma once
// Message boxes of a run without windows: nothing is ever shown. Each box gets the fixed
// answer of an unattended run (Abort to a failed copy, Yes to the folder question, No to a
// question whose default is No, OK to every notice) and is kept, so the run can tell what it
// was asked and the log can say so.
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace unattended {

struct UnshownMessage {
  std::string text;
  std::string title;
  unsigned type = 0;
  int answer = 0;
};

class RunLog;

class SilentMessageBoxes : public plat::MessageBoxes {
 public:
  // log, when given, hears of every box at once, in its place among the run's events.
  explicit SilentMessageBoxes(RunLog* log = nullptr) : log_(log) {}
  int Show(const std::string& text, const std::string& title, unsigned type) override;
  const std::vector<UnshownMessage>& unshown() const { return unshown_; }
  // Whether a box with these buttons (kMbAbortRetryIgnore, ...) was asked for.
  bool Asked(unsigned buttons) const;

 private:
  RunLog* log_;
  std::vector<UnshownMessage> unshown_;
};

}  // namespace unattended
