#include "unattended/silent_message_boxes.h"

#include "platform/win_constants.h"
#include "unattended/run_log.h"

namespace unattended {
namespace {

constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kMbRetryCancel = 0x5;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbOkCancel = 0x1;

constexpr unsigned kDefaultButtonMask = 0xF00;

int FixedAnswer(unsigned type) {
  const unsigned buttons = type & kButtonsMask;
  // A question whose default is No is one to which only a person may answer Yes.
  if (buttons == plat::kMbYesNo && (type & kDefaultButtonMask) == plat::kMbDefButton2)
    return plat::kIdNo;
  switch (buttons) {
    case plat::kMbAbortRetryIgnore:
      return plat::kIdAbort;
    case plat::kMbYesNo:
    case kMbYesNoCancel:
      return plat::kIdYes;
    case kMbRetryCancel:
    case kMbOkCancel:
      // Nobody is there to retry or to confirm: the cautious answer.
      return plat::kIdCancel;
    default:
      return plat::kIdOk;
  }
}

}  // namespace

int SilentMessageBoxes::Show(const std::string& text, const std::string& title, unsigned type) {
  const int answer = FixedAnswer(type);
  unshown_.push_back({text, title, type, answer});
  if (log_) log_->Unshown(unshown_.back());
  return answer;
}

bool SilentMessageBoxes::Asked(unsigned buttons) const {
  for (const UnshownMessage& box : unshown_) {
    if ((box.type & kButtonsMask) == buttons) return true;
  }
  return false;
}

}  // namespace unattended
