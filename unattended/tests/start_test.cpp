#include "unattended/start.h"

#include <gtest/gtest.h>

#include <string>

#include "activesetup/active_setup.h"
#include "app/tests/headless_dialog.h"
#include "platform/unicode.h"
#include "unattended/tests/sample_machine.h"

namespace {

// The Windows runs, recorded; the dialog is "clicked" with what it was preset to.
class FakeRuns : public unattended::Runs {
 public:
  void RunDialog(plat::Platform& platform, InstallCatalogue& catalogue,
                 const unattended::DialogPreset* preset, AfterInstall* after) override {
    ++dialogs;
    presetGiven = preset != nullptr;
    if (preset) {
      folder = preset->folder;
      ticked = preset->ticked;
    }
    if (!click) return;
    HeadlessDialog dialog;
    dialog.controlFolderText = preset ? preset->folder : "C:\\Velmar";
    dialog.controlFlags = preset ? preset->ticked : ReleaseFlags{};
    if (!preset) dialog.controlFlags.fill(1);
    g_bCheckHostRunning = true;
    OnBnClickedInstall(platform, catalogue, dialog, dialog.inputs(), after);
  }
  int RunUninstall(plat::Platform& platform, const cmdline::Options& options) override {
    ++uninstalls;
    silentUninstall = options.silent;
    platform.files.CreateDirectory("C:\\users\\user\\AppData\\Local\\Temp\\VelmarUninstall-1");
    return 0;
  }
  bool click = false;
  int dialogs = 0, uninstalls = 0;
  bool presetGiven = false, silentUninstall = false;
  std::string folder;
  ReleaseFlags ticked{};
};

class StartTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  // A fresh sample machine for each run.
  void Reset() {
    owned = std::make_unique<sim::Machine>();
    sample::Seed(machine());
    catalogue = InstallCatalogue();
    runs = FakeRuns();
  }
  sim::Machine& machine() { return *owned; }
  int Start(const std::u16string& arguments, const char* module = "C:\\Setup\\SetUp.exe") {
    unattended::StartUp s{machine().platform(), observers, catalogue, runs, module, "program",
                          nullptr};
    g_bCheckHostRunning = true;
    return unattended::Start(s, u"\"C:\\Setup\\SetUp.exe\" " + arguments);
  }
  std::string Log(const char* path = "C:\\v.log") {
    std::string bytes;
    return machine().files.ReadFile(path, &bytes) ? bytes : "<no log>";
  }
  bool Installed() {
    return machine().files.GetAttributes("C:\\Velmar\\Velmar批打印软件\\itextsharp.dll") !=
           plat::kInvalidAttributes;
  }
  std::unique_ptr<sim::Machine> owned;
  journal::FanOut observers;
  InstallCatalogue catalogue;
  FakeRuns runs;
};

// Without arguments: the dialog as it is made, no log, no message, exit code 0.
TEST_F(StartTest, NoArgumentsRunsTheDialogAsBefore) {
  runs.click = true;
  unattended::RunLog heard(machine().text);
  observers.Add(heard);
  unattended::StartUp s{machine().platform(), observers, catalogue, runs,
                        "C:\\Setup\\SetUp.exe", "program", nullptr};
  EXPECT_EQ(unattended::Start(s, u"\"C:\\Setup\\SetUp.exe\""), 0);
  EXPECT_EQ(runs.dialogs, 1);
  EXPECT_FALSE(runs.presetGiven);
  EXPECT_TRUE(machine().messages.shown().empty());
  EXPECT_TRUE(Installed());
  // The other listeners hear the run; the Active Setup component follows the installation.
  EXPECT_NE(heard.text().find("TRUSTEDPATHS"), std::string::npos);
  EXPECT_NE(heard.text().find("StubPath"), std::string::npos);
  EXPECT_EQ(Log(), "<no log>");
}

// The other listeners keep the record of installations: an uninstall's own writes (its
// helper's folder) are none of theirs. The log hears them.
TEST_F(StartTest, TellsTheOtherListenersOnlyWhatAnInstallationWrites) {
  unattended::RunLog heard(machine().text);
  observers.Add(heard);
  unattended::StartUp s{machine().platform(), observers, catalogue, runs,
                        "C:\\Setup\\SetUp.exe", "program", nullptr};
  EXPECT_EQ(unattended::Start(s, u"\"C:\\Setup\\SetUp.exe\" /UNINSTALL /S /LOG=C:\\v.log"), 0);
  EXPECT_EQ(runs.uninstalls, 1);
  EXPECT_EQ(heard.text().find("VelmarUninstall-1"), std::string::npos) << heard.text();
  EXPECT_NE(Log().find("VelmarUninstall-1"), std::string::npos) << Log();
}

