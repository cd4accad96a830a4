#include "app/install_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/tests/headless_dialog.h"
#include "platform/sim/sim_machine.h"
#include "protection/rules.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

const char kWork[] = "C:\\VelmarTest";
const char kSetupFolder[] = "C:\\VelmarTest\\Setup";
const char kHostFolder[] = "C:\\VelmarTest\\AutoCAD 2020";
const char kProductKey[] = "SOFTWARE\\VelmarTest\\Install\\R23.1\\ACAD-3001:804";
const char kProfile[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
const char kEntry[] = "\\Applications\\VL_BatchPlot2020";

using regtest::Sz;

// Read before any test has run (the flag is constant-initialised): the first click of a run
// asks whether the host runs.
const bool kAskHostAtStart = g_bCheckHostRunning;

// Ten package files, each with content of its own; where each should land.
struct PackageFile {
  const char* name;
  const char* installedAs;  // in the install folder; null when it lands elsewhere or stays
};
const PackageFile kPackage[] = {
    {"VL_BatchPlot2010.arx", "VL_BatchPlot2010.arx"},
    {"VL_BatchPlot2019.arx", "VL_BatchPlot2019.arx"},
    {"VL_BatchPlot2021.arx", "VL_BatchPlot2021.arx"},
    {"Velmar.prt7", "itextsharp.dll"},
    {"Velmar.prt8", "PdfSharp.Charting.dll"},
    {"Velmar.prt9", "PdfSharp.dll"},
    {"Velmar.Ini", nullptr},     // settings folder
    {"Velmar_EN.shx", nullptr},  // host Fonts folder
    {"Velmar_HZ.shx", nullptr},  // host Fonts folder
    {"Velmar.prt5", nullptr},    // 2008's driver only
};
std::string ContentOf(const std::string& name) { return "package file " + name + "\r\n"; }

// The machine's processes replaced by a list the test controls.
class ListedProcesses : public plat::Processes {
 public:
  bool ExecutableNames(std::vector<std::string>* names) override {
    ++asked;
    *names = running;
    return true;
  }
  uint32_t CurrentProcessId() override { return 1; }
  uint32_t Start(const std::string&) override { return 0; }
  bool WaitForExit(uint32_t, uint32_t) override { return true; }
  std::vector<std::string> running = {"explorer.exe"};
  int asked = 0;
};

class InstallCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = TestMachine::Create();
    g_bCheckHostRunning = true;
    catalogue = InstallCatalogue();
    dialog = HeadlessDialog();
    processes = ListedProcesses();
    for (const char* folder : {kWork, "C:\\Velmar", "C:\\Velmar批打印软件", "D:\\Velmar批打印软件"})
      machine->RemoveTree(folder);
    if (sim::Machine* sim = machine->simulated()) sim->files.AddDrive('D');
    regtest::DeleteTree(reg(), kHkeyLocalMachine, "SOFTWARE\\VelmarTest\\Install");
    regtest::DeleteTree(reg(), kHkeyCurrentUser, "SOFTWARE\\Autodesk\\AutoCAD");

    for (const PackageFile& file : kPackage) {
      machine->WriteFile(std::string(kSetupFolder) + "\\Data\\" + file.name, ContentOf(file.name));
    }
    machine->WriteFile(std::string(kSetupFolder) + "\\SetUp.exe", "stand-in");
    // The test's own folder is an administrator's alone, as Wine reports every folder it makes;
    // the folders others may change are the attack table's.
    if (sim::Machine* sim = machine->simulated())
      sim->files.SetDescriptor(kWork, protection::ProgramFolderDescriptor());
    machine->SetModuleFileName(std::string(kSetupFolder) + "\\SetUp.exe");
    machine->WriteFile(std::string(kHostFolder) + "\\Fonts\\txt.shx", "host font");

    regtest::CreatePath(reg(), kHkeyLocalMachine, kProductKey);
    catalogue.hostKeyPaths[ReleaseIndex(2020)].push_back(std::string(kProductKey) + "\\");
    catalogue.hostLocations[ReleaseIndex(2020)].push_back(kHostFolder);
    regtest::SetString(reg(), kHkeyCurrentUser, kProfile, "TRUSTEDPATHS", "c:\\data");

    dialog.controlFlags[ReleaseIndex(2020)] = 1;
    platform = std::make_unique<plat::Platform>(plat::Platform{
        reg(), machine->platform().files, processes, machine->messages(), machine->platform().text,
        machine->checked()});
  }
  void TearDown() override {
    for (const char* folder : {kWork, "C:\\Velmar", "C:\\Velmar批打印软件", "D:\\Velmar批打印软件"})
      machine->RemoveTree(folder);
    regtest::DeleteTree(reg(), kHkeyLocalMachine, "SOFTWARE\\VelmarTest\\Install");
    regtest::DeleteTree(reg(), kHkeyCurrentUser, "SOFTWARE\\Autodesk\\AutoCAD");
  }
  plat::Registry& reg() { return machine->platform().registry; }
  // The install command's steps, as a click runs them (the additions around them aside).
  void Click() {
    InstallEnd end;
    if (!PrepareInstall(*platform, dialog, dialog.inputs(), &end)) return;
    if (RunInstallSequence(*platform, catalogue, dialog, dialog.folderText, dialog.flags,
                           dialog.progress))
      dialog.ShowCompletionLayout();
  }
  bool Exists(const std::string& path) {
    return machine->platform().files.GetAttributes(path) != plat::kInvalidAttributes;
  }
  std::string File(const std::string& path) {
    std::string content;
    return machine->ReadFile(path, &content) ? content : "<missing>";
  }

  // Every file of the package where it belongs, byte for byte.
  void ExpectInstalledInto(const std::string& installFolder) {
    for (const PackageFile& file : kPackage) {
      if (file.installedAs) {
        EXPECT_EQ(File(installFolder + "\\" + file.installedAs), ContentOf(file.name)) << file.name;
      }
    }
    EXPECT_FALSE(Exists(installFolder + "\\Velmar.prt7"));
    EXPECT_FALSE(Exists(installFolder + "\\Velmar_EN.shx"));
    EXPECT_FALSE(Exists(installFolder + "\\Velmar.Ini"));
    std::string appData;
    ASSERT_TRUE(machine->platform().files.GetEnvironmentVariable("APPDATA", &appData));
    EXPECT_EQ(File(appData + "\\Velmar\\Velmar.Ini"), ContentOf("Velmar.Ini"));
    EXPECT_EQ(File(std::string(kHostFolder) + "\\Fonts\\Velmar_EN.shx"), ContentOf("Velmar_EN.shx"));
    EXPECT_EQ(File(std::string(kHostFolder) + "\\Fonts\\Velmar_HZ.shx"), ContentOf("Velmar_HZ.shx"));
  }
  // The click installed nothing: no folder taken, no entry, the trusted paths and the host's
  // fonts as they were.
  void ExpectNothingInstalled() {
    EXPECT_TRUE(catalogue.installFolder.empty());
    EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine,
                                    std::string(kProductKey) + "\\Applications"));
    EXPECT_EQ(regtest::ReadRaw(reg(), kHkeyCurrentUser, kProfile, "TRUSTEDPATHS").bytes,
              Sz("c:\\data"));
    EXPECT_FALSE(Exists(std::string(kHostFolder) + "\\Fonts\\Velmar_EN.shx"));
  }

  std::unique_ptr<TestMachine> machine;
  ListedProcesses processes;
  std::unique_ptr<plat::Platform> platform;
  InstallCatalogue catalogue;
  HeadlessDialog dialog;
};

