#include "platform/audience.h"

#include <string>

#include "platform/win_constants.h"

namespace plat {

Unseen WhyUnseen(FileSystem& files, Audience& audience) {
  bool known = true;
  std::string account;
  if (!files.RunningAccount(&account)) {
    known = false;
  } else if (account == kSidLocalSystem) {
    return Unseen::kSystemAccount;
  }
  uint32_t session = 0;
  if (!audience.SessionId(&session)) {
    known = false;
  } else if (session == 0) {
    return Unseen::kSessionZero;
  }
  bool visible = false;
  if (!audience.StationVisible(&visible)) {
    known = false;
  } else if (!visible) {
    return Unseen::kHiddenStation;
  }
  return known ? Unseen::kSeen : Unseen::kNotKnown;
}

const char* DescribeUnseen(Unseen why) {
  switch (why) {
    case Unseen::kSeen: return "";
    case Unseen::kSystemAccount: return "it runs as SYSTEM";
    case Unseen::kSessionZero: return "it runs in session 0, where no one signs in";
    case Unseen::kHiddenStation: return "its window station is shown on no screen";
    case Unseen::kNotKnown: return "the system does not tell who could see its windows";
  }
  return "";
}

}  // namespace plat
