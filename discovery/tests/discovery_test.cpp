#include "discovery/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kHkeyLocalMachine;

const std::string kNative = "SOFTWARE\\Autodesk\\AutoCAD";
const std::string kWow = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD";
const char kName2008[] = "AutoCAD 2008 - 简体中文 (Simplified Chinese)";

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = TestMachine::Create();
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kNative);
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kWow);
  }
  void TearDown() override {
    if (machine_->simulated()) return;  // the simulated machine goes with the test
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kNative);
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kWow);
  }

  plat::Registry& reg() { return machine_->platform().registry; }

  void Product(const std::string& keyPath, const std::string& location, const std::string& name) {
    if (!location.empty()) {
      regtest::SetString(reg(), kHkeyLocalMachine, keyPath, "AcadLocation", location);
    }
    if (!name.empty()) regtest::SetString(reg(), kHkeyLocalMachine, keyPath, "ProductName", name);
  }

  // A product below base, reached one short name at a time: the narrow registry calls refuse
  // a path of more than 260 characters, and deep or long-named test trees exceed that.
  void ProductBelow(const std::string& base, const std::vector<std::string>& names,
                    const std::string& location, const std::string& productName) {
    plat::UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(kHkeyLocalMachine, base, key.put()), plat::kErrorSuccess);
    for (const std::string& name : names) {
      plat::UniqueKey child(reg());
      ASSERT_EQ(reg().CreateKey(key.get(), name, child.put()), plat::kErrorSuccess) << name;
      key = std::move(child);
    }
    reg().SetValue(key.get(), "AcadLocation", plat::kRegSz, location.c_str(),
                   static_cast<uint32_t>(location.size() + 1));
    reg().SetValue(key.get(), "ProductName", plat::kRegSz, productName.c_str(),
                   static_cast<uint32_t>(productName.size() + 1));
  }

  InstallCatalogue Discover() {
    InstallCatalogue catalogue;
    DiscoverHosts(reg(), catalogue);
    for (int i = 0; i < kReleaseCount; ++i) {
      EXPECT_EQ(catalogue.hostKeyPaths[i].size(), catalogue.hostLocations[i].size()) << i;
    }
    if (sim::Machine* sim = machine_->simulated()) {
      EXPECT_EQ(sim->registry.OpenHandles(), 0);
    }
    return catalogue;
  }

  // Every release's lists empty except the years named.
  static void ExpectOnly(const InstallCatalogue& c, std::vector<int> years) {
    for (int i = 0; i < kReleaseCount; ++i) {
      bool named = std::find(years.begin(), years.end(), ReleaseYearAt(i)) != years.end();
      if (!named) {
        EXPECT_TRUE(c.hostKeyPaths[i].empty()) << ReleaseYearAt(i);
      }
    }
  }

  std::unique_ptr<TestMachine> machine_;
};

TEST_F(DiscoveryTest, RealisticMachineInBothViews) {
  Product(kWow + "\\R17.1\\ACAD-6001:804", "C:\\Program Files (x86)\\AutoCAD 2008\\", kName2008);
  Product(kWow + "\\R18.0\\ACAD-8001:804", "C:\\Program Files (x86)\\AutoCAD 2010",
          "AutoCAD 2010 - 简体中文 (Simplified Chinese)");
  Product(kNative + "\\R17.1\\ACAD-6001:804", "C:\\Program Files\\AutoCAD 2008\\", kName2008);
  Product(kNative + "\\R20.1\\ACAD-F001:804", "C:\\Program Files\\Autodesk\\AutoCAD 2016\\",
          "AutoCAD 2016 - 简体中文 (Simplified Chinese)");
  Product(kNative + "\\R23.1\\ACAD-3001:804", "C:\\Program Files\\Autodesk\\AutoCAD 2020",
          "AutoCAD 2020 - 简体中文 (Simplified Chinese)");

  InstallCatalogue c = Discover();
  ExpectOnly(c, {2008, 2016, 2020});
  // The 32-bit view's 2008 first; a 2010 product in the 32-bit view is not a host.
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2008)],
            (StringList{"SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\",
                        "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\"}));
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2008)],
            (StringList{"C:\\Program Files (x86)\\AutoCAD 2008\\",
                        "C:\\Program Files\\AutoCAD 2008\\"}));
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2016)],
            StringList{"SOFTWARE\\Autodesk\\AutoCAD\\R20.1\\ACAD-F001:804\\"});
  // Locations are kept exactly as stored, with or without a final backslash.
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2020)],
            StringList{"C:\\Program Files\\Autodesk\\AutoCAD 2020"});
  EXPECT_TRUE(c.hostKeyPaths[ReleaseIndex(2010)].empty());
}

