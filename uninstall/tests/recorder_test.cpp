// The record an installation keeps ahead of its writes, on an office machine built to try it:
// host locations spelled as a registry may hold them (a trailing backslash, another letter
// case, a trailing dot), a product in both registry views, the host's own read-only font and
// driver, an install folder made level by level. Unattended runs, as a deployment tool
// starts them.
#include "uninstall/recorder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "activesetup/active_setup.h"
#include "app/installation.h"
#include "app/quiet_install.h"
#include "app/tests/headless_dialog.h"
#include "journal/recording_platform.h"
#include "platform/sim/sim_machine.h"
#include "protection/rules.h"
#include "tests/support/sample_machine.h"
#include "tests/support/test_machine.h"
#include "unattended/exit_codes.h"
#include "unattended/run_log.h"
#include "unattended/silent_message_boxes.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"
#include "uninstall/hand_over.h"
#include "uninstall/run_uninstall.h"
#include "uninstall/uninstaller.h"

namespace uninstall {
namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;
using namespace std::string_literals;

const std::string kFolder = "C:\\Tools\\Velmar\\Velmar批打印软件";
const std::string kHost2008 = "C:\\Program Files\\AutoCAD 2008";
const std::string kHost2020 = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
const std::string kProfile =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";

// Every write the journal saw land (or fail), by what it wrote to; the run's log hears them
// as the recorder does.
class Writes : public unattended::RunLog {
 public:
  explicit Writes(plat::CodePage& text) : RunLog(text) {}
  void FolderMade(const std::string& path) override { folders.push_back(path); }
  void FileCopied(const std::string&, const std::string& to, uint64_t) override {
    files.push_back(to);
  }
  void FileWritten(const std::string& path, uint64_t) override { files.push_back(path); }
  void CallFailed(const std::string& what, long) override {
    if (what.compare(0, 5, "copy ") == 0) files.push_back(what.substr(what.find(" -> ") + 4));
  }
  void KeyCreated(const journal::KeyRef& key) override { keys.push_back(key); }
  void ValueWritten(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState&, const journal::ValueState&) override {
    values.push_back(journal::KeyText(key) + "\\" + name);
  }
  std::vector<std::string> folders, files, values;
  std::vector<journal::KeyRef> keys;
};

struct Office {
  Office() {
    machine.files.AddDrive('D');
    for (const char* name : {"VL_BatchPlot2008.arx", "VL_BatchPlot2019.arx", "Velmar.prt7",
                             "Velmar.Ini", "Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"}) {
      Write(std::string("C:\\Setup\\Data\\") + name, std::string("package ") + name);
    }
    Write("C:\\Setup\\SetUp.exe", "the setup program");
    machine.files.SetModuleFileName("C:\\Setup\\SetUp.exe");
    // 2008 in both views, one folder spelled two ways; 2020 with a trailing dot.
    Product("SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AutoCAD 2008", kHost2008 + "\\");
    Product("SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804", "AutoCAD 2008",
            "c:\\program files\\autocad 2008\\\\");
    Product("SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804", "AutoCAD 2020", kHost2020 + ".");
    machine.files.MakeFolders(kHost2008 + "\\Fonts");
    machine.files.MakeFolders(kHost2008 + "\\Drv");
    machine.files.MakeFolders(kHost2020 + "\\Fonts");
    Write(kHost2008 + "\\Drv\\pdfplot9.hdi", "the host's own driver", plat::kAttrReadOnly);
    Write(kHost2020 + "\\Fonts\\Velmar_EN.shx", "an old read-only font",
          plat::kAttrReadOnly | plat::kAttrArchive);
    Write(kHost2008 + "\\Fonts\\Velmar_HZ.shx", "an old font", plat::kAttrReadOnly);
    regtest::SetString(machine.registry, kHkeyCurrentUser, kProfile, "TRUSTEDPATHS", "C:\\Support");
    // What Windows has from the start.
    regtest::CreatePath(machine.registry, kHkeyLocalMachine,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other");
    // (A user who never logged on has no Active Setup keys.)
    regtest::CreatePath(machine.registry, kHkeyLocalMachine,
                        "SOFTWARE\\Microsoft\\Active Setup\\Installed Components");
    regtest::CreatePath(machine.registry, kHkeyCurrentUser, "SOFTWARE\\Microsoft");
  }

  void Write(const std::string& path, const std::string& content,
             uint32_t attributes = plat::kAttrArchive) {
    machine.files.MakeFolders(path.substr(0, machine.text.LastBackslash(path)));
    machine.files.WriteFile(path, content, attributes);
  }
  void Product(const std::string& key, const char* name, const std::string& location) {
    regtest::SetString(machine.registry, kHkeyLocalMachine, key, "AcadLocation", location);
    regtest::SetString(machine.registry, kHkeyLocalMachine, key, "ProductName", name);
  }

  // The machine, but for what stays on purpose: the settings file with its folder, the Active
  // Setup component, switched off, and the product folder.
  std::string Snapshot() {
    std::istringstream all(machine.registry.Dump(kHkeyLocalMachine) +
                           machine.registry.Dump(kHkeyCurrentUser) +
                           sample::WithoutKeptFolders(machine.files.Dump()));
    std::string kept, line;
    bool component = false;
    while (std::getline(all, line)) {
      if (line[0] == '[') {
        component = line.find("HKEY_LOCAL_MACHINE\\" + std::string(activesetup::kComponentKey)) !=
                    std::string::npos;
      }
      if (component || line.find("Roaming\\Velmar") != std::string::npos) continue;
      kept += line + "\n";
    }
    return kept;
  }

  // SetUp.exe /S /DIR=C:\Tools\Velmar, as start-up runs it.
  int Install(unattended::RunLog* log = nullptr) {
    unattended::SilentMessageBoxes boxes;
    plat::Platform quiet{machine.registry, machine.files, machine.processes, boxes, machine.text,
                         machine.checked};
    InstallCatalogue catalogue;
    app::Installation installation(quiet, catalogue, "the per-user program", log);
    cmdline::Options options;
    options.noArguments = false;
    options.silent = options.hasFolder = true;
    options.folder = "C:\\Tools\\Velmar";
    g_bCheckHostRunning = true;
    unrecorded.clear();
    const int code = app::RunQuietInstall(installation, options, nullptr);
    const size_t said = boxes.unshown().size();
    if (said && boxes.unshown()[said - 1].text.find("未能记入卸载记录") != std::string::npos) {
      const std::string& text = boxes.unshown()[said - 1].text;
      for (size_t at = text.find('\n'); at != std::string::npos;) {
        const size_t end = text.find('\n', at + 1);
        unrecorded.push_back(text.substr(at + 1, end == std::string::npos ? end : end - at - 1));
        at = end;
      }
    }
    return code;
  }

  // Uninstall.exe, answered Yes; the helper it hands its own removal to; then a restart.
  int Uninstall() {
    machine.files.SetModuleFileName(kFolder + "\\Uninstall.exe");
    const size_t started = machine.processes.started.size();
    machine.messages.Answer(plat::kIdYes);
    const int code = RunUninstall(machine.platform(), UninstallOptions{});
    said = machine.messages.shown().back().text;
    if (machine.processes.started.size() > started) {
      const std::string& line = machine.processes.started.back();
      const std::string helper = line.substr(1, line.find('"', 1) - 1);
      machine.files.SetModuleFileName(helper);
      FinishHandOver(machine.platform(), plat::FolderOf(machine.text, helper));
    }
    machine.files.Restart();
    machine.files.SetModuleFileName("C:\\Setup\\SetUp.exe");
    return code;
  }

  std::string Record() {
    std::string bytes;
    machine.files.ReadFile(RecordPath(kFolder), &bytes);
    return bytes;
  }

  sim::Machine machine;
  std::vector<std::string> unrecorded;
  std::string said;  // the uninstall's last message
};

TEST(Recorder, RecordsEveryWriteWhateverItsSpelling) {
  Office office;
  const std::string before = office.Snapshot();
  Writes writes(office.machine.text);
  ASSERT_EQ(office.Install(&writes), unattended::kInstalled);
  EXPECT_TRUE(office.unrecorded.empty()) << office.unrecorded[0];
  FoundRecord found;
  std::string why;
  ASSERT_EQ(LoadRecord(office.machine.platform(), RecordPath(kFolder), &found, &why),
            Loaded::kRecord) << why;
  ASSERT_EQ(found.record.installations.size(), 1u);
  const Installation& inst = found.record.installations[0];
  plat::CodePage& text = office.machine.text;
  const auto has = [&](const std::vector<std::string>& paths, const std::string& path) {
    return std::any_of(paths.begin(), paths.end(),
                       [&](const std::string& p) { return SamePath(text, p, path); });
  };

  // One for one: each write the journal saw, and nothing else, stands in the record, with
  // what the file holds now.
  std::vector<std::string> recordedFiles;
  for (const PlacedFile& file : inst.files) recordedFiles.push_back(file.path);
  const std::vector<std::string> own = {kFolder + "\\Uninstall.exe", RecordPath(kFolder)};
  for (const std::string& path : writes.files) {
    if (has(inst.settingsFiles, path) || has(own, path)) continue;
    EXPECT_TRUE(has(recordedFiles, path)) << path;
    std::string bytes;
    if (!office.machine.files.ReadFile(path, &bytes)) continue;
    const bool holds = std::any_of(inst.files.begin(), inst.files.end(), [&](const PlacedFile& f) {
      return SamePath(text, f.path, path) && f.content.hash == ContentOf(bytes).hash;
    });
    EXPECT_TRUE(holds) << path;
  }
  for (const std::string& path : recordedFiles) EXPECT_TRUE(has(writes.files, path)) << path;
  for (const std::string& path : writes.folders) {
    if (path.find("Roaming") == std::string::npos) {
      EXPECT_TRUE(has(inst.foldersMade, path)) << path;
    }
  }
  // The two levels of the folder and its product folder, and the backups' folder.
  EXPECT_EQ(inst.foldersMade.size(), 4u);
  std::vector<std::string> keysMade;
  for (const RegKey& key : inst.keysMade) keysMade.push_back(KeyText(key));
  for (const journal::KeyRef& key : writes.keys) {
    if (SamePath(text, key.path, kProgramEntryKey)) continue;
    EXPECT_TRUE(has(keysMade, KeyText(key))) << KeyText(key);
  }
  for (const std::string& value : writes.values) {
    if (value.find("Uninstall\\VelmarBatchPlot") != std::string::npos) continue;
    const bool recorded = std::any_of(inst.values.begin(), inst.values.end(), [&](const ValueChange& c) {
      return SamePath(text, KeyText(c.key) + "\\" + c.name, value);
    });
    EXPECT_TRUE(recorded) << value;
  }

  // Stored as the system resolves them; the host's own files saved first, read-only as they were.
  const auto entry = [&](const std::string& path) -> const PlacedFile* {
    for (const PlacedFile& f : inst.files) {
      if (SamePath(text, f.path, path) && !f.backup.empty()) return &f;
    }
    return nullptr;
  };
  EXPECT_EQ(office.Record().find("\\\\"), std::string::npos);
  EXPECT_EQ(office.Record().find("2020.\\"), std::string::npos);
  const PlacedFile* driver = entry(kHost2008 + "\\Drv\\pdfplot9.hdi");
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->backupContent.hash, ContentOf("the host's own driver").hash);
  EXPECT_EQ(driver->backupAttributes, plat::kAttrReadOnly);
  const PlacedFile* font = entry(kHost2020 + "\\Fonts\\Velmar_EN.shx");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->backupAttributes, plat::kAttrReadOnly | plat::kAttrArchive);
  ASSERT_NE(entry(kHost2008 + "\\Fonts\\Velmar_HZ.shx"), nullptr);

