#pragma once
// The installation of /S: the interactive run with every question answered in advance. The
// releases are every one found (or those of /RELEASES=), the folder the default (or /DIR=),
// a running host ends the run, the folder question is Yes and a failed copy is Abort. The
// install itself is the install button's own logic, so the result on the machine is the one
// the dialog gives for the same choices.
#include <string>

#include "app/install_command.h"
#include "cmdline/command_line.h"
#include "discovery/install_catalogue.h"
#include "platform/platform.h"
#include "unattended/run_log.h"
#include "unattended/silent_message_boxes.h"

namespace unattended {

constexpr char kDefaultFolder[] = "C:\\Velmar";

// The releases a run serves: every one found, or those of /RELEASES= (others unticked). A
// release that cannot be served (not found) is named in *missing and the answer is false.
bool ChooseReleases(const InstallCatalogue& catalogue, const cmdline::Options& options,
                    ReleaseFlags* flags, int* missing);

// Runs it on platform, whose message boxes are boxes; after runs once the installation has
// succeeded. log may be null. Answers the run's exit code.
int RunSilentInstall(plat::Platform& platform, SilentMessageBoxes& boxes,
                     InstallCatalogue& catalogue, const cmdline::Options& options,
                     AfterInstall* after, RunLog* log);

}  // namespace unattended
