// Acting through checked handles, held to Windows on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/checked_files.h"
#include "platform/paths.h"
#include "platform/sim/sim_machine.h"
#include "tests/contract/contract_machine.h"
#include "tests/support/hosts.h"
#include "tests/support/test_machine.h"

namespace {

using plat::Reached;
constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
constexpr uint32_t kReadWrite = plat::kFileGenericRead | plat::kFileGenericWrite;

class CheckedContract : public ::testing::Test {
 protected:
  // On C:, whose root Wine shows as Windows does; the Unix root, Wine's Z:, it calls a link.
  void SetUp() override {
    scratch_ = std::string("C:\\vh-") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    machine_->RemoveTree(scratch_);
    ASSERT_TRUE(files().CreateDirectory(scratch_));
  }
  void TearDown() override {
    machine_->RemoveTree(scratch_);
    if (sim::Machine* simulated = machine_->simulated()) {
      EXPECT_EQ(simulated->files.OpenHandles(), 0) << "a handle was left open";
    }
  }
  plat::FileSystem& files() { return machine_->platform().files; }
  plat::CheckedFiles& checked() { return machine_->checked(); }
  std::string Path(const std::string& below) const { return scratch_ + "\\" + below; }
  std::string Content(const std::string& path) {
    std::string content;
    return machine_->ReadFile(path, &content) ? content : "(none)";
  }
  plat::Walked Walk(const std::string& path, uint32_t access = 0, uint32_t share = kShareAll) {
    return plat::WalkFolders(checked(), machine_->platform().text, path, access, share);
  }
  plat::Opened OpenFile(const std::string& below, uint32_t access, uint32_t share = kShareAll) {
    const std::string folder = plat::FolderOf(machine_->platform().text, Path(below));
    return checked().Open(Walk(folder).folder.get(),
                          plat::FileNameOf(machine_->platform().text, below), access, share);
  }

  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
  std::string scratch_;
};

// A link under Wine is a Unix symbolic link, which Wine opens through even when asked not to
// follow it; its attributes of the name still say so, and the walk stops as on Windows.
TEST_F(CheckedContract, WalksPlainFoldersAndStopsAtTheFirstLevelThatIsNot) {
  ASSERT_TRUE(files().CreateDirectory(Path("A")));
  ASSERT_TRUE(files().CreateDirectory(Path("A\\B")));
  machine_->WriteFile(Path("A\\file.txt"), "x");
  ASSERT_TRUE(machine_->MakeFolderLink(Path("A\\Link"), Path("A\\B")));
  const struct {
    const char* below;
    Reached reached;
    size_t level;  // below the scratch folder
  } rows[] = {
      {"A\\B", Reached::kFolder, 2},       {"a\\.\\b\\\\", Reached::kFolder, 2},
      {"A\\Gone\\B", Reached::kMissing, 2}, {"A\\file.txt\\B", Reached::kNotFolder, 2},
      {"A\\file.txt", Reached::kNotFolder, 2}, {"A\\Link", Reached::kLink, 2},
      {"A\\Link\\B", Reached::kLink, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.below);
    plat::Walked walked = Walk(Path(row.below));
    EXPECT_EQ(walked.reached, row.reached);
    EXPECT_EQ(walked.level, 1 + row.level);
    EXPECT_EQ(static_cast<bool>(walked.folder), row.reached == Reached::kFolder);
  }
  // The walk ends in the folder named, and the last level takes the access asked for.
  plat::Walked b = Walk(Path("A\\B"), plat::kFileWriteData);
  const plat::Descriptor mine{plat::kSidAdministrators, {}};
  EXPECT_EQ(checked().Make(b.folder.get(), "made.txt", false, mine, 0, 0).reached, Reached::kFile);
  EXPECT_EQ(Content(Path("A\\B\\made.txt")), "");
  EXPECT_EQ(Walk("c:\\").reached, Reached::kFolder);
  // The caller's check of each level, on its handle, stops the walk where it says no.
  const auto aboveA = [](size_t level, plat::FileHandle) { return level < 2; };
  plat::Walked refused =
      plat::WalkFolders(checked(), machine_->platform().text, Path("A\\B"), 0, 0, aboveA);
  EXPECT_EQ(refused.reached, Reached::kRefused);
  EXPECT_EQ(refused.level, 2u);
}

TEST_F(CheckedContract, OpensAndMakesOneNameBelowAFolderHandle) {
  machine_->WriteFile(Path("old.txt"), "old");
  ASSERT_TRUE(files().CreateDirectory(Path("Sub")));
  ASSERT_TRUE(machine_->MakeFolderLink(Path("Link"), Path("Sub")));
  plat::Walked at = Walk(scratch_, plat::kFileWriteData | plat::kFileAppendData);
  std::string self;
  ASSERT_TRUE(files().RunningAccount(&self));
  const plat::Descriptor given{self, {true, {{self, plat::kFileAllAccess, 3}}}};
  const struct {
    const char* name;
    bool make;
    bool isFolder;
    Reached reached;
  } rows[] = {
      {"old.txt", false, false, Reached::kFile},  {"Sub", false, false, Reached::kFolder},
      {"none", false, false, Reached::kMissing},  {"Link", false, false, Reached::kLink},
      {"new.txt", true, false, Reached::kFile},   {"new.txt", true, false, Reached::kExists},
      {"New", true, true, Reached::kFolder},      {"Sub", true, false, Reached::kExists},
      {"Link", true, true, Reached::kExists},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    plat::Opened opened =
        row.make ? checked().Make(at.folder.get(), row.name, row.isFolder, given,
                                  kReadWrite | plat::kReadControl, 0)
                 : checked().Open(at.folder.get(), row.name, plat::kReadControl, kShareAll);
    EXPECT_EQ(opened.reached, row.reached);
    plat::Descriptor read;
    if (opened.handle) {
      EXPECT_TRUE(checked().ReadSecurity(opened.handle.get(), &read));
    }
    if (row.make && opened.handle && machine_->KeepsAccessLists()) {
      EXPECT_EQ(read, given);
    }
  }
  EXPECT_EQ(files().GetAttributes(Path("New")), plat::kAttrDirectory);

  // Content through the handle, as the file holds it by name.
  plat::Opened file = OpenFile("new.txt", kReadWrite);
  std::string bytes;
  ASSERT_TRUE(checked().Replace(file.handle.get(), std::string("one\0two", 7) + "three"));
  ASSERT_TRUE(checked().Replace(file.handle.get(), "four"));
  file = OpenFile("new.txt", kReadWrite);  // a handle of its own: it starts at the beginning
  ASSERT_TRUE(checked().Append(file.handle.get(), "+five", true));
  ASSERT_TRUE(checked().ReadAll(file.handle.get(), &bytes));
  EXPECT_EQ(bytes, "four+five");
  file.handle.reset();
  EXPECT_EQ(Content(Path("new.txt")), "four+five");
  plat::Opened old = OpenFile("old.txt", plat::kFileGenericRead);
  plat::Opened copy = OpenFile("new.txt", plat::kFileGenericWrite);
  ASSERT_TRUE(plat::CopyContent(checked(), old.handle.get(), copy.handle.get()));
  copy.handle.reset();
  EXPECT_EQ(Content(Path("new.txt")), "old");
}

// What CopyFile does, through the folder's handle: a plain file is written in place, a missing
// one made with what the folder passes on; a read-only or hidden file, a folder, a link or a
// second name stays as it is (Wine's own CopyFile writes over a hidden file; this does not).
TEST_F(CheckedContract, CopiesIntoWhatCopyFileWouldReplace) {
  sim::Machine* simulated = machine_->simulated();
  ASSERT_TRUE(files().CreateDirectory(Path("Sub")));
  ASSERT_TRUE(machine_->MakeFolderLink(Path("Link"), Path("Sub")));
  const struct {
    const char* name;
    uint32_t attributes;  // of the file there before; 0: none
    bool copied;
  } rows[] = {{"plain.shx", plat::kAttrArchive, true}, {"new.shx", 0, true},
              {"ro.shx", plat::kAttrReadOnly, false},  {"hidden.shx", plat::kAttrHidden, false},
              {"Sub", 0, false},                       {"Link", 0, false},
              {"second.shx", 0, false}};  // the simulated machine's hard link
  for (const auto& row : rows) {
    if (row.attributes) {
      machine_->WriteFile(Path(row.name), "before");
      ASSERT_TRUE(files().SetAttributes(Path(row.name), row.attributes));
    }
  }
  if (simulated) {
    machine_->WriteFile(Path("other.ini"), "before");
    ASSERT_TRUE(simulated->files.MakeHardLink(Path("second.shx"), Path("other.ini")));
  }
  plat::Walked at = Walk(scratch_);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (!simulated && row.name == std::string("second.shx")) continue;
    EXPECT_EQ(checked().CopyInto(at.folder.get(), row.name,
                                 {"", "font", plat::kAttrReadOnly | plat::kAttrHidden}),
              row.copied);
    if (row.attributes || row.copied) {
      EXPECT_EQ(Content(Path(row.name)), row.copied ? "font" : "before");
    }
    if (row.copied) {
      EXPECT_EQ(files().GetAttributes(Path(row.name)), plat::kAttrHidden | plat::kAttrArchive);
    }
    files().SetAttributes(Path(row.name), plat::kAttrNormal);
  }
  plat::AccessList made, byName;
  machine_->WriteFile(Path("byname.shx"), "x");
  if (machine_->KeepsAccessLists() && machine_->ReadAccessList(Path("new.shx"), &made) &&
      machine_->ReadAccessList(Path("byname.shx"), &byName)) {
    EXPECT_EQ(made, byName) << "what the folder passes on";
  }
}

