#include "app/quiet_install.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/tests/headless_dialog.h"
#include "discovery/discovery.h"
#include "protection/rules.h"
#include "unattended/exit_codes.h"
#include "tests/support/sample_machine.h"

namespace {

using unattended::SilentMessageBoxes;

bool Has(const std::string& log, const std::string& part) {
  return log.find(part) != std::string::npos;
}

cmdline::Options Silent(const char* folder = nullptr, std::vector<int> releases = {}) {
  cmdline::Options o;
  o.noArguments = false;
  o.silent = true;
  o.hasFolder = folder != nullptr;
  o.folder = folder ? folder : "";
  o.hasReleases = !releases.empty();
  o.releases = releases;
  return o;
}

// The same machine, the same choices: /S writes what a click of the install button writes,
// step by step, and shows nothing.
TEST(QuietInstall, WritesWhatTheDialogWrites) {
  sim::Machine dialogMachine, quietMachine;
  sample::Seed(dialogMachine);
  sample::Seed(quietMachine);

  unattended::RunLog byDialog(dialogMachine.text);
  InstallCatalogue dialogCatalogue;
  app::Installation dialogRun(dialogMachine.platform(), dialogCatalogue, "program", &byDialog);
  DiscoverHosts(dialogMachine.registry, dialogCatalogue);
  HeadlessDialog dialog;
  dialog.controlFlags[ReleaseIndex(2008)] = dialog.controlFlags[ReleaseIndex(2020)] = 1;
  g_bCheckHostRunning = true;
  EXPECT_EQ(dialogRun.Install(dialog, dialog.inputs()), InstallEnd::kInstalled);

  SilentMessageBoxes boxes;
  unattended::RunLog byQuiet(quietMachine.text);
  plat::Platform quiet{quietMachine.registry, quietMachine.files, quietMachine.processes, boxes,
                       quietMachine.text, quietMachine.checked};
  InstallCatalogue quietCatalogue;
  app::Installation quietRun(quiet, quietCatalogue, "program", &byQuiet);
  g_bCheckHostRunning = true;
  EXPECT_EQ(app::RunQuietInstall(quietRun, Silent(), nullptr), unattended::kInstalled);

  EXPECT_EQ(byQuiet.text(), byDialog.text());
  EXPECT_TRUE(Has(byQuiet.text(), "VL_BatchPlot2020, value LOADER"));
  EXPECT_TRUE(Has(byQuiet.text(), "TRUSTEDPATHS"));
  EXPECT_TRUE(Has(byQuiet.text(), "VelmarTrust.exe"));
  // Nothing to answer in the user's place: the folder's levels are made as the dialog makes them.
  EXPECT_TRUE(boxes.unshown().empty());
  EXPECT_TRUE(quietMachine.messages.shown().empty());
}

// Each way a run ends, with its one code; the runs that end before the copy change nothing.
TEST(QuietInstall, ExitCodes) {
  struct Row {
    const char* what;
    std::function<void(sim::Machine&)> prepare;
    cmdline::Options options;
    int code;
    bool writesNothing;
    bool registers;
    const char* logged;  // a part of the log line that says why
    const char* absent = nullptr;
  };
  const auto none = [](sim::Machine&) {};
  const Row rows[] = {
      {"every found release into C:\\Velmar", none, Silent(), 0, false, true,
       u8"written for the uninstall: C:\\Velmar\\Velmar批打印软件\\Uninstall.txt"},
      {"the last release there is",
       [](sim::Machine& m) {
         const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R25.0\\ACAD-8101:804";
         regtest::SetString(m.registry, plat::kHkeyLocalMachine, key, "AcadLocation", "C:\\CAD");
         regtest::SetString(m.registry, plat::kHkeyLocalMachine, key, "ProductName",
                            "AutoCAD 2025 - 简体中文");
       },
       Silent(), 0, false, true, "for releases 2008, 2020, 2025"},
      {"a trailing backslash is typed as often as not", none, Silent("C:\\Tools\\"), 0, false,
       true, u8"C:\\Tools\\Velmar批打印软件\\VL_BatchPlot2019.ARX"},
      {"a drive root", none, Silent("D:\\"), 0, false, true,
       u8"D:\\Velmar批打印软件\\VL_BatchPlot2019.ARX"},
      {"every missing level is made, as the picker's Yes does", none,
       Silent("D:\\工程\\插件\\CAD"), 0, false, true, u8"folder made: D:\\工程\\插件"},
      {"only the releases asked for", none, Silent(nullptr, {2020}), 0, false, true,
       "R23.1\\ACAD-3001:804\\Applications\\VL_BatchPlot2020", "VL_BatchPlot2008, value"},
      {"no AutoCAD at all",
       [](sim::Machine& m) {
         regtest::DeleteTree(m.registry, plat::kHkeyLocalMachine, "SOFTWARE\\Autodesk");
       },
       Silent(), 2, true, false, "no AutoCAD release"},
      {"a release asked for that is not installed is passed over", none,
       Silent(nullptr, {2020, 2010}), 0, false, true, "passed over: release 2010"},
      {"none of those asked for is installed", none, Silent(nullptr, {2010, 2024}), 2, true, false,
       "no release asked for is installed: releases 2010, 2024"},
      {"a relative folder", none, Silent("Velmar"), 1639, true, false, "not a full folder path"},
      {"a folder name no folder can have", none, Silent("C:\\a<b"), 1639, true, false,
       "not a full folder path"},
      {"a folder AutoCAD could never trust, split at its ';'", none, Silent("C:\\CAD;Tools"), 1639,
       true, false, "';'"},
      {"AutoCAD runs", [](sim::Machine& m) { m.processes.running.push_back("ACAD.EXE"); },
       Silent(), 1618, true, false, "AutoCAD is running (ACAD.EXE)"},
      {"no package",
       [](sim::Machine& m) { m.files.Remove("C:\\Setup\\Data"); }, Silent(), 4, true, false,
       "no package"},
      // The install command looks again, and AutoCAD started after the first look.
      {"AutoCAD starts as the run begins",
       [](sim::Machine& m) {
         auto looks = std::make_shared<int>(0);
         m.processes.onSnapshot = [&m, looks] {
           if (++*looks == 2) m.processes.running.push_back("acad.exe");
         };
       },
       Silent(), 1618, true, false, "AutoCAD started while the run began"},
      {"a folder on a drive that does not exist", none, Silent("E:\\Velmar"), 1603, true, false,
       "could not be created"},
      {"a file that cannot be replaced",
       [](sim::Machine& m) {
         m.files.MakeFolders("C:\\Velmar\\Velmar批打印软件");
         m.files.SetDescriptor("C:\\Velmar", protection::ProgramFolderDescriptor());
         m.files.WriteFile("C:\\Velmar\\Velmar批打印软件\\itextsharp.dll", "locked",
                           plat::kAttrHidden);
       },
       Silent(), 1603, false, false, "answered Abort"},
      // Made by an administrator where every user may change what is made (the drive's root).
      {"a folder others may replace", [](sim::Machine& m) { m.files.MakeFolders("C:\\Shared"); },
       Silent("C:\\Shared"), 9, true, false,
       "the folder C:\\Shared is not safe: S-1-5-11, not an administrator, may delete or rename"},
      {"a junction on the way",
       [](sim::Machine& m) {
         m.files.MakeFolders("D:\\Elsewhere");
         m.files.MakeLink("C:\\Velmar", "D:\\Elsewhere");
       },
       Silent(), 9, true, false,
       "the folder C:\\Velmar is not safe: it is a junction or symbolic link"},
      {"a junction as the product sub-folder",
       [](sim::Machine& m) {
         m.files.MakeFolders("D:\\Elsewhere");
         m.files.MakeLink("C:\\Velmar批打印软件", "D:\\Elsewhere");
       },
       Silent("C:\\"), 9, true, false,
       u8"the folder C:\\Velmar批打印软件 is not safe: it is a junction or symbolic link"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    sim::Machine machine;
    sample::Seed(machine);
    row.prepare(machine);
    unattended::RunLog runLog(machine.text);
    SilentMessageBoxes loggedBoxes(&runLog);
    sample::Recorded run(machine, loggedBoxes);
    InstallCatalogue catalogue;
    app::Installation installation(run.platform(), catalogue, "program", &runLog);
    g_bCheckHostRunning = true;

    EXPECT_EQ(app::RunQuietInstall(installation, row.options, &runLog), row.code);
    const std::string writes = run.log.text();
    EXPECT_EQ(writes.empty(), row.writesNothing) << writes;
    EXPECT_EQ(Has(writes, "value TRUSTEDPATHS"), row.registers) << writes;
    EXPECT_EQ(Has(runLog.text(), "trust for every user"), row.registers);
    EXPECT_TRUE(Has(runLog.text(), row.logged)) << runLog.text();
    EXPECT_EQ(Has(runLog.text(), "passed over"), Has(row.logged, "passed over")) << runLog.text();
    if (row.absent) {
      EXPECT_FALSE(Has(writes, row.absent)) << writes;
    }
    EXPECT_TRUE(machine.messages.shown().empty());
  }
}

// The answer a quiet run gives in the user's place: the cautious one, and No to a question
// whose default is No; only a Yes/No question's second button means No.
TEST(SilentMessageBoxes, AnswersAsAPersonWhoMustNotRisk) {
  const struct {
    unsigned type;
    int answer;
  } rows[] = {
      {plat::kMbYesNo, plat::kIdYes},
      {plat::kMbYesNo | plat::kMbDefButton2, plat::kIdNo},
      {plat::kMbAbortRetryIgnore, plat::kIdAbort},
      {plat::kMbAbortRetryIgnore | plat::kMbDefButton2, plat::kIdAbort},
      {0x3 /* yes, no, cancel */, plat::kIdYes},
      {0x5 /* retry, cancel */, plat::kIdCancel},
      {0x1 | plat::kMbDefButton2 /* OK, cancel */, plat::kIdCancel},
      {plat::kMbOk | plat::kMbIconStop, plat::kIdOk},
  };
  for (const auto& row : rows) {
    SilentMessageBoxes boxes;
    EXPECT_FALSE(boxes.Asked(row.type & 0xF));
    EXPECT_EQ(boxes.Show("text", "Velmar软件安装", row.type), row.answer) << std::hex << row.type;
    EXPECT_TRUE(boxes.Asked(row.type & 0xF));
    EXPECT_FALSE(boxes.Asked(0x6 /* cancel, try again, continue */));
  }
}

}  // namespace
