// The file-system semantics the logic relies on, checked on the simulated and the real one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "tests/contract/contract_machine.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kAttrArchive;
using plat::kAttrDirectory;
using plat::kAttrHidden;
using plat::kAttrReadOnly;

struct Listed {
  std::string name;
  uint32_t attributes;
  bool operator==(const Listed& o) const { return name == o.name && attributes == o.attributes; }
};
std::ostream& operator<<(std::ostream& out, const Listed& e) {
  return out << e.name << ":" << std::hex << e.attributes << std::dec;
}

// Every test works in its own folder below the current directory, so that drive-relative
// paths ("\\folder") reach it too.
class FilesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string current = files().CurrentDirectory();
    ASSERT_GE(current.size(), 3u);
    ASSERT_EQ(current[1], ':');
    if (current.back() != '\\') current += '\\';
    scratch_ = current + "vc-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    machine_->RemoveTree(scratch_);
    ASSERT_TRUE(files().CreateDirectory(scratch_));
  }
  void TearDown() override {
    machine_->RemoveTree(scratch_);
    if (sim::Machine* simulated = machine_->simulated()) {
      EXPECT_EQ(simulated->files.OpenFinds(), 0) << "a search was left open";
    }
  }

  plat::FileSystem& files() { return machine_->platform().files; }
  std::string Path(const std::string& below) const { return scratch_ + "\\" + below; }
  std::string Content(const std::string& path) {
    std::string content;
    return machine_->ReadFile(path, &content) ? content : "<unreadable>";
  }
  std::vector<Listed> List(const std::string& pattern) {
    std::vector<Listed> listed;
    plat::FindEntry entry;
    plat::UniqueFind find(files(), files().FindFirst(pattern, &entry));
    for (bool more = static_cast<bool>(find); more; more = files().FindNext(find.get(), &entry)) {
      listed.push_back({entry.name, entry.attributes});
    }
    return listed;
  }

  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
  std::string scratch_;
};

TEST_F(FilesContract, ListsAFolderInTheFileSystemsOrderWithAttributes) {
  for (const char* name : {"c.txt", "Z.txt", "a2.txt", "_x.txt", "b.txt", "A.txt"}) {
    machine_->WriteFile(Path(std::string("List\\") + name), name);
  }
  // Attributes are set with the archive bit: Wine reports it on every file whatever was set.
  ASSERT_TRUE(files().SetAttributes(Path("List\\b.txt"), kAttrHidden | kAttrArchive));
  ASSERT_TRUE(files().SetAttributes(Path("List\\c.txt"), kAttrReadOnly | kAttrArchive));
  ASSERT_TRUE(files().CreateDirectory(Path("List\\Sub")));
  // Names compare after upper-casing: '_' (0x5F) sorts after the letters.
  const std::vector<Listed> expected = {
      {".", kAttrDirectory},      {"..", kAttrDirectory},
      {"A.txt", kAttrArchive},    {"a2.txt", kAttrArchive},
      {"b.txt", kAttrHidden | kAttrArchive},   {"c.txt", kAttrReadOnly | kAttrArchive},
      {"Sub", kAttrDirectory},    {"Z.txt", kAttrArchive},
      {"_x.txt", kAttrArchive},
  };
  EXPECT_EQ(List(Path("List\\*.*")), expected);
  EXPECT_EQ(List(Path("list\\*")), expected);
  EXPECT_EQ(List(Path("Missing\\*.*")), std::vector<Listed>{});
}

