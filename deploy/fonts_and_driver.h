#pragma once
// The last stage of an installation: shape fonts into each chosen host's Fonts folder, and
// for release 2008 the plot driver into its Drv folder, with the bytes the package read. Each
// host folder is walked from its drive's root first: one reached through a junction or
// symbolic link gets nothing, and the user is told; one that users may change still gets its
// files (AutoCAD's own there are theirs to change already), written through its handle.
#include <string>

#include "deploy/package.h"
#include "discovery/install_catalogue.h"
#include "platform/platform.h"

void DeployToHosts(plat::Platform& platform, const deploy::Package& package,
                   const InstallCatalogue& catalogue, const ReleaseFlags& flags);
void CopyFontsAndDriver(plat::Platform& platform, const deploy::Package& package,
                        std::string location, bool withDriver);