TEST_F(InstallCommandTest, WholeInstallationForEachFolderForm) {
  struct Case {
    const char* folderText;
    const char* installFolder;
    const char* trustedAfter;
  };
  const Case cases[] = {
      {"C:\\Velmar", "C:\\Velmar\\Velmar批打印软件", "C:\\DATA;C:\\VELMAR\\VELMAR批打印软件"},
      {"D:\\", "D:\\Velmar批打印软件", "C:\\DATA;D:\\VELMAR批打印软件"},
      // Drive-relative: the current directory is on C:.
      {"\\", "\\Velmar批打印软件", "C:\\DATA;\\VELMAR批打印软件"},
      // 淺 is 9C 5C: its last byte is a backslash, its last character is not.
      {"C:\\VelmarTest\\淺", "C:\\VelmarTest\\淺\\Velmar批打印软件",
       "C:\\DATA;C:\\VELMARTEST\\淺\\VELMAR批打印软件"},
      {"C:\\VelmarTest\\乗\\", "C:\\VelmarTest\\乗\\Velmar批打印软件",
       "C:\\DATA;C:\\VELMARTEST\\乗\\VELMAR批打印软件"},
  };
  const std::error_code noError;
  std::error_code ec;
  const std::filesystem::path startDirectory =
      machine->simulated() ? std::filesystem::path() : std::filesystem::current_path(ec);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folderText);
    TearDown();
    SetUp();
    if (sim::Machine* sim = machine->simulated()) {
      sim->files.SetCurrentDirectory(kWork);
    } else {
      std::filesystem::current_path(kWork, ec);
      ASSERT_EQ(ec, noError);
    }
    dialog.controlFolderText = c.folderText;

    Click();

    EXPECT_EQ(dialog.requests, "TPD");
    EXPECT_TRUE(machine->messages().shown().empty());
    EXPECT_EQ(dialog.folderText, c.installFolder);
    EXPECT_EQ(catalogue.installFolder, c.installFolder);
    const std::string onDisk =
        c.installFolder[0] == '\\' ? std::string("C:") + c.installFolder : c.installFolder;
    ExpectInstalledInto(onDisk);

    const regtest::RawValue loader =
        regtest::ReadRaw(reg(), kHkeyLocalMachine, std::string(kProductKey) + kEntry, "LOADER");
    EXPECT_EQ(loader.type, plat::kRegSz);
    EXPECT_EQ(loader.bytes, Sz(std::string(c.installFolder) + "\\VL_BatchPlot2019.ARX"));
    EXPECT_EQ(regtest::ReadRaw(reg(), kHkeyCurrentUser, kProfile, "TRUSTEDPATHS").bytes,
              Sz(c.trustedAfter));
  }
  if (!machine->simulated()) std::filesystem::current_path(startDirectory, ec);
}

