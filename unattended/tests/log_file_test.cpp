// The log file on both machines: what it refuses and why, and the one handle it keeps.
#include "unattended/log_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "protection/rules.h"
#include "tests/support/test_machine.h"

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  // A folder of the program's own on C:, where no one else may replace a level.
  void SetUp() override {
    scratch_ = std::string("C:\\vl-") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    machine_->RemoveTree(scratch_);
    ASSERT_TRUE(machine_->platform().files.CreateDirectoryWith(
        scratch_, protection::ProgramFolderDescriptor()));
  }
  void TearDown() override { machine_->RemoveTree(scratch_); }
  std::string Path(const std::string& below) const { return scratch_ + "\\" + below; }
  std::string Content(const std::string& path) {
    std::string content;
    return machine_->ReadFile(path, &content) ? content : "(none)";
  }

  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
  std::string scratch_;
};

TEST_F(LogFileTest, WritesOnlyWhatItMaySaysWhyNot) {
  machine_->WriteFile(Path("earlier.log"), "an earlier run\r\n");
  machine_->WriteFile(Path("Logs\\keep.txt"), "");
  ASSERT_TRUE(machine_->MakeFolderLink(Path("Linked"), Path("Logs")));
  const struct {
    const char* below;
    bool fresh;
    const char* why;  // empty: written, after a blank line when the file held earlier runs
    const char* content;  // afterwards, where the log would be
  } rows[] = {
      {"new.log", false, "", "a line\r\n"},
      {"earlier.log", false, "", "an earlier run\r\n\r\na line\r\n"},
      {"earlier.log", true, "a file of that name is there already",
       "an earlier run\r\n\r\na line\r\n"},
      {"Missing\\v.log", false, "its folder does not exist", "(none)"},
      {"Logs", false, "it is a folder", "(none)"},
      {"Linked\\v.log", false, "is not safe: it is a junction or symbolic link", "(none)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.below);
    {
      unattended::LogFile log(machine_->platform());
      const bool opened = log.Open(Path(row.below), row.fresh);
      EXPECT_EQ(opened, *row.why == '\0');
      EXPECT_EQ(log.Append("a line\r\n"), opened);
      EXPECT_NE(log.WhyLogText().find(row.why), std::string::npos) << log.WhyLogText();
      EXPECT_EQ(log.WhyText().empty(), opened);
    }
    EXPECT_EQ(Content(Path(row.below)), row.content);
  }
}

// The log's folder swapped for a link between two lines: the second follows the file.
TEST_F(LogFileTest, KeepsItsFileWhenAFolderIsSwappedForALink) {
  ASSERT_TRUE(machine_->platform().files.CreateDirectory(Path("Logs")));
  ASSERT_TRUE(machine_->platform().files.CreateDirectory(Path("Elsewhere")));
  {
    unattended::LogFile log(machine_->platform());
    ASSERT_TRUE(log.Open(Path("Logs\\v.log"))) << log.WhyLogText();
    ASSERT_TRUE(log.Append("the first line\r\n"));
    ASSERT_TRUE(machine_->platform().files.MoveFile(Path("Logs"), Path("Old")));
    ASSERT_TRUE(machine_->MakeFolderLink(Path("Logs"), Path("Elsewhere")));
    EXPECT_TRUE(log.Append("the second line\r\n"));
  }
  EXPECT_EQ(Content(Path("Old\\v.log")), "the first line\r\nthe second line\r\n");
  EXPECT_EQ(Content(Path("Elsewhere\\v.log")), "(none)");
}

}  // namespace