  EXPECT_EQ(office.Uninstall(), kRemoved);
  EXPECT_EQ(office.Snapshot(), before);
}

// A deployment tool's time-out, Task Manager, a power cut: after any write, the last write
// whole or (torn) cut off half-way. Then the run is started again and uninstalled, or it is
// uninstalled at once; or the stopped run was a second one over a whole installation. The
// uninstall gives back the machine as it was. Each slice takes every fourth write of one way,
// so that each test stays short.
class StoppedRun : public ::testing::TestWithParam<int> {};

TEST_P(StoppedRun, IsUndone) {
  const bool torn = GetParam() % 2;
  const int way = GetParam() / 2 % 3;  // 0: run again, 1: uninstalled at once, 2: a second run
  const char* const kWays[] = {"then run again", "then uninstalled", "as a second run"};
  int writes = 0;
  {
    Office office;
    if (way == 2) { ASSERT_EQ(office.Install(), unattended::kInstalled); }
    const int start = office.machine.stop.writes();
    ASSERT_EQ(office.Install(), unattended::kInstalled);
    writes = office.machine.stop.writes() - start;
  }
  ASSERT_GT(writes, 20);
  for (int k = GetParam() / 6; k < writes; k += 4) {
    Office office;
    const std::string before = office.Snapshot();
    if (way == 2) { ASSERT_EQ(office.Install(), unattended::kInstalled); }
    office.machine.stop.Arm(k, torn);
    EXPECT_THROW(office.Install(), sim::Stopped) << k;
    const std::string what = "stopped after write " + std::to_string(k) + (torn ? ", torn, " : ", ") +
                             kWays[way];
    const bool recordBegun = office.Record().find("\r\nmade-folder ") != std::string::npos;
    if (way == 0) { ASSERT_EQ(office.Install(), unattended::kInstalled) << what; }
    if (regtest::KeyExists(office.machine.registry, kHkeyLocalMachine, kProgramEntryKey)) {
      EXPECT_EQ(office.Uninstall(), kRemoved) << what << "\n" << office.said;
    } else {
      // No entry yet, so no uninstall to run: nothing in the registry, and in the folders only
      // the uninstall's own files, which the next run takes over.
      EXPECT_EQ(way, 1) << what;
      for (const char* own : {"\\Uninstall.exe", "\\Uninstall.txt"})
        office.machine.files.Remove(kFolder + own);
    }
    // Stopped before its record named them, the run leaves the levels it made, empty.
    if (!recordBegun || way == 1) {
      for (const std::string& level : {kFolder, std::string("C:\\Tools\\Velmar"), std::string("C:\\Tools")})
        office.machine.files.RemoveDirectory(level);
    }
    EXPECT_EQ(office.Snapshot(), before) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWrite, StoppedRun, ::testing::Range(0, 24));

// A Group Policy start-up script runs the setup at every boot.
TEST(Recorder, AddsNothingForRunsThatChangeNothing) {
  Office office;
  const std::string before = office.Snapshot();
  ASSERT_EQ(office.Install(), unattended::kInstalled);
  const std::string first = office.Record();
  ASSERT_NE(first.find("installation 1"), std::string::npos);
  for (int run = 2; run <= 10; ++run) {
    ASSERT_EQ(office.Install(), unattended::kInstalled);
    EXPECT_EQ(office.Record(), first) << "run " << run;
  }
  EXPECT_EQ(office.Uninstall(), kRemoved);
  EXPECT_EQ(office.Snapshot(), before);
}

// A run that ends before anything of the installation arrived (the dialog's, whose install
// command makes the folders before it finds the package missing) leaves its folders, empty,
// as the install command always did, and no uninstaller, record or entry for nothing. One that
// ends after a file arrived keeps them, so that the file can be uninstalled.
TEST(Recorder, KeepsTheUninstallOnlyForWhatArrived) {
  const auto entry = [](Office& office) {
    plat::UniqueKey key(office.machine.registry);
    return office.machine.registry.OpenKeyRead(kHkeyLocalMachine, kProgramEntryKey,
                                               key.put()) == plat::kErrorSuccess;
  };
  // The dialog's run, the package missing: into a folder whose level above is there, and
  // into one whose levels are all missing.
  for (const std::string folderText : {"C:\\Velmar", "C:\\Tools\\Velmar"}) {
    SCOPED_TRACE(folderText);
    Office office;
    for (const char* name : {"VL_BatchPlot2008.arx", "VL_BatchPlot2019.arx", "Velmar.prt7",
                             "Velmar.Ini", "Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"})
      office.machine.files.Remove(std::string("C:\\Setup\\Data\\") + name);
    office.machine.files.Remove("C:\\Setup\\Data");
    // Started from a copy that keeps its files read-only, as a CD's are.
    office.Write("C:\\Setup\\SetUp.exe", "the setup program", plat::kAttrReadOnly);
    const std::string before = office.Snapshot();
    InstallCatalogue catalogue;
    app::Installation installation(office.machine.platform(), catalogue, "", nullptr);
    HeadlessDialog dialog;
    dialog.controlFolderText = folderText;
    dialog.controlFlags.fill(1);
    office.machine.messages.Answer(plat::kIdYes);
    g_bCheckHostRunning = true;
    installation.Install(dialog, dialog.inputs());
    EXPECT_EQ(dialog.requests, "TPC");
    const std::string product = folderText + "\\Velmar批打印软件";
    for (const char* own : {"\\Uninstall.exe", "\\Uninstall.txt"})
      EXPECT_EQ(office.machine.files.GetAttributes(product + own), plat::kInvalidAttributes) << own;
    EXPECT_FALSE(entry(office));
    // What stays is the folders, empty, as for any installation that never began.
    for (std::string level = product; level.size() > 2; level = plat::FolderOf(office.machine.text, level))
      office.machine.files.RemoveDirectory(level);
    EXPECT_EQ(office.Snapshot(), before);
  }
  // No one may read the package's plug-in for 2008, or its first library: the copy fails
  // after the settings file and the first files arrived, or after the settings file alone,
  // and the run ends as Abort.
  for (const char* unreadable : {"VL_BatchPlot2008.arx", "Velmar.prt7"}) {
    SCOPED_TRACE(unreadable);
    Office office;
    const std::string before = office.Snapshot();
    office.machine.files.SetDescriptor(std::string("C:\\Setup\\Data\\") + unreadable,
                                       plat::Descriptor{"S-1-5-18", {true, {}}});
    EXPECT_EQ(office.Install(), unattended::kFatalError);
    EXPECT_NE(office.machine.files.GetAttributes(kFolder + "\\Uninstall.exe"),
              plat::kInvalidAttributes);
    EXPECT_TRUE(entry(office));
    EXPECT_EQ(office.Uninstall(), kRemoved);
    EXPECT_EQ(office.Snapshot(), before);
  }
}

// A run that ends before anything arrived takes back only what it added itself: beside the
// entry of an installation elsewhere, or an uninstaller that was in the folder before, the
// uninstaller and the entry stay.
TEST(Recorder, KeepsWhatWasThereBeforeARunThatEndsEarly) {
  const std::string product = "C:\\Velmar\\Velmar批打印软件";
  for (const bool installedElsewhere : {true, false}) {
    SCOPED_TRACE(installedElsewhere ? "an installation elsewhere" : "an uninstaller left behind");
    Office office;
    if (installedElsewhere) {
      ASSERT_EQ(office.Install(), unattended::kInstalled);
    } else {
      office.Write(product + "\\Uninstall.exe", "an older setup program");
      for (const std::string& level : {std::string("C:\\Velmar"), product})
        office.machine.files.SetDescriptor(level, protection::ProgramFolderDescriptor());
    }
    office.machine.files.SetDescriptor("C:\\Setup\\Data\\VL_BatchPlot2008.arx",
                                       plat::Descriptor{"S-1-5-18", {true, {}}});
    office.machine.files.SetDescriptor("C:\\Setup\\Data\\Velmar.Ini",
                                       plat::Descriptor{"S-1-5-18", {true, {}}});
    InstallCatalogue catalogue;
    app::Installation installation(office.machine.platform(), catalogue, "", nullptr);
    HeadlessDialog dialog;
    dialog.controlFolderText = "C:\\Velmar";
    dialog.controlFlags.fill(1);
    office.machine.messages.Answer(plat::kIdYes);
    g_bCheckHostRunning = true;
    installation.Install(dialog, dialog.inputs());
    EXPECT_NE(office.machine.files.GetAttributes(product + "\\Uninstall.exe"),
              plat::kInvalidAttributes);
    EXPECT_EQ(regtest::ReadRaw(office.machine.registry, kHkeyLocalMachine, kProgramEntryKey,
                               "InstallLocation").type,
              plat::kRegSz);
  }
}

// Where a write goes decides what the record holds of it: the installation's folders and the
// host files are recorded, the package and the settings file are not the uninstall's to give
// back, and anything else is told as a write no record holds.
TEST(Recorder, SortsEachWriteByWhereItGoes) {
  Office office;
  office.Write("C:\\Other\\x.txt", "old");
  Recorder recorder(office.machine.platform());
  // Made before the record exists: a level on the way is the installation's, another folder
  // is not; one never made is nothing.
  for (const char* folder : {"C:\\Tools", "C:\\Tools\\Velmar", "C:\\Elsewhere", "C:\\Never"})
    recorder.BeforeFolder(folder);
  for (const char* folder : {"C:\\Tools\\Velmar", "C:\\Elsewhere"}) office.machine.files.MakeFolders(folder);
  office.machine.files.MakeFolders(kFolder);
  ASSERT_TRUE(recorder.Open(kFolder));
  EXPECT_NE(office.Record().find("made-folder C:\\Tools\r\nmade-folder C:\\Tools\\Velmar\r\n"),
            std::string::npos);
  const struct {
    const char* path;
    bool unrecorded;
  } rows[] = {
      {"C:\\Tools\\Velmar\\Velmar批打印软件\\a.dll", false},
      {"C:\\Program Files\\AutoCAD 2008\\\\Fonts\\Velmar_EN.shx", false},
      {"C:\\users\\user\\AppData\\Roaming\\Velmar\\Velmar.Ini", false},
      {"C:\\Setup\\Data\\Velmar.Ini", false},
      {"C:\\Other\\x.txt", true},
      {"Fonts\\Velmar_EN.shx", true},
  };
  for (const auto& row : rows) recorder.BeforeWrite(row.path, "new");
  std::vector<std::string> expected = {"create folder C:\\Elsewhere"};
  for (const auto& row : rows) {
    if (row.unrecorded) expected.push_back(std::string("write ") + row.path);
  }
  // A deletion is never recorded: only one of something there is told.
  recorder.BeforeDelete("C:\\Other\\x.txt");
  recorder.BeforeDelete("C:\\Other\\gone.txt");
  expected.push_back("delete C:\\Other\\x.txt");
  EXPECT_EQ(recorder.unrecorded(), expected);
}

// A record someone else could have written is no record of ours: it is set aside for a person
// to look at, and ours is made anew, not written over, which would keep that one's owner.
TEST(Recorder, MakesItsRecordAnewOverSomeoneElses) {
  Office office;
  office.machine.files.MakeFolders(kFolder);
  const std::string theirs = FormatRecord(office.machine.text, Record{kFolder, {}}) + "\r\n";
  office.machine.files.WriteFile(RecordPath(kFolder), theirs);
  const std::string user = "S-1-5-21-1-2-3-1001";
  office.machine.files.SetDescriptor(RecordPath(kFolder),
                                     plat::Descriptor{user, {false, {{user, plat::kFileAllAccess, 0}}}});
  Recorder recorder(office.machine.platform());
  ASSERT_TRUE(recorder.Open(kFolder));
  plat::Descriptor now;
  ASSERT_TRUE(office.machine.files.DescriptorOf(RecordPath(kFolder), &now));
  EXPECT_NE(now.owner, user);
  EXPECT_EQ(office.Record(), FormatRecord(office.machine.text, Record{kFolder, {}}));
  std::string aside;
  EXPECT_TRUE(office.machine.files.ReadFile(kFolder + "\\Uninstall-damaged.txt", &aside));
  EXPECT_EQ(aside, theirs);
}

// The uninstall is in place before the first file is copied: the uninstaller (a copy of the
// running program, over an older one, read-only or not), the record and the entry.
TEST(Recorder, PreparesTheUninstallBeforeTheFirstFile) {
  const std::string uninstaller = kFolder + "\\Uninstall.exe";
  const struct {
    const char* what;
    const char* older;  // the uninstaller in the folder before, read-only; none when null
    const char* module;  // the running program's name as the system tells it
    bool moduleReadable;
    const char* now;  // the uninstaller afterwards; none when null
    uint32_t attributes;
  } rows[] = {
      {"none before", nullptr, "C:\\Setup\\SetUp.exe", true, "the setup program",
       plat::kAttrArchive},
      {"an older one", "an older setup program", "C:\\Setup\\SetUp.exe", true,
       "the setup program", plat::kAttrArchive},
      {"the program unreadable", nullptr, "C:\\Setup\\SetUp.exe", false, nullptr,
       plat::kInvalidAttributes},
      // Nothing to copy from: the older one stays as it is.
      {"the program unnamed", "an older setup program", "", true, "an older setup program",
       plat::kAttrReadOnly},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Office office;
    office.machine.files.MakeFolders(kFolder);
    if (row.older) office.Write(uninstaller, row.older, plat::kAttrReadOnly);
    if (!row.moduleReadable)
      office.machine.files.SetDescriptor("C:\\Setup\\SetUp.exe", plat::Descriptor{"S-1-5-18", {true, {}}});
    office.machine.files.SetModuleFileName(row.module);
    Recorder recorder(office.machine.platform());
    PrepareUninstall(office.machine.platform(), recorder, kFolder, 20240426,
                     office.machine.checked.OwnImage().handle.get());
    std::string now;
    EXPECT_EQ(office.machine.files.ReadFile(uninstaller, &now), row.now != nullptr);
    if (row.now) { EXPECT_EQ(now, row.now); }
    EXPECT_EQ(office.machine.files.GetAttributes(uninstaller), row.attributes);
    EXPECT_EQ(regtest::ReadRaw(office.machine.registry, kHkeyLocalMachine, kProgramEntryKey,
                               "InstallLocation").type,
              plat::kRegSz);
  }
}

// The size the entry shows: what the installations left, each file once, in whole kilobytes
// rounded up: an uninstaller and a record of exactly 2 KB are 2 KB; a large file placed by two
// installations counts once.
TEST(Recorder, EntersTheSizeOfWhatStays) {
  const auto size = [](Office& office) {
    const regtest::RawValue kb = regtest::ReadRaw(office.machine.registry, kHkeyLocalMachine,
                                                  kProgramEntryKey, "EstimatedSize");
    return kb.bytes.size() == 4 ? static_cast<uint32_t>(static_cast<unsigned char>(kb.bytes[0]) |
                                                        static_cast<unsigned char>(kb.bytes[1]) << 8)
                                : 0u;
  };
  size_t record = 0;
  for (const bool exact : {false, true}) {
    Office office;
    office.machine.files.MakeFolders(kFolder);
    if (exact) office.Write("C:\\Setup\\SetUp.exe", std::string(2048 - record, 'x'));
    Recorder recorder(office.machine.platform());
    PrepareUninstall(office.machine.platform(), recorder, kFolder, 20240426,
                     office.machine.checked.OwnImage().handle.get());
    record = office.Record().size();
    if (exact) { EXPECT_EQ(size(office), 2u); }
  }
  Office office;
  for (const char fill : {'a', 'b'}) {
    office.Write("C:\\Setup\\Data\\VL_BatchPlot2008.arx", std::string(400 * 1024, fill));
    ASSERT_EQ(office.Install(), unattended::kInstalled);
  }
  EXPECT_GE(size(office), 400u);
  EXPECT_LT(size(office), 500u);
  // A run that stops after the large file arrived: the entry shows what stays.
  Office stopped;
  stopped.Write("C:\\Setup\\Data\\VL_BatchPlot2008.arx", std::string(400 * 1024, 'a'));
  stopped.machine.files.SetDescriptor("C:\\Setup\\Data\\VL_BatchPlot2019.arx",
                                      plat::Descriptor{"S-1-5-18", {true, {}}});
  ASSERT_EQ(stopped.Install(), unattended::kFatalError);
  EXPECT_GE(size(stopped), 400u);
}

// A value write adds to the record, or is told, only when it changes the value; the
// installed-programs entry's own values are the uninstall's, never recorded.
TEST(Recorder, AddsNothingForAValueWriteThatChangesNothing) {
  const journal::ValueState one{true, plat::kRegSz, "1"}, two{true, plat::kRegSz, "2"};
  const journal::KeyRef other{kHkeyLocalMachine, "SOFTWARE\\Other"};
  const journal::KeyRef variables{kHkeyCurrentUser, kProfile};
  const journal::KeyRef entry{kHkeyLocalMachine, kProgramEntryKey};
  const struct {
    const char* what;
    journal::KeyRef key;
    const char* name;
    journal::ValueState after;
    bool recorded;
    std::vector<std::string> unrecorded;
  } rows[] = {
      {"another value, the same", other, "X", one, false, {}},
      {"another value, changed", other, "X", two, false, {"set HKLM\\SOFTWARE\\Other\\X"}},
      {"trusted paths, the same", variables, "TRUSTEDPATHS", one, false, {}},
      {"trusted paths, changed", variables, "TRUSTEDPATHS", two, true, {}},
      {"the entry's own", entry, "DisplayName", two, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Office office;
    office.machine.files.MakeFolders(kFolder);
    Recorder recorder(office.machine.platform());
    ASSERT_TRUE(recorder.Open(kFolder));
    recorder.BeforeValue(row.key, row.name, one, row.after);
    EXPECT_EQ(office.Record().find("\r\nvalue ") != std::string::npos, row.recorded);
    EXPECT_EQ(recorder.unrecorded(), row.unrecorded);
  }
}

// A key this run made, deleted again by the same run: what it held was this run's, and no
// value of it is to be given back.
TEST(Recorder, GivesBackNothingOfAKeyItMadeItself) {
  Office office;
  office.machine.files.MakeFolders(kFolder);
  Recorder recorder(office.machine.platform());
  ASSERT_TRUE(recorder.Open(kFolder));
  const std::string applications = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications";
  const journal::KeyRef key{kHkeyLocalMachine, applications + "\\VL_BatchPlot2020"};
  recorder.BeforeKeys({{kHkeyLocalMachine, applications}, key});
  regtest::SetString(office.machine.registry, kHkeyLocalMachine, key.path, "LOADER",
                     kFolder + "\\VL_BatchPlot2019.ARX");
  recorder.BeforeKeyDelete(key);
  EXPECT_EQ(office.Record().find("name LOADER"), std::string::npos) << office.Record();
  EXPECT_TRUE(recorder.unrecorded().empty());
}

// A run stopped in the middle of an entry left the record read-only (as a copy tool may):
// the cut-off entry is cut away, and what the record held stays in it.
TEST(Recorder, CutsAReadOnlyRecordBackToItsLastWholeEntry) {
  Office office;
  ASSERT_EQ(office.Install(), unattended::kInstalled);
  const std::string whole = office.Record();
  office.machine.files.WriteFile(RecordPath(kFolder), whole + "made-fol", plat::kAttrReadOnly);
  Recorder recorder(office.machine.platform());
  ASSERT_TRUE(recorder.Open(kFolder));
  EXPECT_EQ(office.Record(), whole);
  EXPECT_EQ(office.machine.files.GetAttributes(kFolder + "\\Uninstall-damaged.txt"),
            plat::kInvalidAttributes);
}

// A host file whose original cannot be saved: the installation goes on, the user hears of
// it, and the uninstall leaves the file where it is rather than lose the host's own, and
// names no backup that was never written.
TEST(Recorder, LeavesAHostFileItCouldNotSave) {
  Office office;
  office.machine.files.MakeFolders(kFolder + "\\Backup");
  for (const char* level : {"C:\\Tools", "C:\\Tools\\Velmar"})
    office.machine.files.SetDescriptor(level, protection::ProgramFolderDescriptor());
  office.machine.files.DenyWrite(kFolder + "\\Backup");
  // One of them writable, so that the copy itself is the first write to it.
  office.Write(kHost2008 + "\\Fonts\\Velmar_HZ.shx", "an old font");
  ASSERT_EQ(office.Install(), unattended::kInstalled);
  ASSERT_FALSE(office.unrecorded.empty());
  EXPECT_EQ(office.unrecorded[0].compare(0, 8, "replace "), 0) << office.unrecorded[0];
  office.Uninstall();
  EXPECT_EQ(office.said.find("原来的文件保存在"), std::string::npos) << office.said;
  for (const std::string& host : {kHost2008 + "\\Drv\\pdfplot9.hdi", kHost2008 + "\\Fonts\\Velmar_HZ.shx",
                                  kHost2020 + "\\Fonts\\Velmar_EN.shx"}) {
    EXPECT_NE(office.machine.files.GetAttributes(host), plat::kInvalidAttributes) << host;
    const std::string name = host.substr(host.rfind('\\'));
    EXPECT_NE(office.said.find(name + "（安装后已被修改）"), std::string::npos) << name;
  }
}

// An installation of a version that kept no record left its auto-load key: the installation
// deletes it and makes it again, and the uninstall gives it back with what it held.
TEST(Recorder, GivesBackAKeyAnOlderInstallationLeft) {
  Office office;
  const std::string key =
      "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\VL_BatchPlot2020";
  regtest::SetDword(office.machine.registry, kHkeyLocalMachine, key, "LOADCTRLS", 14);
  regtest::SetString(office.machine.registry, kHkeyLocalMachine, key, "LOADER",
                     "D:\\Old\\VL_BatchPlot2019.ARX");
  const std::string before = office.Snapshot();
  ASSERT_EQ(office.Install(), unattended::kInstalled);
  EXPECT_TRUE(office.unrecorded.empty());
  EXPECT_EQ(office.Uninstall(), kRemoved) << office.said;
  EXPECT_EQ(office.Snapshot(), before);
}

// A location the record cannot name (a network folder): the copies go on as they always
// have, the user hears of it, and the uninstall names what stays.
TEST(Recorder, TellsWhatNoRecordCanHold) {
  Office office;
  // The settings then go to the shell's folder, which the record does not take for theirs.
  office.machine.files.SetEnvironment("APPDATA", "");
  const std::string settings = "C:\\users\\user\\AppData\\Roaming\\Velmar";
  ASSERT_EQ(office.Install(), unattended::kInstalled);
  ASSERT_FALSE(office.unrecorded.empty());
  EXPECT_NE(office.unrecorded[0].find(settings), std::string::npos) << office.unrecorded[0];
  EXPECT_NE(office.Record().find("\r\nunrecorded create folder " + settings), std::string::npos);
  office.machine.messages.Answer(plat::kIdYes);
  office.machine.files.SetModuleFileName(kFolder + "\\Uninstall.exe");
  EXPECT_EQ(RunUninstall(office.machine.platform(), UninstallOptions{}), kRemovedInPart);
  const std::string said = office.machine.messages.shown().back().text;
  EXPECT_NE(said.find("未能记入卸载记录"), std::string::npos) << said;
  EXPECT_NE(said.find(settings), std::string::npos) << said;
}

}  // namespace
}  // namespace uninstall
