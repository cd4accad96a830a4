#pragma once
// Adds the install folder to TRUSTEDPATHS of every AutoCAD profile of the current user.
#include <string>

#include "discovery/install_catalogue.h"
#include "platform/platform.h"

void RegisterTrustedPaths(plat::Platform& platform, const InstallCatalogue& catalogue);
// Appends the names of the sub-keys of key that open for reading.
void ListSubKeys(plat::Registry& registry, plat::HKey key, StringList& list);