TEST_F(DiscoveryTest, ReleaseIsReadFromTheProductNameOnly) {
  struct Case {
    const char* productName;
    int year;  // 0: not recorded
  } cases[] = {
      {"AutoCAD 2013", 2013},
      {"AutoCAD 2025 - English", 2025},
      {"AutoCAD 2010 and 2008", 2008},  // two years: the smaller one
      {"2008 AutoCAD 2012", 2012},      // the smaller one begins the name
      {"2008 AutoCAD 2008", 0},         // only the first occurrence counts, and it begins the name
      {"2009 AutoCAD 2009 / 2016", 2016},  // ... though a later year may still match
      {"X2016", 2016},                  // offset 1 is late enough
      {"2019", 0},                      // only the digits: no year
      {"AutoCAD", 0},
      {"AutoCAD 2026", 0},
      {"AutoCAD 2006", 0},
      {"AutoCAD 20 21", 0},
  };
  for (const Case& c : cases) {
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kNative);
    // A key name that says another release must not matter.
    Product(kNative + "\\R24.0\\ACAD-4101:804", "C:\\Acad", c.productName);
    InstallCatalogue catalogue = Discover();
    for (int i = 0; i < kReleaseCount; ++i) {
      size_t expected = ReleaseYearAt(i) == c.year ? 1 : 0;
      EXPECT_EQ(catalogue.hostKeyPaths[i].size(), expected) << c.productName << " " << ReleaseYearAt(i);
    }
  }
}

TEST_F(DiscoveryTest, WhereTheValuesStandDecidesWhatIsRecorded) {
  // Several products under one release key, in the order of their sub-key indices.
  Product(kNative + "\\R19.1\\ACAD-B001:804", "C:\\B", "AutoCAD 2014");
  Product(kNative + "\\R19.1\\ACAD-A001:409", "C:\\A", "AutoCAD 2014");
  // Two levels below the release key.
  Product(kNative + "\\R19.1\\Group\\ACAD-C001:804", "C:\\C", "AutoCAD 2014 LT");
  // Name one level deeper than the location: not recorded.
  Product(kNative + "\\R19.1\\Split", "C:\\Split", "");
  Product(kNative + "\\R19.1\\Split\\Inner", "", "AutoCAD 2014");
  // No product name at all: not recorded.
  Product(kNative + "\\R19.1\\NoName", "C:\\NoName", "");

  InstallCatalogue c = Discover();
  ExpectOnly(c, {2014});
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2014)],
            (StringList{"SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\ACAD-A001:409\\",
                        "SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\ACAD-B001:804\\",
                        "SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\Group\\ACAD-C001:804\\"}));
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2014)], (StringList{"C:\\A", "C:\\B", "C:\\C"}));
}

TEST_F(DiscoveryTest, LocationOnTheReleaseKeyStopsTheSearchThere) {
  // Both values on the release key itself: the key path is the release key's path.
  Product(kNative + "\\R22.0", "C:\\Acad2018", "AutoCAD 2018");
  // Location on the release key, name only below: nothing, and the product below, hidden by
  // the location above it, is not found either.
  Product(kNative + "\\R23.0", "C:\\Top", "");
  Product(kNative + "\\R23.0\\ACAD-2001:804", "C:\\Acad2019", "AutoCAD 2019");

  InstallCatalogue c = Discover();
  ExpectOnly(c, {2018});
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2018)], StringList{"SOFTWARE\\Autodesk\\AutoCAD\\R22.0\\"});
}

TEST_F(DiscoveryTest, OversizedLocationCountsAsAbsentAndTheSearchGoesDeeper) {
  std::string longLocation = "C:\\" + std::string(300, 'x');
  Product(kNative + "\\R21.0", longLocation, "");
  Product(kNative + "\\R21.0\\ACAD-0001:804", "C:\\Acad2017", "AutoCAD 2017");
  // A location of 255 bytes plus its terminator still fits the 256-byte buffer.
  std::string fits = "D:\\" + std::string(252, 'y');
  Product(kNative + "\\R21.1\\ACAD-0002:804", fits, "AutoCAD 2017");

  InstallCatalogue c = Discover();
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2017)], (StringList{"C:\\Acad2017", fits}));
}

