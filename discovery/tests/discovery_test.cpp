#include "discovery/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  // A 255-byte key name is read whole.
  std::string longName(255, 'k');
  ProductBelow(kNative + "\\R24.2", {longName}, "C:\\Long", "AutoCAD 2023");

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

TEST_F(DiscoveryTest, SearchDepthIsBounded) {
  // A product 60 levels below its release key is found; one 70 levels below lies beyond any
  // real layout and is not looked for.
  std::vector<std::string> near{"Near"}, far{"Far"};
  for (int level = 2; level <= 60; ++level) near.push_back("N" + std::to_string(level));
  for (int level = 2; level <= 70; ++level) far.push_back("F" + std::to_string(level));
  ProductBelow(kNative + "\\R24.0", near, "C:\\Sixty", "AutoCAD 2021");
  ProductBelow(kNative + "\\R24.0", far, "C:\\Seventy", "AutoCAD 2021");
  InstallCatalogue c = Discover();
  EXPECT_EQ(c.hostLocations[ReleaseIndex(2021)], StringList{"C:\\Sixty"});
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
  Product(kNative + "\\R20.0\\A", "C:\\A", "AutoCAD 2015");
  Product(kNative + "\\R20.0\\B", "C:\\B", "AutoCAD 2015");
  Product(kNative + "\\R20.0\\C", "C:\\C", "AutoCAD 2015");
  bool removed = false;
  sim().registry.SetEnumHook([&](plat::HKey, uint32_t index) {
    if (index == 1 && !removed) {
      removed = true;
      regtest::DeleteTree(sim().registry, kHkeyLocalMachine, kNative + "\\R20.0\\A");
    }
  });
  InstallCatalogue c = Discover();
  sim().registry.SetEnumHook(nullptr);
  ASSERT_TRUE(removed);
  // Whatever the walk still met is recorded whole: location and key path together.
  for (const std::string& location : c.hostLocations[ReleaseIndex(2015)])
    EXPECT_TRUE(location == "C:\\B" || location == "C:\\C") << location;
}

TEST_F(SimDiscoveryTest, TenThousandLevelTreeEndsWithoutExhaustingTheStack) {
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
  InstallCatalogue c = Discover();
  ExpectOnly(c, {});
}

}  // namespace
