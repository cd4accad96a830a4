#pragma once
// Auto-load entries of the plug-in module under every found product key of each ticked
// release; then the trusted paths of every profile.
#include "discovery/install_catalogue.h"
#include "platform/platform.h"

// ModuleYear serving a release year, or 0 for a year outside 2007..2025.
int ModuleYearOf(int releaseYear);

void RegisterWithHost(plat::Platform& platform, const InstallCatalogue& catalogue,
                      const ReleaseFlags& flags);
void RegisterReleaseAutoLoad(plat::Platform& platform, const InstallCatalogue& catalogue,
                             int releaseYear);