TEST_F(DiscoveryTest, OddValueTypesAndLongNamesNeverMakeHalfPairs) {
  // A location stored as a number is read as its bytes up to the first zero.
  regtest::SetDword(reg(), kHkeyLocalMachine, kNative + "\\R24.1\\Num", "AcadLocation", 0x00414141);
  regtest::SetString(reg(), kHkeyLocalMachine, kNative + "\\R24.1\\Num", "ProductName", "AutoCAD 2022");
  // A 255-byte key name is read whole; one of 128 double-byte characters is 256 bytes, which
  // with its terminator does not fit the name buffer, and its key is passed over.
  std::string longName(255, 'k');
  ProductBelow(kNative + "\\R24.2", {longName}, "C:\\Long", "AutoCAD 2023");
  std::string wideName;
  for (int i = 0; i < 128; ++i) wideName += "配";
  ProductBelow(kNative + "\\R24.2", {wideName}, "C:\\Wide", "AutoCAD 2023");

  InstallCatalogue c = Discover();
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2022)], StringList{"AAA"});
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2023)],
            StringList{"SOFTWARE\\Autodesk\\AutoCAD\\R24.2\\" + longName + "\\"});
}

TEST_F(DiscoveryTest, RunningAgainAppendsToWhatIsThere) {
  Product(kNative + "\\R24.3\\ACAD-7101:804", "C:\\Acad2024", "AutoCAD 2024");
  InstallCatalogue c;
  DiscoverHosts(reg(), c);
  DiscoverHosts(reg(), c);
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2024)], (StringList{"C:\\Acad2024", "C:\\Acad2024"}));
  EXPECT_EQ(c.searchValueName, "ProductName");
}

TEST_F(DiscoveryTest, NothingInstalledLeavesEveryListEmpty) {
  InstallCatalogue c = Discover();
  ExpectOnly(c, {});
  EXPECT_TRUE(c.installFolder.empty());
}

// Faults the real registry cannot be made to show on demand.
class SimDiscoveryTest : public DiscoveryTest {
 protected:
  sim::Machine& sim() { return *machine_->simulated(); }
  void SetUp() override {
    DiscoveryTest::SetUp();
    if (!machine_->simulated()) GTEST_SKIP() << "fault injection needs the simulated registry";
  }
};

TEST_F(SimDiscoveryTest, UnreadableKeysAreSkippedAndTheWalkGoesOn) {
  Product(kNative + "\\R17.0\\Locked", "C:\\Locked", "AutoCAD 2007");
  Product(kNative + "\\R17.0\\Open", "C:\\Open", "AutoCAD 2007");
  Product(kNative + "\\R18.1\\ACAD", "C:\\NoRead", "AutoCAD 2011");
  Product(kNative + "\\R18.2\\ACAD", "C:\\Acad2012", "AutoCAD 2012");
  sim().registry.DenyOpen(kHkeyLocalMachine, kNative + "\\R17.0\\Locked");
  sim().registry.DenyOpen(kHkeyLocalMachine, kNative + "\\R18.1");
  InstallCatalogue c = Discover();
  ExpectOnly(c, {2007, 2012});
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2007)], StringList{"C:\\Open"});
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2012)], StringList{"C:\\Acad2012"});
}

TEST_F(SimDiscoveryTest, KeysVanishingMidWalkLoseNothingElse) {
  // Products A, B and C under one release key; one of them is deleted just before the walk
  // reads the name at index 1 of that key. The registry renumbers the rest at once.
  struct Case {
    const char* vanishing;
    StringList recorded;
  } cases[] = {
      // A was read whole before it went; B slides to index 0, which the walk has passed; C,
      // now at index 1, is still found.
      {"A", {"C:\\A", "C:\\C"}},
      // C goes before the walk reaches it; index 2 cannot be read any more and is passed over.
      {"C", {"C:\\A", "C:\\B"}},
  };
  for (const Case& row : cases) {
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kNative);
    for (const char* product : {"A", "B", "C"}) {
      Product(kNative + "\\R20.0\\" + product, std::string("C:\\") + product, "AutoCAD 2015");
    }
    bool removed = false;
    sim().registry.SetEnumHook([&](plat::HKey, uint32_t index) {
      if (index == 1 && !removed) {
        removed = true;
        regtest::DeleteTree(reg(), kHkeyLocalMachine, kNative + "\\R20.0\\" + row.vanishing);
      }
    });
    InstallCatalogue c = Discover();
    sim().registry.SetEnumHook(nullptr);
    ASSERT_TRUE(removed);
    EXPECT_EQ(c.hostLocations[ReleaseIndex(2015)], row.recorded) << row.vanishing;
  }
}

