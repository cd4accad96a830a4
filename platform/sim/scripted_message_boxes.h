#pragma once
// Message boxes for tests: answers come from a script, every box shown is recorded.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace sim {

struct ShownMessage {
  std::string text;
  std::string title;
  unsigned type = 0;
};

class ScriptedMessageBoxes : public plat::MessageBoxes {
 public:
  // Queues the answer to the next box shown.
  void Answer(int buttonId) { answers_.push_back(buttonId); }
  const std::vector<ShownMessage>& shown() const { return shown_; }
  void Clear() {
    shown_.clear();
    answers_.clear();
  }

  // Without a scripted answer a box gets its first button (OK, Abort or Yes), so that a
  // test that forgot a script ends instead of retrying forever.
  int Show(const std::string& text, const std::string& title, unsigned type) override;

  // What another process does while a box waits for its answer.
  std::function<void()> whileShown;

 private:
  std::deque<int> answers_;
  std::vector<ShownMessage> shown_;
};

}  // namespace sim