// A FAT32 or exFAT stick, and many network shares, list in creation order; NTFS sorts. Wine
// sorts every listing whatever lies below it (the row above holds there), so only the
// simulated machine has such a volume, for the logic that must keep the listing's order.
TEST_F(FilesContract, CreationOrderVolumeListsEntriesAsTheyWereMade) {
  sim::Machine* simulated = machine_->simulated();
  if (!simulated) GTEST_SKIP() << "Wine lists every folder sorted; no creation-order volume";
  simulated->files.AddDrive('F', sim::SimFileSystem::ListingOrder::Creation);
  for (const char* name : {"zeta.txt", "Alpha.txt", "_x.txt", "mid.txt"})
    machine_->WriteFile(std::string("F:\\Stick\\") + name, name);
  machine_->WriteFile("F:\\b.txt", "b");
  machine_->WriteFile("F:\\a.txt", "a");
  ASSERT_TRUE(files().CreateDirectory("F:\\Stick\\Sub"));
  // Replacing a file keeps its entry where it was.
  ASSERT_TRUE(files().CopyFile("F:\\a.txt", "F:\\Stick\\zeta.txt", false));
  EXPECT_EQ(List("F:\\Stick\\*.*"), (std::vector<Listed>{{".", kAttrDirectory},
                                                       {"..", kAttrDirectory},
                                                       {"zeta.txt", kAttrArchive},
                                                       {"Alpha.txt", kAttrArchive},
                                                       {"_x.txt", kAttrArchive},
                                                       {"mid.txt", kAttrArchive},
                                                       {"Sub", kAttrDirectory}}));
  EXPECT_EQ(List("F:\\*.*"), (std::vector<Listed>{{"Stick", kAttrDirectory},
                                                 {"b.txt", kAttrArchive},
                                                 {"a.txt", kAttrArchive}}));
  EXPECT_EQ(Content("F:\\Stick\\zeta.txt"), "a");
}