TEST_F(InstallCommandTest, ProgressOfAWholeInstallation) {
  Click();

  // Twelve listing entries (10 files, "." and "..") step 1..13, then one step a stage, then full.
  const sim::RecordingProgress& bar = dialog.progress;
  EXPECT_EQ(bar.low, 0);
  EXPECT_EQ(bar.high, 50);
  EXPECT_EQ(bar.step, 1);
  std::vector<int> expected;
  for (int pos = 0; pos <= 16; ++pos) expected.push_back(pos);
  expected.push_back(50);
  EXPECT_EQ(bar.positions, expected);
  EXPECT_EQ(std::string(bar.calls.begin(), bar.calls.end()),
            "rsp" + std::string(16, 'i') + "p");
}

TEST_F(InstallCommandTest, HostRunningWarnsOnceThenInstalls) {
  EXPECT_TRUE(kAskHostAtStart);
  processes.running.push_back("ACAD.EXE");
  Click();

  ASSERT_EQ(machine->messages().shown().size(), 1u);
  EXPECT_EQ(machine->messages().shown()[0].text, "请关闭AutoCAD后再进行安装 !");
  EXPECT_EQ(machine->messages().shown()[0].title, "Velmar软件安装");
  EXPECT_EQ(machine->messages().shown()[0].type, plat::kMbOk);
  EXPECT_FALSE(g_bCheckHostRunning);
  EXPECT_EQ(dialog.requests, "");
  EXPECT_FALSE(Exists("C:\\Velmar"));
  EXPECT_TRUE(dialog.progress.calls.empty());

  // The host still runs: the next clicks neither ask nor warn. The folder text is looked at
  // only once the warning is out of the way.
  dialog.controlFolderText = "C:\\Velmar;";
  Click();
  ASSERT_EQ(machine->messages().shown().size(), 2u);
  EXPECT_EQ(machine->messages().shown()[1].type, plat::kMbOk | plat::kMbIconStop);
  EXPECT_EQ(dialog.requests, "T");
  dialog.controlFolderText = "C:\\Velmar";
  Click();
  EXPECT_EQ(processes.asked, 1);
  EXPECT_EQ(machine->messages().shown().size(), 2u);
  EXPECT_EQ(dialog.requests, "TTPD");
  ExpectInstalledInto("C:\\Velmar\\Velmar批打印软件");
}

