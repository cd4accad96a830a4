// Path texts as the system resolves and compares them.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_codepage.h"

namespace plat {
namespace {

TEST(Paths, ResolvesAPathAsTheSystemDoes) {
  sim::SimCodePage text;
  const struct {
    const char* path;
    const char* resolved;  // null: no full path
  } rows[] = {
      {"C:\\a\\\\b\\", "C:\\a\\b"},
      {"c:/a/./b. .", "c:\\a\\b"},
      {"C:\\a..\\b", "C:\\a.\\b"},
      {"C:\\a \\b", "C:\\a \\b"},
      {"C:\\a\\..\\..\\b", "C:\\b"},
      {"C:\\", "C:\\"},
      {"C:\\淺\\", "C:\\淺"},
      {"C:", nullptr},
      {"\\\\server\\share\\a", nullptr},
      {"a\\b", nullptr},
      {"\\a", nullptr},
  };
  for (const auto& row : rows) {
    std::string resolved;
    EXPECT_EQ(ResolvePath(text, row.path, &resolved), row.resolved != nullptr) << row.path;
    if (row.resolved) {
      EXPECT_EQ(resolved, row.resolved) << row.path;
    }
  }
  // Key paths compare as spelled: a key's name may end in a dot.
  EXPECT_FALSE(SamePath(text, "SOFTWARE\\a.", "SOFTWARE\\a"));
  EXPECT_TRUE(SamePath(text, "software\\A", "SOFTWARE\\a"));
  EXPECT_TRUE(SamePath(text, "C:\\CAD\\\\Fonts\\x ", "c:\\cad\\fonts\\X"));
  EXPECT_TRUE(IsBelow(text, "C:\\CAD\\", "C:\\CAD\\\\Fonts"));
  EXPECT_FALSE(IsBelow(text, "C:\\CAD\\Fonts", "C:\\CAD\\Fonts\\."));
}

}  // namespace
}  // namespace plat
