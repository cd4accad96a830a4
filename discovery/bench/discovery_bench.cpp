// Discovery over a large registry, as a ratio to a bare walk that opens every key of the same
// tree once, both measured in this run. Natively on the simulated machine; in the Windows
// build, under Wine, on the real registry of the prefix it runs in.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "discovery/discovery.h"
#include "tests/support/test_machine.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string kRoot = "SOFTWARE\\Autodesk\\AutoCAD";

void Seed(plat::Registry& reg) {
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kRoot);
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    for (int product = 0; product < 3; ++product) {
      std::string key = kRoot + "\\R" + std::to_string(year - 1990) + ".0\\ACAD-" +
                        std::to_string(product) + "001:804";
      regtest::SetString(reg, plat::kHkeyLocalMachine, key, "AcadLocation",
                         "C:\\Program Files\\AutoCAD " + std::to_string(year));
      regtest::SetString(reg, plat::kHkeyLocalMachine, key, "ProductName",
                         "AutoCAD " + std::to_string(year) + " - 简体中文 (Simplified Chinese)");
    }
  }
  // 10,000 keys that hold neither value: 100 groups of 100.
  for (int group = 0; group < 100; ++group) {
    for (int item = 0; item < 100; ++item) {
      regtest::CreatePath(reg, plat::kHkeyLocalMachine,
                          kRoot + "\\Unrelated\\G" + std::to_string(group) + "\\K" +
                              std::to_string(item));
    }
  }
}

// Opens every key below the root once, as the least any search of the tree must do.
int BareWalk(plat::Registry& reg, plat::HKey parent, const std::string& name) {
  plat::UniqueKey key(reg);
  if (reg.OpenKeyRead(parent, name, key.put()) != plat::kErrorSuccess) return 0;
  uint32_t count = 0;
  reg.QuerySubKeyCount(key.get(), &count);
  int opened = 1;
  for (uint32_t i = 0; i < count; ++i) {
    char child[256] = "";
    uint32_t size = sizeof child;
    if (reg.EnumKey(key.get(), i, child, &size) == plat::kErrorSuccess)
      opened += BareWalk(reg, key.get(), child);
  }
  return opened;
}

double BestSeconds(int rounds, const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main() {
  auto machine = TestMachine::Create();
  plat::Registry& reg = machine->platform().registry;
  Seed(reg);

  int keys = 0;
  double walk = BestSeconds(5, [&] { keys = BareWalk(reg, plat::kHkeyLocalMachine, kRoot); });
  size_t found = 0;
  double discover = BestSeconds(5, [&] {
    InstallCatalogue catalogue;
    DiscoverHosts(reg, catalogue);
    found = 0;
    for (const StringList& list : catalogue.hostLocations) found += list.size();
  });
  std::printf("machine: %s\nkeys below the root: %d, products found: %zu\n",
              machine->simulated() ? "simulated" : "Win32 API", keys, found);
  std::printf("bare walk: %.4f s, discovery: %.4f s, ratio: %.2f\n", walk, discover,
              discover / walk);
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kRoot);
  return found == 57 ? 0 : 1;
}
