// The recorders: every call reaches the machine unchanged, and the observer hears exactly what
// was written, with the state before and after. On the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "journal/recording_platform.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kErrorSuccess;
using plat::kHkeyCurrentUser;
using plat::UniqueKey;

// Every event as one line of text, so that a test compares the whole story at once.
class Transcript : public journal::Observer {
 public:
  explicit Transcript(TestMachine* machine = nullptr) : machine_(machine) {}
  void FolderMade(const std::string& path) override { lines.push_back("made " + path); }
  void FolderRemoved(const std::string& path) override { lines.push_back("removed " + path); }
  void BeforeCopy(const std::string&, const std::string& destination) override {
    std::string content;
    if (machine_ && machine_->ReadFile(destination, &content))
      lines.push_back("replacing " + destination + " (" + content + ")");
  }
  // Each value as foreseen ahead of its write; told only when the write left another.
  void BeforeValue(const journal::KeyRef&, const std::string&, const journal::ValueState&,
                   const journal::ValueState& after) override {
    foreseen_ = after;
  }
  void FileCopied(const std::string& source, const std::string& destination,
                  uint64_t bytes) override {
    lines.push_back("copied " + source + " -> " + destination + " " + std::to_string(bytes));
  }
  void FileWritten(const std::string& path, uint64_t bytes) override {
    lines.push_back("wrote " + path + " " + std::to_string(bytes));
  }
  void FileDeleted(const std::string& path) override { lines.push_back("deleted " + path); }
  void KeyCreated(const journal::KeyRef& key) override {
    lines.push_back("created " + journal::KeyText(key));
  }
  void KeyDeleted(const journal::KeyRef& key) override {
    lines.push_back("deleted " + journal::KeyText(key));
  }
  void ValueWritten(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before, const journal::ValueState& after) override {
    lines.push_back("set " + journal::KeyText(key) + "\\" + name + " " + State(before) + " -> " +
                    State(after));
    if (foreseen_.present != after.present || foreseen_.type != after.type ||
        foreseen_.bytes != after.bytes)
      lines.push_back("foreseen " + State(foreseen_));
  }
  void ValueDeleted(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before) override {
    lines.push_back("unset " + journal::KeyText(key) + "\\" + name + " " + State(before));
  }
  void CallFailed(const std::string& what, long error) override {
    lines.push_back("failed " + what + " " + std::to_string(error));
  }

  // "none", or "type:bytes" with each UTF-16 unit of a text shown as its character when it is
  // ASCII and as #hex otherwise.
  static std::string State(const journal::ValueState& state) {
    if (!state.present) return "none";
    std::string out = std::to_string(state.type) + ":";
    if (state.type == plat::kRegDword) return out + std::to_string(state.bytes[0]);
    for (std::size_t i = 0; i + 1 < state.bytes.size(); i += 2) {
      const unsigned unit = static_cast<unsigned char>(state.bytes[i]) |
                            static_cast<unsigned char>(state.bytes[i + 1]) << 8;
      if (unit >= 0x20 && unit < 0x7F) {
        out += static_cast<char>(unit);
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%x", unit);
        out += hex;
      }
    }
    return out;
  }

  std::vector<std::string> lines;

 private:
  TestMachine* machine_;
  journal::ValueState foreseen_;
};

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    regtest::DeleteTree(base().registry, kHkeyCurrentUser, kScratch);
    machine_->RemoveTree(kFolder);
  }
  void TearDown() override {
    regtest::DeleteTree(base().registry, kHkeyCurrentUser, kScratch);
    machine_->RemoveTree(kFolder);
    if (sim::Machine* simulated = machine_->simulated()) {
      EXPECT_EQ(simulated->registry.OpenHandles(), 0) << "a handle was left open";
      EXPECT_EQ(simulated->files.OpenFinds(), 0) << "a search was left open";
    }
  }
  plat::Platform& base() { return machine_->platform(); }
  plat::Registry& reg() { return recording_.platform().registry; }
  plat::FileSystem& files() { return recording_.platform().files; }

  static constexpr const char* kScratch = "Software\\VelmarJournal";
  static constexpr const char* kFolder = "C:\\VelmarJournal";
  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
  Transcript transcript_{machine_.get()};
  journal::RecordingPlatform recording_{machine_->platform(), transcript_};
};

