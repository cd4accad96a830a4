#include "registration/auto_load.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/sim/sim_machine.h"
#include "registration/tests/recording_registry.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

// Product keys live below scratch roots of their own: auto-load registration takes its key
// paths from the catalogue, not from a registry walk.
const char kScratch[] = "SOFTWARE\\VelmarTest\\AutoLoad";
const char kScratch32[] = "SOFTWARE\\Wow6432Node\\VelmarTest\\AutoLoad";
const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";

using regtest::Sz;
using regtest::Dword;

class AutoLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = TestMachine::Create();
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kScratch);
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kScratch32);
    regtest::DeleteTree(reg(), kHkeyCurrentUser, "SOFTWARE\\Autodesk\\AutoCAD");
    catalogue.installFolder = kFolder;
  }
  void TearDown() override {
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kScratch);
    regtest::DeleteTree(reg(), kHkeyLocalMachine, kScratch32);
  }
  plat::Registry& reg() { return machine->platform().registry; }

  // Makes a product key under root and lists it for the release, as the discovery stores it.
  std::string AddProduct(int year, const std::string& root, const std::string& product) {
    const std::string path = root + "\\" + product;
    regtest::CreatePath(reg(), kHkeyLocalMachine, path);
    catalogue.hostKeyPaths[ReleaseIndex(year)].push_back(path + "\\");
    catalogue.hostLocations[ReleaseIndex(year)].push_back("C:\\Program Files\\AutoCAD");
    return path;
  }
  regtest::RawValue Read(const std::string& product, int year, const std::string& name) {
    return regtest::ReadRaw(reg(), kHkeyLocalMachine,
                            product + "\\Applications\\VL_BatchPlot" + std::to_string(year), name);
  }
  void ExpectEntry(const std::string& product, int year, const std::string& loader) {
    SCOPED_TRACE(product + " " + std::to_string(year));
    const regtest::RawValue ctrls = Read(product, year, "LOADCTRLS");
    EXPECT_EQ(ctrls.type, plat::kRegDword);
    EXPECT_EQ(ctrls.bytes, Dword(2));
    const regtest::RawValue loaderValue = Read(product, year, "LOADER");
    EXPECT_EQ(loaderValue.type, plat::kRegSz);
    EXPECT_EQ(loaderValue.bytes, Sz(loader));
  }

  std::unique_ptr<TestMachine> machine;
  InstallCatalogue catalogue;
};

TEST_F(AutoLoadTest, EveryReleaseTickedGetsItsKeyAndTheModuleThatServesIt) {
  // Every release, through RegisterWithHost with every flag set: a wrong row would load the
  // wrong module into that release, and a loop bound off by one would skip 2007 or 2025.
  const int moduleOf[kReleaseCount] = {2008, 2008, 2008, 2010, 2010, 2010, 2013, 2013, 2015, 2015,
                                       2017, 2018, 2019, 2019, 2021, 2021, 2021, 2021, 2025};
  std::string products[kReleaseCount];
  for (int i = 0; i < kReleaseCount; ++i) {
    products[i] = AddProduct(ReleaseYearAt(i), kScratch, "R" + std::to_string(ReleaseYearAt(i)));
  }
  ReleaseFlags all;
  all.fill(1);
  RecordingPlatform recording(machine->platform());
  RegisterWithHost(recording.platform, catalogue, all);

  // Two values a release, in year order, and the trusted path of no profile at all.
  ASSERT_EQ(recording.registry.calls.size(), 2u * kReleaseCount);
  for (int i = 0; i < kReleaseCount; ++i) {
    const int release = ReleaseYearAt(i);
    const std::string loader =
        std::string(kFolder) + "\\VL_BatchPlot" + std::to_string(moduleOf[i]) + ".ARX";
    const SetValueCall& ctrls = recording.registry.calls[2 * i];
    const SetValueCall& loaderCall = recording.registry.calls[2 * i + 1];
    EXPECT_EQ(ctrls.name, "LOADCTRLS");
    EXPECT_EQ(ctrls.bytes, Dword(2));
    EXPECT_EQ(loaderCall.name, "LOADER");
    EXPECT_EQ(loaderCall.type, plat::kRegSz);
    EXPECT_EQ(loaderCall.bytes, loader) << release;  // the count leaves the terminator out
    ExpectEntry(products[i], release, loader);       // which the system stores all the same
    // The module year never names the key when it differs from the release.
    if (moduleOf[i] != release) {
      EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine,
                                      products[i] + "\\Applications\\VL_BatchPlot" +
                                          std::to_string(moduleOf[i])));
    }
  }
  // Five Chinese characters of two bytes each in code page 936.
  EXPECT_EQ(recording.registry.calls[2 * ReleaseIndex(2020) + 1].bytes.size(), 47u);
}

TEST_F(AutoLoadTest, EveryProductKeyOfTheReleaseInBothViews) {
  const std::string first = AddProduct(2009, kScratch, "R17.2\\ACAD-7001:804");
  const std::string second = AddProduct(2009, kScratch, "R17.2\\ACAD-7005:804");
  const std::string wow = AddProduct(2009, kScratch32, "R17.2\\ACAD-7001:804");
  // A product key that has gone since the discovery is skipped, not created; an empty path
  // would name HKEY_LOCAL_MACHINE itself.
  StringList& paths = catalogue.hostKeyPaths[ReleaseIndex(2009)];
  paths.insert(paths.begin() + 1, std::string(kScratch) + "\\R17.2\\ACAD-7002:804\\");
  paths.insert(paths.begin() + 1, "");

  RegisterReleaseAutoLoad(machine->platform(), catalogue, 2009);

  const std::string loader = std::string(kFolder) + "\\VL_BatchPlot2008.ARX";
  ExpectEntry(first, 2009, loader);
  ExpectEntry(second, 2009, loader);
  ExpectEntry(wow, 2009, loader);
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine,
                                  std::string(kScratch) + "\\R17.2\\ACAD-7002:804"));
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, "Applications\\VL_BatchPlot2009"));
}