TEST_F(SimDiscoveryTest, TenThousandLevelTreeEndsWithoutExhaustingTheStack) {
  // The product name on the release key ends that search there; the location search goes
  // down the chain, but not past its depth bound.
  std::string path = kNative + "\\R25.1";
  plat::HKey key = 0;
  sim().registry.CreateKey(kHkeyLocalMachine, path, &key);
  for (int level = 0; level < 10000; ++level) {
    plat::HKey child = 0;
    sim().registry.CreateKey(key, "D", &child);
    sim().registry.CloseKey(key);
    key = child;
  }
  regtest::SetString(sim().registry, kHkeyLocalMachine, path, "ProductName", "AutoCAD 2025");
  sim().registry.CloseKey(key);
  int listed = 0;
  sim().registry.SetEnumHook([&](plat::HKey, uint32_t) { ++listed; });
  InstallCatalogue c = Discover();
  sim().registry.SetEnumHook(nullptr);
  ExpectOnly(c, {});
  // One name read per level walked: the root's, then at most 64 levels of the chain.
  EXPECT_LE(listed, 1 + 64);
}

// A registry link loop that branches: A and B below the release key both lead back to it, so
// the depth bound alone leaves 2^64 keys to visit. The walk ends at its bound of keys, keeps
// what it found, and the next release key gets a walk of its own.
TEST_F(SimDiscoveryTest, BranchingLinkLoopEndsAtTheBoundOfKeysAWalkOpens) {
  const std::string release = kNative + "\\R24.0";
  {
    // Binary data reads as its bytes, like text, and tens of thousands of reads stay quick.
    plat::UniqueKey product(reg());
    ASSERT_EQ(reg().CreateKey(kHkeyLocalMachine, release + "\\P", product.put()), 0);
    reg().SetValue(product.get(), "AcadLocation", plat::kRegBinary, "C:\\Loop", 8);
    reg().SetValue(product.get(), "ProductName", plat::kRegBinary, "AutoCAD 2021", 13);
  }
  Product(kNative + "\\R24.1\\ACAD-5101:804", "C:\\After", "AutoCAD 2022");
  for (const char* link : {"A", "B"}) {
    regtest::CreatePath(reg(), kHkeyLocalMachine, release + "\\" + link);
    sim().registry.MakeLink(kHkeyLocalMachine, release + "\\" + link, release);
  }
  // Far past what the bound allows (a bounded walk reads some 200,000 names here) the loop is cut,
  // so that a walk without the bound ends too, and fails below.
  long listed = 0;
  bool cut = false;
  sim().registry.SetEnumHook([&](plat::HKey, uint32_t) {
    if (++listed == 500000) {
      cut = true;
      sim().registry.DenyOpen(kHkeyLocalMachine, release);
    }
  });
  InstallCatalogue c = Discover();
  sim().registry.SetEnumHook(nullptr);
  EXPECT_FALSE(cut) << "the walk ran on past its bound";

  const StringList& loop = c.hostLocations[ReleaseIndex(2021)];
  ASSERT_GT(loop.size(), 10000u);
  EXPECT_EQ(std::count(loop.begin(), loop.end(), "C:\\Loop"), static_cast<long>(loop.size()));
  std::string deepestFirst = release + "\\";
  for (int level = 1; level < 64; ++level) deepestFirst += "A\\";
  EXPECT_EQ(c.hostKeyPaths[ReleaseIndex(2021)].front(), deepestFirst + "P\\");
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2022)], StringList{"C:\\After"});
}

