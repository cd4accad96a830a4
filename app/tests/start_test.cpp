#include "app/start.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/tests/headless_dialog.h"
#include "platform/unicode.h"
#include "protection/rules.h"
#include "unattended/exit_codes.h"
#include "onerun/one_run.h"
#include "tests/support/sample_machine.h"
#include "cmdline/usage.h"

namespace {

constexpr char kTemp[] = "C:\\users\\user\\AppData\\Local\\Temp";
// The sample clock's time and the sample machine's process id.
// A quiet run's own log: the program, the time, and 16 hex digits no one can foresee.
constexpr char kDefaultLog[] = "VelmarSetup-20240426-101500-";
constexpr char kStamp[] = "2024-04-26 10:15:00 +08:00  ";

// The Windows side, recorded; the dialog is "clicked" with what it was preset to.
class FakeWindows : public app::Windows {
 public:
  void RunDialog(app::Installation& installation, const app::DialogPreset* preset) override {
    ++dialogs;
    sim::SimClock clock;
    lockFree = onerun::ClaimTheRun(installation.platform(), clock, false, 0).claimed ==
               onerun::Claimed::kOurs;
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
    installation.Install(dialog, dialog.inputs());
  }
  void ShowNoSystemErrors() override { systemErrorsOff = true; }
  bool click = false;
  bool lockFree = true;
  int dialogs = 0;
  bool presetGiven = false, systemErrorsOff = false;
  std::string folder;
  ReleaseFlags ticked{};
};

class StartTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  // A fresh sample machine for each run.
  void Reset() {
    other = onerun::Claim();
    owned = std::make_unique<sim::Machine>();
    sample::Seed(machine());
    catalogue = InstallCatalogue();
    windows = FakeWindows();
  }
  sim::Machine& machine() { return *owned; }
  int Start(const std::u16string& arguments, const char* module = "C:\\Setup\\SetUp.exe") {
    app::StartUp s{machine().platform(), catalogue, windows, machine().clock,
                   machine().audience, module, "program"};
    g_bCheckHostRunning = true;
    return app::Start(s, u"\"C:\\Setup\\SetUp.exe\" " + arguments);
  }
  std::string Log(const char* path = "C:\\v.log") {
    std::string bytes;
    return machine().files.ReadFile(path, &bytes) ? bytes : "<no log>";
  }
  // The run's own log in the temporary folder, whose name begins so and ends in 16 hex digits.
  std::string DefaultLog(const std::string& begins = kDefaultLog) {
    std::string temp;
    plat::FindEntry entry;
    machine().files.TempFolder(&temp);
    plat::UniqueFind found(machine().files,
                           machine().files.FindFirst(temp + begins + "*.log", &entry));
    const size_t digits = begins.size() + 16;
    const bool hex = entry.name.find_first_not_of("0123456789abcdef", begins.size()) == digits;
    return found && hex && entry.name.size() == digits + 4 ? Log((temp + entry.name).c_str())
                                                           : "<no log>";
  }
  bool Installed() {
    return machine().files.GetAttributes("C:\\Velmar\\Velmar批打印软件\\itextsharp.dll") !=
           plat::kInvalidAttributes;
  }
  // Another run holds the machine's run lock (free till then), until it ends.
  void AnotherRunHolds() {
    sim::SimClock clock;
    other = onerun::ClaimTheRun(machine().platform(), clock, false, 0);
    ASSERT_EQ(other.claimed, onerun::Claimed::kOurs);
  }
  std::unique_ptr<sim::Machine> owned;
  onerun::Claim other;
  InstallCatalogue catalogue;
  FakeWindows windows;
};

