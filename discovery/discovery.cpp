#include "discovery/discovery.h"

#include <cstring>

#include "platform/win_constants.h"

namespace {

using plat::HKey;
using plat::UniqueKey;

constexpr uint32_t kNameBufferSize = 256;
constexpr uint32_t kDataBufferSize = 256;
// Real product trees are a few levels deep; the bound only stops a registry link loop or a
// pathological tree from exhausting the stack.
constexpr int kMaxSearchDepth = 64;

const char kValueLocation[] = "AcadLocation";
const char kValueProductName[] = "ProductName";

uint32_t SubKeyCount(plat::Registry& registry, HKey key) {
  uint32_t count = 0;
  if (registry.QuerySubKeyCount(key, &count) != plat::kErrorSuccess) return 0;
  return count;
}

// Name of the sub-key at index into a 256-byte buffer; false when it cannot be read (the key
// changed since it was counted).
bool SubKeyName(plat::Registry& registry, HKey key, uint32_t index, std::string* name) {
  char buffer[kNameBufferSize];
  buffer[0] = '\0';
  uint32_t size = kNameBufferSize;
  if (registry.EnumKey(key, index, buffer, &size) != plat::kErrorSuccess) return false;
  name->assign(buffer, strnlen(buffer, size < kNameBufferSize ? size : kNameBufferSize - 1));
  return true;
}

void Search(plat::Registry& registry, InstallCatalogue& catalogue, HKey parent,
            const std::string& subKeyName, const std::string& relativePath,
            const std::string& basePath, int depth) {
  UniqueKey key(registry);
  if (registry.OpenKeyRead(parent, subKeyName, key.put()) != plat::kErrorSuccess) return;

  unsigned char data[kDataBufferSize] = {};
  uint32_t size = kDataBufferSize;
  if (registry.QueryValue(key.get(), catalogue.searchValueName, nullptr, data, &size) ==
      plat::kErrorSuccess) {
    size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    catalogue.foundKeyPaths.push_back(basePath + relativePath);
    catalogue.foundValues.emplace_back(reinterpret_cast<const char*>(data), length);
    return;
  }
  if (depth >= kMaxSearchDepth) return;

  uint32_t count = SubKeyCount(registry, key.get());
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!SubKeyName(registry, key.get(), i, &name)) continue;
    Search(registry, catalogue, key.get(), name, relativePath + name + "\\", basePath, depth + 1);
  }
}

// The release a product name belongs to: the first year, in the pass's order, whose digits
// first occur at byte offset 1 or later; 0 when none does.
int ReleaseOfProductName(const std::string& productName, const std::vector<int>& years) {
  for (int year : years) {
    size_t at = productName.find(std::to_string(year));
    if (at != std::string::npos && at >= 1) return year;
  }
  return 0;
}

// One value search below the release key, starting from empty found lists.
void SearchReleaseKey(plat::Registry& registry, InstallCatalogue& catalogue, HKey releaseKey,
                      const char* valueName, const std::string& releasePath, StringList* keyPaths,
                      StringList* values) {
  catalogue.foundKeyPaths.clear();
  catalogue.foundValues.clear();
  catalogue.searchValueName = valueName;
  SearchValueKeys(registry, catalogue, releaseKey, "", "", releasePath);
  *keyPaths = catalogue.foundKeyPaths;
  *values = catalogue.foundValues;
}

}  // namespace

void SearchValueKeys(plat::Registry& registry, InstallCatalogue& catalogue, HKey parent,
                     const char* subKeyName, std::string relativePath, std::string basePath) {
  Search(registry, catalogue, parent, subKeyName, relativePath, basePath, 0);
}

void ScanReleaseRoot(plat::Registry& registry, InstallCatalogue& catalogue,
                     const std::string& rootPath, const char* releaseKeyFormat,
                     const std::vector<int>& years) {
  UniqueKey machine(registry);
  if (registry.OpenKey(plat::kHkeyLocalMachine, "", machine.put()) != plat::kErrorSuccess) return;
  UniqueKey root(registry);
  if (registry.OpenKeyRead(machine.get(), rootPath, root.put()) != plat::kErrorSuccess) return;

  // The format has exactly one %s, for the release key's name.
  const std::string format = releaseKeyFormat;
  const size_t slot = format.find("%s");

  uint32_t count = SubKeyCount(registry, root.get());
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!SubKeyName(registry, root.get(), i, &name)) continue;
    std::string releasePath = format.substr(0, slot) + name + format.substr(slot + 2);

    UniqueKey release(registry);
    if (registry.OpenKeyRead(root.get(), name, release.put()) != plat::kErrorSuccess) continue;

    StringList locationPaths, locations, namePaths, productNames;
    SearchReleaseKey(registry, catalogue, release.get(), kValueLocation, releasePath,
                     &locationPaths, &locations);
    SearchReleaseKey(registry, catalogue, release.get(), kValueProductName, releasePath,
                     &namePaths, &productNames);

    for (size_t j = 0; j < locationPaths.size(); ++j) {
      for (size_t k = 0; k < namePaths.size(); ++k) {
        if (locationPaths[j] != namePaths[k]) continue;
        int year = ReleaseOfProductName(productNames[k], years);
        if (year == 0) continue;
        catalogue.hostKeyPaths[ReleaseIndex(year)].push_back(locationPaths[j]);
        catalogue.hostLocations[ReleaseIndex(year)].push_back(locations[j]);
      }
    }
  }
  // The owners close the release keys, then the root key, then the machine root.
}

void DiscoverHosts(plat::Registry& registry, InstallCatalogue& catalogue) {
  // The 32-bit view first, so that within 2007..2009 its products come before the native ones.
  ScanReleaseRoot(registry, catalogue, "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD",
                  "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\%s\\", {2007, 2008, 2009});
  std::vector<int> allYears;
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) allYears.push_back(year);
  ScanReleaseRoot(registry, catalogue, "SOFTWARE\\Autodesk\\AutoCAD",
                  "SOFTWARE\\Autodesk\\AutoCAD\\%s\\", allYears);
}
