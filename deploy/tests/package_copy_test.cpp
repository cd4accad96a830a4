#include "deploy/package_copy.h"

#include <algorithm>
#include <set>

#include "deploy/tests/deploy_test_support.h"
#include "platform/sim/sim_progress.h"

namespace deploytest {
namespace {

const std::string kSetupFolder = std::string(kScratch) + "\\Setup";
const std::string kPackage = kSetupFolder + "\\Data";
const std::string kInstall = std::string(kScratch) + "\\Install\\Velmar批打印软件";

std::string CopyFailedText(const std::string& path) {
  return "拷贝文件 " + path +
         " 失败，可能原因如下：\n\n1、AutoCAD未关闭\n\n2、系统权限未开放，请以管理者权限登陆系统";
}

class PackageCopyTest : public DeployTest {
 protected:
  void SetUp() override {
    DeployTest::SetUp();
    MakeFolders(kPackage);
    MakeFolders(kInstall);  // made by the install command, with its list
    machine->SetModuleFileName(kSetupFolder + "\\SetUp.exe");
    if (sim::Machine* simulated = machine->simulated()) {
      settings_ = std::string(kScratch) + "\\AppData\\Roaming";
      MakeFolders(settings_);
      simulated->files.SetEnvironment("APPDATA", settings_);
    } else {
      ASSERT_TRUE(files().GetEnvironmentVariable("APPDATA", &settings_));
    }
    settings_ += "\\Velmar";
    machine->RemoveTree(settings_);
  }
  void TearDown() override {
    machine->RemoveTree(settings_);
    DeployTest::TearDown();
  }
  // Where the settings file goes on this machine.
  const std::string& settings() const { return settings_; }

  bool Copy(plat::Platform& on, const std::string& folder = kInstall) {
    PackageCopyJob job(on.text, folder, progress);
    return CopyPackage(on, deploy::ReadPackage(on), job);
  }
  // Files named name0 .. nameN-1 with their own names as content.
  void WritePackageFiles(int count) {
    for (int n = 0; n < count; ++n) {
      const std::string name = "Plugin" + std::to_string(1000 + n) + ".dat";
      Write(kPackage + "\\" + name, name);
    }
  }

  sim::RecordingProgress progress;