TEST_F(InstallCommandTest, RefusedFolderTextLeavesEverythingAsItWas) {
  struct Case {
    const char* folderText;
    const char* message;
    const char* wouldBeMade;  // the folder the text names, which must not appear
  };
  const char kSemicolon[] = "安装路径中不能有分号(;)，请修改后再进行安装 !";
  const Case cases[] = {
      {"", "安装路径不能为空 !", "C:\\Velmar批打印软件"},
      // AutoCAD would split these at ';' and never trust them.
      {"C:\\VelmarTest\\a;b", kSemicolon, "C:\\VelmarTest\\a;b"},
      {"C:\\VelmarTest\\;", kSemicolon, "C:\\VelmarTest\\;"},
      {"C:\\VelmarTest\\淺;\\", kSemicolon, "C:\\VelmarTest\\淺;"},
      {";", kSemicolon, ";"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folderText);
    TearDown();
    SetUp();
    dialog.controlFolderText = c.folderText;
    Click();

    ASSERT_EQ(machine->messages().shown().size(), 1u);
    EXPECT_EQ(machine->messages().shown()[0].text, c.message);
    EXPECT_EQ(machine->messages().shown()[0].title, "Velmar软件安装");
    EXPECT_EQ(machine->messages().shown()[0].type, plat::kMbOk | plat::kMbIconStop);
    EXPECT_EQ(dialog.requests, "T");
    EXPECT_TRUE(dialog.progress.calls.empty());
    EXPECT_TRUE(g_bCheckHostRunning);
    EXPECT_FALSE(Exists(c.wouldBeMade));
    ExpectNothingInstalled();

    // The user corrects the text and clicks again.
    dialog.controlFolderText = "C:\\VelmarTest\\ab";
    Click();
    EXPECT_EQ(dialog.requests, "TTPD");
    ExpectInstalledInto("C:\\VelmarTest\\ab\\Velmar批打印软件");
  }
}

TEST_F(InstallCommandTest, SequenceCopiesAndRegistersWhateverTheFlags) {
  struct Case {
    const char* installFolder;
    bool tick2020;
    const char* catalogueFolder;
  };
  const Case cases[] = {
      // The catalogue never keeps a trailing backslash.
      {"C:\\VelmarTest\\Prog\\", true, "C:\\VelmarTest\\Prog"},
      // No release ticked (the dialog never allows it): the trusted paths are still served.
      {"C:\\VelmarTest\\Prog", false, "C:\\VelmarTest\\Prog"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.installFolder);
    TearDown();
    SetUp();
    ReleaseFlags flags{};
    flags[ReleaseIndex(2020)] = c.tick2020 ? 1 : 0;

    EXPECT_TRUE(RunInstallSequence(*platform, catalogue, dialog, c.installFolder, flags,
                                   dialog.progress));
    EXPECT_EQ(dialog.requests, "P");
    EXPECT_EQ(catalogue.installFolder, c.catalogueFolder);
    EXPECT_EQ(File(std::string(c.catalogueFolder) + "\\VL_BatchPlot2019.arx"),
              ContentOf("VL_BatchPlot2019.arx"));
    EXPECT_EQ(regtest::ReadRaw(reg(), kHkeyCurrentUser, kProfile, "TRUSTEDPATHS").bytes,
              Sz("C:\\DATA;C:\\VELMARTEST\\PROG"));
    EXPECT_EQ(regtest::ReadRaw(reg(), kHkeyLocalMachine, std::string(kProductKey) + kEntry,
                               "LOADER").bytes,
              c.tick2020 ? Sz("C:\\VelmarTest\\Prog\\VL_BatchPlot2019.ARX") : "");
  }
}

// The product folder's list: full control for the system and administrators, reading for
// users, nothing from the folder above; and the same entries as what lies in it shows them.
constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
const plat::AccessList kProgramFolder = {
    true,
    {{"S-1-5-18", plat::kFileAllAccess, kBelow},
     {"S-1-5-32-544", plat::kFileAllAccess, kBelow},
     {"S-1-5-32-545", plat::kFileReadExecute, kBelow}}};
const plat::AccessList kFileInIt = {
    false,
    {{"S-1-5-18", plat::kFileAllAccess, plat::kAceInherited},
     {"S-1-5-32-544", plat::kFileAllAccess, plat::kAceInherited},
     {"S-1-5-32-545", plat::kFileReadExecute, plat::kAceInherited}}};

