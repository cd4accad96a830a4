#pragma once
// The last stage of an installation: shape fonts into each chosen host's Fonts folder, and
// for release 2008 the plot driver into its Drv folder.
#include <string>

#include "discovery/install_catalogue.h"
#include "platform/platform.h"

void DeployToHosts(plat::Platform& platform, const InstallCatalogue& catalogue,
                   const ReleaseFlags& flags);
void CopyFontsAndDriver(plat::Platform& platform, std::string location, bool withDriver);