TEST_F(FilesContract, FindsOnePathWithoutWildcard) {
  machine_->WriteFile(Path("Data\\A.txt"), "a");
  ASSERT_TRUE(files().CreateDirectory(Path("Data\\Sub")));
  struct Case {
    const char* path;
    std::vector<Listed> found;
  };
  const Case cases[] = {
      {"Data\\A.txt", {{"A.txt", kAttrArchive}}},
      {"DATA\\a.TXT", {{"A.txt", kAttrArchive}}},
      {"Data\\Sub", {{"Sub", kAttrDirectory}}},
      {"Data", {{"Data", kAttrDirectory}}},
      {"Data\\Missing", {}},
      {"Missing\\A.txt", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(List(Path(c.path)), c.found);
  }
}

TEST_F(FilesContract, CreatesOneDirectoryLevel) {
  machine_->WriteFile(Path("File"), "x");
  struct Case {
    const char* path;
    bool created;
  };
  const Case steps[] = {
      {"One", true},       {"One", false},          {"ONE", false},
      {"Two\\Deep", false}, {"One\\Deeper", true},  {"File", false},
      {"淺\\", true},      {"淺\\Below", true},
  };
  for (const Case& step : steps) {
    SCOPED_TRACE(step.path);
    EXPECT_EQ(files().CreateDirectory(Path(step.path)), step.created);
  }
  EXPECT_EQ(files().GetAttributes(Path("one\\deeper")), kAttrDirectory);
  EXPECT_EQ(files().GetAttributes(Path("Two")), plat::kInvalidAttributes);
  EXPECT_EQ(files().GetAttributes(Path("淺\\Below")), kAttrDirectory);
}

TEST_F(FilesContract, CopiesOverFilesTheWayWindowsDoes) {
  // Windows refuses to copy over a read-only or a hidden file (CopyFile's documented access
  // denied). Wine 8 does not check hidden at all, and keeps read-only as cleared Unix write
  // bits, through which the Unix superuser writes anyway: there the copy goes through.
  const bool wine = contract::UnderWine();
  const bool wineRoot = contract::UnderWineAsUnixRoot();
  struct Case {
    const char* label;
    uint32_t sourceAttributes;
    bool destinationExists;
    uint32_t destinationAttributes;
    bool failIfExists;
    bool copied;
    uint32_t attributesAfter;  // of the destination, when copied
  };
  const Case cases[] = {
      {"new file", kAttrArchive, false, 0, false, true, kAttrArchive},
      {"replaces a file", kAttrArchive, true, kAttrArchive, false, true, kAttrArchive},
      {"fail if exists", kAttrArchive, true, kAttrArchive, true, false, 0},
      {"read-only source", kAttrReadOnly | kAttrArchive, false, 0, false, true,
       kAttrReadOnly | kAttrArchive},
      {"read-only destination", kAttrArchive, true, kAttrReadOnly | kAttrArchive, false, wineRoot,
       kAttrReadOnly | kAttrArchive},
      {"hidden destination", kAttrArchive, true, kAttrHidden | kAttrArchive, false, wine,
       kAttrHidden | kAttrArchive},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string from = Path("from.txt"), to = Path("to.txt");
    machine_->RemoveTree(from);
    machine_->RemoveTree(to);
    machine_->WriteFile(from, "new content");
    ASSERT_TRUE(files().SetAttributes(from, c.sourceAttributes));
    if (c.destinationExists) {
      machine_->WriteFile(to, "old");
      ASSERT_TRUE(files().SetAttributes(to, c.destinationAttributes));
    }
    EXPECT_EQ(files().CopyFile(from, to, c.failIfExists), c.copied);
    if (c.copied) {
      EXPECT_EQ(Content(to), "new content");
      EXPECT_EQ(files().GetAttributes(to), c.attributesAfter);
    } else if (c.destinationExists) {
      EXPECT_EQ(Content(to), "old");
    }
    EXPECT_EQ(Content(from), "new content");
    files().SetAttributes(from, kAttrArchive);
    files().SetAttributes(to, kAttrArchive);
  }
}

TEST_F(FilesContract, RefusesToCopyIntoAMissingFolderOrFromAMissingFile) {
  machine_->WriteFile(Path("from.txt"), "x");
  EXPECT_FALSE(files().CopyFile(Path("from.txt"), Path("Missing\\to.txt"), false));
  EXPECT_FALSE(files().CopyFile(Path("absent.txt"), Path("to.txt"), false));
  EXPECT_EQ(files().GetAttributes(Path("to.txt")), plat::kInvalidAttributes);
  EXPECT_EQ(files().GetAttributes(Path("Missing")), plat::kInvalidAttributes);
}

TEST_F(FilesContract, ResolvesDriveRelativePathsAgainstTheCurrentDrive) {
  const std::string driveRelative = scratch_.substr(2);  // "\\...\\vc-Name"
  ASSERT_EQ(driveRelative[0], '\\');
  EXPECT_TRUE(files().CreateDirectory(driveRelative + "\\Velmar批打印软件"));
  EXPECT_EQ(files().GetAttributes(Path("Velmar批打印软件")), kAttrDirectory);
  machine_->WriteFile(Path("from.txt"), "x");
  EXPECT_TRUE(files().CopyFile(driveRelative + "\\from.txt",
                               driveRelative + "\\Velmar批打印软件\\to.txt", false));
  EXPECT_EQ(Content(Path("Velmar批打印软件\\to.txt")), "x");
  EXPECT_EQ(files().GetAttributes("\\") & kAttrDirectory, kAttrDirectory);
}

TEST_F(FilesContract, ReadsEnvironmentVariablesWhole) {
  const std::string longValue = "C:\\" + std::string(600, 'p') + "\\淺";
  contract::SetEnvironment(*machine_, "VELMAR_CONTRACT_LONG", longValue);
  std::string value;
  ASSERT_TRUE(files().GetEnvironmentVariable("velmar_contract_long", &value));
  EXPECT_EQ(value, longValue);
  EXPECT_FALSE(files().GetEnvironmentVariable("VELMAR_CONTRACT_UNSET", &value));

  std::string appData, shell;
  ASSERT_TRUE(files().GetEnvironmentVariable("APPDATA", &appData));
  ASSERT_TRUE(files().ShellAppDataFolder(&shell));
  EXPECT_EQ(appData, shell);
  EXPECT_EQ(files().GetAttributes(shell), kAttrDirectory);
}

TEST_F(FilesContract, WritesReadsAndRemovesFilesAndFolders) {
  const std::string bytes = std::string("record\r\n\0\xFF", 10) + std::string(5000, 'x');
  ASSERT_TRUE(files().WriteWholeFile(Path("淺.txt"), bytes));
  std::string read;
  ASSERT_TRUE(files().ReadWholeFile(Path("淺.txt"), &read));
  EXPECT_EQ(read, bytes);
  ASSERT_TRUE(files().WriteWholeFile(Path("淺.txt"), "short"));
  ASSERT_TRUE(files().ReadWholeFile(Path("淺.txt"), &read));
  EXPECT_EQ(read, "short");
  ASSERT_TRUE(files().WriteWholeFile(Path("empty.txt"), ""));
  ASSERT_TRUE(files().ReadWholeFile(Path("empty.txt"), &read));
  EXPECT_EQ(read, "");
  EXPECT_FALSE(files().ReadWholeFile(Path("absent.txt"), &read));
  EXPECT_FALSE(files().WriteWholeFile(Path("Missing\\new.txt"), "x"));

  // The listing tells each file's size.
  plat::FindEntry entry;
  plat::UniqueFind find(files(), files().FindFirst(Path("淺.txt"), &entry));
  ASSERT_TRUE(find);
  EXPECT_EQ(entry.size, 5u);
  find.reset();

  // A folder goes only when it is empty.
  ASSERT_TRUE(files().CreateDirectory(Path("Folder")));
  ASSERT_TRUE(files().WriteWholeFile(Path("Folder\\inside.txt"), "x"));
  EXPECT_FALSE(files().RemoveDirectory(Path("Folder")));
  EXPECT_FALSE(files().DeleteFile(Path("Folder")));
  EXPECT_TRUE(files().DeleteFile(Path("Folder\\inside.txt")));
  EXPECT_FALSE(files().DeleteFile(Path("Folder\\inside.txt")));
  EXPECT_TRUE(files().RemoveDirectory(Path("Folder")));
  EXPECT_EQ(files().GetAttributes(Path("Folder")), plat::kInvalidAttributes);
  EXPECT_FALSE(files().RemoveDirectory(Path("Folder")));
}

// A path reaches the file the system resolves it to, however it is spelled: the host folders
// of an AutoCAD whose location ends in a backslash or a dot are such paths.
TEST_F(FilesContract, ResolvesPathsAsTheSystemDoes) {
  ASSERT_TRUE(files().CreateDirectory(Path("Fonts")));
  machine_->WriteFile(Path("from.shx"), "font");
  for (const std::string& spelling :
       {scratch_ + "\\\\Fonts\\a.shx", scratch_ + "\\Fonts.\\a.shx", scratch_ + "/Fonts/a.shx",
        scratch_ + "\\Fonts\\a.shx. .", scratch_ + "\\.\\Fonts\\x\\..\\a.shx"}) {
    machine_->RemoveTree(Path("Fonts\\a.shx"));
    EXPECT_TRUE(files().CopyFile(Path("from.shx"), spelling, false)) << spelling;
    EXPECT_EQ(Content(Path("Fonts\\a.shx")), "font") << spelling;
    EXPECT_EQ(files().GetAttributes(spelling) & kAttrArchive, kAttrArchive) << spelling;
  }
  // Only the last name loses its blanks; a folder name that keeps one is another folder.
  EXPECT_FALSE(files().CopyFile(Path("from.shx"), Path("Fonts \\a.shx"), false));
}

// The record of an installation grows one entry at a time, and a stopped run's cut-off end
// is cut away.
TEST_F(FilesContract, AppendsToAFileAndCutsItShort) {
  const std::string record = Path("淺.txt");
  ASSERT_TRUE(files().AppendToFile(record, "one\r\n", true));
  ASSERT_TRUE(files().AppendToFile(record, std::string("tw\0o\r\n", 6), true));
  EXPECT_EQ(Content(record), std::string("one\r\ntw\0o\r\n", 11));
  EXPECT_FALSE(files().CutFile(record, 12));
  EXPECT_TRUE(files().CutFile(record, 5));
  EXPECT_EQ(Content(record), "one\r\n");
  EXPECT_TRUE(files().CutFile(record, 5));
  EXPECT_FALSE(files().CutFile(Path("absent.txt"), 0));
  EXPECT_FALSE(files().AppendToFile(Path("Missing\\new.txt"), "x", true));
  // Windows refuses a read-only file; Wine, run by the Unix superuser, writes through its
  // cleared write bits (as with WriteWholeFile).
  const bool wineRoot = contract::UnderWineAsUnixRoot();
  ASSERT_TRUE(files().SetAttributes(record, kAttrReadOnly));
  EXPECT_EQ(files().AppendToFile(record, "three", false), wineRoot);
  EXPECT_EQ(Content(record), wineRoot ? "one\r\nthree" : "one\r\n");
  EXPECT_EQ(files().CutFile(record, 5), wineRoot);
  EXPECT_EQ(Content(record), "one\r\n");
  ASSERT_TRUE(files().SetAttributes(record, kAttrArchive));
}

// The temporary folder is where a program puts what may go; what cannot go at once (the
// running program itself) is left for the next start of the machine.
TEST_F(FilesContract, GivesATemporaryFolderAndDeletesAtRestart) {
  std::string temp;
  ASSERT_TRUE(files().TempFolder(&temp));
  ASSERT_GE(temp.size(), 4u);
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_NE(files().GetAttributes(temp.substr(0, temp.size() - 1)) & kAttrDirectory, 0u);
  machine_->WriteFile(Path("later.txt"), "x");
  EXPECT_TRUE(files().DeleteAtRestart(Path("later.txt")));
  EXPECT_EQ(Content(Path("later.txt")), "x");

  // Outside SYSTEM's own folder, TMP decides, and the answer ends with a backslash.
  std::string tmp;
  const bool hadTmp = files().GetEnvironmentVariable("TMP", &tmp);
  for (const std::string& value : {scratch_, scratch_ + "\\"}) {
    contract::SetEnvironment(*machine_, "TMP", value);
    ASSERT_TRUE(files().TempFolder(&temp));
    EXPECT_EQ(temp, scratch_ + "\\") << value;
  }
  if (hadTmp) {
    contract::SetEnvironment(*machine_, "TMP", tmp);
  } else {
    contract::UnsetEnvironment(*machine_, "TMP");
  }
}

// A log grows run by run: what is there stays, a missing file is made; a folder, a missing
// folder and a read-only file refuse. A hidden file is opened, not replaced, and takes it.
TEST_F(FilesContract, AppendsToAFile) {
  const std::string log = Path("淺.log");
  ASSERT_TRUE(files().AppendToFile(log, "first\r\n", true));
  ASSERT_TRUE(files().AppendToFile(log, std::string("second\0\xFF", 8), true));
  ASSERT_TRUE(files().AppendToFile(log, "", true));
  EXPECT_EQ(Content(log), std::string("first\r\nsecond\0\xFF", 15));
  EXPECT_FALSE(files().AppendToFile(Path("Missing\\run.log"), "x", true));
  ASSERT_TRUE(files().CreateDirectory(Path("Folder")));
  EXPECT_FALSE(files().AppendToFile(Path("Folder"), "x", true));

  machine_->WriteFile(Path("hidden.log"), "a");
  ASSERT_TRUE(files().SetAttributes(Path("hidden.log"), kAttrHidden));
  EXPECT_TRUE(files().AppendToFile(Path("hidden.log"), "b", true));
  EXPECT_EQ(Content(Path("hidden.log")), "ab");

  // The Unix superuser writes through cleared write bits, which is all Wine makes of it.
  const bool wineRoot = contract::UnderWineAsUnixRoot();
  machine_->WriteFile(Path("kept.log"), "a");
  ASSERT_TRUE(files().SetAttributes(Path("kept.log"), kAttrReadOnly));
  EXPECT_EQ(files().AppendToFile(Path("kept.log"), "b", false), wineRoot);
  EXPECT_EQ(Content(Path("kept.log")), wineRoot ? "ab" : "a");
}

// A file appended to only as its caller agrees: the call reports what it opened, from the
// open file, and writes nothing when the caller does not agree.
TEST_F(FilesContract, AppendsAsTheCallerAgreesToWhatItOpened) {
  std::vector<plat::OpenedFile> seen;
  const auto agree = [&](bool answer) {
    return [&seen, answer](const plat::OpenedFile& opened) {
      seen.push_back(opened);
      return answer;
    };
  };
  std::string account;
  ASSERT_TRUE(files().RunningAccount(&account));
  const std::string log = Path("淺.log");
  ASSERT_TRUE(files().AppendToFileIf(log, "first\r\n", agree(true)));
  ASSERT_TRUE(files().AppendToFileIf(log, "second", agree(true)));
  EXPECT_FALSE(files().AppendToFileIf(log, "refused", agree(false)));
  EXPECT_EQ(Content(log), "first\r\nsecond");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[0].made);
  EXPECT_FALSE(seen[1].made);
  for (const plat::OpenedFile& opened : seen) {
    EXPECT_EQ(opened.links, 1u);
    EXPECT_EQ(opened.attributes & (kAttrDirectory | plat::kAttrReparsePoint), 0u);
    EXPECT_EQ(opened.owner.compare(0, 4, "S-1-"), 0) << opened.owner;
  }

  // A second name of the file: both count two.
  ASSERT_TRUE(contract::MakeHardLink(*machine_, Path("second name.log"), log));
  seen.clear();
  EXPECT_FALSE(files().AppendToFileIf(Path("second name.log"), "x", agree(false)));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].links, 2u);
  EXPECT_EQ(Content(log), "first\r\nsecond");

  // A folder, or a missing folder, is never offered.
  seen.clear();
  ASSERT_TRUE(files().CreateDirectory(Path("Folder.log")));
  EXPECT_FALSE(files().AppendToFileIf(Path("Folder.log"), "x", agree(true)));
  EXPECT_FALSE(files().AppendToFileIf(Path("Missing\\run.log"), "x", agree(true)));
  EXPECT_TRUE(seen.empty());
}