TEST_F(AutoLoadTest, RerunWritesTheNewFolderWholeButSparesAKeyWithSubKeys) {
  const std::string plain = AddProduct(2021, kScratch, "R24.0\\ACAD-4101:804");
  const std::string nested = AddProduct(2021, kScratch, "R24.0\\ACAD-4102:804");
  RegisterReleaseAutoLoad(machine->platform(), catalogue, 2021);

  regtest::SetString(reg(), kHkeyLocalMachine, plain + "\\Applications\\VL_BatchPlot2021",
                     "DESCRIPTION", "added by hand");
  regtest::SetString(reg(), kHkeyLocalMachine, nested + "\\Applications\\VL_BatchPlot2021",
                     "DESCRIPTION", "kept");
  regtest::SetString(reg(), kHkeyLocalMachine, nested + "\\Applications\\VL_BatchPlot2021",
                     "LOADER", "old");
  regtest::SetDword(reg(), kHkeyLocalMachine, nested + "\\Applications\\VL_BatchPlot2021\\Commands",
                    "X", 1);

  // The new folder is longer than a 260-byte work buffer could hold: the text is not cut.
  std::string folder = "D:\\";
  while (folder.size() < 300) folder += "Velmar批打印软件\\";
  folder += "End";
  catalogue.installFolder = folder;
  RegisterReleaseAutoLoad(machine->platform(), catalogue, 2021);

  ExpectEntry(plain, 2021, folder + "\\VL_BatchPlot2021.ARX");
  EXPECT_FALSE(Read(plain, 2021, "DESCRIPTION").found);
  ExpectEntry(nested, 2021, folder + "\\VL_BatchPlot2021.ARX");
  EXPECT_EQ(Read(nested, 2021, "DESCRIPTION").bytes, Sz("kept"));
  EXPECT_TRUE(regtest::KeyExists(reg(), kHkeyLocalMachine,
                                 nested + "\\Applications\\VL_BatchPlot2021\\Commands"));
}

TEST_F(AutoLoadTest, YearsOutsideTheReleasesWriteNothing) {
  for (int year : {2006, 2026}) {
    EXPECT_EQ(ModuleYearOf(year), 0);
    InstallCatalogue local = catalogue;
    local.hostKeyPaths[0].push_back(std::string(kScratch) + "\\Any\\");
    RegisterReleaseAutoLoad(machine->platform(), local, year);
  }
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, kScratch));
}

TEST_F(AutoLoadTest, OnlyTickedReleasesAndTrustedPathsWhateverTheFlags) {
  const std::string ticked = AddProduct(2013, kScratch, "R19.0\\ACAD-B001:804");
  const std::string unticked = AddProduct(2014, kScratch, "R19.1\\ACAD-D001:804");
  const std::string profile =
      "SOFTWARE\\Autodesk\\AutoCAD\\R19.1\\ACAD-D001:804\\Profiles\\<<未命名配置>>";
  regtest::CreatePath(reg(), kHkeyCurrentUser, profile);

  ReleaseFlags none{};
  RegisterWithHost(machine->platform(), catalogue, none);
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, ticked + "\\Applications"));
  EXPECT_EQ(regtest::ReadRaw(reg(), kHkeyCurrentUser, profile + "\\Variables", "TRUSTEDPATHS").bytes,
            Sz(kFolder));

  ReleaseFlags flags{};
  flags[ReleaseIndex(2013)] = 1;
  RegisterWithHost(machine->platform(), catalogue, flags);
  ExpectEntry(ticked, 2013, std::string(kFolder) + "\\VL_BatchPlot2013.ARX");
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, unticked + "\\Applications"));
  regtest::DeleteTree(reg(), kHkeyCurrentUser, "SOFTWARE\\Autodesk\\AutoCAD");
}

TEST_F(AutoLoadTest, KeysThatRefuseAreSkippedAndEveryHandleIsClosed) {
  sim::Machine* sim = machine->simulated();
  if (!sim) GTEST_SKIP() << "denied keys are simulated faults";
  const std::string locked = AddProduct(2019, kScratch, "R23.0\\ACAD-2001:804");
  const std::string closed = AddProduct(2019, kScratch, "R23.0\\ACAD-2002:804");
  const std::string open = AddProduct(2019, kScratch, "R23.0\\ACAD-2003:804");
  sim->registry.DenyWrite(kHkeyLocalMachine, locked);
  sim->registry.DenyOpen(kHkeyLocalMachine, closed);

  RegisterReleaseAutoLoad(machine->platform(), catalogue, 2019);

  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, locked + "\\Applications"));
  ExpectEntry(open, 2019, std::string(kFolder) + "\\VL_BatchPlot2019.ARX");
  EXPECT_EQ(sim->registry.OpenHandles(), 0);
}

}  // namespace