 private:
  std::string settings_;
};

TEST_F(PackageCopyTest, JobDropsOnlyAWholeTrailingBackslash) {
  const struct {
    const char* folder;
    const char* kept;
  } kCases[] = {
      {"C:\\Velmar\\Velmar批打印软件\\", "C:\\Velmar\\Velmar批打印软件"},
      {"C:\\Velmar\\Velmar批打印软件", "C:\\Velmar\\Velmar批打印软件"},
      {"C:\\Tools\\淺", "C:\\Tools\\淺"},  // 淺 = 9C 5C: its 5C is no backslash
      {"C:\\Tools\\淺\\", "C:\\Tools\\淺"},
      {"D:\\", "D:"},
      {"C:\\Tools\\\\", "C:\\Tools\\"},
  };
  for (const auto& c : kCases) {
    PackageCopyJob job(platform().text, c.folder, progress);
    EXPECT_EQ(job.installFolder, c.kept) << c.folder;
  }
}

TEST_F(PackageCopyTest, SamplePackageLandsByTheFileMap) {
  const std::vector<std::string> names = SeedSamplePackage(kPackage);
  ASSERT_GE(names.size(), 20u);
  MakeFolders(settings());
  Write(settings() + "\\Velmar.Ini", "settings of an earlier installation");

  ASSERT_TRUE(Copy(platform()));

  const std::set<std::string> left = {"Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"};
  const std::pair<const char*, const char*> renamed[] = {{"Velmar.prt7", "itextsharp.dll"},
                                                         {"Velmar.prt8", "PdfSharp.Charting.dll"},
                                                         {"Velmar.prt9", "PdfSharp.dll"}};
  std::set<std::string> expected;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string content = Read(kPackage + "\\" + name);
    std::string target = name;
    for (const auto& r : renamed)
      if (name == r.first) target = r.second;
    if (name == "Velmar.Ini") {
      EXPECT_EQ(Read(settings() + "\\Velmar.Ini"), content);
    } else if (!left.count(name)) {
      EXPECT_EQ(Read(kInstall + "\\" + target), content);
      expected.insert(target);
    }
  }
  const std::vector<std::string> installed = List(kInstall);
  EXPECT_EQ(std::set<std::string>(installed.begin(), installed.end()), expected);
  EXPECT_TRUE(machine->messages().shown().empty());
}

// One step for every entry looked at ("." and ".." included) and one when the listing ends,
// however many entries there are.
TEST_F(PackageCopyTest, EveryEntryCopiedAndStepped) {
  for (int count : {10, 150}) {
    SCOPED_TRACE(count);
    machine->RemoveTree(kPackage);
    machine->RemoveTree(kInstall);
    MakeFolders(kPackage);
    MakeFolders(kInstall);
    WritePackageFiles(count);
    progress = sim::RecordingProgress();
    progress.SetRange(0, 50);
    progress.SetStep(1);
    progress.SetPos(0);
    progress.positions.clear();

    ASSERT_TRUE(Copy(platform()));
    EXPECT_EQ(List(kInstall).size(), static_cast<size_t>(count));
    EXPECT_EQ(Read(kInstall + "\\Plugin" + std::to_string(1000 + count - 1) + ".dat"),
              "Plugin" + std::to_string(1000 + count - 1) + ".dat");
    ASSERT_EQ(progress.positions.size(), static_cast<size_t>(count + 3));
    if (count == 10) {
      EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    }
  }
}

TEST_F(PackageCopyTest, NamesDifferingInLetterCaseAndThePackageInTheSetupFolder) {
  // The probe marks the setup folder itself as the package; the setup program stays behind.
  machine->RemoveTree(kPackage);
  for (const char* name : {"setup.exe", "VL_BatchPlot2010.arx", "VELMAR.PRT7", "velmar.ini",
                           "VELMAR_en.SHX", "velmar_hz.shx", "velmar.PRT5", "Plugin.ARX"})
    Write(kSetupFolder + "\\" + name, name);
  MakeFolders(kSetupFolder + "\\Sub");
  Write(kSetupFolder + "\\Sub\\inner.txt", "inner");
  machine->SetModuleFileName(kSetupFolder + "\\setup.exe");

  ASSERT_TRUE(Copy(platform()));
  std::vector<std::string> installed = List(kInstall);
  std::sort(installed.begin(), installed.end());
  EXPECT_EQ(installed,
            (std::vector<std::string>{"Plugin.ARX", "VL_BatchPlot2010.arx", "itextsharp.dll"}));
  EXPECT_EQ(Read(kInstall + "\\itextsharp.dll"), "VELMAR.PRT7");
  EXPECT_EQ(List(settings()), std::vector<std::string>{"velmar.ini"}) << "listed case kept";
}

// A read-only destination is replaced, and nothing copied stays read-only. A package on a
// write-protected stick keeps its read-only files, whose copies would come out read-only too.
TEST_F(PackageCopyTest, ReadOnlyDestinationReplacedAndEverythingLeftWritable) {
  for (const PackageMedium& medium : kPackageMedia) {
    SCOPED_TRACE(medium.name);
    const std::string package = SeedReadOnlyPackage(medium, kPackage, {"Plugin.arx"});
    if (package.empty()) continue;
    machine->RemoveTree(kInstall);
    MakeFolders(kInstall);
    Write(kInstall + "\\Plugin.arx", "old");
    ASSERT_TRUE(files().SetAttributes(kInstall + "\\Plugin.arx",
                                      plat::kAttrReadOnly | plat::kAttrArchive));

    ASSERT_TRUE(Copy(platform()));
    EXPECT_EQ(Read(kInstall + "\\Plugin.arx"), "Plugin.arx");
    EXPECT_EQ(Attributes(kInstall + "\\Plugin.arx") & plat::kAttrReadOnly, 0u);
    EXPECT_EQ(Attributes(package + "\\Plugin.arx") & plat::kAttrReadOnly,
              medium.writeProtected ? plat::kAttrReadOnly : 0u);
    EXPECT_TRUE(machine->messages().shown().empty());
  }
}

// Only the read-only bit goes; hidden, system and archive stay as they were.
TEST_F(PackageCopyTest, ClearReadOnlyKeepsEveryOtherBit) {
  using namespace plat;
  const struct {
    uint32_t before, after;
    bool folder;
  } kCases[] = {
      {kAttrReadOnly | kAttrArchive, kAttrArchive, false},
      {kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive,
       kAttrHidden | kAttrSystem | kAttrArchive, false},
      {kAttrHidden | kAttrSystem | kAttrArchive, kAttrHidden | kAttrSystem | kAttrArchive, false},
      // A folder's read-only bit is no obstacle to copying into it; it is left alone.
      {kAttrReadOnly, kAttrReadOnly | kAttrDirectory, true},
  };
  const std::string path = std::string(kScratch) + "\\Attributes";
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.before << (c.folder ? " folder" : ""));
    if (c.folder && !machine->simulated()) continue;  // Wine keeps no read-only bit on a folder
    machine->RemoveTree(path);
    if (c.folder) MakeFolders(path);
    else Write(path, "x");
    ASSERT_TRUE(files().SetAttributes(path, c.before));
    ClearReadOnly(files(), path);
    EXPECT_EQ(Attributes(path), c.after);
    files().SetAttributes(path, kAttrNormal);
  }
  ClearReadOnly(files(), path + "\\Missing");
  EXPECT_FALSE(Exists(path + "\\Missing"));
}

