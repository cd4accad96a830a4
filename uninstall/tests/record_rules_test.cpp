#include "uninstall/record_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "activesetup/active_setup.h"
#include "platform/sim/sim_codepage.h"

namespace uninstall {
namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";

// 淺 is 9C 5C in code page 936: its trail byte is the code of a backslash.
TEST(RecordRules, TellsWhereAFileLies) {
  sim::SimCodePage text;
  struct Row {
    const char* path;
    FileKind kind;
  };
  const Row rows[] = {
      {"C:\\Velmar\\Velmar批打印软件\\itextsharp.dll", FileKind::kInstalled},
      {"c:\\VELMAR\\velmar批打印软件\\Backup\\1 pdfplot9.hdi", FileKind::kInstalled},
      {"C:\\Program Files\\AutoCAD 2008\\Drv\\pdfplot9.hdi", FileKind::kHostFile},
      {"D:\\CAD\\淺\\fonts\\VELMAR_hz.SHX", FileKind::kHostFile},
      {"D:\\CAD\\Fonts\\Velmar_EN.shx", FileKind::kHostFile},
      {"C:\\Velmar\\Velmar批打印软件", FileKind::kOther},  // the folder itself
      {"C:\\Velmar\\Velmar批打印软件\\..\\..\\Windows\\win.ini", FileKind::kOther},
      // Spelled as the system resolves them.
      {"C:\\Velmar\\Velmar批打印软件\\.\\x.dll", FileKind::kInstalled},
      {"C:\\Velmar\\Velmar批打印软件\\x.dll.", FileKind::kInstalled},
      {"C:\\Velmar\\Velmar批打印软件\\x.dll ", FileKind::kInstalled},
      {"C:\\Velmar\\Velmar批打印软件\\x.dll:stream", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件/../x.dll", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件\\\\x.dll", FileKind::kInstalled},
      {"C:\\Velmar\\Velmar批打印软件./x.dll", FileKind::kInstalled},
      {"C:\\Velmar\\Velmar批打印软件 \\x.dll", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件..\\x.dll", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件\\sub\\..\\x.dll", FileKind::kInstalled},
      {"C:\\Program Files\\Autodesk\\AutoCAD 2020\\\\Fonts\\Velmar_EN.shx", FileKind::kHostFile},
      {"C:\\CAD\\Fonts\\Velmar_EN.shx. . ", FileKind::kHostFile},
      {"C:\\CAD\\Fonts.\\Velmar_HZ.shx", FileKind::kHostFile},
      {"C:\\CAD\\Fonts\\Velmar_EN.shx\\", FileKind::kHostFile},
      {"C:\\CAD\\Fonts\\..\\Velmar_EN.shx", FileKind::kOther},
      {"C:\\..\\..\\Fonts\\Velmar_EN.shx", FileKind::kHostFile},
      {"\\\\server\\share\\Fonts\\Velmar_EN.shx", FileKind::kOther},
      {"Fonts\\Velmar_EN.shx", FileKind::kOther},
      {"C:\\Fonts\\Velmar_EN.shx", FileKind::kHostFile},
      {"C:\\CAD\\Fonts\\Velmar_XX.shx", FileKind::kOther},
      {"C:\\CAD\\Support\\Velmar_EN.shx", FileKind::kOther},
      {"C:\\CAD\\Drv\\pdfplot8.hdi", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件2\\x.dll", FileKind::kOther},
      {"C:\\Velmar\\Velmar批打印软件淺\\x.dll", FileKind::kOther},
  };
  for (const Row& row : rows) EXPECT_EQ(KindOfFile(text, kFolder, row.path), row.kind) << row.path;
  // The folder's own trail byte 5C is no separator.
  EXPECT_EQ(KindOfFile(text, "D:\\淺", "D:\\淺\\x.dll"), FileKind::kInstalled);
  EXPECT_EQ(KindOfFile(text, "D:\\淺", "D:\\\x9C\\x.dll"), FileKind::kOther);
}

TEST(RecordRules, TellsWhatAKeyAndAValueAre) {
  sim::SimCodePage text;
  const std::string product = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804";
  const std::string product32 = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804";
  const std::string profile = product + "\\Profiles\\<<未命名配置>>\\Variables";
  const std::string component = activesetup::kComponentKey;
  struct Row {
    plat::HKey root;
    std::string path;
    const char* name;
    KeyKind key;
    ValueKind value;
  };
  const Row rows[] = {
      {kHkeyLocalMachine, product + "\\Applications\\VL_BatchPlot2020", "LOADER",
       KeyKind::kAutoLoad, ValueKind::kAutoLoad},
      {kHkeyLocalMachine, product32 + "\\applications\\vl_batchplot2008", "loadctrls",
       KeyKind::kAutoLoad, ValueKind::kAutoLoad},
      {kHkeyLocalMachine, product + "\\Applications\\VL_BatchPlot2020", "DESCRIPTION",
       KeyKind::kAutoLoad, ValueKind::kOther},
      {kHkeyLocalMachine, product + "\\Applications\\VL_BatchPlot2026", "LOADER", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyLocalMachine, product + "\\Applications\\VL_BatchPlot20x0", "LOADER", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyLocalMachine, product + "\\Applications\\AcadVBA", "LOADER", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyLocalMachine, product + "\\Applications", "", KeyKind::kApplications,
       ValueKind::kOther},
      {kHkeyLocalMachine, "SOFTWARE\\Autodesk\\AutoCAD\\Applications", "", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Applications\\VL_BatchPlot2020", "LOADER", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Applications\\VL_BatchPlot2020", "LOADER",
       KeyKind::kOther, ValueKind::kOther},
      {kHkeyCurrentUser, profile, "TRUSTEDPATHS", KeyKind::kVariables, ValueKind::kTrustedPaths},
      {kHkeyCurrentUser, profile, "FILEDIA", KeyKind::kVariables, ValueKind::kOther},
      {kHkeyLocalMachine, profile, "TRUSTEDPATHS", KeyKind::kOther, ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Profiles\\Variables", "TRUSTEDPATHS", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Profiles\\a\\Other", "TRUSTEDPATHS", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Other\\a\\Variables", "TRUSTEDPATHS", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Profiles\\a\\b\\Variables", "TRUSTEDPATHS", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, product + "\\Profiles\\\\Variables", "TRUSTEDPATHS", KeyKind::kOther,
       ValueKind::kOther},
      {kHkeyCurrentUser, component, "Version", KeyKind::kServed, ValueKind::kServed},
      {kHkeyCurrentUser, component, "IsInstalled", KeyKind::kServed, ValueKind::kOther},
      {kHkeyLocalMachine, component, "IsInstalled", KeyKind::kActiveSetup, ValueKind::kActiveSetup},
      {kHkeyCurrentUser, "SOFTWARE\\Microsoft\\Active Setup\\Installed Components", "",
       KeyKind::kComponents, ValueKind::kOther},
      {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Active Setup", "", KeyKind::kComponents,
       ValueKind::kOther},
      {kHkeyCurrentUser, "SOFTWARE\\Microsoft", "", KeyKind::kOther, ValueKind::kOther},
  };
  for (const Row& row : rows) {
    const RegKey key{row.root, row.path};
    EXPECT_EQ(KindOfKey(text, key), row.key) << row.path;
    EXPECT_EQ(KindOfValue(text, key, row.name), row.value) << row.path << " " << row.name;
  }
}

TEST(RecordRules, AcceptsOnlyARecordOfTheFolderItLiesIn) {
  sim::SimCodePage text;
  const std::string folder = kFolder;
  const RegKey autoLoad{kHkeyLocalMachine,
                        "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\"
                        "VL_BatchPlot2020"};
  Record good;
  good.folder = folder;
  Installation inst;
  inst.number = 1;
  inst.earlierRecords = {"D:\\Tools\\Velmar批打印软件\\Uninstall.txt"};
  inst.foldersMade = {"C:\\Velmar", folder, folder + "\\Backup"};
  inst.files = {{folder + "\\a.dll", {}, "", {}},
                {"C:\\CAD\\Fonts\\Velmar_EN.shx", {}, folder + "\\Backup\\1 Velmar_EN.shx", {}}};
  inst.settingsFiles = {"C:\\Users\\u\\AppData\\Roaming\\Velmar\\Velmar.Ini"};
  inst.keysMade = {autoLoad};
  inst.values = {{autoLoad, "LOADER", {}, {}}};
  good.installations = {inst};
  std::string why;
  EXPECT_TRUE(CheckRecord(text, good, "c:\\velmar\\VELMAR批打印软件", &why)) << why;

  struct Row {
    const char* what;
    void (*spoil)(Record&);
  };
  const Row rows[] = {
      {"another folder's record", [](Record& r) { r.folder = "D:\\Tools\\Velmar批打印软件"; }},
      {"a folder made elsewhere",
       [](Record& r) { r.installations[0].foldersMade.push_back("C:\\Windows"); }},
      {"a folder below the install folder but the backups",
       [](Record& r) { r.installations[0].foldersMade.push_back(r.folder + "\\Sub"); }},
      {"a file elsewhere",
       [](Record& r) { r.installations[0].files[0].path = "C:\\Windows\\win.ini"; }},
      {"a backup outside the backup folder",
       [](Record& r) { r.installations[0].files[1].backup = r.folder + "\\a.dll"; }},
      {"a key elsewhere",
       [](Record& r) { r.installations[0].keysMade[0].path = "SOFTWARE\\Classes\\x"; }},
      {"a value the installation does not write",
       [](Record& r) { r.installations[0].values[0].name = "DESCRIPTION"; }},
      {"a relative earlier record",
       [](Record& r) { r.installations[0].earlierRecords[0] = "Uninstall.txt"; }},
      {"a relative settings file",
       [](Record& r) { r.installations[0].settingsFiles[0] = "Velmar\\Velmar.Ini"; }},
  };
  for (const Row& row : rows) {
    Record spoilt = good;
    row.spoil(spoilt);
    EXPECT_FALSE(CheckRecord(text, spoilt, folder, &why)) << row.what;
  }
}

// Host files only where AutoCAD is installed now: its Fonts and Drv folders, the location
// written as the registry holds it (with or without its last backslash).
TEST(RecordRules, AcceptsHostFilesOnlyInTheHostsFoundNow) {
  sim::SimCodePage text;
  const std::vector<std::string> hosts = {"C:\\Program Files\\AutoCAD 2008\\",
                                          "D:\\淺\\AutoCAD 2020"};
  struct Row {
    const char* path;
    bool accepted;
  };
  const Row rows[] = {
      {"C:\\Program Files\\AutoCAD 2008\\Drv\\pdfplot9.hdi", true},
      {"c:\\program files\\autocad 2008\\FONTS\\Velmar_HZ.shx", true},
      {"D:\\淺\\AutoCAD 2020\\Fonts\\Velmar_EN.shx", true},
      {"C:\\Program Files\\AutoCAD 2008\\Sub\\Drv\\pdfplot9.hdi", false},
      {"C:\\Program Files\\AutoCAD 2010\\Drv\\pdfplot9.hdi", false},
      {"C:\\Users\\Public\\Fonts\\Velmar_EN.shx", false},
      {"D:\\淺\\Fonts\\Velmar_EN.shx", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    Installation inst;
    inst.files = {{kFolder + std::string("\\a.dll"), {}, "", {}}, {row.path, {}, "", {}}};
    const Record record{kFolder, {inst}};
    std::string why;
    EXPECT_EQ(CheckHostFiles(text, record, kFolder, hosts, &why), row.accepted) << why;
  }
}

}  // namespace
}  // namespace uninstall