TEST_F(FilesContract, KeepsReadOnlyAndHiddenFilesFromBeingReplacedOrDeleted) {
  // Windows refuses to delete a read-only file and to replace a read-only, hidden or system
  // one through CREATE_ALWAYS. Wine keeps read-only as cleared Unix write bits, through which
  // the Unix superuser writes anyway (its delete checks the attribute itself); it does not
  // check hidden at all.
  const bool wineRoot = contract::UnderWineAsUnixRoot();
  struct Case {
    const char* label;
    uint32_t attributes;
    bool replaced;
    bool deleted;
  };
  const Case cases[] = {
      {"plain", kAttrArchive, true, true},
      {"read-only", kAttrReadOnly | kAttrArchive, wineRoot, false},
      {"hidden", kAttrHidden | kAttrArchive, contract::UnderWine(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = Path("kept.txt");
    machine_->RemoveTree(path);
    machine_->WriteFile(path, "old");
    ASSERT_TRUE(files().SetAttributes(path, c.attributes));
    EXPECT_EQ(files().WriteWholeFile(path, "new"), c.replaced);
    EXPECT_EQ(Content(path), c.replaced ? "new" : "old");
    EXPECT_EQ(files().DeleteFile(path), c.deleted);
    EXPECT_EQ(files().GetAttributes(path) == plat::kInvalidAttributes, c.deleted);
  }
}

TEST_F(FilesContract, KeepsAnAccessListAndPassesItOnBelow) {
  // Windows keeps the list and propagates its inheritable entries to what is already below
  // the folder and to what is made there later, marked inherited. Wine 8 accepts the call but
  // keeps no list: it answers every file's list from the Unix mode bits (unprotected, and none
  // of the groups given), so the adapter's arguments are checked in the Win32 access tests.
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  const plat::AccessList program = {true,
                                    {{"S-1-5-18", plat::kFileAllAccess, kBelow},
                                     {"S-1-5-32-544", plat::kFileAllAccess, kBelow},
                                     {"S-1-5-32-545", plat::kFileReadExecute, kBelow}}};
  plat::AccessList inFile = program, inFolder = program;
  inFile.isProtected = inFolder.isProtected = false;
  for (plat::AccessEntry& e : inFile.entries) e.flags = plat::kAceInherited;
  for (plat::AccessEntry& e : inFolder.entries) e.flags = kBelow | plat::kAceInherited;

  EXPECT_FALSE(files().SetAccessList(Path("Missing"), program));
  ASSERT_TRUE(files().CreateDirectory(Path("Program")));
  machine_->WriteFile(Path("Program\\before.txt"), "before");
  ASSERT_TRUE(files().SetAccessList(Path("Program"), program));
  machine_->WriteFile(Path("Program\\after.txt"), "after");
  ASSERT_TRUE(files().CopyFile(Path("Program\\after.txt"), Path("Program\\copied.txt"), false));
  ASSERT_TRUE(files().CreateDirectory(Path("Program\\Sub")));

  struct Case {
    const char* below;
    const plat::AccessList& windows;
  };
  const Case cases[] = {{"Program", program},
                        {"Program\\before.txt", inFile},
                        {"Program\\after.txt", inFile},
                        {"Program\\copied.txt", inFile},
                        {"Program\\Sub", inFolder}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.below);
    plat::AccessList list;
    ASSERT_TRUE(machine_->ReadAccessList(Path(c.below), &list));
    if (machine_->KeepsAccessLists()) {
      EXPECT_EQ(list, c.windows);
    } else {
      EXPECT_FALSE(list.isProtected);
      for (const plat::AccessEntry& e : list.entries) EXPECT_NE(e.sid, "S-1-5-32-545");
    }
  }
}

// A folder made with its descriptor in the create call. Windows keeps the owner and list
// given. Wine keeps no list: it makes the folder with the Unix mode the list comes to (here
// 0750) and answers the owner and list of any folder from that mode: the running account as
// owner, SYSTEM and that account with full control, and everyone reading when the mode lets
// others read.
TEST_F(FilesContract, MakesAFolderWithTheDescriptorGivenAndReadsItBack) {
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  const plat::Descriptor program = {plat::kSidAdministrators,
                                    {true,
                                     {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                                      {plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                                      {plat::kSidUsers, plat::kFileReadExecute, kBelow}}}};
  std::string self;
  ASSERT_TRUE(files().RunningAccount(&self));
  EXPECT_EQ(self.compare(0, 6, "S-1-5-"), 0) << self;

  EXPECT_TRUE(files().CreateDirectoryWith(Path("Program"), program));
  EXPECT_FALSE(files().CreateDirectoryWith(Path("Program"), program));
  EXPECT_FALSE(files().CreateDirectoryWith(Path("Missing\\Deeper"), program));
  EXPECT_EQ(files().GetAttributes(Path("Missing")), plat::kInvalidAttributes);
  ASSERT_TRUE(files().CreateDirectory(Path("Plain")));

  plat::Descriptor made, plain;
  ASSERT_TRUE(files().ReadSecurity(Path("Program"), &made));
  ASSERT_TRUE(files().ReadSecurity(Path("Plain"), &plain));
  EXPECT_FALSE(files().ReadSecurity(Path("Missing"), &plain));
  if (machine_->KeepsAccessLists()) {
    EXPECT_EQ(made, program);
    // An elevated administrator's folders belong to Administrators.
    EXPECT_EQ(plain.owner, plat::kSidAdministrators);
    EXPECT_FALSE(plain.dacl.isProtected);
  } else {
    const plat::AccessEntry system{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow};
    const plat::AccessEntry owner{self, plat::kFileAllAccess, kBelow};
    const plat::AccessEntry everyone{plat::kSidEveryone, plat::kFileReadExecute, kBelow};
    EXPECT_EQ(made, (plat::Descriptor{self, {false, {system, owner}}}));
    EXPECT_EQ(plain, (plat::Descriptor{self, {false, {system, owner, everyone}}}));
  }
}

TEST_F(FilesContract, RenamesAFolderOrFileWhereItIs) {
  machine_->WriteFile(Path("Old\\in.txt"), "x");
  ASSERT_TRUE(files().CreateDirectory(Path("Taken")));
  EXPECT_TRUE(files().MoveFile(Path("Old"), Path("New")));
  EXPECT_EQ(files().GetAttributes(Path("Old")), plat::kInvalidAttributes);
  EXPECT_EQ(Content(Path("New\\in.txt")), "x");
  EXPECT_FALSE(files().MoveFile(Path("New"), Path("Taken")));
  EXPECT_FALSE(files().MoveFile(Path("Gone"), Path("Other")));
  EXPECT_TRUE(files().MoveFile(Path("New\\in.txt"), Path("New\\out.txt")));
  EXPECT_EQ(Content(Path("New\\out.txt")), "x");
  EXPECT_EQ(files().GetAttributes(Path("Taken")), kAttrDirectory);
}

TEST_F(FilesContract, GivesADifferentRandomNumberEachTime) {
  uint64_t a = 0, b = 0;
  ASSERT_TRUE(files().RandomNumber(&a));
  ASSERT_TRUE(files().RandomNumber(&b));
  EXPECT_NE(a, b);
}

}  // namespace
