// The build's version in each spelling its readers take, all from the one set of numbers.
#include "versioninfo/build_version.h"

#include <gtest/gtest.h>

#include <string>

#include "activesetup/active_setup.h"

namespace {

TEST(BuildVersion, EverySpellingTellsTheSameVersion) {
  struct Row {
    const char* reader;
    std::string text;
    const char* expected;
  };
  const Row rows[] = {
      // The dialog's label, the run log and the installed-programs entry.
      {"the number", std::to_string(velmar::kBuildVersion), "20240426"},
      {"the version resource", VELMAR_VERSION_TEXT, "2024.4.26.0"},
      {"Active Setup", activesetup::kBuildVersion, "2024,4,26"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.text, row.expected) << row.reader;
}

}  // namespace
