#include "discovery/discovery.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

#include "platform/win_constants.h"

namespace {

using plat::HKey;
using plat::UniqueKey;

constexpr uint32_t kNameBufferSize = 256;
constexpr uint32_t kDataBufferSize = 256;
// Real product trees are a few levels deep; the bound only stops a registry link loop or a
// pathological tree from exhausting the stack.
constexpr int kMaxSearchDepth = 64;
// A link that loops back from two places under one key still leaves a depth-bounded walk
// 2^64 keys long. No real tree below one release key comes near this many keys; beyond it the
// walk opens nothing more, and what it found up to there stays found.
constexpr uint32_t kMaxKeysPerWalk = 100000;

const char kValueLocation[] = "AcadLocation";
const char kValueProductName[] = "ProductName";

// Name of the sub-key at index into a 256-byte buffer; false when it cannot be read (the key
// changed since it was counted).
bool SubKeyName(plat::Registry& registry, HKey key, uint32_t index, std::string* name) {
  char buffer[kNameBufferSize];
  buffer[0] = '\0';
  uint32_t size = kNameBufferSize;
  if (registry.EnumKey(key, index, buffer, &size) != plat::kErrorSuccess) return false;
  name->assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

// One value looked for below a key, with its hits in the order they were met.
struct ValueSearch {
  std::string valueName;
  StringList keyPaths;
  StringList values;
};

// A depth-first walk that runs one or two value searches at once. A key that holds a search's
// value ends that search below it and no other; the walk goes down while any search is still
// looking. Each search therefore meets the same keys in the same order as it would alone, and
// every key is opened and listed once instead of once per search.
class ValueWalk {
 public:
  ValueWalk(plat::Registry& registry, ValueSearch* first, ValueSearch* second = nullptr)
      : registry_(registry), searches_{first} {
    if (second) searches_.push_back(second);
  }

  // Searches from the key subKeyName below parent; keyPath is that key's path.
  void Run(HKey parent, const std::string& subKeyName, const std::string& keyPath) {
    path_ = keyPath;
    Visit(parent, subKeyName, 0, (1u << searches_.size()) - 1);
  }

 private:
  // looking: one bit per search still looking on this branch.
  void Visit(HKey parent, const std::string& subKeyName, int depth, unsigned looking) {
    if (opened_ == kMaxKeysPerWalk) return;
    ++opened_;
    UniqueKey key(registry_);
    if (registry_.OpenKeyRead(parent, subKeyName, key.put()) != plat::kErrorSuccess) return;

    // Both numbers in one question. Most keys of a large tree hold no values, and then no
    // search needs to ask for its value. When the numbers cannot be read, the values are asked
    // for all the same, and the key counts as having no sub-keys.
    uint32_t subKeys = 0, values = 0;
    const bool counted =
        registry_.QueryKeyCounts(key.get(), &subKeys, &values) == plat::kErrorSuccess;
    if (!counted || values != 0) looking = TakeHits(key.get(), looking);
    if (looking == 0 || depth >= kMaxSearchDepth || !counted) return;

    const size_t pathLength = path_.size();
    for (uint32_t i = 0; i < subKeys && opened_ < kMaxKeysPerWalk; ++i) {
      std::string name;
      if (!SubKeyName(registry_, key.get(), i, &name)) continue;
      path_.append(name).push_back('\\');
      Visit(key.get(), name, depth + 1, looking);
      path_.resize(pathLength);
    }
  }

  // Records the hits of this key and answers which searches still look below it.
  unsigned TakeHits(HKey key, unsigned looking) {
    unsigned bit = 1;
    for (ValueSearch* search : searches_) {
      const bool held = (looking & bit) && TakeHit(key, search);
      if (held) looking &= ~bit;
      bit <<= 1;
    }
    return looking;
  }

  // A value that cannot be read whole into the buffer, for whatever reason, is not held.
  bool TakeHit(HKey key, ValueSearch* search) {
    unsigned char data[kDataBufferSize] = {};
    uint32_t size = kDataBufferSize;
    if (registry_.QueryValue(key, search->valueName, nullptr, data, &size) != plat::kErrorSuccess)
      return false;
    const char* text = reinterpret_cast<const char*>(data);
    search->keyPaths.push_back(path_);
    search->values.emplace_back(text, strnlen(text, size));
    return true;
  }

  plat::Registry& registry_;
  std::vector<ValueSearch*> searches_;
  std::string path_;  // of the key being visited, each name followed by a backslash
  uint32_t opened_ = 0;
};

// The release a product name belongs to: the first year, in the pass's order, whose digits
// first occur at byte offset 1 or later; none when no year does.
std::optional<int> ReleaseOfProductName(const std::string& productName,
                                        const std::vector<int>& years) {
  for (int year : years) {
    size_t at = productName.find(std::to_string(year));
    if (at != std::string::npos && at >= 1) return year;
  }
  return std::nullopt;
}

// Records each location whose key also holds a product name of one of the years: every pair
// of equal key paths, by location in the order found and then by name in the order found.
// The names are looked up through their sorted order, so a walk with a great many hits costs
// no more to match than to find.
void RecordProducts(InstallCatalogue& catalogue, const ValueSearch& locations,
                    const ValueSearch& names, const std::vector<int>& years) {
  std::vector<size_t> byPath(names.keyPaths.size());
  std::iota(byPath.begin(), byPath.end(), 0);
  std::stable_sort(byPath.begin(), byPath.end(), [&](size_t a, size_t b) {
    return names.keyPaths[a] < names.keyPaths[b];
  });
  for (size_t j = 0; j < locations.keyPaths.size(); ++j) {
    const std::string& path = locations.keyPaths[j];
    auto first = std::lower_bound(
        byPath.begin(), byPath.end(), path,
        [&](size_t k, const std::string& p) { return names.keyPaths[k] < p; });
    for (auto it = first; it != byPath.end() && names.keyPaths[*it] == path; ++it) {
      std::optional<int> year = ReleaseOfProductName(names.values[*it], years);
      if (!year) continue;
      catalogue.hostKeyPaths[ReleaseIndex(*year)].push_back(path);
      catalogue.hostLocations[ReleaseIndex(*year)].push_back(locations.values[j]);
    }
  }
}

}  // namespace

void SearchValueKeys(plat::Registry& registry, InstallCatalogue& catalogue, HKey parent,
                     const char* subKeyName, std::string relativePath, std::string basePath) {
  ValueSearch search{catalogue.searchValueName, {}, {}};
  ValueWalk(registry, &search).Run(parent, subKeyName, basePath + relativePath);
  StringList& paths = catalogue.foundKeyPaths;
  StringList& values = catalogue.foundValues;
  paths.insert(paths.end(), search.keyPaths.begin(), search.keyPaths.end());
  values.insert(values.end(), search.values.begin(), search.values.end());
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

  // A count that cannot be read counts as no release keys.
  uint32_t count;
  if (registry.QuerySubKeyCount(root.get(), &count) != plat::kErrorSuccess) return;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!SubKeyName(registry, root.get(), i, &name)) continue;
    std::string releasePath = format.substr(0, slot) + name + format.substr(slot + 2);

    UniqueKey release(registry);
    if (registry.OpenKeyRead(root.get(), name, release.put()) != plat::kErrorSuccess) continue;

    // The empty name opens a second handle of the release key, which the walk starts from.
    ValueSearch locations{kValueLocation, {}, {}};
    ValueSearch names{kValueProductName, {}, {}};
    ValueWalk(registry, &locations, &names).Run(release.get(), "", releasePath);
    RecordProducts(catalogue, locations, names, years);

    // The working fields end as the product-name search, the later of the two, leaves them.
    catalogue.searchValueName = names.valueName;
    catalogue.foundKeyPaths = std::move(names.keyPaths);
    catalogue.foundValues = std::move(names.values);
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