TEST_F(SimDiscoveryTest, TheBoundIsOneHundredThousandKeysUnderEachReleaseKey) {
  // Below R24.0: G000..G397 each lead to the same 250 keys through a link, then G398 holds its
  // own. Opened in order: the release key (1), G000 (2), its 250 keys (3..252), G001 (253),
  // ... G398 (99,900), its K000 (99,901), so its K099 is the 100,000th key and K100 the next.
  const std::string release = kNative + "\\R24.0";
  const std::string pool = "SOFTWARE\\VelmarPool";
  regtest::DeleteTree(reg(), kHkeyLocalMachine, pool);
  auto name = [](char letter, int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%c%03d", letter, n);
    return std::string(text);
  };
  for (int k = 0; k < 250; ++k) {
    regtest::CreatePath(reg(), kHkeyLocalMachine, pool + "\\" + name('K', k));
  }
  for (int g = 0; g < 398; ++g) {
    regtest::CreatePath(reg(), kHkeyLocalMachine, release + "\\" + name('G', g));
    sim().registry.MakeLink(kHkeyLocalMachine, release + "\\" + name('G', g), pool);
  }
  for (int k = 0; k <= 100; ++k) {
    regtest::CreatePath(reg(), kHkeyLocalMachine, release + "\\G398\\" + name('K', k));
  }
  Product(release + "\\G398\\K099", "C:\\Last", "AutoCAD 2021");
  Product(release + "\\G398\\K100", "C:\\Beyond", "AutoCAD 2021");
  Product(kNative + "\\R24.1\\ACAD-5101:804", "C:\\After", "AutoCAD 2022");

  long listed = 0;
  sim().registry.SetEnumHook([&](plat::HKey, uint32_t) { ++listed; });
  InstallCatalogue c = Discover();
  sim().registry.SetEnumHook(nullptr);
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2021)], StringList{"C:\\Last"});
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2022)], StringList{"C:\\After"});
  // At the bound the walk stops listing too: below R24.0 it read the name of each key it
  // opened after the release key's own handle, 99,999; then two names in the root, one in R24.1.
  EXPECT_EQ(listed, 99999 + 2 + 1);
}

// The two value searches of each release key written out literally, one after the other,
// with the double loop that pairs their hits: what the one walk must give, hit for hit.
namespace reference {

uint32_t Count(plat::Registry& reg, plat::HKey key) {
  uint32_t count = 0;
  reg.QuerySubKeyCount(key, &count);
  return count;
}

bool NameAt(plat::Registry& reg, plat::HKey key, uint32_t index, std::string* name) {
  char buffer[256];
  buffer[0] = '\0';
  uint32_t length = 256;
  if (reg.EnumKey(key, index, buffer, &length) != plat::kErrorSuccess) return false;
  *name = buffer;
  return true;
}

void Search(plat::Registry& reg, InstallCatalogue& c, plat::HKey parent, const std::string& sub,
            const std::string& relative, const std::string& base) {
  plat::UniqueKey key(reg);
  if (reg.OpenKeyRead(parent, sub, key.put()) != plat::kErrorSuccess) return;
  unsigned char data[256] = {};
  uint32_t size = 256;
  if (reg.QueryValue(key.get(), c.searchValueName, nullptr, data, &size) == plat::kErrorSuccess) {
    c.foundKeyPaths.push_back(base + relative);
    c.foundValues.emplace_back(reinterpret_cast<const char*>(data),
                               strnlen(reinterpret_cast<const char*>(data), size));
    return;
  }
  for (uint32_t i = 0, count = Count(reg, key.get()); i < count; ++i) {
    std::string name;
    if (!NameAt(reg, key.get(), i, &name)) continue;
    Search(reg, c, key.get(), name, relative + name + "\\", base);
  }
}

void Scan(plat::Registry& reg, InstallCatalogue& c, const std::string& root,
          const std::string& releaseBase, const std::vector<int>& years) {
  plat::UniqueKey rootKey(reg);
  if (reg.OpenKeyRead(kHkeyLocalMachine, root, rootKey.put()) != plat::kErrorSuccess) return;
  for (uint32_t i = 0, count = Count(reg, rootKey.get()); i < count; ++i) {
    std::string name;
    if (!NameAt(reg, rootKey.get(), i, &name)) continue;
    plat::UniqueKey release(reg);
    if (reg.OpenKeyRead(rootKey.get(), name, release.put()) != plat::kErrorSuccess) continue;
    const std::string releasePath = releaseBase + name + "\\";
    StringList found[2][2];
    const char* valueNames[2] = {"AcadLocation", "ProductName"};
    for (int v = 0; v < 2; ++v) {
      c.foundKeyPaths.clear();
      c.foundValues.clear();
      c.searchValueName = valueNames[v];
      Search(reg, c, release.get(), "", "", releasePath);
      found[v][0] = c.foundKeyPaths;
      found[v][1] = c.foundValues;
    }
    for (size_t j = 0; j < found[0][0].size(); ++j) {
      for (size_t k = 0; k < found[1][0].size(); ++k) {
        if (found[0][0][j] != found[1][0][k]) continue;
        for (int year : years) {
          size_t at = found[1][1][k].find(std::to_string(year));
          if (at == std::string::npos || at == 0) continue;
          c.hostKeyPaths[ReleaseIndex(year)].push_back(found[0][0][j]);
          c.hostLocations[ReleaseIndex(year)].push_back(found[0][1][j]);
          break;
        }
      }
    }
  }
}

void Discover(plat::Registry& reg, InstallCatalogue& c) {
  Scan(reg, c, kWow, kWow + "\\", {2007, 2008, 2009});
  std::vector<int> all;
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) all.push_back(year);
  Scan(reg, c, kNative, kNative + "\\", all);
}

}  // namespace reference