// Without arguments: the dialog as it is made, no log, no message, exit code 0; the
// installation with every addition: its record, the Active Setup component, the settings file
// every user is given.
TEST_F(StartTest, NoArgumentsRunsTheDialogAsBefore) {
  windows.click = true;
  EXPECT_EQ(Start(u""), 0);
  EXPECT_EQ(windows.dialogs, 1);
  EXPECT_FALSE(windows.presetGiven);
  EXPECT_FALSE(windows.systemErrorsOff);
  EXPECT_TRUE(machine().messages.shown().empty()) << machine().messages.shown()[0].text;
  EXPECT_TRUE(Installed());
  std::string record;
  ASSERT_TRUE(machine().files.ReadFile("C:\\Velmar\\Velmar批打印软件\\Uninstall.txt", &record));
  EXPECT_NE(record.find("TRUSTEDPATHS"), std::string::npos);
  EXPECT_NE(record.find("StubPath"), std::string::npos);
  EXPECT_NE(machine().files.GetAttributes("C:\\Velmar\\Velmar批打印软件\\VelmarDefault.Ini"),
            plat::kInvalidAttributes);
  EXPECT_EQ(Log(), "<no log>");
  EXPECT_EQ(DefaultLog(), "<no log>");
  // The run held the lock while the dialog ran, and gave it back.
  EXPECT_FALSE(windows.lockFree);
  AnotherRunHolds();
}

