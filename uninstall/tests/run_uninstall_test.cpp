// Whole installations with the uninstall support listening, then the uninstall, on the
// simulated machine: the machine afterwards is the machine before, the settings file aside.
#include "uninstall/run_uninstall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "activesetup/active_setup.h"
#include "app/installation.h"
#include "app/tests/headless_dialog.h"
#include "discovery/discovery.h"
#include "journal/recording_platform.h"
#include "platform/paths.h"
#include "platform/sim/sim_machine.h"
#include "protection/rules.h"
#include "tests/support/sample_machine.h"
#include "tests/support/test_machine.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_store.h"
#include "uninstall/hand_over.h"

namespace uninstall {
namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

const std::string kSub = "\\Velmar批打印软件";
const std::string kHost2008 = "C:\\Program Files\\AutoCAD 2008";
const std::string kHost2020 = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
const std::string kProfileA =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
const std::string kAppData = "C:\\users\\user\\AppData\\Roaming";

class RunUninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.files.AddDrive('D');
    for (const char* name : {"VL_BatchPlot2008.arx", "VL_BatchPlot2010.arx", "VL_BatchPlot2019.arx",
                             "Velmar.prt7", "Velmar.Ini", "Velmar_EN.shx", "Velmar_HZ.shx",
                             "Velmar.prt5"}) {
      Write(std::string("C:\\Setup\\Data\\") + name, std::string("package ") + name);
    }
    Write("C:\\Setup\\SetUp.exe", "the setup program");
    machine.files.SetModuleFileName("C:\\Setup\\SetUp.exe");
    Product("SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AutoCAD 2008", kHost2008);
    Product("SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AutoCAD 2008",
            "C:\\Program Files (x86)\\AutoCAD 2008");
    Product("SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804", "AutoCAD 2020", kHost2020);
    for (const std::string& drv : {kHost2008 + "\\Drv", std::string("C:\\Program Files (x86)\\AutoCAD 2008\\Drv")})
      machine.files.MakeFolders(drv);
    // The host's own driver, and a font an installation without a record left behind.
    Write(kHost2008 + "\\Drv\\pdfplot9.hdi", "the host's own driver");
    Write(kHost2020 + "\\Fonts\\Velmar_EN.shx", "an older font");
    // A trusted entry code page 936 cannot hold, as AutoCAD writes it in UTF-16; a profile
    // without a Variables key.
    SetWide(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", u"C:\\Support;d:\\lisp\\䶮");
    regtest::CreatePath(machine.registry, kHkeyCurrentUser,
                        "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\机械制图");
    // Windows has the installed-programs key and those of Active Setup from the start.
    regtest::CreatePath(machine.registry, kHkeyLocalMachine,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other");
    for (plat::HKey root : {kHkeyLocalMachine, kHkeyCurrentUser})
      regtest::CreatePath(machine.registry, root,
                          "SOFTWARE\\Microsoft\\Active Setup\\Installed Components");
    // The settings file as the package has it: the one thing allowed to differ would not.
    Write(kAppData + "\\Velmar\\Velmar.Ini", "package Velmar.Ini");
    before = Snapshot();
  }

  void Write(const std::string& path, const std::string& content) {
    machine.files.MakeFolders(path.substr(0, machine.text.LastBackslash(path)));
    machine.files.WriteFile(path, content);
  }
  void Product(const std::string& key, const std::string& name, const std::string& location) {
    regtest::SetString(machine.registry, kHkeyLocalMachine, key, "AcadLocation", location);
    regtest::SetString(machine.registry, kHkeyLocalMachine, key, "ProductName", name);
    regtest::CreatePath(machine.registry, kHkeyLocalMachine, key + "\\Applications\\AcadVBA");
    machine.files.MakeFolders(location + "\\Fonts");
  }
  void SetWide(plat::HKey root, const std::string& path, const char* name,
               const std::u16string& text) {
    plat::UniqueKey key(machine.registry);
    machine.registry.CreateKey(root, path, key.put());
    machine.registry.SetValueW(key.get(), machine.text.ToUtf16(name), plat::kRegSz,
                               text.c_str(), static_cast<uint32_t>(text.size() * 2 + 2));
  }
  std::string Snapshot() {
    return machine.registry.Dump(kHkeyLocalMachine) + machine.registry.Dump(kHkeyCurrentUser) +
           sample::WithoutKeptFolders(machine.files.Dump());
  }

  // The interactive installation into folderText, every found release ticked, as start-up has
  // it; with program, the per-user program it places for every user's logon.
  void Install(const std::string& folderText, const std::string& program = "") {
    InstallCatalogue catalogue;
    app::Installation installation(machine.platform(), catalogue, program, nullptr);
    DiscoverHosts(machine.registry, catalogue);
    HeadlessDialog dialog;
    dialog.controlFolderText = folderText;
    for (int i = 0; i < kReleaseCount; ++i) dialog.controlFlags[i] = !catalogue.hostLocations[i].empty();
    g_bCheckHostRunning = true;
    installation.Install(dialog, dialog.inputs());
    ASSERT_EQ(dialog.requests, "TPD");
  }

  // The installation into folderText beside that of earlier, which is taken away only in part
  // (its folder refuses deletions meanwhile): its record stays, and the new one reaches it.
  void InstallBeside(const std::string& folderText, const std::string& earlier) {
    machine.files.DenyWrite(earlier + kSub);
    Install(folderText);
    machine.files.DenyWrite(earlier + kSub, false);
  }

  // The uninstaller of folder, answered Yes; then the helper it started, as the machine runs
  // it once the uninstaller has ended; then a restart.
  int Uninstall(const std::string& program, int answer = plat::kIdYes) {
    machine.files.SetModuleFileName(program);
    machine.messages.Clear();
    machine.messages.Answer(answer);
    const size_t started = machine.processes.started.size();
    const int code = RunUninstall(machine.platform(), UninstallOptions{});
    if (machine.processes.started.size() > started) {
      const std::string& line = machine.processes.started.back();
      EXPECT_EQ(line.substr(line.size() - 3), " /S");
      const std::string helper = line.substr(1, line.find('"', 1) - 1);
      machine.files.SetModuleFileName(helper);
      FinishHandOver(machine.platform(), plat::FolderOf(machine.text, helper));
    }
    machine.files.Restart();
    return code;
  }

  std::string LastMessage() {
    return machine.messages.shown().empty() ? "" : machine.messages.shown().back().text;
  }

  sim::Machine machine;
  std::string before;
};

struct Installs {
  const char* what;
  std::vector<std::string> folders;  // folder texts, in the order installed into
  std::string uninstaller;           // the one started
};

class EveryWay : public RunUninstallTest, public ::testing::WithParamInterface<Installs> {};

TEST_P(EveryWay, LeavesTheMachineAsBefore) {
  for (const std::string& folder : GetParam().folders) Install(folder);
  ASSERT_NE(Snapshot(), before);
  EXPECT_EQ(Uninstall(GetParam().uninstaller), kRemoved) << LastMessage();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_NE(LastMessage().find(kAppData + "\\Velmar\\Velmar.Ini"), std::string::npos)
      << LastMessage();
  EXPECT_EQ(machine.messages.shown()[0].type, plat::kMbYesNo | plat::kMbIconQuestion);
}

const std::string kC = "C:\\Velmar\\Velmar批打印软件\\Uninstall.exe";
const std::string kD = "D:\\Tools\\Velmar批打印软件\\Uninstall.exe";
INSTANTIATE_TEST_SUITE_P(
    Installs, EveryWay,
    ::testing::Values(Installs{"once", {"C:\\Velmar"}, kC},
                      Installs{"twice into one folder", {"C:\\Velmar", "C:\\Velmar"}, kC},
                      Installs{"into another folder", {"C:\\Velmar", "D:\\Tools"}, kD},
                      Installs{"there and back", {"C:\\Velmar", "D:\\Tools\\", "C:\\Velmar"}, kC}),
    [](const ::testing::TestParamInfo<Installs>& info) {
      std::string name = info.param.what;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

TEST_F(RunUninstallTest, ChangesNothingWhenToldNotTo) {
  Install("C:\\Velmar");
  const std::string installed = Snapshot();
  const std::string program = "C:\\Velmar" + kSub + "\\Uninstall.exe";
  EXPECT_EQ(Uninstall(program, plat::kIdNo), kDeclined);
  EXPECT_EQ(Snapshot(), installed);

  machine.processes.running.push_back("ACAD.EXE");
  EXPECT_EQ(Uninstall(program), kHostRunning);
  EXPECT_EQ(LastMessage(), "请关闭AutoCAD后再进行卸载 !");
  EXPECT_EQ(Snapshot(), installed);

  // A record someone spoilt: nothing of it is taken on trust.
  std::string record;
  machine.files.ReadFile(RecordPath("C:\\Velmar" + kSub), &record);
  record.replace(record.find("installation 1"), 14, "installation x");
  machine.files.WriteFile(RecordPath("C:\\Velmar" + kSub), record);
  const std::string spoilt = Snapshot();
  EXPECT_EQ(Uninstall(program), kNothingFound);
  EXPECT_NE(LastMessage().find("已损坏"), std::string::npos) << LastMessage();
  EXPECT_EQ(Snapshot(), spoilt);
}

// The record of the older installation, which the newer one reaches, gone or spoilt since:
// the newer one is undone, and the message says what became of the older one's.
struct Spoilt {
  const char* what;
  void (*spoil)(sim::Machine&, const std::string&);
  int code;
  const char* toldBefore;  // the message names the older record between these
  const char* toldAfter;
};

class EarlierRecord : public RunUninstallTest, public ::testing::WithParamInterface<Spoilt> {};

TEST_P(EarlierRecord, IsToldWhenSpoilt) {
  const std::string older = RecordPath("C:\\Velmar" + kSub);
  Install("C:\\Velmar");
  InstallBeside("D:\\Tools", "C:\\Velmar");
  GetParam().spoil(machine, older);
  EXPECT_EQ(Uninstall(kD), GetParam().code) << LastMessage();
  EXPECT_NE(LastMessage().find(GetParam().toldBefore + older + GetParam().toldAfter),
            std::string::npos)
      << LastMessage();
}

INSTANTIATE_TEST_SUITE_P(
    Records, EarlierRecord,
    ::testing::Values(
        Spoilt{"deleted", [](sim::Machine& m, const std::string& r) { m.files.Remove(r); },
               kRemoved, "早先安装的卸载记录已不存在：", ""},
        Spoilt{"damaged", [](sim::Machine& m, const std::string& r) { m.files.WriteFile(r, "x"); },
               kRemovedInPart, "卸载记录 ", " 已损坏（"},
        Spoilt{"someone_elses",
               [](sim::Machine& m, const std::string& r) {
                 m.files.SetDescriptor(r, plat::Descriptor{"S-1-5-21-1-2-3-1001", {true, {}}});
               },
               kRemovedInPart, "卸载记录 ", " 不可信（"}),
    [](const ::testing::TestParamInfo<Spoilt>& info) { return std::string(info.param.what); });

// The helper does only what a hand-over list as the uninstaller writes it may ask: after the
// uninstaller has ended, delete an uninstaller and remove folders; a list it cannot read
// whole asks for nothing.
TEST_F(RunUninstallTest, TheHelperDoesOnlyWhatItsListMayAsk) {
  const std::string product = "C:\\Velmar" + kSub;
  const std::string plugIn = product + "\\VL_BatchPlot2008.arx";
  const struct {
    const char* what;
    std::string list;
    bool uninstallerGoes, plugInGoes;
    std::vector<uint32_t> waited;  // for the uninstaller to end, only with a list read whole
    bool stuck = false;  // the uninstaller's folder refuses deletions: both go at the restart
    bool refused = false;  // not read whole: nothing goes, not even the helper's own folder
  } rows[] = {
      {"as written",
       "Velmar uninstall hand-over 1\r\nwait 7\r\ndelete " + kC + "\r\nremove " + product +
           "\r\nremove C:\\Velmar\r\n",
       true, false, {7}},
      {"another file", "Velmar uninstall hand-over 1\r\ndelete " + plugIn + "\r\n", false, false, {0}},
      {"another header", "Velmar uninstall hand-over 2\r\ndelete " + kC + "\r\n", false, false, {},
       false, true},
      {"a line it does not know",
       "Velmar uninstall hand-over 1\r\ndelete " + kC + "\r\nrun " + plugIn + "\r\n", false,
       false, {}, false, true},
      {"at the restart",
       "Velmar uninstall hand-over 1\r\nwait 7\r\ndelete " + kC + "\r\nremove " + product + "\r\n",
       false, false, {7}, true},
  };
  const std::string helper = "C:\\Windows\\Temp\\VelmarUninstall-0000000000000001";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Write(kC, "the setup program");
    Write(plugIn, "the plug-in");
    Write(helper + "\\Uninstall.exe", "the setup program");
    Write(helper + "\\Uninstall-handover.txt", row.list);
    machine.files.SetDescriptor(helper, protection::ProgramFolderDescriptor());
    machine.processes.waitedFor.clear();
    if (row.stuck) machine.files.DenyWrite(product);
    const size_t pending = machine.files.pendingDeletes().size();
    machine.files.SetModuleFileName(helper + "\\Uninstall.exe");
    FinishHandOver(machine.platform(), helper);
    EXPECT_EQ(machine.files.GetAttributes(kC) == plat::kInvalidAttributes, row.uninstallerGoes);
    EXPECT_EQ(machine.files.GetAttributes(plugIn) == plat::kInvalidAttributes, row.plugInGoes);
    EXPECT_EQ(machine.processes.waitedFor, row.waited);
    const std::vector<std::string> later(machine.files.pendingDeletes().begin() + pending,
                                         machine.files.pendingDeletes().end());
    EXPECT_EQ(std::count(later.begin(), later.end(), kC), row.stuck ? 1 : 0);
    EXPECT_EQ(std::count(later.begin(), later.end(), product), row.stuck ? 1 : 0);
    EXPECT_EQ(machine.files.GetAttributes(helper + "\\Uninstall-handover.txt") ==
                  plat::kInvalidAttributes,
              !row.refused);
    EXPECT_EQ(later.empty(), row.refused);
    machine.files.Restart();
    EXPECT_EQ(machine.files.GetAttributes(helper) == plat::kInvalidAttributes, !row.refused);
    machine.files.Remove(helper);
  }
}

// An install folder that was there before stays; the uninstaller in it goes all the same,
// handed over as ever.
TEST_F(RunUninstallTest, RemovesItselfFromAFolderThatWasThereBefore) {
  for (const std::string& level : {std::string("C:\\Velmar"), "C:\\Velmar" + kSub}) {
    machine.files.MakeFolders(level);
    machine.files.SetDescriptor(level, protection::ProgramFolderDescriptor());
  }
  const std::string was = Snapshot();
  Install("C:\\Velmar");
  EXPECT_EQ(Uninstall(kC), kRemoved) << LastMessage();
  EXPECT_EQ(Snapshot(), was);
}

// The entry goes with the installation it names, or when the installation it names has no
// record any more.
TEST_F(RunUninstallTest, TakesTheEntryOfAnInstallationThatIsGone) {
  Install("C:\\Velmar");
  InstallBeside("D:\\Tools", "C:\\Velmar");
  machine.files.Remove(RecordPath("D:\\Tools" + kSub));
  Uninstall(kC);
  EXPECT_FALSE(regtest::KeyExists(machine.registry, kHkeyLocalMachine, kProgramEntryKey));
}

// A temporary folder everyone may change: no helper is made there, or anywhere else; the
// uninstaller and its folders are left for the next start of the machine.
TEST_F(RunUninstallTest, MakesNoHelperInATemporaryFolderOthersCanChange) {
  Install("C:\\Velmar");
  machine.files.MakeFolders("C:\\Shared");
  machine.files.SetDescriptor("C:\\Shared", plat::Descriptor{plat::kSidAdministrators,
                                                             {true, {{"S-1-1-0", plat::kFileAllAccess, 3}}}});
  machine.files.SetEnvironment("TMP", "C:\\Shared");
  machine.files.SetEnvironment("TEMP", "C:\\Shared");
  machine.files.SetModuleFileName(kC);
  machine.messages.Answer(plat::kIdYes);
  const size_t started = machine.processes.started.size();
  EXPECT_EQ(RunUninstall(machine.platform(), UninstallOptions{}), kRemovedAtRestart);
  EXPECT_EQ(machine.processes.started.size(), started);
  EXPECT_EQ(machine.files.GetAttributes("C:\\Uninstall.exe"), plat::kInvalidAttributes);
  machine.files.Restart();
  machine.files.Remove("C:\\Shared");
  EXPECT_EQ(Snapshot(), before);
}

// A folder an installation made, opened to everyone since: before anything of the record is
// acted on, it is protected again as the installation protected it, and stays so when it
// stays because it holds someone's file.
TEST_F(RunUninstallTest, ProtectsAFolderTheInstallationMadeBeforeItActs) {
  Install("C:\\Velmar");
  Write("C:\\Velmar\\notes.txt", "mine");
  const plat::Descriptor open{plat::kSidAdministrators,
                              {true, {{"S-1-1-0", plat::kFileAllAccess, 0}}}};
  machine.files.SetDescriptor("C:\\Velmar", open);
  EXPECT_EQ(Uninstall(kC), kRemoved) << LastMessage();
  plat::Descriptor now;
  ASSERT_TRUE(machine.files.DescriptorOf("C:\\Velmar", &now));
  EXPECT_EQ(now, protection::ProgramFolderDescriptor());
}

// When no helper can be started, the uninstaller and its folders are left for the next start
// of the machine, and the run says that a restart finishes it.
TEST_F(RunUninstallTest, ARestartFinishesWhatNoHelperCould) {
  Install("C:\\Velmar");
  machine.processes.failStart = true;
  machine.files.SetModuleFileName(kC);
  machine.messages.Answer(plat::kIdYes);
  EXPECT_EQ(RunUninstall(machine.platform(), UninstallOptions{}), kRemovedAtRestart);
  EXPECT_NE(LastMessage().find("卸载程序本身将在重新启动计算机后删除。"), std::string::npos)
      << LastMessage();
  EXPECT_NE(machine.files.GetAttributes(kC), plat::kInvalidAttributes);
  machine.files.Restart();
  EXPECT_EQ(Snapshot(), before);
}

// The trust for every user's logon: the component stays registered, switched off, so that no
// stub runs any more; its program goes with the install folder.
TEST_F(RunUninstallTest, SwitchesOffTheTrustForEveryUser) {
  Install("C:\\Velmar", "the per-user program");
  ASSERT_TRUE(regtest::KeyExists(machine.registry, kHkeyLocalMachine, activesetup::kComponentKey));
  EXPECT_EQ(Uninstall(kC), kRemoved) << LastMessage();
  const regtest::RawValue on = regtest::ReadRaw(machine.registry, kHkeyLocalMachine,
                                                activesetup::kComponentKey,
                                                activesetup::kIsInstalled);
  EXPECT_EQ(on.type, plat::kRegDword);
  EXPECT_EQ(on.bytes, regtest::Dword(0));
  EXPECT_EQ(machine.files.GetAttributes("C:\\Velmar\\Velmar批打印软件\\VelmarTrust.exe"),
            plat::kInvalidAttributes);
}

// What Settings and the Control Panel show, read back as they read it.
TEST_F(RunUninstallTest, EntersTheProgramInInstalledPrograms) {
  Install("C:\\Velmar");
  plat::UniqueKey key(machine.registry);
  ASSERT_EQ(machine.registry.OpenKeyRead(kHkeyLocalMachine, kProgramEntryKey, key.put()),
            plat::kErrorSuccess);
  const auto wide = [&](const char* name) {
    char16_t buffer[512] = {};
    uint32_t type = 0, size = sizeof buffer;
    machine.registry.QueryValueW(key.get(), machine.text.ToUtf16(name), &type,
                                 reinterpret_cast<unsigned char*>(buffer), &size);
    return type == plat::kRegDword ? std::u16string(1, buffer[0]) + u"#"
                                   : std::u16string(buffer, size / 2);
  };
  const std::u16string folder = u"C:\\Velmar\\Velmar批打印软件";
  EXPECT_TRUE(wide("DisplayName") == std::u16string(u"Velmar批打印软件") + u'\0');
  EXPECT_TRUE(wide("DisplayVersion") == std::u16string(u"2024.4.26") + u'\0');
  EXPECT_TRUE(wide("InstallLocation") == folder + u'\0');
  EXPECT_TRUE(wide("UninstallString") == u"\"" + folder + u"\\Uninstall.exe\"" + u'\0');
  EXPECT_TRUE(wide("DisplayIcon") == folder + u"\\Uninstall.exe,0" + u'\0');
  EXPECT_TRUE(wide("NoModify") == u"\x01#");
  EXPECT_TRUE(wide("NoRepair") == u"\x01#");
  EXPECT_GT(wide("EstimatedSize")[0], 0);
  std::string uninstaller;
  ASSERT_TRUE(machine.files.ReadFile("C:\\Velmar" + kSub + "\\Uninstall.exe", &uninstaller));
  EXPECT_EQ(uninstaller, "the setup program");
}

}  // namespace
}  // namespace uninstall
