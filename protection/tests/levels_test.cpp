#include "protection/levels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "protection/checked_levels.h"

namespace {

using protection::Problem;

TEST(ProtectionLevels, NamesEveryLevelOfTheFolderTyped) {
  struct Full {
    const char* current;
    const char* typed;
    const char* full;
  };
  const Full typed[] = {
      {"C:\\Work", "C:\\Velmar\\Sub", "C:\\Velmar\\Sub"},
      {"C:\\Work", "C:\\", "C:\\"},
      {"C:\\Work", "\\Velmar", "C:\\Velmar"},
      {"C:\\Work", "Tools", "C:\\Work\\Tools"},
      {"C:\\Work", "c:Tools", "C:\\Work\\Tools"},
      {"C:\\Work", "D:Tools", "D:\\Tools"},
      {"C:\\", "Tools", "C:\\Tools"},
      // 淺 is 9C 5C: its trail byte is no backslash.
      {"C:\\淺", "Tools", "C:\\淺\\Tools"},
      {"C:\\Work", "\\\\server\\share\\CAD", "\\\\server\\share\\CAD"},
  };
  for (const Full& row : typed) {
    sim::Machine m;
    m.files.SetCurrentDirectory(row.current);
    EXPECT_EQ(protection::FullPath(m.platform(), row.typed), row.full) << row.typed;
  }
  struct Split {
    const char* full;
    std::vector<std::string> levels;
  };
  const Split splits[] = {
      {"C:\\\\A\\B", {"C:\\", "C:\\A", "C:\\A\\B"}},
      {"\\\\server\\share", {"\\\\server\\share\\"}},
      {"D:", {"D:\\"}},
      {"C:\\淺\\B", {"C:\\", "C:\\淺", "C:\\淺\\B"}},
      {"\\\\server\\share\\CAD", {"\\\\server\\share\\", "\\\\server\\share\\CAD"}},
  };
  sim::SimCodePage text;
  for (const Split& row : splits)
    EXPECT_EQ(protection::Levels(text, row.full), row.levels) << row.full;
}

// Folders an administrator made in the drive's root, where every user may change what is made.
TEST(ProtectionLevels, ExcusesOnlyOurFoldersAndOnlyWhatProtectingThemMends) {
  sim::Machine m;
  m.files.MakeFolders("C:\\Ours\\Below");
  m.files.MakeFolders("C:\\Theirs");
  m.files.SetCaller(sim::Identity::StandardUser());
  ASSERT_TRUE(m.files.CreateDirectory("C:\\Theirs\\Mine"));
  m.files.SetCaller(sim::Identity::Administrator());
  m.files.SetDescriptor("C:\\Theirs", protection::ProgramFolderDescriptor());
  const protection::Administrators admins = protection::Administrators::Of(m.files);
  struct Row {
    const char* path;
    std::vector<std::string> ours;
    Problem problem;
    const char* at;
    std::vector<std::string> toProtect;
  };
  const Row rows[] = {
      {"C:\\Ours\\Below", {}, Problem::kOthersMayReplace, "C:\\Ours", {}},
      {"C:\\Ours\\Below", {"c:\\ours", "C:\\Ours\\Below"}, Problem::kNone, "",
       {"C:\\Ours", "C:\\Ours\\Below"}},
      {"C:\\Ours\\Below\\Missing\\Deeper", {"C:\\Ours"}, Problem::kOthersMayReplace,
       "C:\\Ours\\Below", {"C:\\Ours"}},
      {"C:\\Theirs\\Mine", {"C:\\Theirs\\Mine"}, Problem::kNotOwned, "C:\\Theirs\\Mine", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    std::vector<std::string> toProtect;
    const protection::Finding found =
        protection::CheckLevels(m.platform(), admins, row.path, row.ours, &toProtect);
    EXPECT_EQ(found.problem, row.problem);
    EXPECT_EQ(found.path, row.at);
    EXPECT_EQ(toProtect, row.toProtect);
  }
  protection::ProtectThrough(m.platform(), {"C:\\Ours", "C:\\Ours\\Below"});
  EXPECT_FALSE(protection::CheckLevels(m.platform(), admins, "C:\\Ours\\Below", {}, nullptr));
}

}  // namespace
