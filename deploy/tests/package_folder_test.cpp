#include "deploy/package_folder.h"

#include "deploy/tests/deploy_test_support.h"

namespace deploytest {
namespace {

const std::string kSetupFolder = std::string(kScratch) + "\\Setup";
const std::string kMissingText =
    "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !";

class PackageFolderTest : public DeployTest {};

TEST_F(PackageFolderTest, PathKindOfNothingFileAndFolder) {
  MakeFolders(kSetupFolder + "\\Folder");
  Write(kSetupFolder + "\\File.txt", "x");
  EXPECT_EQ(GetPathKind(files(), kSetupFolder + "\\Folder"), PathFolder);
  EXPECT_EQ(GetPathKind(files(), kSetupFolder + "\\File.txt"), PathFile);
  EXPECT_EQ(GetPathKind(files(), kSetupFolder + "\\None"), PathMissing);
  EXPECT_EQ(GetPathKind(files(), kSetupFolder + "\\None\\Deeper"), PathMissing);
}

// What lies in the setup folder decides where the package is.
struct Layout {
  const char* name;
  const char* dataFolder;  // a folder by this name, or null
  const char* dataFile;    // a file by this name, or null
  bool probeFile;          // VL_BatchPlot2010.arx as a file
  bool probeFolder;        // VL_BatchPlot2010.arx as a folder
  const char* expected;    // package folder below the setup folder ("" itself), null: none
};

const Layout kLayouts[] = {
    {"DataFolderWins", "Data", nullptr, true, false, "\\Data"},
    {"DataInOtherCase", "dATA", nullptr, false, false, "\\Data"},
    {"DataFileIsNoPackage", nullptr, "Data", true, false, ""},
    {"ModuleProbeMarksSetupFolder", nullptr, nullptr, true, false, ""},
    {"ModuleProbeAsFolderDoesNotCount", nullptr, nullptr, false, true, nullptr},
    {"DataFileWithoutProbe", nullptr, "Data", false, false, nullptr},
    {"Nothing", nullptr, nullptr, false, false, nullptr},
};

TEST_F(PackageFolderTest, WhereThePackageIs) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.name);
    machine->RemoveTree(kSetupFolder);
    machine->messages().Clear();
    MakeFolders(kSetupFolder);
    Write(kSetupFolder + "\\SetUp.exe", "setup");
    machine->SetModuleFileName(kSetupFolder + "\\SetUp.exe");
    if (layout.dataFolder) MakeFolders(kSetupFolder + "\\" + layout.dataFolder);
    if (layout.dataFile) Write(kSetupFolder + "\\" + layout.dataFile, "not a folder");
    if (layout.probeFile) Write(kSetupFolder + "\\VL_BatchPlot2010.arx", "module");
    if (layout.probeFolder) MakeFolders(kSetupFolder + "\\VL_BatchPlot2010.arx");

    std::string packageFolder;
    const bool found = FindPackageFolder(platform(), packageFolder);
    if (layout.expected) {
      EXPECT_TRUE(found);
      EXPECT_EQ(packageFolder, kSetupFolder + layout.expected);
      EXPECT_TRUE(machine->messages().shown().empty());
    } else {
      EXPECT_FALSE(found);
      EXPECT_EQ(packageFolder, kSetupFolder + "\\VL_BatchPlot2010.arx");
      ASSERT_EQ(machine->messages().shown().size(), 1u);
      const sim::ShownMessage& shown = machine->messages().shown()[0];
      EXPECT_EQ(shown.text, kMissingText);
      EXPECT_EQ(shown.title, "Velmar软件安装");
      EXPECT_EQ(shown.type, plat::kMbOk);
    }
  }
}

// The setup folder is all before the module's own name: whole when its last byte is a trail
// byte 0x5C, and without a slash of its own in a drive's root. GetModuleFileNameA's buffer holds 260 bytes and the
// terminator: a longer module path would have come back cut short, naming some other folder,
// so it finds no package.
TEST_F(PackageFolderTest, SetupFolderOfTheModulePath) {
  if (sim::Machine* simulated = machine->simulated()) simulated->files.AddDrive('D');
  const std::string program = "\\SetUp.exe";
  const auto ofLength = [&](std::size_t length) {
    return std::string(kScratch) + "\\" +
           std::string(length - sizeof kScratch - program.size(), 'M');
  };
  const struct {
    std::string setupFolder;
    bool found;
  } kCases[] = {
      {std::string(kScratch) + "\\淺", true},  // 淺 = 9C 5C
      {"D:", true},
      {ofLength(260), true},
      {ofLength(261), false},
  };
  ASSERT_EQ(kCases[0].setupFolder.back(), '\\');
  ASSERT_EQ(kCases[2].setupFolder.size() + program.size(), 260u);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.setupFolder);
    machine->RemoveTree(c.setupFolder + "\\Data");
    machine->messages().Clear();
    MakeFolders(c.setupFolder + "\\Data");
    machine->SetModuleFileName(c.setupFolder + program);

    std::string packageFolder;
    EXPECT_EQ(FindPackageFolder(platform(), packageFolder), c.found);
    if (c.found) {
      EXPECT_EQ(packageFolder, c.setupFolder + "\\Data");
    }
    EXPECT_EQ(machine->messages().shown().size(), c.found ? 0u : 1u);
  }
  machine->RemoveTree("D:\\Data");
}

}  // namespace
}  // namespace deploytest
