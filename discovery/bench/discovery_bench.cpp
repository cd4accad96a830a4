// Discovery over a large registry, as a ratio to a bare walk that opens every key of the same
// tree once, both measured in this run. Natively on the simulated machine; in the Windows
// build, under Wine, on the real registry of the prefix it runs in.
//
// Two trees, each with 19 releases x 3 products: one with 10,000 keys without either value
// below the AutoCAD root, and one as the start-up benchmark's machine has them, 5,000 inside
// the AutoCAD tree and 5,000 elsewhere.
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
const std::string kElsewhere = "SOFTWARE\\Contoso\\Catalogue";

struct Tree {
  const char* name;
  std::string unrelatedInside;  // where the keys without either value go
  int groupsInside;             // of 100 keys each
  int groupsElsewhere;
};

void Groups(plat::Registry& reg, const std::string& base, int groups) {
  for (int group = 0; group < groups; ++group) {
    for (int item = 0; item < 100; ++item) {
      regtest::CreatePath(reg, plat::kHkeyLocalMachine,
                          base + "\\G" + std::to_string(group) + "\\K" + std::to_string(item));
    }
  }
}

void Seed(plat::Registry& reg, const Tree& tree) {
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kRoot);
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kElsewhere);
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
  Groups(reg, kRoot + "\\" + tree.unrelatedInside, tree.groupsInside);
  Groups(reg, kElsewhere, tree.groupsElsewhere);
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

double Seconds(const std::function<void()>& work) {
  auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Prints the tree's figures; false when discovery missed a product. The two take turns, so
// that both see the same drift of a shared machine; the best round of each counts.
bool Measure(plat::Registry& reg, const Tree& tree, int rounds) {
  Seed(reg, tree);
  int keys = 0;
  size_t found = 0;
  double walk = 1e9, discover = 1e9;
  for (int round = 0; round < rounds; ++round) {
    walk = std::min(walk, Seconds([&] { keys = BareWalk(reg, plat::kHkeyLocalMachine, kRoot); }));
    discover = std::min(discover, Seconds([&] {
                          InstallCatalogue catalogue;
                          DiscoverHosts(reg, catalogue);
                          found = 0;
                          for (const StringList& list : catalogue.hostLocations)
                            found += list.size();
                        }));
  }
  std::printf("%s: keys below the root: %d, products found: %zu\n", tree.name, keys, found);
  std::printf("  bare walk: %.4f s, discovery: %.4f s, ratio: %.2f\n", walk, discover,
              discover / walk);
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kRoot);
  regtest::DeleteTree(reg, plat::kHkeyLocalMachine, kElsewhere);
  return found == 57;
}

}  // namespace

int main() {
  auto machine = TestMachine::Create();
  plat::Registry& reg = machine->platform().registry;
  std::printf("machine: %s\n", machine->simulated() ? "simulated" : "Win32 API");
  const Tree trees[] = {
      {"10,000 unrelated keys inside", "Unrelated", 100, 0},
      {"5,000 inside, 5,000 elsewhere", "Components", 50, 50},
  };
  // A round takes milliseconds on the simulated machine and seconds under Wine.
  const int rounds = machine->simulated() ? 40 : 5;
  bool allFound = true;
  for (const Tree& tree : trees) allFound = Measure(reg, tree, rounds) && allFound;
  return allFound ? 0 : 1;
}
