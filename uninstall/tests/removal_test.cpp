#include "uninstall/removal.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "activesetup/active_setup.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"
#include "uninstall/checked_file.h"

namespace uninstall {
namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

const std::string kFolder = "C:\\Velmar\\Velmar批打印软件";
const std::string kOther = "D:\\Tools\\Velmar批打印软件";
const std::string kHost = "C:\\Program Files\\AutoCAD 2008";
const std::string kAutoLoad =
    "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Applications\\VL_BatchPlot2008";
const std::string kProfileA =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
const std::string kProfileB =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\机械制图\\Variables";

std::string Utf16(const std::u16string& text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes + std::string(2, '\0');
}
RegValue Sz(const std::u16string& text) { return RegValue{true, plat::kRegSz, Utf16(text)}; }
ValueChange Change(plat::HKey root, const std::string& path, const char* name, RegValue before,
                   RegValue after) {
  ValueChange change;
  change.key = RegKey{root, path};
  change.name = name;
  change.before = std::move(before);
  change.after = std::move(after);
  return change;
}
RegValue Dword(uint32_t d) {
  return RegValue{true, plat::kRegDword, std::string(reinterpret_cast<const char*>(&d), 4)};
}

// The trusted paths of profile A as the user had them: an entry code page 936 cannot hold.
const std::u16string kUserPaths = u"c:\\lisp;d:\\䶮\U00020000";
const std::u16string kInstalledPaths = u"C:\\LISP;D:\\䶮\U00020000;C:\\VELMAR\\VELMAR批打印软件";

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.files.AddDrive('D');
    for (const std::string& f : {kFolder + "\\Backup", kHost + "\\Fonts", kHost + "\\Drv"})
      machine.files.MakeFolders(f);
  }

  plat::Platform& platform() { return machine.platform(); }
  plat::Registry& reg() { return machine.registry; }

  void Set(plat::HKey root, const std::string& path, const std::string& name, const RegValue& v) {
    plat::UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(root, path, key.put()), plat::kErrorSuccess);
    ASSERT_EQ(reg().SetValueW(key.get(), machine.text.ToUtf16(name), v.type, v.bytes.data(),
                              static_cast<uint32_t>(v.bytes.size())),
              plat::kErrorSuccess);
  }
  RegValue Get(plat::HKey root, const std::string& path, const std::string& name) {
    RegValue v;
    plat::UniqueKey key(reg());
    if (reg().OpenKeyRead(root, path, key.put()) != plat::kErrorSuccess) return v;
    char buffer[4096];
    uint32_t size = sizeof buffer;
    if (reg().QueryValueW(key.get(), machine.text.ToUtf16(name), &v.type,
                          reinterpret_cast<unsigned char*>(buffer), &size) == plat::kErrorSuccess) {
      v.present = true;
      v.bytes.assign(buffer, size);
    }
    return v;
  }
  bool Exists(const std::string& path) {
    return machine.files.GetAttributes(path) != plat::kInvalidAttributes;
  }
  std::string Content(const std::string& path) {
    std::string bytes;
    machine.files.ReadFile(path, &bytes);
    return bytes;
  }
  // A file placed by an installation: on the machine and in its record.
  PlacedFile Place(const std::string& path, const std::string& content) {
    machine.files.WriteFile(path, content);
    return PlacedFile{path, ContentOf(content), "", {}};
  }
  // A host file an installation replaced, its original saved in the backup folder.
  PlacedFile Replace(const std::string& path, const std::string& original,
                     const std::string& content, const std::string& backup) {
    machine.files.WriteFile(backup, original);
    PlacedFile file = Place(path, content);
    file.backup = backup;
    file.backupContent = ContentOf(original);
    return file;
  }

  // Everything one installation into kFolder does on the sample machine, as it left it.
  Installation Installed(int number = 1) {
    Installation inst;
    inst.number = number;
    inst.foldersMade = {"C:\\Velmar", kFolder, kFolder + "\\Backup"};
    inst.files = {Place(kFolder + "\\itextsharp.dll", "library"),
                  Place(kHost + "\\Fonts\\Velmar_EN.shx", "font"),
                  Replace(kHost + "\\Drv\\pdfplot9.hdi", "host driver", "our driver",
                          kFolder + "\\Backup\\1 pdfplot9.hdi")};
    inst.settingsFiles = {"C:\\users\\u\\AppData\\Roaming\\Velmar\\Velmar.Ini"};
    const std::string loader = kFolder + "\\VL_BatchPlot2008.ARX";
    Set(kHkeyLocalMachine, kAutoLoad, "LOADCTRLS", Dword(2));
    Set(kHkeyLocalMachine, kAutoLoad, "LOADER", Sz(machine.text.ToUtf16(loader)));
    Set(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", Sz(kInstalledPaths));
    Set(kHkeyCurrentUser, kProfileB, "TRUSTEDPATHS", Sz(machine.text.ToUtf16(kFolder)));
    inst.keysMade = {{kHkeyLocalMachine, kAutoLoad}, {kHkeyCurrentUser, kProfileB}};
    inst.values = {
        Change(kHkeyLocalMachine, kAutoLoad, "LOADCTRLS", RegValue(), Dword(2)),
        Change(kHkeyLocalMachine, kAutoLoad, "LOADER", RegValue(), Sz(machine.text.ToUtf16(loader))),
        Change(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", Sz(kUserPaths), Sz(kInstalledPaths)),
        Change(kHkeyCurrentUser, kProfileB, "TRUSTEDPATHS", RegValue(), Sz(machine.text.ToUtf16(kFolder))),
    };
    return inst;
  }

  FoundRecord RecordOf(const std::string& folder, std::vector<Installation> installations) {
    FoundRecord found{folder + "\\" + kRecordFileName, Record{folder, installations}};
    machine.files.WriteFile(found.path, FormatRecord(machine.text, found.record));
    machine.files.WriteFile(folder + "\\" + kUninstallerFileName, "uninstaller");
    return found;
  }

  void ExpectAsBefore() {
    EXPECT_TRUE(Get(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS").bytes == Utf16(kUserPaths));
    EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser, kProfileB));
    EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyLocalMachine, kAutoLoad));
    EXPECT_TRUE(regtest::KeyExists(reg(), kHkeyLocalMachine,
                                   "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Applications"));
    EXPECT_FALSE(Exists(kHost + "\\Fonts\\Velmar_EN.shx"));
    EXPECT_EQ(Content(kHost + "\\Drv\\pdfplot9.hdi"), "host driver");
    // Emptied, the product folder stays: other users' profiles may trust it still.
    EXPECT_TRUE(Exists(kFolder));
    EXPECT_FALSE(Exists(kFolder + "\\" + kUninstallerFileName));
  }

  sim::Machine machine;
  Outcome outcome;
};

