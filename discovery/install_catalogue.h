#pragma once
// What the setup program knows about the machine: the host products found per release and,
// once installing, the install folder. Filled once by DiscoverHosts, read by everyone else.
#include <array>
#include <string>
#include <vector>

#include "discovery/releases.h"

using StringList = std::vector<std::string>;

struct InstallCatalogue {
  // The user's folder with the product sub-folder appended, without a final backslash.
  std::string installFolder;
  // Per release index: program folder (AcadLocation data) of each product found.
  std::array<StringList, kReleaseCount> hostLocations;
  // Per release index: key path below HKEY_LOCAL_MACHINE of each product, ending in '\\'.
  // Entry n here and entry n of hostLocations describe the same product.
  std::array<StringList, kReleaseCount> hostKeyPaths;
  // Working state of the registry value search.
  std::string searchValueName = "AcadLocation";
  StringList foundKeyPaths;
  StringList foundValues;
};

// Defined beside the application object, so that it is built after it and destroyed before it.
extern InstallCatalogue theCatalogue;
