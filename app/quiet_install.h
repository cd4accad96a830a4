#pragma once
// The installation of /S: the install button's command with every question answered in
// advance. The releases are every one found (or those of /RELEASES= that are installed), the
// folder the default (or /DIR=), a running host ends the run, and a failed copy is Abort. The result on the machine is the one the
// dialog gives for the same choices.
#include <string>

#include "app/installation.h"
#include "cmdline/command_line.h"
#include "unattended/run_log.h"

namespace app {

constexpr char kDefaultFolder[] = "C:\\Velmar";

// The folder a run offers: that of the installation the installed-programs entry names, as a
// user would type it (without the product sub-folder; a drive's root with its backslash), or
// kDefaultFolder when there is none.
std::string OfferedFolder(plat::Platform& platform);

// The releases a run serves: every one found, or those of /RELEASES= that are installed (others
// unticked); those of /RELEASES= the machine lacks are passed over and named in *missing. False
// when /RELEASES= names releases and none of them is installed.
bool ChooseReleases(const InstallCatalogue& catalogue, const cmdline::Options& options,
                    ReleaseFlags* flags, std::vector<int>* missing);

// "release 2024" or "releases 2010, 2024", for the log.
std::string NotInstalledText(const std::vector<int>& years);

// Runs it; log may be null. Answers the run's exit code.
int RunQuietInstall(Installation& installation, const cmdline::Options& options,
                    unattended::RunLog* log);

}  // namespace app