TEST_F(RemovalTest, PutsTheMachineBackAsItWas) {
  regtest::CreatePath(reg(), kHkeyLocalMachine,
                      "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Applications\\AcadVBA");
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  // Left read-only, as a copy from a CD or a backup tool leaves a file.
  for (const char* own : {kRecordFileName, kUninstallerFileName})
    machine.files.SetAttributes(kFolder + "\\" + own, plat::kAttrReadOnly);
  UndoInstallations(platform(), records, &outcome);
  EXPECT_EQ(RemoveOwnFiles(platform(), records, "", &outcome).size(), 0u);
  ExpectAsBefore();
  EXPECT_FALSE(Exists(kFolder + "\\" + kRecordFileName));
  EXPECT_TRUE(outcome.failed.empty() && outcome.kept.empty()) << outcome.failed.size();
  ASSERT_EQ(outcome.settingsFiles.size(), 1u);
  EXPECT_EQ(machine.registry.OpenHandles(), 0);
}

// Two installations into one folder, then one into another: undone newest first, each value
// goes back to what the one before it found.
TEST_F(RemovalTest, UndoesInstallationsNewestFirstAcrossFolders) {
  regtest::CreatePath(reg(), kHkeyLocalMachine,
                      "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Applications\\AcadVBA");
  Installation first = Installed(1);
  Installation second = Installed(2);
  second.files[2].backup.clear();  // the driver it replaced was the first one's
  second.values[2].before = second.values[2].after;
  second.values[3].before = second.values[3].after;
  second.keysMade.clear();
  machine.files.MakeFolders(kOther);
  const std::u16string both = kInstalledPaths + u";D:\\TOOLS\\VELMAR批打印软件";
  const std::u16string otherLoader = machine.text.ToUtf16(kOther + "\\VL_BatchPlot2008.ARX");
  Installation third;
  third.number = 3;
  third.earlierRecords = {kFolder + "\\" + kRecordFileName};
  third.foldersMade = {"D:\\Tools", kOther};
  third.files = {Place(kOther + "\\itextsharp.dll", "library"),
                 Place(kHost + "\\Fonts\\Velmar_EN.shx", "font 2"),
                 Place(kHost + "\\Drv\\pdfplot9.hdi", "our driver 2")};
  third.keysMade = {{kHkeyLocalMachine, kAutoLoad}};
  Set(kHkeyLocalMachine, kAutoLoad, "LOADER", Sz(otherLoader));
  Set(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", Sz(both));
  third.values = {
      Change(kHkeyLocalMachine, kAutoLoad, "LOADCTRLS", RegValue(), Dword(2)),
      Change(kHkeyLocalMachine, kAutoLoad, "LOADER", RegValue(), Sz(otherLoader)),
      Change(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", Sz(kInstalledPaths), Sz(both)),
  };
  const std::vector<FoundRecord> records = {RecordOf(kOther, {third}),
                                            RecordOf(kFolder, {first, second})};
  UndoInstallations(platform(), records, &outcome);
  RemoveOwnFiles(platform(), records, "", &outcome);
  ExpectAsBefore();
  EXPECT_FALSE(Exists(kOther + "\\" + kUninstallerFileName));
  EXPECT_TRUE(outcome.failed.empty() && outcome.kept.empty());
}

// A link on the way to a host file: the file beyond it stays, and the message names the link.
TEST_F(RemovalTest, LeavesAFileBeyondALinkAndNamesTheLink) {
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  ASSERT_TRUE(machine.files.MoveFile(kHost + "\\Fonts", kHost + "\\Fonts-aside"));
  machine.files.MakeLink(kHost + "\\Fonts", kHost + "\\Fonts-aside");
  UndoInstallations(platform(), records, &outcome);
  EXPECT_EQ(Content(kHost + "\\Fonts-aside\\Velmar_EN.shx"), "font");
  ASSERT_EQ(outcome.failed.size(), 1u);
  EXPECT_NE(outcome.failed[0].find(kHost + "\\Fonts 是一个链接"), std::string::npos)
      << outcome.failed[0];
}

// What someone changed since the installation stays, each change on its own.
TEST_F(RemovalTest, LeavesWhatChangedSince) {
  Installation inst = Installed();
  // A newer installation elsewhere took the auto-load key over.
  const RegValue elsewhere = Sz(u"D:\\Tools\\Velmar批打印软件\\VL_BatchPlot2008.ARX");
  Set(kHkeyLocalMachine, kAutoLoad, "LOADER", elsewhere);
  // The user added a trusted entry, and a value to the Variables key the installation made.
  const std::u16string added = kInstalledPaths + u";E:\\mine\\lisp";
  Set(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS", Sz(added));
  Set(kHkeyCurrentUser, kProfileB, "FILEDIA", Sz(u"1"));
  // The user changed a file in the install folder, added one, and changed a host font.
  machine.files.WriteFile(kFolder + "\\itextsharp.dll", "patched");
  machine.files.WriteFile(kFolder + "\\notes.txt", "mine");
  inst.files.push_back(Replace(kHost + "\\Fonts\\Velmar_HZ.shx", "old font", "our font",
                               kFolder + "\\Backup\\2 Velmar_HZ.shx"));
  machine.files.WriteFile(kHost + "\\Fonts\\Velmar_HZ.shx", "user's font");
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {inst})};
  UndoInstallations(platform(), records, &outcome);
  RemoveOwnFiles(platform(), records, "", &outcome);

  EXPECT_TRUE(Get(kHkeyLocalMachine, kAutoLoad, "LOADER").bytes == elsewhere.bytes);
  EXPECT_TRUE(Get(kHkeyLocalMachine, kAutoLoad, "LOADCTRLS").present);
  const std::u16string userEntryKept = u"C:\\LISP;D:\\䶮\U00020000;E:\\mine\\lisp";
  EXPECT_TRUE(Get(kHkeyCurrentUser, kProfileA, "TRUSTEDPATHS").bytes == Utf16(userEntryKept));
  EXPECT_FALSE(Get(kHkeyCurrentUser, kProfileB, "TRUSTEDPATHS").present);
  EXPECT_TRUE(Get(kHkeyCurrentUser, kProfileB, "FILEDIA").present);
  EXPECT_EQ(Content(kFolder + "\\itextsharp.dll"), "patched");
  EXPECT_EQ(Content(kFolder + "\\notes.txt"), "mine");
  EXPECT_EQ(Content(kHost + "\\Fonts\\Velmar_HZ.shx"), "user's font");
  EXPECT_EQ(Content(kFolder + "\\Backup\\2 Velmar_HZ.shx"), "old font");
  EXPECT_EQ(Content(kHost + "\\Drv\\pdfplot9.hdi"), "host driver");
  EXPECT_FALSE(Exists(kFolder + "\\" + kRecordFileName));
  EXPECT_EQ(outcome.kept.size(), 2u);
  EXPECT_TRUE(outcome.failed.empty());
}

// A run stopped in the middle of a write: what stands where a copy may have been cut short is
// the installation's, whole, torn or gone; a backup cut short was never needed, since the
// host's file is replaced only once its backup is whole. A copy that was over and changed since
// stays, as ever.
TEST_F(RemovalTest, UndoesWhatAStopMayHaveCutShort) {
  const std::string font = kHost + "\\Fonts\\Velmar_HZ.shx", backup = kFolder + "\\Backup\\2-1 x";
  const auto entry = [&](bool done) { return PlacedFile{font, ContentOf("our font"), "", {}, 0, done}; };
  const auto saved = [&](bool done) {
    return PlacedFile{font, ContentOf("old font"), backup, ContentOf("old font"), 0, done};
  };
  const struct {
    const char* what;
    std::vector<PlacedFile> files;
    const char* now;     // the host file after the stop; null: none
    const char* left;    // the host file after the uninstall; null: none
  } rows[] = {
      {"a new file torn", {entry(false)}, "our f", nullptr},
      {"a new file never begun", {entry(false)}, nullptr, nullptr},
      {"the host's file torn", {saved(true), entry(false)}, "", "old font"},
      {"the host's file not yet replaced", {saved(true), entry(false)}, "old font", "old font"},
      {"its backup torn", {saved(false)}, "old font", "old font"},
      {"its backup torn, the host's file changed since", {saved(false)}, "the user's",
       "the user's"},
      {"a copy over, changed since", {entry(true)}, "the user's", "the user's"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine.files.Remove(font);
    machine.files.Remove(backup);
    if (row.now) machine.files.WriteFile(font, row.now);
    if (!row.files[0].backup.empty())
      machine.files.WriteFile(backup, row.files[0].done ? "old font" : "old f");
    Installation inst;
    inst.number = 2;
    inst.format = 2;
    inst.files = row.files;
    outcome = Outcome();
    UndoInstallations(platform(), {FoundRecord{kFolder + "\\Uninstall.txt", Record{kFolder, {inst}}}},
                      &outcome);
    EXPECT_EQ(Exists(font), row.left != nullptr);
    if (row.left) {
      EXPECT_EQ(Content(font), row.left);
    }
    EXPECT_FALSE(Exists(backup));
    EXPECT_TRUE(outcome.failed.empty()) << outcome.failed[0];
  }
  // Cut short, then placed whole by the next run, then changed: the user's.
  machine.files.WriteFile(font, "the user's");
  Installation stopped, rerun;
  stopped.number = 2;
  rerun.number = 3;
  stopped.format = rerun.format = 2;
  stopped.files = {entry(false)};
  rerun.files = {entry(true)};
  UndoInstallations(platform(), {FoundRecord{kFolder + "\\Uninstall.txt", Record{kFolder, {stopped, rerun}}}},
                    &outcome);
  EXPECT_EQ(Content(font), "the user's");
}

// The host's driver deleted since the installation, AutoCAD's own folder removed with its
// host: neither is made again; what was saved stays saved.
TEST_F(RemovalTest, PutsNothingBackWhereNothingIsAnyMore) {
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  machine.files.Remove(kHost + "\\Drv\\pdfplot9.hdi");
  UndoInstallations(platform(), records, &outcome);
  EXPECT_FALSE(Exists(kHost + "\\Drv\\pdfplot9.hdi"));
  EXPECT_EQ(Content(kFolder + "\\Backup\\1 pdfplot9.hdi"), "host driver");
  EXPECT_TRUE(outcome.failed.empty());
  EXPECT_EQ(outcome.kept.size(), 1u);
}

// An uninstall that stopped short runs again: what is done stays done, nothing is reported.
TEST_F(RemovalTest, RunsAgainWithoutHarm) {
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  UndoInstallations(platform(), records, &outcome);
  Outcome again;
  UndoInstallations(platform(), records, &again);
  RemoveOwnFiles(platform(), records, "", &again);
  ExpectAsBefore();
  EXPECT_TRUE(again.failed.empty() && again.kept.empty());
}

// A value that cannot be written or read, a file another program holds or that became a folder,
// and a backup that is gone, are reported; the rest is undone, and a host file whose original
// cannot be put back stays as it is.
TEST_F(RemovalTest, ReportsWhatItCouldNotUndoAndGoesOn) {
  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  machine.registry.DenyWrite(kHkeyCurrentUser, kProfileA);
  machine.registry.DenyValueRead(kHkeyLocalMachine, kAutoLoad);
  machine.files.Remove(kFolder + "\\Backup\\1 pdfplot9.hdi");
  machine.files.Remove(kFolder + "\\itextsharp.dll");
  machine.files.MakeFolders(kFolder + "\\itextsharp.dll");
  // Another program holds the font open and shares nothing.
  const CheckedFile font =
      OpenChecked(platform(), kHost + "\\Fonts\\Velmar_EN.shx", plat::kFileGenericRead, 0);
  ASSERT_TRUE(font.file);
  UndoInstallations(platform(), records, &outcome);
  std::string failed;
  for (const std::string& line : outcome.failed) failed += line + "\n";
  ASSERT_EQ(outcome.failed.size(), 5u) << failed;
  for (const std::string& what :
       {kAutoLoad + "\\LOADER", kProfileA + "\\TRUSTEDPATHS",
        "无法读取文件 " + kFolder + "\\itextsharp.dll",
        "无法删除文件 " + kHost + "\\Fonts\\Velmar_EN.shx", kHost + "\\Drv\\pdfplot9.hdi"}) {
    EXPECT_NE(failed.find(what), std::string::npos) << what;
  }
  EXPECT_EQ(Content(kHost + "\\Drv\\pdfplot9.hdi"), "our driver");
  EXPECT_EQ(Content(kHost + "\\Fonts\\Velmar_EN.shx"), "font");
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser, kProfileB));
}

