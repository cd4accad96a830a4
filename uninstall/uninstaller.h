#pragma once
// What an installation adds for its uninstall, besides the record its recorder keeps: the
// uninstaller (a copy of the running program, Uninstall.exe) and the installed-programs entry,
// both in place before the first file is copied, so that even an installation stopped
// half-way can be undone. The run's script calls these at their points; all of them fail
// silently, as the rest of the installation does, but for writes no record holds: those the
// user is told of.
#include <string>

#include "platform/platform.h"
#include "uninstall/recorder.h"

namespace uninstall {

// What stood in place before PrepareUninstall, which an abandoned run leaves as it was.
struct Prepared {
  bool entryBefore = false;
  bool uninstallerBefore = false;
};

// The install folder is made and the install sequence about to begin: the record opened, the
// uninstaller and the entry written (through platform, the run's own, which the log hears).
// image: the running program's own file, held open since the start of the run; the uninstaller
// is written from it, so that whatever stands at the program's path by now is never taken.
Prepared PrepareUninstall(plat::Platform& platform, Recorder& recorder,
                          const std::string& folder, int version, plat::FileHandle image);

// The sequence ended before its end (the package missing, a copy answered Abort). An
// installation of which nothing but its folders reached the machine leaves no uninstaller,
// record or entry behind; one that placed something keeps them, so that it can be uninstalled.
void AbandonUninstall(plat::Platform& platform, Recorder& recorder, const std::string& folder,
                      const Prepared& prepared, int version);

// The installation's last write is done: the entry shows what stays, and the user is told of
// the writes no record holds.
void FinishUninstall(plat::Platform& platform, Recorder& recorder, const std::string& folder,
                     int version);

}  // namespace uninstall
