#include "platform/sim/scripted_message_boxes.h"

#include "platform/win_constants.h"

namespace sim {

int ScriptedMessageBoxes::Show(const std::string& text, const std::string& title, unsigned type) {
  shown_.push_back({text, title, type});
  if (whileShown) whileShown();
  if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  switch (type & 0xF) {
    case plat::kMbAbortRetryIgnore: return plat::kIdAbort;
    case plat::kMbYesNo: return plat::kIdYes;
    default: return plat::kIdOk;
  }
}

}  // namespace sim