// What keeps a destination from being replaced, and how the user removes it before Retry.
// Windows refuses to copy over a hidden file; Wine 8 does not, so there only a folder in the
// file's place blocks the copy.
struct Blocker {
  const char* name;
  bool windowsOnly;
  void (*block)(TestMachine& machine, const std::string& path);
  void (*unblock)(TestMachine& machine, const std::string& path);
};

const Blocker kBlockers[] = {
    {"Hidden", true,
     [](TestMachine& m, const std::string& path) {
       m.WriteFile(path, "old");
       m.platform().files.SetAttributes(path, plat::kAttrHidden);
     },
     [](TestMachine& m, const std::string& path) {
       m.platform().files.SetAttributes(path, plat::kAttrNormal);
     }},
    {"FolderInPlace", false,
     [](TestMachine& m, const std::string& path) { m.platform().files.CreateDirectory(path); },
     [](TestMachine& m, const std::string& path) { m.RemoveTree(path); }},
};

bool Applies(TestMachine& machine, const Blocker& blocker) {
  return !blocker.windowsOnly || machine.simulated();
}

// Retry copies once the user has removed the blocker, Ignore passes the file over, Abort stops
// at once: the files listed after it are neither copied nor stepped.
TEST_F(PackageCopyTest, BlockedDestinationRetriedIgnoredOrAborted) {
  WritePackageFiles(5);
  const std::vector<std::string> order = List(kPackage);
  const std::string blocked = kInstall + "\\" + order[2];
  for (const Blocker& blocker : kBlockers) {
    if (!Applies(*machine, blocker)) continue;
    for (int answer : {plat::kIdRetry, plat::kIdIgnore, plat::kIdAbort}) {
      SCOPED_TRACE(std::string(blocker.name) + " answer " + std::to_string(answer));
      machine->RemoveTree(kInstall);
      MakeFolders(kInstall);
      blocker.block(*machine, blocked);
      actingMessages.shown.clear();
      actingMessages.answer = [&](const sim::ShownMessage&) {
        if (answer == plat::kIdRetry) blocker.unblock(*machine, blocked);
        return answer;
      };
      progress.positions.clear();

      const bool aborted = answer == plat::kIdAbort;
      EXPECT_EQ(Copy(acting()), !aborted);
      ASSERT_EQ(actingMessages.shown.size(), 1u);
      EXPECT_EQ(actingMessages.shown[0].text, CopyFailedText(blocked));
      EXPECT_EQ(actingMessages.shown[0].title, "Velmar软件安装");
      EXPECT_EQ(actingMessages.shown[0].type, plat::kMbAbortRetryIgnore);
      // ".", "..", two files and the refused one; unless aborted, the rest and the end.
      EXPECT_EQ(progress.positions.size(), aborted ? 5u : 5u + 3u);
      EXPECT_EQ(Read(blocked) == order[2], answer == plat::kIdRetry);
      for (size_t n = 0; n < order.size(); ++n) {
        if (n == 2) continue;
        EXPECT_EQ(Read(kInstall + "\\" + order[n]), n < 2 || !aborted ? order[n] : "<missing>")
            << order[n];
      }
    }
  }
}

