#include "registration/auto_load.h"

#include <cstdint>
#include <string>

#include "registration/trusted_paths.h"

namespace {

// Release year -> year of the module file that serves it; releases share modules whose
// binary interface did not change.
constexpr int kModuleYears[kReleaseCount] = {
    2008, 2008, 2008,  // 2007 2008 2009
    2010, 2010, 2010,  // 2010 2011 2012
    2013, 2013,        // 2013 2014
    2015, 2015,        // 2015 2016
    2017,              // 2017
    2018,              // 2018
    2019, 2019,        // 2019 2020
    2021, 2021, 2021, 2021,  // 2021 2022 2023 2024
    2025,              // 2025
};

}  // namespace

int ModuleYearOf(int releaseYear) {
  return IsReleaseYear(releaseYear) ? kModuleYears[ReleaseIndex(releaseYear)] : 0;
}

void RegisterReleaseAutoLoad(plat::Platform& platform, const InstallCatalogue& catalogue,
                             int releaseYear) {
  const int moduleYear = ModuleYearOf(releaseYear);
  if (moduleYear == 0) return;

  plat::Registry& reg = platform.registry;
  const std::string entryName = "Applications\\VL_BatchPlot" + std::to_string(releaseYear);
  // Built whole, however long the install folder is.
  const std::string loader =
      catalogue.installFolder + "\\VL_BatchPlot" + std::to_string(moduleYear) + ".ARX";
  const uint32_t loadCtrls = 2;

  const StringList& productKeys = catalogue.hostKeyPaths[ReleaseIndex(releaseYear)];
  for (std::size_t i = 0; i < productKeys.size(); ++i) {
    // An empty path would open HKEY_LOCAL_MACHINE itself.
    if (productKeys[i].empty()) continue;
    plat::UniqueKey product(reg);
    // The seam hands back a handle exactly when the call succeeds.
    if (reg.OpenKey(plat::kHkeyLocalMachine, productKeys[i], product.put()) != plat::kErrorSuccess)
      continue;
    // Deleting first drops values left from earlier installs; a key with sub-keys survives
    // and keeps its other values.
    reg.DeleteKey(product.get(), entryName);
    plat::UniqueKey entry(reg);
    if (reg.CreateKey(product.get(), entryName, entry.put()) != plat::kErrorSuccess) continue;
    reg.SetValue(entry.get(), "LOADCTRLS", plat::kRegDword, &loadCtrls, sizeof loadCtrls);
    // The byte count leaves the terminator out; the registry stores it anyway, since
    // std::string keeps a zero right after the text.
    reg.SetValue(entry.get(), "LOADER", plat::kRegSz, loader.c_str(),
                 static_cast<uint32_t>(loader.size()));
  }
}

void RegisterWithHost(plat::Platform& platform, const InstallCatalogue& catalogue,
                      const ReleaseFlags& flags) {
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    if (flags[ReleaseIndex(year)] != 0) RegisterReleaseAutoLoad(platform, catalogue, year);
  }
  // Trusted paths serve every profile of the user, whichever releases were ticked.
  RegisterTrustedPaths(platform, catalogue);
}