// The auto-load key goes only while its LOADER still names this installation's module: a
// file straight in the install folder, as a text; anything else is someone else's now.
TEST_F(RemovalTest, TakesTheAutoLoadKeyOnlyWhileItNamesTheModule) {
  const std::u16string ours = machine.text.ToUtf16(kFolder + "\\VL_BatchPlot2008.ARX");
  const struct {
    const char* what;
    RegValue loader;
    bool undone;
  } rows[] = {
      {"as installed", Sz(ours), true},
      {"spelled in other letters", Sz(u"c:\\velmar\\velmar批打印软件\\vl_batchplot2008.arx"), true},
      {"expandable", RegValue{true, plat::kRegExpandSz, Utf16(ours)}, true},
      {"binary", RegValue{true, plat::kRegBinary, Utf16(ours)}, false},
      {"in a folder below", Sz(machine.text.ToUtf16(kFolder + "\\Old\\VL_BatchPlot2008.ARX")), false},
      {"a zero inside", Sz(ours + u'\0' + u"x"), false},
      {"beyond the code page", Sz(ours.substr(0, ours.size() - 4) + u"\U00020000.ARX"), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    machine.registry.DeleteKey(kHkeyLocalMachine, kAutoLoad);
    Installation inst = Installed();
    Set(kHkeyLocalMachine, kAutoLoad, "LOADER", row.loader);
    Outcome result;
    UndoInstallations(platform(), {RecordOf(kFolder, {inst})}, &result);
    EXPECT_EQ(regtest::KeyExists(reg(), kHkeyLocalMachine, kAutoLoad), !row.undone);
    if (!row.undone) {
      EXPECT_TRUE(Get(kHkeyLocalMachine, kAutoLoad, "LOADER").bytes == row.loader.bytes);
    }
    EXPECT_TRUE(result.failed.empty());
  }
}

// The per-user program's mark of a user (the Active Setup Version it served) goes back only
// while it is as written; a value or key gone since is no failure; a value that cannot be read
// is one, and is named.
TEST_F(RemovalTest, UndoesAValueOnlyAsItWasWritten) {
  const std::string component = activesetup::kComponentKey;
  const RegValue served = Sz(u"2024,4,26,0");
  const RegValue before = Sz(u"2023,11,9,0");
  const struct {
    const char* what;
    std::function<void()> since;
    RegValue after;
  } rows[] = {
      {"as written", [] {}, before},
      {"served again by another version", [&] {
         Set(kHkeyCurrentUser, component, activesetup::kVersion, Sz(u"2025,1,1,0"));
       }, Sz(u"2025,1,1,0")},
      {"written as another type", [&] {
         Set(kHkeyCurrentUser, component, activesetup::kVersion,
               RegValue{true, plat::kRegExpandSz, served.bytes});
       }, RegValue{true, plat::kRegExpandSz, served.bytes}},
      {"deleted since", [&] {
         plat::UniqueKey key(reg());
         reg().OpenKey(kHkeyCurrentUser, component, key.put());
         reg().DeleteValue(key.get(), activesetup::kVersion);
       }, RegValue()},
      {"its key deleted since", [&] {
         reg().DeleteKey(kHkeyCurrentUser, component);
       }, RegValue()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Set(kHkeyCurrentUser, component, activesetup::kVersion, served);
    Installation inst;
    inst.number = 1;
    inst.values = {Change(kHkeyCurrentUser, component, activesetup::kVersion, before, served)};
    row.since();
    Outcome result;
    UndoInstallations(platform(), {RecordOf(kFolder, {inst})}, &result);
    const RegValue now = Get(kHkeyCurrentUser, component, activesetup::kVersion);
    EXPECT_EQ(now.present, row.after.present);
    EXPECT_TRUE(now.type == row.after.type || !now.present);
    EXPECT_TRUE(now.bytes == row.after.bytes);
    EXPECT_TRUE(result.failed.empty());
  }

  const std::vector<FoundRecord> records = {RecordOf(kFolder, {Installed()})};
  machine.registry.DenyValueRead(kHkeyCurrentUser, kProfileA);
  Outcome unread;
  UndoInstallations(platform(), records, &unread);
  ASSERT_EQ(unread.failed.size(), 1u);
  EXPECT_EQ(unread.failed[0].find("无法读取 "), 0u) << unread.failed[0];
  EXPECT_NE(unread.failed[0].find(kProfileA + "\\TRUSTEDPATHS"), std::string::npos);
}

// The component whose write is refused: one failure for the component, however many of its
// values the installation set, and the refusal named as the system's.
TEST_F(RemovalTest, TellsARefusedSwitchOffOnce) {
  const std::string component = activesetup::kComponentKey;
  Installation inst;
  inst.number = 1;
  for (const char* name : {activesetup::kStubPath, activesetup::kVersion, activesetup::kIsInstalled}) {
    Set(kHkeyLocalMachine, component, name, Dword(1));
    inst.values.push_back(Change(kHkeyLocalMachine, component, name, RegValue(), Dword(1)));
  }
  machine.registry.DenyWrite(kHkeyLocalMachine, component);
  UndoInstallations(platform(), {RecordOf(kFolder, {inst})}, &outcome);
  ASSERT_EQ(outcome.failed.size(), 1u);
  EXPECT_NE(outcome.failed[0].find("\\IsInstalled：拒绝访问"), std::string::npos) << outcome.failed[0];
}

}  // namespace
}  // namespace uninstall