// Entries are copied in the order the listing gives them, which on a FAT32 stick is the
// order they were made in; nothing is sorted on the way.
TEST_F(PackageCopyTest, ListingOrderKept) {
  sim::Machine* simulated = machine->simulated();
  if (!simulated) GTEST_SKIP() << "Wine lists every folder sorted; the creation-order volume "
                                  "is the simulated machine's";
  simulated->files.AddDrive('E', sim::SimFileSystem::ListingOrder::Creation);
  machine->SetModuleFileName("E:\\SetUp.exe");
  const std::string package = "E:\\Data", install = "E:\\Install";
  MakeFolders(package);
  MakeFolders(install);
  for (const char* name : {"zeta.arx", "Velmar.prt7", "Alpha.arx", "_under.dll", "Beta.cuix"})
    Write(package + "\\" + name, name);
  const std::vector<std::string> made = {"zeta.arx", "itextsharp.dll", "Alpha.arx",
                                         "_under.dll", "Beta.cuix"};

  ASSERT_TRUE(Copy(platform(), install));
  EXPECT_EQ(List(install), made);

  // Failed copies show their messages in that order too.
  const std::string nowhere = "E:\\Missing\\Velmar批打印软件";
  actingMessages.answer = [](const sim::ShownMessage&) { return plat::kIdIgnore; };
  EXPECT_TRUE(Copy(acting(), nowhere));
  ASSERT_EQ(actingMessages.shown.size(), made.size());
  for (size_t n = 0; n < made.size(); ++n)
    EXPECT_EQ(actingMessages.shown[n].text, CopyFailedText(nowhere + "\\" + made[n]));
}

// A path that does not fit the path buffer (260 bytes, terminator included) is not used: an
// install folder that long is neither created nor cut short into some other folder, and a copy
// whose destination is that long is reported with the path whole. The bound is in bytes: 260
// bytes of double-byte text are fewer characters than the system's own limit.
TEST_F(PackageCopyTest, TooLongPathsReportedWhole) {
  const std::string file = "Plugin-with-a-longer-name.arx";
  Write(kPackage + "\\" + file, "x");
  const auto doubleByte = [](std::size_t bytes) {
    std::string folder = std::string(kScratch) + "\\";
    for (int n = 0; n < 100; ++n) folder += "批";
    return folder + std::string(bytes - folder.size(), 'L');
  };
  const struct {
    std::string folder;
    bool exists;  // made beforehand: only the destinations in it are too long
  } kCases[] = {
      {std::string(kScratch) + "\\" + std::string(250, 'L'), false},
      {doubleByte(260), false},
      {doubleByte(240), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.folder.size());
    if (c.exists) MakeFolders(c.folder);
    for (int answer : {plat::kIdIgnore, plat::kIdAbort}) {
      actingMessages.shown.clear();
      actingMessages.answer = [&](const sim::ShownMessage&) { return answer; };
      EXPECT_EQ(Copy(acting(), c.folder), answer == plat::kIdIgnore);
      ASSERT_EQ(actingMessages.shown.size(), 1u);
      EXPECT_EQ(actingMessages.shown[0].text, CopyFailedText(c.folder + "\\" + file));
      EXPECT_EQ(List(c.folder), std::vector<std::string>{});
      if (c.exists) continue;
      const std::string leaf = c.folder.substr(sizeof kScratch);
      for (const std::string& made : List(kScratch))
        EXPECT_NE(leaf.compare(0, made.size(), made), 0) << "made, cut short: " << made;
    }
  }
}

