#pragma once
// One run at a time on a machine. Two runs at once would write the same keys, files and
// record together: a start-up script while a user has the dialog open, a second double-click,
// an uninstall while an installation copies. So every run that may change something first
// takes the machine's run lock, from its first moment to its end; the uninstall's helper takes
// it once its uninstaller has ended.
//
// No standard user may take the lock first or spoil it: it is a file held open for this run
// alone (shared with no one) in the Windows folder, where administrators may make files and
// users may not, and where there is no folder of ours that someone could make first. A named
// object in the global namespace would not do: any user may make a mutex of the lock's name
// there, and every run after it would find the name taken. The file is marked for deletion as
// soon as it is held: it goes when the run ends, however it ends, and nothing is left of it.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/platform.h"

namespace onerun {

constexpr char kLockFileName[] = "VelmarBatchPlotSetup.Run.lock";

enum class Claimed {
  kOurs,        // this run holds the lock
  kAnotherRun,  // another run holds it: this one must change nothing
  kUnguarded,   // no lock could be had (see note): the run goes on without
};

struct Claim {
  Claimed claimed = Claimed::kUnguarded;
  std::string note;  // what happened, for the log
  plat::UniqueFileHandle lock;  // held until the run ends
};

// What a run that finds another one running tells the user.
std::string AnotherRunText();

// helper: the run is the uninstall's helper, which waits for the lock as long as it waits for
// its uninstaller to end (the user may read its last message for a while). A lock held by
// another run is tried again every quarter of a second for waitMilliseconds: an uninstall's
// helper finishes within moments of the uninstaller's end, and a script's next run should not
// fail on it.
Claim ClaimTheRun(plat::Platform& machine, plat::Clock& clock, bool helper,
                  uint32_t waitMilliseconds);

}  // namespace onerun