TEST_F(CheckedContract, DeletesAndRenamesThroughTheHandle) {
  for (const char* name : {"A\\moved.txt", "A\\kept.txt", "A\\gone.txt", "A\\Full\\in.txt",
                           "A\\locked.txt", "B\\taken.txt"})
    machine_->WriteFile(Path(name), name);
  ASSERT_TRUE(files().CreateDirectory(Path("A\\Empty")));
  ASSERT_TRUE(files().SetAttributes(Path("A\\locked.txt"), plat::kAttrReadOnly));
  plat::Walked b = Walk(Path("B"), plat::kFileWriteData | plat::kFileAppendData);
  const struct {
    const char* name;
    const char* renameTo;  // in B; null: delete
    bool done;
  } rows[] = {
      {"moved.txt", "there.txt", true}, {"kept.txt", "taken.txt", false},
      {"gone.txt", nullptr, true},      {"Empty", nullptr, true},
      {"Full", nullptr, false},         {"locked.txt", nullptr, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    plat::Opened opened = OpenFile(std::string("A\\") + row.name, plat::kDelete);
    ASSERT_TRUE(opened.handle);
    EXPECT_EQ(row.renameTo ? checked().Rename(opened.handle.get(), b.folder.get(), row.renameTo)
                           : checked().Delete(opened.handle.get()),
              row.done);
    opened.handle.reset();
    const std::string path = Path(std::string("A\\") + row.name);
    EXPECT_EQ(files().GetAttributes(path) != plat::kInvalidAttributes, !row.done);
  }
  EXPECT_EQ(Content(Path("B\\there.txt")), "A\\moved.txt");
  EXPECT_EQ(Content(Path("B\\taken.txt")), "B\\taken.txt");
  files().SetAttributes(Path("A\\locked.txt"), plat::kAttrArchive);
}

// What a name can have done to it by others while the program holds a handle that reads it
// and may delete it, by what the handle shares.
TEST_F(CheckedContract, AHandleSharesOnlyWhatItSays) {
  const std::string name = Path("f.txt");
  const std::function<bool()> actions[] = {
      [&] { std::string b; return files().ReadWholeFile(name, &b); },
      [&] { return files().AppendToFile(name, "+", false); },
      [&] { return files().MoveFile(name, Path("g.txt")); },
      [&] { return files().DeleteFile(name); }};
  const struct {
    uint32_t share;
    bool done[4];  // read, append, rename, delete
  } rows[] = {
      {plat::kShareRead, {true, false, false, false}},
      {plat::kShareRead | plat::kShareWrite, {true, true, false, false}},
      {plat::kShareRead | plat::kShareDelete, {true, false, true, true}},
  };
  for (const auto& row : rows) {
    for (int action = 0; action < 4; ++action) {
      SCOPED_TRACE(::testing::Message() << "share " << row.share << ", action " << action);
      machine_->RemoveTree(name);
      machine_->RemoveTree(Path("g.txt"));
      machine_->WriteFile(name, "ours");
      plat::Opened held = OpenFile("f.txt", plat::kFileGenericRead, row.share);
      ASSERT_TRUE(held.handle);
      EXPECT_EQ(actions[action](), row.done[action]);
      // Whatever became of the name, and whatever stands there now, the handle reads its file.
      if (files().GetAttributes(name) == plat::kInvalidAttributes) machine_->WriteFile(name, "x");
      std::string bytes;
      ASSERT_TRUE(checked().ReadAll(held.handle.get(), &bytes));
      EXPECT_EQ(bytes, action == 1 && row.done[1] ? "ours+" : "ours");
    }
  }
}

// Windows keeps the list and passes its inheritable entries below; Wine accepts the call and
// keeps no list (see the files contract).
TEST_F(CheckedContract, SetsTheAccessListThroughTheHandle) {
  machine_->WriteFile(Path("Program\\in.txt"), "x");
  const plat::AccessList list = {
      true, {{plat::kSidAdministrators, plat::kFileAllAccess, 3}, {plat::kSidUsers, 0x1200A9, 3}}};
  plat::Walked program = Walk(Path("Program"), plat::kWriteDac);
  ASSERT_TRUE(checked().SetAccessList(program.folder.get(), list));
  plat::Descriptor read;
  ASSERT_TRUE(checked().ReadSecurity(program.folder.get(), &read));
  plat::AccessList below;
  ASSERT_TRUE(machine_->ReadAccessList(Path("Program\\in.txt"), &below));
  if (!machine_->KeepsAccessLists()) return;
  EXPECT_EQ(read.dacl, list);
  EXPECT_EQ(below.entries.size(), 2u);
  for (const plat::AccessEntry& e : below.entries) EXPECT_EQ(e.flags, plat::kAceInherited);
}

// The running program's file may be renamed, not written or deleted; held through OwnImage, not
// even renamed; and OwnImage takes no other file put at its path.
TEST_F(CheckedContract, HoldsTheRunningProgramsOwnFile) {
  if (machine_->simulated()) {
    machine_->WriteFile(Path("SetUp.exe"), "program");
    machine_->SetModuleFileName(Path("SetUp.exe"));
  }
  std::string self, bytes;
  ASSERT_TRUE(files().ModuleFileName(&self));
  const std::string aside = self + ".aside";
  {
    plat::Opened image = checked().OwnImage();
    ASSERT_EQ(image.reached, Reached::kFile);
    ASSERT_TRUE(checked().ReadAll(image.handle.get(), &bytes));
    EXPECT_EQ(bytes, Content(self));
    EXPECT_FALSE(files().MoveFile(self, aside));
  }
  EXPECT_FALSE(files().WriteWholeFile(self, "theirs"));
  EXPECT_FALSE(files().DeleteFile(self));
  ASSERT_TRUE(files().MoveFile(self, aside));
  machine_->WriteFile(self, "theirs");
  EXPECT_EQ(checked().OwnImage().reached, Reached::kFailed);
  EXPECT_TRUE(files().DeleteFile(self));
  ASSERT_TRUE(files().MoveFile(aside, self));
  EXPECT_EQ(checked().OwnImage().reached, Reached::kFile);
}

// What only the simulated machine can show: an object-manager link reached through a junction,
// a folder swapped for a junction between two calls, and a host on a second drive.
TEST_F(CheckedContract, SimulatedMachineModelsWhatWineCannotMake) {
  sim::Machine* m = machine_->simulated();
  if (!m) GTEST_SKIP() << "Wine makes no junction and has no object-manager links";
  m->files.MakeFolders("C:\\Windows\\System32");
  m->files.WriteFile("C:\\Windows\\System32\\secret.ini", "Windows' own");
  ASSERT_TRUE(m->files.MakeLink(Path("Fonts"), sim::SimFileSystem::kRpcControl));
  ASSERT_TRUE(m->files.MakeObjectLink("Velmar_EN.shx", "C:\\Windows\\System32\\secret.ini"));
  EXPECT_EQ(Content(Path("Fonts\\Velmar_EN.shx")), "Windows' own");
  EXPECT_EQ(Walk(Path("Fonts")).reached, Reached::kLink);

  ASSERT_TRUE(files().CreateDirectory(Path("Drv")));
  m->files.BeforeEachCall([&](const std::string& call, int) {
    if (call != "Open") return;
    m->files.Remove(Path("Drv"));
    m->files.MakeLink(Path("Drv"), "C:\\Windows\\System32");
  });
  EXPECT_EQ(Walk(Path("Drv")).reached, Reached::kLink);
  m->files.BeforeEachCall(nullptr);

  hosts::SeedOnSecondDrive(*m, "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804");
  m->files.SetCaller(sim::Identity::StandardUser());
  const std::string fonts = std::string(hosts::kSecondDrive2020) + "\\Fonts";
  EXPECT_TRUE(files().WriteWholeFile(fonts + "\\theirs.shx", "x"));
  EXPECT_TRUE(files().MoveFile(fonts, fonts + "-old"));
  EXPECT_FALSE(files().WriteWholeFile("D:\\theirs.txt", "x"));
  EXPECT_FALSE(files().WriteWholeFile("C:\\Program Files\\theirs.txt", "x"));
}

}  // namespace