// Random registries: names that differ only in letter case, values on any level, of any type
// and size, product names with years anywhere, and keys deleted, locked or with unreadable
// values.
class RandomTree {
 public:
  RandomTree(sim::SimRegistry& reg, unsigned seed) : reg_(reg), rng_(seed) {}

  void Build() {
    for (const std::string& root : {kWow, kNative}) {
      if (Chance(10)) continue;  // a view without AutoCAD at all
      plat::UniqueKey rootKey(reg_);
      reg_.CreateKey(kHkeyLocalMachine, root, rootKey.put());
      for (int r = Below(4); r > 0; --r) Fill(rootKey.get(), root, Name(), 0, 1 + Below(5));
    }
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(static_cast<int>(items.size()))];
  }

  std::string Name() {
    static const std::vector<std::string> names = {
        "a", "A", "b", "B", "ab", "aB", "Ab", "ACAD-6001:804", "acad-6001:804", "R17.1", "r17.1",
        "Group", "配置", "_x"};
    // Now and then the longest name a key can have, which just fits the 256-byte buffer.
    if (Chance(3)) return std::string(255, Chance(50) ? 'k' : 'K');
    return Pick(names);
  }

  std::string ValueName(bool location) {
    static const std::vector<std::string> locations = {"AcadLocation", "ACADLOCATION",
                                                       "acadlocation"};
    static const std::vector<std::string> products = {"ProductName", "PRODUCTNAME", "productname"};
    return Pick(location ? locations : products);
  }

  std::string ProductName() {
    static const std::vector<std::string> starts = {"AutoCAD ", "", "2008 AutoCAD ", "X",
                                                    "AutoCAD LT "};
    static const std::vector<std::string> afterYear = {"", " ", " - 简体中文"};
    std::string name = Pick(starts);
    for (int years = Below(3); years > 0; --years) {
      name += std::to_string(2005 + Below(23)) + Pick(afterYear);
    }
    return name;
  }

  // Data in every form a read must take whole or refuse: short text, text that just fits
  // the 256-byte buffer or just does not, numbers and bytes with zeros inside.
  void SetValue(plat::HKey key, const std::string& name, bool location) {
    std::string text = location ? "C:\\" + Name() : ProductName();
    switch (Below(8)) {
      case 0:
        text.resize(255, 'y');  // with its terminator exactly 256 bytes
        break;
      case 1:
        text.resize(256 + Below(60), 'z');
        break;
      case 2: {
        uint32_t number = static_cast<uint32_t>(rng_());
        reg_.SetValue(key, name, plat::kRegDword, &number, sizeof number);
        return;
      }
      case 3: {
        std::string bytes = text + std::string(1, '\0') + "tail";
        reg_.SetValue(key, name, plat::kRegBinary, bytes.data(),
                      static_cast<uint32_t>(bytes.size()));
        return;
      }
      default:
        break;
    }
    reg_.SetValue(key, name, Chance(20) ? plat::kRegExpandSz : plat::kRegSz, text.c_str(),
                  static_cast<uint32_t>(text.size() + 1));
  }

  // Created one level at a time below the parent's handle: the narrow calls refuse a path of
  // more than 260 characters, and the long names soon make one.
  void Fill(plat::HKey parent, const std::string& parentPath, const std::string& name, int depth,
            int maxDepth) {
    const std::string path = parentPath + "\\" + name;
    {
      plat::UniqueKey key(reg_);
      if (reg_.CreateKey(parent, name, key.put()) != plat::kErrorSuccess) return;
      if (Chance(30)) SetValue(key.get(), ValueName(true), true);
      if (Chance(30)) SetValue(key.get(), ValueName(false), false);
      if (depth < maxDepth) {
        for (int children = Below(depth == 0 ? 5 : 4); children > 0; --children) {
          Fill(key.get(), path, Name(), depth + 1, maxDepth);
        }
      }
    }
    if (Chance(4)) {
      if (Chance(50)) reg_.DeleteKey(parent, name);  // only if it has no sub-keys
      else regtest::DeleteTree(reg_, parent, name);
    }
    if (Chance(4)) reg_.DenyOpen(kHkeyLocalMachine, path);
    if (Chance(4)) reg_.DenyValueRead(kHkeyLocalMachine, path);
  }


  sim::SimRegistry& reg_;
  std::mt19937 rng_;
};

