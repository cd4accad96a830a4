#pragma once
// Finds the installed AutoCAD products in the machine-wide registry. Only reads.
//
// Below each release key one walk looks for AcadLocation and ProductName at once; each value's
// search ends below the key that holds it. A walk goes at most 64 levels below its start and
// opens at most 100,000 keys; past that it opens nothing more and keeps what it found.
#include <string>
#include <vector>

#include "discovery/install_catalogue.h"
#include "platform/registry.h"

void DiscoverHosts(plat::Registry& registry, InstallCatalogue& catalogue);
void ScanReleaseRoot(plat::Registry& registry, InstallCatalogue& catalogue,
                     const std::string& rootPath, const char* releaseKeyFormat,
                     const std::vector<int>& years);
// Appends to foundKeyPaths and foundValues each key below parent\subKeyName that holds the
// value named by searchValueName, with basePath + relativePath as the start's key path.
void SearchValueKeys(plat::Registry& registry, InstallCatalogue& catalogue, plat::HKey parent,
                     const char* subKeyName, std::string relativePath, std::string basePath);