TEST_F(JournalTest, TellsTheLevelsACreateMakesAndEachValueBeforeAndAfter) {
  regtest::SetString(base().registry, kHkeyCurrentUser, "Software\\VelmarJournal\\Old", "Kept",
                     "x");
  UniqueKey scratch(reg());
  ASSERT_EQ(reg().OpenKey(kHkeyCurrentUser, "Software\\VelmarJournal\\", scratch.put()),
            kErrorSuccess);
  {
    // 淺 ends in the byte of a backslash: still one level.
    UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(scratch.get(), "old\\淺\\Variables", key.put()), kErrorSuccess);
    const char text[] = "C:\\VELMAR";
    EXPECT_EQ(reg().SetValue(key.get(), "TRUSTEDPATHS", plat::kRegSz, text, 9), kErrorSuccess);
    const char16_t wide[] = u"D:\\Ł;C:\\VELMAR";
    EXPECT_EQ(reg().SetValueW(key.get(), u"TRUSTEDPATHS", plat::kRegSz, wide, 28), kErrorSuccess);
    const uint32_t two = 2;
    EXPECT_EQ(reg().SetValue(key.get(), "LOADCTRLS", plat::kRegDword, &two, 4), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(key.get(), "LOADCTRLS"), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(key.get(), "LOADCTRLS"), plat::kErrorFileNotFound);
  }
  UniqueKey again(reg());
  EXPECT_EQ(reg().CreateKey(scratch.get(), "Old\\淺\\Variables", again.put()), kErrorSuccess);
  EXPECT_EQ(reg().CreateKey(scratch.get(), "New\\", again.put()), kErrorSuccess);
  UniqueKey below(reg());
  EXPECT_EQ(reg().CreateKey(again.get(), "淺", below.put()), kErrorSuccess);
  below.reset();
  EXPECT_EQ(reg().DeleteValue(scratch.get(), "Kept"), plat::kErrorFileNotFound);
  // The narrow calls refuse a path of more than 260 characters.
  EXPECT_EQ(reg().CreateKey(scratch.get(), std::string(300, 'k'), again.put()),
            plat::kErrorMoreData);
  again.reset();
  UniqueKey readOnly(reg());
  ASSERT_EQ(reg().OpenKeyRead(scratch.get(), "Old", readOnly.put()), kErrorSuccess);
  EXPECT_EQ(reg().DeleteValue(readOnly.get(), "Kept"), plat::kErrorAccessDenied);
  readOnly.reset();
  EXPECT_EQ(reg().DeleteKey(scratch.get(), "Old\\淺\\Variables\\"), kErrorSuccess);
  EXPECT_EQ(reg().DeleteKey(scratch.get(), "Old\\Missing"), plat::kErrorFileNotFound);
  EXPECT_EQ(reg().DeleteKey(scratch.get(), "Old"), plat::kErrorAccessDenied);

  const std::string at = "HKCU\\Software\\VelmarJournal\\old\\淺";
  const std::vector<std::string> expected = {
      "created " + at,
      "created " + at + "\\Variables",
      "set " + at + "\\Variables\\TRUSTEDPATHS none -> 1:C:\\VELMAR#0",
      "set " + at + "\\Variables\\TRUSTEDPATHS 1:C:\\VELMAR#0 -> 1:D:\\#141;C:\\VELMAR#0",
      "set " + at + "\\Variables\\LOADCTRLS none -> 4:2",
      "unset " + at + "\\Variables\\LOADCTRLS 4:2",
      "created HKCU\\Software\\VelmarJournal\\New",
      "created HKCU\\Software\\VelmarJournal\\New\\淺",
      "failed create HKCU\\Software\\VelmarJournal\\" + std::string(300, 'k') + " 234",
      "failed delete HKCU\\Software\\VelmarJournal\\Old\\Kept 5",
      "deleted HKCU\\Software\\VelmarJournal\\Old\\淺\\Variables",
      "failed delete HKCU\\Software\\VelmarJournal\\Old 5",
  };
  EXPECT_EQ(transcript_.lines, expected);
}

