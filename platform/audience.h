#pragma once
// Who could see a window of this process. A deployment tool's agent, a service and a task
// started at boot run as SYSTEM in session 0, on a window station of their own that no screen
// shows: a message box there waits for a click that no one can give.
#include <cstdint>

#include "platform/files.h"

namespace plat {

class Audience {
 public:
  virtual ~Audience() = default;
  // ProcessIdToSessionId of this process; false when the system does not tell.
  virtual bool SessionId(uint32_t* id) = 0;
  // Whether the process's window station (GetProcessWindowStation) is shown on a screen: its
  // UOI_FLAGS hold WSF_VISIBLE, as only WinSta0 of a session's does. False when its flags
  // cannot be read.
  virtual bool StationVisible(bool* visible) = 0;
};

// Why no person can see and answer a window of this process; the first of these that holds.
enum class Unseen {
  kSeen,           // a person can
  kSystemAccount,  // it runs as SYSTEM (S-1-5-18), whose windows no signed-in user owns
  kSessionZero,    // it runs in session 0, where services run and no one signs in
  kHiddenStation,  // its window station is shown on no screen
  kNotKnown,       // none of these holds, and the account, session or station cannot be read
};

// The account is files.RunningAccount's.
Unseen WhyUnseen(FileSystem& files, Audience& audience);
// For the log: "it runs as SYSTEM", ...; empty for kSeen.
const char* DescribeUnseen(Unseen why);

}  // namespace plat