TEST_F(StartTest, RunsTheCommandLineAsksFor) {
  const struct Row {
    const char16_t* arguments;
    int code;
    int dialogs;
    bool installed;
    unsigned boxType;     // 0: no message shown
    const char* boxText;  // a part of the message's text
    const char* logPart;  // a part of C:\v.log (UTF-8); null: no log written there
  } rows[] = {
      {u"/S /LOG=C:\\v.log", 0, 0, true, 0, nullptr, u8"result: exit code 0, done"},
      {u"/s /log=\"C:\\v.log\"", 0, 0, true, 0, nullptr,
       u8"value written: HKCU 64-bit view, key SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\"
       u8"ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables, value TRUSTEDPATHS, REG_SZ, 60 "
       u8"bytes; old \"c:\\data\"; new \"C:\\DATA;C:\\VELMAR\\VELMAR批打印软件\""},
      {u"/S /LOG=C:\\v.log", 0, 0, true, 0, nullptr,
       u8"trust for every user: Active Setup component registered"},
      {u"/VERYSILENT /LOG:C:\\v.log", 0, 0, true, 0, nullptr, u8"run: unattended installation"},
      {u"-S", 0, 0, true, 0, nullptr, nullptr},
      {u"/DIR=\"D:\\Plot Out\" /RELEASES=2020 /LOG=C:\\v.log", 0, 1, false, 0, nullptr,
       u8"skipped: release 2008, found but not chosen"},
      {u"/RELEASES=2010 /LOG=C:\\v.log", 2, 0, false, plat::kMbIconStop, "AutoCAD2010",
       u8"no release asked for is installed: release 2010"},
      {u"/S /RELEASES=2010", 2, 0, false, 0, nullptr, nullptr},
      {u"/S /DIR=C:\\CAD;Tools", 1639, 0, false, 0, nullptr, nullptr},
      {u"/BOGUS", 1639, 0, false, plat::kMbIconStop, "无法识别的参数：/BOGUS", nullptr},
      {u"/S /BOGUS /LOG=C:\\v.log", 1639, 0, false, 0, nullptr,
       u8"command line error: unknown argument \"/BOGUS\""},
      {u"/BOGUS /Q /LOG=C:\\v.log", 1639, 0, false, 0, nullptr,
       u8"result: exit code 1639, invalid command line"},
      {u"/S=1 /LOG=C:\\v.log", 1639, 0, false, 0, nullptr, u8"takes no value: \"/S=1\""},
      // An Inno Setup template, as an administrator types it from habit.
      {u"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /SP- /LOG=C:\\v.log", 0, 0, true, 0, nullptr,
       u8"\"/NORESTART\" changes nothing"},
      {u"/S /RELEASES=2020,2024 /LOG=C:\\v.log", 0, 0, true, 0, nullptr,
       u8"passed over: release 2024, asked for and not installed"},
      {u"/S /LOG=C:\\missing\\v.log", 1622, 0, false, 0, nullptr, nullptr},
      {u"/LOG=C:\\missing\\v.log", 1622, 0, false, plat::kMbIconStop,
       "无法写入日志文件：C:\\missing\\v.log\n日志文件所在的文件夹不存在", nullptr},
      {u"/?", 0, 0, false, 0x40, "/RELEASES=", nullptr},
      // Asked for by name, the text still needs a window: a quiet run has it in the log.
      {u"/S /? /LOG=C:\\v.log", 1639, 0, false, 0, nullptr, u8"  1618 AutoCAD或另一个安装程序"},
      {u"/UNINSTALL /S /LOG=C:\\v.log", 1605, 0, false, 0, nullptr, u8"run: unattended uninstall"},
      {u"/UNINSTALL /QUIET /LOG=C:\\v.log", 1605, 0, false, 0, nullptr,
       u8"message not shown, answered OK: 未找到Velmar批打印软件的卸载记录"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(plat::Utf16ToUtf8(row.arguments));
    Reset();
    windows.click = true;

    EXPECT_EQ(Start(row.arguments), row.code);
    EXPECT_EQ(windows.dialogs, row.dialogs);
    EXPECT_EQ(Installed(), row.installed);
    if (row.boxType == 0) {
      EXPECT_TRUE(machine().messages.shown().empty());
    } else {
      ASSERT_EQ(machine().messages.shown().size(), 1u);
      EXPECT_EQ(machine().messages.shown()[0].type & 0xFF, row.boxType);
      EXPECT_EQ(machine().messages.shown()[0].title, "Velmar软件安装");
      EXPECT_NE(machine().messages.shown()[0].text.find(row.boxText), std::string::npos)
          << machine().messages.shown()[0].text;
    }
    if (row.logPart) {
      EXPECT_NE(Log().find(row.logPart), std::string::npos) << Log();
      // The result line names the code and what it means.
      EXPECT_NE(Log().find("result: exit code " + std::to_string(row.code) + ", " +
                           unattended::Meaning(row.code)),
                std::string::npos)
          << Log();
    } else {
      EXPECT_EQ(Log(), "<no log>");
    }
  }
}

// The uninstall's own writes as the log hears them: the uninstaller and the entry once the
// folder is made, taken back when nothing arrived after them; what no record holds.
TEST_F(StartTest, LogsWhatTheUninstallWrites) {
  const std::string product = u8"C:\\Velmar\\Velmar批打印软件";
  const std::string copied = "file copied: C:\\Setup\\SetUp.exe -> " + product + "\\Uninstall.exe";
  const std::string entry = "key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmarBatchPlot";
  const std::string deleted = "file deleted: " + product + "\\Uninstall.exe";
  const struct Row {
    const char* what;
    const char16_t* arguments;
    std::function<void(sim::Machine&)> prepare;
    std::vector<std::string> lines, notLines;
  } rows[] = {
      {"installed", u"/S /LOG=C:\\v.log", [](sim::Machine&) {},
       {copied, entry + ", value UninstallString"}, {deleted, "not recorded"}},
      // The dialog makes the folders before it finds the package gone.
      {"nothing arrived", u"/DIR=C:\\Velmar /LOG=C:\\v.log",
       [](sim::Machine& m) { m.files.Remove("C:\\Setup\\Data"); },
       {copied, deleted, "key deleted: HKLM 64-bit view, " + entry,
        "the installation ended: the package was not found", "result: exit code 0, nothing installed"},
       {", done"}},
      {"abandoned after the settings arrived", u"/S /LOG=C:\\v.log",
       [&](sim::Machine& m) {
         m.files.MakeFolders(product);
         m.files.SetDescriptor("C:\\Velmar", protection::ProgramFolderDescriptor());
         m.files.WriteFile(product + "\\itextsharp.dll", "locked", plat::kAttrHidden);
       },
       {copied}, {deleted}},
      // The settings go to the shell's folder, which the record does not take for theirs.
      {"a settings file the record cannot name", u"/S /LOG=C:\\v.log",
       [](sim::Machine& m) { m.files.SetEnvironment("APPDATA", ""); },
       {"not recorded for the uninstall: write C:\\users\\user\\AppData\\Roaming\\Velmar\\"}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    windows.click = true;
    row.prepare(machine());
    Start(row.arguments);
    for (const std::string& line : row.lines)
      EXPECT_NE(Log().find(line), std::string::npos) << line << "\n" << Log();
    for (const std::string& line : row.notLines)
      EXPECT_EQ(Log().find(line), std::string::npos) << line << "\n" << Log();
  }
}

// A quiet run writes its log even without /LOG=, into the process's temporary folder (for
// SYSTEM one only administrators may use), named after the program, the time and the process,
// each line headed by its local time and offset. Other runs write none of their own.
TEST_F(StartTest, QuietRunsLogIntoTheTemporaryFolder) {
  const struct Row {
    const char16_t* arguments;
    const char* temp;  // null: the user's
    const char* log;   // null: no log in the temporary folder
    const char* part;
  } rows[] = {
      {u"/S", nullptr, kDefaultLog, "result: exit code 0, done"},
      {u"/QN /RELEASES=2010", nullptr, kDefaultLog, "no release asked for is installed"},
      {u"-s /bogus", nullptr, kDefaultLog, "unknown argument \"/bogus\""},
      {u"/S /LOG=C:\\missing\\v.log", nullptr, kDefaultLog,
       "the log file C:\\missing\\v.log is refused: its folder does not exist"},
      {u"/PASSIVE", "C:\\Windows\\SystemTemp", kDefaultLog, "run: unattended"},
      {u"/UNINSTALL /S", nullptr, "VelmarUninstall-20240426-101500-", "run: unattended uninstall"},
      {u"/S /LOG=C:\\v.log", nullptr, nullptr, nullptr},
      {u"/DIR=C:\\Tools", nullptr, nullptr, nullptr},
      {u"/BOGUS", nullptr, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(plat::Utf16ToUtf8(row.arguments));
    Reset();
    if (row.temp) {
      machine().files.MakeFolders(row.temp);
      machine().files.SetTempFolder(row.temp);
    }
    Start(row.arguments);
    const std::string folder = row.temp ? row.temp : kTemp;
    plat::FindEntry entry;
    plat::UniqueFind found(machine().files,
                           machine().files.FindFirst(folder + "\\Velmar*.log", &entry));
    EXPECT_EQ(static_cast<bool>(found), row.log != nullptr);
    EXPECT_EQ(windows.systemErrorsOff, row.log != nullptr || row.arguments[1] == u'S');
    if (!row.log) continue;
    const std::string log = DefaultLog(row.log);
    EXPECT_NE(log.find(row.part), std::string::npos) << log;
    // Every line carries its time.
    for (std::size_t at = 0; at < log.size(); at = log.find("\r\n", at) + 2) {
      EXPECT_EQ(log.compare(at, sizeof kStamp - 1, kStamp), 0) << log.substr(at);
    }
  }
}

// No one can answer a window of a run as SYSTEM, in session 0 or on a window station no screen
// shows: it is quiet whatever its command line says, and its usage errors go to the default
// log. A person who types the same gets the box.
TEST_F(StartTest, NoWindowWhereNoPersonCanAnswerIt) {
  const struct Row {
    const char* what;
    const char16_t* arguments;
    std::function<void(sim::Machine&)> where;
    int code;
    const char* logged;  // in the default log; null: no log
  } rows[] = {
      {"a deployment tool as SYSTEM, no arguments", u"",
       [](sim::Machine& m) {
         m.files.SetCaller(sim::Identity::System());
         m.files.SetTempFolder("C:\\Windows\\Temp");
       },
       0,
       "no person can answer a window of this run (it runs as SYSTEM): it runs quiet"},
      {"a typo in session 0", u"/SLIENT", [](sim::Machine& m) { m.audience.session = 0; }, 1639,
       "unknown argument \"/SLIENT\""},
      {"a task on a hidden window station", u"/DIR=C:\\Tools",
       [](sim::Machine& m) { m.audience.stationVisible = false; }, 0, "run: unattended installation"},
      {"a person's typo", u"/SLIENT", [](sim::Machine&) {}, 1639, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    windows.click = true;
    row.where(machine());
    EXPECT_EQ(Start(row.arguments), row.code);
    machine().files.SetCaller(sim::Identity::Administrator());
    EXPECT_EQ(windows.dialogs, 0);
    EXPECT_EQ(machine().messages.shown().empty(), row.logged != nullptr);
    if (row.logged) {
      EXPECT_NE(DefaultLog().find(row.logged), std::string::npos) << DefaultLog();
    }
  }
}

// One installation per machine: an installation into another folder moves it, and every later
// run offers the folder it lives in.
TEST_F(StartTest, ASecondFolderMovesTheInstallation) {
  ASSERT_EQ(Start(u"/S"), 0);
  ASSERT_EQ(Start(u"/S /DIR=D:\\CAD /LOG=C:\\v.log"), 0);
  const std::string log = Log();
  EXPECT_NE(log.find(u8"moved: the installation in C:\\Velmar\\Velmar批打印软件 goes, whole"),
            std::string::npos) << log;
  EXPECT_NE(log.find(u8"message not shown, answered OK: Velmar批打印软件已从 C:\\Velmar"),
            std::string::npos) << log;
  // Emptied, the old product folder stays: other users' profiles may trust it still.
  EXPECT_EQ(machine().files.GetAttributes("C:\\Velmar\\Velmar批打印软件\\Uninstall.exe"),
            plat::kInvalidAttributes);
  EXPECT_NE(machine().files.GetAttributes("C:\\Velmar\\Velmar批打印软件"),
            plat::kInvalidAttributes);
  const std::string trusted =
      regtest::ReadRaw(machine().registry, plat::kHkeyCurrentUser, sample::kProfile, "TRUSTEDPATHS").bytes;
  EXPECT_EQ(trusted, regtest::Sz("C:\\DATA;D:\\CAD\\VELMAR批打印软件")) << trusted;
  for (const char16_t* offered : {u"", u"/RELEASES=2020"}) {
    Start(offered);
    EXPECT_EQ(windows.folder, "D:\\CAD");
  }
  // A drive's root is offered as typed, with its backslash.
  ASSERT_EQ(Start(u"/S /DIR=D:\\"), 0);
  Start(u"");
  EXPECT_EQ(windows.folder, "D:\\");
}

// The uninstall's helper appends to the uninstall's own log: the file /LOG= named, or the quiet
// uninstall's own in the temporary folder.
TEST_F(StartTest, TheHelperLogsWhereItsUninstallLogs) {
  for (const char16_t* named : {u" /LOG=C:\\u.log", u""}) {
    SCOPED_TRACE(plat::Utf16ToUtf8(named));
    Reset();
    ASSERT_EQ(Start(u"/S"), 0);
    const char* uninstaller = "C:\\Velmar\\Velmar批打印软件\\Uninstall.exe";
    machine().files.SetModuleFileName(uninstaller);
    ASSERT_EQ(Start(std::u16string(u"/S") + named, uninstaller), 0);
    ASSERT_FALSE(machine().processes.started.empty());
    const std::string line = machine().processes.started.back();
    const size_t quote = line.find('"', 1);
    const std::string helper = line.substr(1, quote - 1);
    machine().files.SetModuleFileName(helper);
    Start(machine().text.ToUtf16(line.substr(quote + 2)), helper.c_str());
    const std::string log =
        *named ? Log("C:\\u.log") : DefaultLog("VelmarUninstall-20240426-101500-");
    // Two runs in it: the uninstall's and the helper's.
    EXPECT_NE(log.find("run: unattended uninstall"), log.rfind("run: unattended uninstall"))
        << log;
  }
}

// /LOG= to a file that holds earlier runs adds this run after them, headed by its time;
// nothing earlier is lost.
TEST_F(StartTest, LogAppendsEachRun) {
  machine().files.WriteFile("C:\\v.log", "an earlier run\r\n");
  EXPECT_EQ(Start(u"/S /RELEASES=2010 /LOG=C:\\v.log"), 2);
  machine().clock.now.minute = 16;
  EXPECT_EQ(Start(u"/S /LOG=C:\\v.log"), 0);
  const std::string log = Log();
  // Each run's head: the program and its build, the line as given, what the run is.
  const std::string bits = std::to_string(sizeof(void*) * 8);
  EXPECT_EQ(log.find(u8"an earlier run\r\n\r\n"
                     u8"2024-04-26 10:15:00 +08:00  Velmar批打印软件 V2024.4.26 (" + bits +
                     u8"位版本), run log\r\n"
                     u8"2024-04-26 10:15:00 +08:00  command line: \"C:\\Setup\\SetUp.exe\" /S "
                     u8"/RELEASES=2010 /LOG=C:\\v.log\r\n"
                     u8"2024-04-26 10:15:00 +08:00  run: unattended installation\r\n"),
            0u)
      << log;
  const std::size_t second = log.find(u8"\r\n\r\n2024-04-26 10:16:00 +08:00  Velmar批打印软件");
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_LT(log.find("result: exit code 2, "), second);
  EXPECT_GT(log.find("result: exit code 0, done"), second);
  // A folder where the log would be is no log.
  machine().files.MakeFolders("C:\\Logs\\v.log");
  EXPECT_EQ(Start(u"/S /LOG=C:\\Logs\\v.log"), 1622);
  // Nor is one reached through a junction, and the run then changes nothing.
  machine().files.MakeLink("C:\\Linked", "C:\\Logs");
  EXPECT_EQ(Start(u"/S /LOG=C:\\Linked\\w.log"), 1622);
  EXPECT_EQ(machine().files.GetAttributes("C:\\Logs\\w.log"), plat::kInvalidAttributes);
}

// One run at a time: while another run holds the machine's run lock, a run that would change
// something changes nothing. The uninstall's helper waits for its uninstaller to end.
TEST_F(StartTest, OneRunAtATime) {
  const std::string helperFolder = std::string(kTemp) + "\\VelmarUninstall-77";
  const struct Row {
    const char* what;
    const char16_t* arguments;
    bool held;         // another run holds the lock
    uint64_t endsAt;   // it ends after this many milliseconds the run has waited; 0: never
    int code;
    bool changed;      // installed (or uninstalled)
    uint64_t waited;   // milliseconds slept
    const char* note;  // a part of the log (or of the message shown)
    const char* module = "C:\\Setup\\SetUp.exe";
  } rows[] = {
      {"quiet, another run", u"/S /LOG=C:\\v.log", true, 0, 1618, false, 5000,
       "another run of SetUp.exe or Uninstall.exe is in progress (waited 5000 ms"},
      {"quiet uninstall", u"/UNINSTALL /S /LOG=C:\\v.log", true, 0, 1618, false, 5000,
       "result: exit code 1618"},
      {"the dialog preset", u"/DIR=C:\\Tools", true, 0, 1618, false, 0,
       "安装或卸载程序\n正在运行"},
      {"the dialog's uninstall", u"/UNINSTALL", true, 0, 1618, false, 0,
       "安装或卸载程序\n正在运行"},
      {"no other run", u"/S /LOG=C:\\v.log", false, 0, 0, true, 0, "run lock: taken"},
      {"the helper waits for its uninstaller", u"/S", true, 60000, 0, true, 60000, nullptr,
       "C:\\users\\user\\AppData\\Local\\Temp\\VelmarUninstall-77\\Uninstall.exe"},
      {"a program named Uninstall.exe elsewhere does not", u"/S", true, 60000, 1618, false, 5000,
       nullptr, "C:\\Velmar\\Uninstall.exe"},
      // Nobody is waiting for the usage text, and it changes nothing.
      {"the usage text", u"/?", true, 0, 0, false, 0, "用法"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    windows.click = true;
    machine().files.MakeFolders(helperFolder);
    machine().files.WriteFile(helperFolder + "\\Uninstall-handover.txt",
                              "Velmar uninstall hand-over 1\r\n");
    if (row.held) AnotherRunHolds();
    machine().clock.onSleep = [&](uint64_t slept) {
      if (slept == row.endsAt) other = onerun::Claim();
    };
    EXPECT_EQ(Start(row.arguments, row.module), row.code);
    EXPECT_EQ(Installed() || windows.dialogs > 0 || !machine().files.pendingDeletes().empty(),
              row.changed);
    EXPECT_EQ(machine().clock.slept, row.waited);
    const std::string told =
        machine().messages.shown().empty() ? Log() : machine().messages.shown()[0].text;
    if (row.note) {
      EXPECT_NE(told.find(row.note), std::string::npos) << told;
    }
    if (!machine().messages.shown().empty()) {
      EXPECT_EQ(machine().messages.shown()[0].title, "Velmar软件安装");
    }
  }

  // The dialog without arguments says so, and ends as it always ends.
  Reset();
  AnotherRunHolds();
  EXPECT_EQ(Start(u""), 0);
  EXPECT_EQ(windows.dialogs, 0);
  ASSERT_EQ(machine().messages.shown().size(), 1u);
  EXPECT_EQ(machine().messages.shown()[0].text, onerun::AnotherRunText());
  EXPECT_EQ(machine().messages.shown()[0].type, plat::kMbOk | plat::kMbIconExclamation);
}

// A quiet run waits a little for another run to end: an uninstall's helper is done within
// moments of its uninstaller, and the script's next line should not fail on it.
TEST_F(StartTest, AQuietRunWaitsForTheOtherRunToEnd) {
  AnotherRunHolds();
  machine().clock.onSleep = [&](uint64_t slept) {
    if (slept == 1000) other = onerun::Claim();
  };
  EXPECT_EQ(Start(u"/S"), 0);
  EXPECT_EQ(machine().clock.slept, 1000u);
  EXPECT_TRUE(Installed());
}

// The lock itself: a file in the Windows folder, where no user may make one first; a run that
// waited for another says how long, and one that did not wait says nothing of waiting.
TEST(OneRun, ClaimsTheLock) {
  using onerun::Claimed;
  const std::string kBusy = "another run of SetUp.exe or Uninstall.exe is in progress";
  const struct Row {
    bool held;  // another run holds it
    bool helper;
    uint32_t wait;
    Claimed claimed;
    std::string note;
    uint64_t slept;
    std::function<void(sim::Machine&)> before;
  } rows[] = {
      {true, true, 0, Claimed::kAnotherRun,
       kBusy + " (waited 3600000 ms for it to end)", 3600000, nullptr},
      {false, false, 0, Claimed::kUnguarded,
       "run lock: the folder C:\\Win is not safe: it is a junction or symbolic link; the run "
       "goes on without it", 0,
       [](sim::Machine& m) {
         m.files.MakeLink("C:\\Win", "C:\\Windows");
         m.files.SetEnvironment("windir", "C:\\Win");
       }},
      {false, false, 0, Claimed::kUnguarded,
       "run lock: no Windows folder is named; the run goes on without it", 0,
       [](sim::Machine& m) { m.files.UnsetEnvironment("windir"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    sim::Machine m;
    if (row.before) row.before(m);
    sim::SimClock clock;
    const std::string before = m.files.Dump();
    onerun::Claim other;
    if (row.held) other = onerun::ClaimTheRun(m.platform(), clock, false, 0);
    {
      const onerun::Claim claim = onerun::ClaimTheRun(m.platform(), clock, row.helper, row.wait);
      EXPECT_EQ(claim.claimed, row.claimed);
      EXPECT_EQ(claim.note, row.note);
      EXPECT_EQ(clock.slept, row.slept);
    }
    other = onerun::Claim();
    // Nothing is left of it once the run has ended.
    EXPECT_EQ(m.files.Dump(), before);
  }
}

// The usage text lists every exit code the runs give, and the log has a meaning for each.
TEST(ExitCodes, EveryCodeIsExplained) {
  const std::string usage = cmdline::UsageText();
  for (int code : unattended::kEveryExitCode) {
    EXPECT_NE(usage.find("\n" + std::to_string(code) + " "), std::string::npos) << code;
    EXPECT_STRNE(unattended::Meaning(code), unattended::Meaning(-1)) << code;
  }
}

}  // namespace