TEST_F(JournalTest, TellsWritesThatFailAndChangesNothingOfTheirResults) {
  regtest::CreatePath(base().registry, kHkeyCurrentUser, "Software\\VelmarJournal\\Read");
  UniqueKey readOnly(reg());
  ASSERT_EQ(reg().OpenKeyRead(kHkeyCurrentUser, "Software\\VelmarJournal\\Read", readOnly.put()),
            kErrorSuccess);
  EXPECT_EQ(reg().SetValue(readOnly.get(), "LOADER", plat::kRegSz, "x", 1),
            plat::kErrorAccessDenied);
  UniqueKey missing(reg());
  EXPECT_EQ(reg().OpenKeyRead(kHkeyCurrentUser, "Software\\VelmarJournal\\Nope", missing.put()),
            plat::kErrorFileNotFound);
  EXPECT_FALSE(missing);
  EXPECT_EQ(transcript_.lines,
            std::vector<std::string>{"failed set HKCU\\Software\\VelmarJournal\\Read\\LOADER 5"});
}

TEST_F(JournalTest, TellsFoldersAndFilesAndWhatACopyIsAboutToReplace) {
  ASSERT_TRUE(base().files.CreateDirectory(kFolder));
  machine_->WriteFile("C:\\VelmarJournal\\Data\\Velmar_EN.shx", "new font");
  machine_->WriteFile("C:\\VelmarJournal\\Fonts\\Velmar_EN.shx", "host's own");
  EXPECT_TRUE(files().CreateDirectory("C:\\VelmarJournal\\淺"));
  EXPECT_FALSE(files().CreateDirectory("C:\\VelmarJournal\\淺"));  // exists: no failure to tell
  EXPECT_FALSE(files().CreateDirectory("C:\\VelmarJournal\\No\\Level"));
  EXPECT_TRUE(files().CopyFile("C:\\VelmarJournal\\Data\\Velmar_EN.shx",
                               "C:\\VelmarJournal\\Fonts\\Velmar_EN.shx", false));
  EXPECT_TRUE(files().CopyFile("C:\\VelmarJournal\\Data\\Velmar_EN.shx",
                               "C:\\VelmarJournal\\淺\\Velmar_EN.shx", false));
  EXPECT_FALSE(files().CopyFile("C:\\VelmarJournal\\Data\\Absent.shx",
                                "C:\\VelmarJournal\\淺\\Absent.shx", false));
  EXPECT_TRUE(files().WriteWholeFile("C:\\VelmarJournal\\淺\\record.txt", "12345"));
  EXPECT_TRUE(files().DeleteFile("C:\\VelmarJournal\\淺\\record.txt"));
  EXPECT_TRUE(files().DeleteFile("C:\\VelmarJournal\\淺\\Velmar_EN.shx"));
  EXPECT_FALSE(files().DeleteFile("C:\\VelmarJournal\\淺\\record.txt"));
  EXPECT_FALSE(files().WriteWholeFile("C:\\VelmarJournal\\No\\record.txt", "x"));
  // A folder where the file should go is nothing a copy replaces.
  EXPECT_FALSE(files().CopyFile("C:\\VelmarJournal\\Data\\Velmar_EN.shx",
                                "C:\\VelmarJournal\\Fonts", false));
  EXPECT_TRUE(files().RemoveDirectory("C:\\VelmarJournal\\淺"));
  EXPECT_FALSE(files().RemoveDirectory("C:\\VelmarJournal\\Fonts"));

  const std::vector<std::string> expected = {
      "made C:\\VelmarJournal\\淺",
      "failed create folder C:\\VelmarJournal\\No\\Level 0",
      "replacing C:\\VelmarJournal\\Fonts\\Velmar_EN.shx (host's own)",
      "copied C:\\VelmarJournal\\Data\\Velmar_EN.shx -> C:\\VelmarJournal\\Fonts\\Velmar_EN.shx 8",
      "copied C:\\VelmarJournal\\Data\\Velmar_EN.shx -> C:\\VelmarJournal\\淺\\Velmar_EN.shx 8",
      "failed copy C:\\VelmarJournal\\Data\\Absent.shx -> C:\\VelmarJournal\\淺\\Absent.shx 0",
      "wrote C:\\VelmarJournal\\淺\\record.txt 5",
      "deleted C:\\VelmarJournal\\淺\\record.txt",
      "deleted C:\\VelmarJournal\\淺\\Velmar_EN.shx",
      "failed delete C:\\VelmarJournal\\淺\\record.txt 0",
      "failed write C:\\VelmarJournal\\No\\record.txt 0",
      "failed copy C:\\VelmarJournal\\Data\\Velmar_EN.shx -> C:\\VelmarJournal\\Fonts 0",
      "removed C:\\VelmarJournal\\淺",
      "failed remove folder C:\\VelmarJournal\\Fonts 0",
  };
  EXPECT_EQ(transcript_.lines, expected);
}