TEST_F(InstallCommandTest, NoUserButAnAdministratorMayChangeTheFoldersItMakes) {
  if (!machine->KeepsAccessLists()) {
    GTEST_SKIP() << "Wine keeps no access list it is given; the files contract shows it and "
                    "checks the list the adapter passes";
  }
  auto listOf = [&](const std::string& path) {
    plat::AccessList list;
    EXPECT_TRUE(machine->ReadAccessList(path, &list)) << path;
    return list;
  };
  const std::string product = "C:\\Velmar\\Velmar批打印软件";
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "over an earlier installation" : "fresh");
    TearDown();
    SetUp();
    if (earlier) {
      // A product folder that only takes what the protected folder above passes on.
      machine->simulated()->files.MakeFolders(product);
      machine->simulated()->files.SetDescriptor("C:\\Velmar",
                                                protection::ProgramFolderDescriptor());
    }
    Click();
    EXPECT_EQ(dialog.requests, "TPD");
    // Both levels were made under the program's list, the one above the product folder too:
    // made in the drive's root, it would otherwise let every user rename it aside.
    EXPECT_EQ(listOf("C:\\Velmar"), kProgramFolder);
    EXPECT_EQ(listOf(product), kProgramFolder);
    for (const char* file : {"VL_BatchPlot2019.arx", "itextsharp.dll"}) {
      EXPECT_EQ(listOf(product + "\\" + file), kFileInIt) << file;
    }
  }
}

TEST_F(InstallCommandTest, FailedCopyCancelsWithNothingRegistered) {
  // A folder in the way of the first file (the package's listing puts it first).
  dialog.controlFolderText = "C:\\VelmarTest\\Missing\\Deeper";
  machine->WriteFile("C:\\VelmarTest\\Missing\\Deeper\\Velmar批打印软件\\VL_BatchPlot2010.arx\\x", "");
  machine->messages().Answer(plat::kIdAbort);
  Click();

  ASSERT_EQ(machine->messages().shown().size(), 1u);
  EXPECT_EQ(machine->messages().shown()[0].type, plat::kMbAbortRetryIgnore);
  EXPECT_EQ(dialog.requests, "TPC");
  ExpectNothingInstalled();
  // The bar stopped where the copy gave up: no stage step, no final position.
  ASSERT_FALSE(dialog.progress.positions.empty());
  EXPECT_LT(dialog.progress.positions.back(), 13);
}

// Every missing level of the install folder is made before the copy; one that cannot be made
// is named, and nothing is copied (a file stands where a level would be).
TEST_F(InstallCommandTest, MakesEveryLevelOrNamesTheOneThatCannotBeMade) {
  dialog.controlFolderText = "C:\\VelmarTest\\New\\Deeper";
  Click();
  EXPECT_EQ(dialog.requests, "TPD");
  ExpectInstalledInto("C:\\VelmarTest\\New\\Deeper\\Velmar批打印软件");

  TearDown();
  SetUp();
  machine->WriteFile("C:\\VelmarTest\\Plain", "a file");
  dialog.controlFolderText = "C:\\VelmarTest\\Plain\\Deeper";
  Click();
  ASSERT_EQ(machine->messages().shown().size(), 1u);
  EXPECT_EQ(machine->messages().shown()[0].text.compare(0, 15, "无法创建文件夹 "), 0);
  EXPECT_NE(machine->messages().shown()[0].text.find("C:\\VelmarTest\\Plain\\Deeper"),
            std::string::npos);
  EXPECT_EQ(dialog.requests, "T");
  ExpectNothingInstalled();
}

// No package beside the setup program: the user is told, the dialog ends as cancelled, and
// nothing is registered, deployed or stepped.
TEST_F(InstallCommandTest, MissingPackageCancelsWithNothingRegistered) {
  machine->RemoveTree(std::string(kSetupFolder) + "\\Data");
  Click();

  ASSERT_EQ(machine->messages().shown().size(), 1u);
  EXPECT_EQ(machine->messages().shown()[0].text,
            "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !");
  EXPECT_EQ(machine->messages().shown()[0].type, plat::kMbOk);
  EXPECT_EQ(dialog.requests, "TPC");
  ExpectNothingInstalled();
  EXPECT_EQ(std::string(dialog.progress.calls.begin(), dialog.progress.calls.end()), "rsp");
}

}  // namespace