TEST_F(StartTest, RunsTheCommandLineAsksFor) {
  const struct Row {
    const char16_t* arguments;
    int code;
    int dialogs;
    int uninstalls;
    bool installed;
    unsigned boxType;     // 0: no message shown
    const char* boxText;  // a part of the message's text
    const char* logPart;  // a part of C:\v.log (UTF-8); null: no log written
  } rows[] = {
      {u"/S /LOG=C:\\v.log", 0, 0, 0, true, 0, nullptr, u8"result: exit code 0, done"},
      {u"/s /log=\"C:\\v.log\"", 0, 0, 0, true, 0, nullptr,
       u8"value written: HKCU 64-bit view, key SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\"
       u8"ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables, value TRUSTEDPATHS, REG_SZ, 60 "
       u8"bytes; old \"c:\\data\"; new \"C:\\DATA;C:\\VELMAR\\VELMAR批打印软件\""},
      {u"/S /LOG=C:\\v.log", 0, 0, 0, true, 0, nullptr,
       u8"trust for every user: Active Setup component registered"},
      {u"/S", 0, 0, 0, true, 0, nullptr, nullptr},
      {u"/DIR=\"D:\\Plot Out\" /RELEASES=2020 /LOG=C:\\v.log", 0, 1, 0, false, 0, nullptr,
       u8"skipped: release 2008, found but not chosen"},
      {u"/RELEASES=2010 /LOG=C:\\v.log", 2, 0, 0, false, plat::kMbIconStop, "AutoCAD2010",
       u8"result: exit code 2"},
      {u"/S /RELEASES=2010", 2, 0, 0, false, 0, nullptr, nullptr},
      {u"/BOGUS", 1, 0, 0, false, plat::kMbIconStop, "无法识别的参数：/BOGUS", nullptr},
      {u"/S /BOGUS /LOG=C:\\v.log", 1, 0, 0, false, 0, nullptr,
       u8"command line error: unknown argument \"/BOGUS\""},
      {u"/S /LOG=C:\\missing\\v.log", 1, 0, 0, false, 0, nullptr, nullptr},
      {u"/LOG=C:\\missing\\v.log", 1, 0, 0, false, plat::kMbIconStop, "无法写入日志文件",
       nullptr},
      {u"/?", 0, 0, 0, false, 0x40, "/RELEASES=", nullptr},
      {u"/S /?", 0, 0, 0, false, 0x40, "退出代码", nullptr},
      {u"/UNINSTALL /S /LOG=C:\\v.log", 0, 0, 1, false, 0, nullptr, u8"run: unattended uninstall"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(plat::Utf16ToUtf8(row.arguments));
    Reset();
    runs.click = true;

    EXPECT_EQ(Start(row.arguments), row.code);
    EXPECT_EQ(runs.dialogs, row.dialogs);
    EXPECT_EQ(runs.uninstalls, row.uninstalls);
    EXPECT_EQ(Installed(), row.installed);
    if (row.boxType == 0) {
      EXPECT_TRUE(machine().messages.shown().empty());
    } else {
      ASSERT_EQ(machine().messages.shown().size(), 1u);
      EXPECT_EQ(machine().messages.shown()[0].type, row.boxType);
      EXPECT_EQ(machine().messages.shown()[0].title, "Velmar软件安装");
      EXPECT_NE(machine().messages.shown()[0].text.find(row.boxText), std::string::npos)
          << machine().messages.shown()[0].text;
    }
    if (row.logPart) {
      EXPECT_NE(Log().find(row.logPart), std::string::npos) << Log();
    } else {
      EXPECT_EQ(Log(), "<no log>");
    }
  }
}

// The dialog starts as the command line says, and the program's name alone asks for the
// uninstall.
TEST_F(StartTest, PresetAndProgramName) {
  EXPECT_EQ(Start(u"/DIR=\"D:\\Plot Out\" /RELEASES=2020"), 0);
  ASSERT_TRUE(runs.presetGiven);
  EXPECT_EQ(runs.folder, "D:\\Plot Out");
  ReleaseFlags only2020{};
  only2020[ReleaseIndex(2020)] = 1;
  EXPECT_EQ(runs.ticked, only2020);

  runs = FakeRuns();
  EXPECT_EQ(Start(u"/DIR=C:\\Tools"), 0);
  ReleaseFlags found{};
  found[ReleaseIndex(2008)] = found[ReleaseIndex(2020)] = 1;
  EXPECT_EQ(runs.ticked, found);

  runs = FakeRuns();
  EXPECT_EQ(Start(u"/S", "C:\\Velmar\\Velmar批打印软件\\UNINSTALL.exe"), 0);
  EXPECT_EQ(runs.uninstalls, 1);
  EXPECT_TRUE(runs.silentUninstall);
  EXPECT_FALSE(Installed());
}

}  // namespace
