#include "deploy/fonts_and_driver.h"

#include <algorithm>

#include "deploy/tests/deploy_test_support.h"

namespace deploytest {
namespace {

const std::string kSetupFolder = std::string(kScratch) + "\\Setup";
const std::string kPackage = kSetupFolder + "\\Data";
const std::string kHosts = std::string(kScratch) + "\\Hosts";
const char* const kPackageFiles[] = {"Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"};

class FontsAndDriverTest : public DeployTest {
 protected:
  void SetUp() override {
    DeployTest::SetUp();
    MakeFolders(kPackage);
    for (const char* name : kPackageFiles) Write(kPackage + "\\" + name, name);
    machine->SetModuleFileName(kSetupFolder + "\\SetUp.exe");
  }
  // A host install folder with the given sub-folders.
  std::string Host(const std::string& name, bool fonts = true, bool drv = true) {
    const std::string location = kHosts + "\\" + name;
    MakeFolders(location);
    if (fonts) MakeFolders(location + "\\Fonts");
    if (drv) MakeFolders(location + "\\Drv");
    return location;
  }
  std::vector<std::string> Sorted(const std::string& folder) {
    std::vector<std::string> names = List(folder);
    std::sort(names.begin(), names.end());
    return names;
  }

  InstallCatalogue catalogue;
  ReleaseFlags flags{};
};

const std::vector<std::string> kFonts = {"Velmar_EN.shx", "Velmar_HZ.shx"};
const std::vector<std::string> kDriver = {"pdfplot9.hdi"};
const std::vector<std::string> kNone = {};

TEST_F(FontsAndDriverTest, EveryLocationOfEveryTickedRelease) {
  catalogue.hostLocations[ReleaseIndex(2008)] = {Host("R2008")};
  catalogue.hostLocations[ReleaseIndex(2020)] = {Host("R2020a"), Host("R2020b")};
  catalogue.hostLocations[ReleaseIndex(2025)] = {Host("R2025")};
  catalogue.hostLocations[ReleaseIndex(2013)] = {Host("R2013NoFonts", false, true)};
  catalogue.hostLocations[ReleaseIndex(2007)] = {Host("R2007")};
  flags[ReleaseIndex(2008)] = 1;
  flags[ReleaseIndex(2020)] = 1;
  flags[ReleaseIndex(2013)] = 1;
  flags[ReleaseIndex(2007)] = 1;
  flags[ReleaseIndex(2009)] = 1;  // ticked, nothing found

  DeployToHosts(platform(), deploy::ReadPackage(platform()), catalogue, flags);

  const struct {
    const char* host;
    std::vector<std::string> fonts, drv;
  } kExpected[] = {
      {"R2007", kFonts, kNone},
      {"R2008", kFonts, kDriver},
      {"R2020a", kFonts, kNone},
      {"R2020b", kFonts, kNone},
      {"R2025", kNone, kNone},  // not ticked
      {"R2013NoFonts", kNone, kNone},
  };
  for (const auto& e : kExpected) {
    SCOPED_TRACE(e.host);
    EXPECT_EQ(Sorted(kHosts + "\\" + e.host + "\\Fonts"), e.fonts);
    EXPECT_EQ(Sorted(kHosts + "\\" + e.host + "\\Drv"), e.drv);
  }
  EXPECT_FALSE(Exists(kHosts + "\\R2013NoFonts\\Fonts")) << "no folder is created";
  EXPECT_EQ(Read(kHosts + "\\R2008\\Drv\\pdfplot9.hdi"), "Velmar.prt5");
  EXPECT_EQ(Read(kHosts + "\\R2020b\\Fonts\\Velmar_HZ.shx"), "Velmar_HZ.shx");
  EXPECT_TRUE(machine->messages().shown().empty());
}

// An old read-only file at any of the three destinations is replaced, and nothing copied
// stays read-only. A package on a write-protected stick keeps its read-only files, whose
// copies would come out read-only too.
TEST_F(FontsAndDriverTest, ReadOnlyFilesReplacedAndLeftWritable) {
  const std::string host = Host("R2008");
  const std::string destinations[] = {host + "\\Fonts\\Velmar_EN.shx",
                                      host + "\\Fonts\\Velmar_HZ.shx",
                                      host + "\\Drv\\pdfplot9.hdi"};
  for (const PackageMedium& medium : kPackageMedia) {
    SCOPED_TRACE(medium.name);
    const std::string package = SeedReadOnlyPackage(
        medium, kPackage, std::vector<std::string>(std::begin(kPackageFiles), std::end(kPackageFiles)));
    if (package.empty()) continue;
    for (const std::string& old : destinations) {
      machine->RemoveTree(old);
      Write(old, "old");
      ASSERT_TRUE(files().SetAttributes(old, plat::kAttrReadOnly));
    }

    CopyFontsAndDriver(platform(), deploy::ReadPackage(platform()), host, true);

    for (size_t n = 0; n < 3; ++n) {
      SCOPED_TRACE(destinations[n]);
      EXPECT_EQ(Read(destinations[n]), kPackageFiles[n]);
      EXPECT_EQ(Attributes(destinations[n]) & plat::kAttrReadOnly, 0u);
      EXPECT_EQ(Attributes(package + "\\" + kPackageFiles[n]) & plat::kAttrReadOnly,
                medium.writeProtected ? plat::kAttrReadOnly : 0u);
    }
  }
}

// The host's paths go through 260-byte buffers: a destination of 260 bytes or more is not used,
// even when its double-byte text is fewer characters than the system would take.
TEST_F(FontsAndDriverTest, HostPathsBoundInBytes) {
  std::string name;
  for (int n = 0; n < 100; ++n) name += "批";
  // 245 bytes: the folders fit (251 and 249 bytes), the files in them do not (265 and 262).
  name += std::string(245 - kHosts.size() - 1 - name.size(), 'H');
  const std::string host = Host(name);
  ASSERT_EQ(host.size(), 245u);

  CopyFontsAndDriver(platform(), deploy::ReadPackage(platform()), host, true);
  EXPECT_EQ(List(host + "\\Fonts"), kNone);
  EXPECT_EQ(List(host + "\\Drv"), kNone);
  EXPECT_TRUE(machine->messages().shown().empty());
}

// Without a package the message shows once per location and nothing is taken from the
// last path probed, even when a folder of that name holds font files.
TEST_F(FontsAndDriverTest, MissingPackageCopiesNothing) {
  machine->RemoveTree(kPackage);
  const std::string probe = kSetupFolder + "\\VL_BatchPlot2010.arx";
  MakeFolders(probe);
  for (const char* name : kPackageFiles) Write(probe + "\\" + name, name);
  catalogue.hostLocations[ReleaseIndex(2008)] = {Host("A"), Host("B")};
  flags[ReleaseIndex(2008)] = 1;

  DeployToHosts(platform(), deploy::ReadPackage(platform()), catalogue, flags);

  EXPECT_EQ(machine->messages().shown().size(), 2u);
  for (const char* host : {"A", "B"}) {
    EXPECT_EQ(List(kHosts + "\\" + host + "\\Fonts"), kNone);
    EXPECT_EQ(List(kHosts + "\\" + host + "\\Drv"), kNone);
  }
}

// A host folder reached through a link gets nothing, wherever the link is on the way, and the
// user is told which level is the link; the folder it leads to keeps what it held. Under Wine
// the link is a Unix symbolic link.
TEST_F(FontsAndDriverTest, NothingThroughALink) {
  const struct {
    const char* what;
    const char* link;  // below the host's folder: the folder that is a link
    std::vector<const char*> told;  // what the messages say was not copied
  } kRows[] = {
      {"Fonts", "\\Fonts", {"字体文件"}},
      {"Drv", "\\Drv", {"打印驱动"}},
      {"the host's folder", "", {"字体文件", "打印驱动"}},
  };
  const std::string elsewhere = std::string(kScratch) + "\\Elsewhere";
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    for (const std::string& gone : {kHosts, elsewhere}) machine->RemoveTree(gone);
    machine->messages().Clear();
    Write(elsewhere + "\\Fonts\\Velmar_EN.shx", "its own");
    Write(elsewhere + "\\Drv\\pdfplot9.hdi", "its own");
    const std::string host = Host("R2008");
    const std::string link = host + row.link;
    machine->RemoveTree(link);
    ASSERT_TRUE(machine->MakeFolderLink(link, elsewhere + row.link));

    CopyFontsAndDriver(platform(), deploy::ReadPackage(platform()), host, true);

    EXPECT_EQ(Read(elsewhere + "\\Fonts\\Velmar_EN.shx"), "its own");
    EXPECT_EQ(Read(elsewhere + "\\Drv\\pdfplot9.hdi"), "its own");
    EXPECT_EQ(Sorted(elsewhere + "\\Fonts"), std::vector<std::string>{"Velmar_EN.shx"});
    const std::vector<sim::ShownMessage>& shown = machine->messages().shown();
    ASSERT_EQ(shown.size(), row.told.size());
    for (size_t n = 0; n < shown.size(); ++n) {
      EXPECT_EQ(shown[n].text, link + " 是一个链接（连接点或符号链接），" + row.told[n] +
                                   "没有复制到这里。");
    }
    // The folder on a plain way gets its files all the same.
    EXPECT_EQ(Read(host + "\\Drv\\pdfplot9.hdi"),
              row.link == std::string("\\Fonts") ? "Velmar.prt5" : "its own");
  }
}

}  // namespace
}  // namespace deploytest