// Every other kind of file write is told ahead of it, with what the file will hold, and then
// as done or failed; a move as where it went.
TEST_F(JournalTest, TellsAppendsCutsMovesAndAttributesAheadOfThem) {
  struct Ahead : Transcript {
    void BeforeWrite(const std::string& path, const std::string& bytes) override {
      lines.push_back("will hold " + path + " (" + bytes + ")");
    }
    void BeforeAttributes(const std::string& path, uint32_t attributes) override {
      lines.push_back("will mark " + path + " " + std::to_string(attributes));
    }
    void BeforeDelete(const std::string& path) override { lines.push_back("will delete " + path); }
    void Moved(const std::string& from, const std::string& to) override {
      lines.push_back("moved " + from + " -> " + to);
    }
  } ahead;
  journal::RecordingPlatform recording(machine_->platform(), ahead);
  plat::FileSystem& f = recording.platform().files;
  const std::string log = "C:\\VelmarJournal\\log.txt", moved = "C:\\VelmarJournal\\moved.txt";
  ASSERT_TRUE(base().files.CreateDirectory(kFolder));
  machine_->WriteFile(log, "a");
  const auto yes = [](const plat::OpenedFile&) { return true; };
  const auto no = [](const plat::OpenedFile&) { return false; };
  EXPECT_TRUE(f.AppendToFile(log, "b", false));
  EXPECT_TRUE(f.AppendToFileIf(log, "c", yes));
  EXPECT_FALSE(f.AppendToFileIf(log, "d", no));
  EXPECT_TRUE(f.CutFile(log, 1));
  EXPECT_TRUE(f.SetAttributes(log, plat::kAttrReadOnly));
  EXPECT_TRUE(f.MoveFile(log, moved));
  EXPECT_FALSE(f.MoveFile(log, moved));
  EXPECT_TRUE(f.SetAttributes(moved, plat::kAttrNormal));
  std::vector<std::string> expected = {
      "will hold " + log + " (ab)",
      "wrote " + log + " 2",
      "will hold " + log + " (abc)",
      "wrote " + log + " 3",
      "will hold " + log + " (abcd)",
      "failed write " + log + " 0",
      "will hold " + log + " (a)",
      "wrote " + log + " 1",
      "will mark " + log + " 1",
      "moved " + log + " -> " + moved,
      "failed move " + log + " -> " + moved + " 0",
      "will mark " + moved + " 128",
  };
  // What goes at the next start is the machine's to keep; the simulated one forgets it.
  if (machine_->simulated()) {
    EXPECT_TRUE(f.DeleteAtRestart(moved));
    expected.push_back("will delete " + moved);
  }
  EXPECT_EQ(ahead.lines, expected);
}

TEST(JournalFanOut, HandsEachEventToEveryObserverInOrder) {
  Transcript first, second;
  journal::FanOut fanOut;
  fanOut.Add(first);
  fanOut.Add(second);
  fanOut.FolderMade("C:\\Velmar");
  fanOut.CallFailed("copy a -> b", 0);
  const std::vector<std::string> expected = {"made C:\\Velmar", "failed copy a -> b 0"};
  EXPECT_EQ(first.lines, expected);
  EXPECT_EQ(second.lines, expected);
}

// Told under the path the walk reached, one copy as one event, below a name ending in 淺 (9C 5C).
TEST_F(JournalTest, TellsWhatIsDoneThroughCheckedHandlesUnderThePathWalked) {
  const std::string folder = std::string(kFolder) + "\\淺";
  machine_->WriteFile(folder + "\\old.txt", "old");
  plat::CheckedFiles& checked = recording_.platform().checked;
  const uint32_t shareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
  plat::Walked walked = plat::WalkFolders(checked, base().text, folder, 0, shareAll);
  ASSERT_TRUE(walked.folder);
  EXPECT_TRUE(checked.CopyInto(walked.folder.get(), "new.txt", {"C:\\Data\\a", "bytes", 0}));
  plat::Opened old = checked.Open(walked.folder.get(), "old.txt", plat::kFileGenericWrite, 0);
  EXPECT_TRUE(checked.Replace(old.handle.get(), "four"));
  EXPECT_EQ(transcript_.lines,
            (std::vector<std::string>{"copied C:\\Data\\a -> " + folder + "\\new.txt 5",
                                      "wrote " + folder + "\\old.txt 4"}));
}

}  // namespace