void ExpectSameCatalogue(const InstallCatalogue& walk, const InstallCatalogue& reference,
                         unsigned seed) {
  EXPECT_EQ(walk.hostKeyPaths, reference.hostKeyPaths) << "seed " << seed;
  EXPECT_EQ(walk.hostLocations, reference.hostLocations) << "seed " << seed;
  EXPECT_EQ(walk.searchValueName, reference.searchValueName) << "seed " << seed;
  EXPECT_EQ(walk.foundKeyPaths, reference.foundKeyPaths) << "seed " << seed;
  EXPECT_EQ(walk.foundValues, reference.foundValues) << "seed " << seed;
}

TEST(DiscoveryDifferentialTest, OneWalkFindsWhatTheTwoSearchesFind) {
  int products = 0;
  for (unsigned seed = 1; seed <= 2000; ++seed) {
    sim::Machine machine;
    RandomTree(machine.registry, seed).Build();
    // Both start from a catalogue that already holds something: discovery only appends, and a
    // machine without any release key leaves the working fields as they were.
    InstallCatalogue before;
    before.hostLocations[0] = {"C:\\Earlier"};
    before.hostKeyPaths[0] = {"SOFTWARE\\Autodesk\\AutoCAD\\R17.0\\"};
    before.foundKeyPaths = {"stale\\"};
    before.foundValues = {"stale"};
    InstallCatalogue walk = before, literal = before;
    DiscoverHosts(machine.registry, walk);
    reference::Discover(machine.registry, literal);
    ExpectSameCatalogue(walk, literal, seed);
    ASSERT_EQ(machine.registry.OpenHandles(), 0) << "seed " << seed;
    for (const StringList& list : walk.hostKeyPaths) products += static_cast<int>(list.size());
    if (HasFailure()) return;
  }
  // The trees are worth comparing only when they hold products to find.
  EXPECT_GT(products, 1000);
}

TEST(DiscoveryDifferentialTest, SearchValueKeysAppendsWhatTheLiteralSearchFinds) {
  for (unsigned seed = 5001; seed <= 5300; ++seed) {
    sim::Machine machine;
    RandomTree(machine.registry, seed).Build();
    for (const char* valueName : {"AcadLocation", "ProductName"}) {
      InstallCatalogue walk, literal;
      walk.searchValueName = literal.searchValueName = valueName;
      walk.foundKeyPaths = literal.foundKeyPaths = {"earlier\\"};
      walk.foundValues = literal.foundValues = {"earlier"};
      SearchValueKeys(machine.registry, walk, kHkeyLocalMachine, kNative.c_str(), "Rel\\",
                      "Base\\");
      reference::Search(machine.registry, literal, kHkeyLocalMachine, kNative, "Rel\\", "Base\\");
      ExpectSameCatalogue(walk, literal, seed);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
