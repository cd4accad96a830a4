#pragma once
// Finds the installed AutoCAD products in the machine-wide registry. Only reads.
#include <string>
#include <vector>

#include "discovery/install_catalogue.h"
#include "platform/registry.h"

void DiscoverHosts(plat::Registry& registry, InstallCatalogue& catalogue);
void ScanReleaseRoot(plat::Registry& registry, InstallCatalogue& catalogue,
                     const std::string& rootPath, const char* releaseKeyFormat,
                     const std::vector<int>& years);
void SearchValueKeys(plat::Registry& registry, InstallCatalogue& catalogue, plat::HKey parent,
                     const char* subKeyName, std::string relativePath, std::string basePath);