// APPDATA unset, empty, too long for its buffer, or naming a drive's root: the settings go to
// the shell's application-data folder, never to a drive's root.
TEST_F(PackageCopyTest, SettingsFolderWhenAppDataIsUnusable) {
  sim::Machine* simulated = machine->simulated();
  Write(kPackage + "\\Velmar.Ini", "settings");
  Write(kPackage + "\\Plugin.arx", "plugin");
  std::string shell = std::string(kScratch) + "\\Shell\\Roaming";
  if (simulated) {
    MakeFolders(shell);
    simulated->files.SetShellAppData(shell);
    simulated->files.AddDrive('D');
  } else {
    ASSERT_TRUE(files().ShellAppDataFolder(&shell));
  }
  const std::string tooLong = std::string(kScratch) + "\\" + std::string(260, 'A');
  const char* const kValues[] = {nullptr, "", tooLong.c_str(), "C:\\", "C:", "D:", "D:\\",
                                 "C:\\\\", "C:/", "\\", "\\\\"};
  for (const char* value : kValues) {
    SCOPED_TRACE(value ? std::string("APPDATA=") + value : std::string("APPDATA unset"));
    machine->RemoveTree(shell + "\\Velmar");
    for (const char* root : {"C:\\Velmar\\Velmar.Ini", "D:\\Velmar\\Velmar.Ini"})
      machine->RemoveTree(root);
    machine->messages().Clear();
    SetEnvironment("APPDATA", value);

    ASSERT_TRUE(Copy(platform()));
    EXPECT_EQ(Read(shell + "\\Velmar\\Velmar.Ini"), "settings");
    EXPECT_FALSE(Exists("C:\\Velmar\\Velmar.Ini"));
    EXPECT_FALSE(Exists("D:\\Velmar\\Velmar.Ini"));
    EXPECT_TRUE(machine->messages().shown().empty());
  }
  if (!simulated) return;

  // No folder at all, or the shell's folder a drive root too: the user is told and decides;
  // nothing goes to a drive root.
  SetEnvironment("APPDATA", nullptr);
  for (const auto& [shellFolder, answer] :
       {std::pair{"", plat::kIdIgnore}, {"", plat::kIdAbort}, {"C:\\", plat::kIdIgnore}}) {
    SCOPED_TRACE(std::string("shell folder ") + shellFolder);
    simulated->files.SetShellAppData(shellFolder);
    machine->messages().Clear();
    machine->messages().Answer(answer);
    const bool copied = Copy(platform());
    EXPECT_EQ(copied, answer == plat::kIdIgnore);
    ASSERT_EQ(machine->messages().shown().size(), 1u);
    EXPECT_EQ(machine->messages().shown()[0].text, CopyFailedText("%APPDATA%\\Velmar\\Velmar.Ini"));
    EXPECT_FALSE(Exists("C:\\Velmar"));
    EXPECT_FALSE(Exists("\\Velmar"));
  }
}

// No package, or a package whose listing cannot be opened (here a folder so deep that its
// listing pattern does not fit the buffer): the copy is no success, whatever the user answers,
// and nothing is stepped or copied.
TEST_F(PackageCopyTest, PackageThatCannotBeReadIsNoSuccess) {
  // 254 bytes: a module path of 260 bytes with "S.exe", a pattern of 263 bytes.
  const std::string deep = std::string(kScratch) + "\\" + std::string(254 - sizeof kScratch, 'D');
  const struct {
    const char* name;
    bool unlistable;  // else: no package at all
    std::vector<int> answers;
  } kCases[] = {
      {"NoPackage", false, {}},
      {"UnlistableIgnored", true, {plat::kIdRetry, plat::kIdIgnore}},
      {"UnlistableAborted", true, {plat::kIdRetry, plat::kIdAbort}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    // Paths this long are made on the simulated machine only.
    if (c.unlistable && !machine->simulated()) continue;
    machine->RemoveTree(kPackage);
    machine->RemoveTree(kInstall);
    if (c.unlistable) {
      MakeFolders(deep + "\\Data");
      Write(deep + "\\Data\\Plugin.arx", "x");
      machine->SetModuleFileName(deep + "\\S.exe");
    }
    machine->messages().Clear();
    for (int answer : c.answers) machine->messages().Answer(answer);
    progress.positions.clear();

    EXPECT_FALSE(Copy(platform()));
    const std::vector<sim::ShownMessage>& shown = machine->messages().shown();
    if (c.unlistable) {
      ASSERT_EQ(shown.size(), 2u);
      EXPECT_EQ(shown[1].text, CopyFailedText(deep + "\\Data"));
    } else {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].type, plat::kMbOk);
      EXPECT_FALSE(Exists(kInstall)) << "nothing is made before the missing-package message";
    }
    EXPECT_TRUE(progress.positions.empty());
    EXPECT_FALSE(Exists(kInstall + "\\Plugin.arx"));
  }
}

}  // namespace
}  // namespace deploytest
