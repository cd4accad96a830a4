#pragma once
// One run at a time on a machine. Two runs at once would write the same keys, files and
// record together: a start-up script while a user has the dialog open, a second double-click,
// an uninstall while an installation copies. So every run that may change something first
// takes the machine's run lock, from its first moment to its end; the uninstall's helper
// shares the lock of the uninstaller that started it.
//
// A standard user must not be able to block every installation by making the name first.
// The lock is an object whose owner is the Administrators group: Windows lets nobody name an
// owner it may not be, so an object of that name owned by anyone but Administrators or SYSTEM
// was not made by a run of this program, and is passed over. (From a user's session, making
// such an object in the global namespace needs SeCreateGlobalPrivilege as well, which
// standard users lack.)
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/run_locks.h"

namespace onerun {

constexpr char kRunLockName[] = "VelmarBatchPlotSetup.Run";

enum class Claimed {
  kOurs,        // this run holds the lock
  kJoined,      // the helper holds it together with the uninstaller that started it
  kAnotherRun,  // another run holds it: this one must change nothing
  kUnguarded,   // no lock of this program's could be had (see note): the run goes on without
};

struct Claim {
  Claimed claimed = Claimed::kUnguarded;
  std::string note;  // what happened, for the log
};

// helper: the run is the uninstall's helper. A lock held by another run is tried again every
// quarter of a second for waitMilliseconds: an uninstall's helper finishes within moments of
// the uninstaller's end, and a script's next run should not fail on it.
// What a run that finds another one running tells the user.
std::string AnotherRunText();

Claim ClaimTheRun(plat::RunLocks& locks, plat::Clock& clock, bool helper,
                  uint32_t waitMilliseconds);

}  // namespace onerun
