// The installed-programs entry on the simulated machine: the bytes of each value as the wide
// calls read them (which is how Settings and the deployment tools read them), the version and
// size arithmetic, and what reading the install folder back accepts.
#include "uninstall/installed_programs.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "platform/sim/sim_machine.h"
#include "registration/tests/recording_registry.h"

namespace uninstall {
namespace {

using plat::kHkeyLocalMachine;

const std::string kFolder = "C:\\Velmar\\Velmar批打印软件";

class InstalledProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::UniqueKey key(machine.registry);
    machine.registry.CreateKey(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                               key.put());
  }

  // The value's type and bytes through the wide call; type 0 when there is none.
  std::pair<uint32_t, std::string> Raw(const char* name) {
    plat::UniqueKey key(machine.registry);
    if (machine.registry.OpenKeyRead(kHkeyLocalMachine, kProgramEntryKey, key.put()) != 0)
      return {0, ""};
    const std::u16string wide = machine.text.ToUtf16(name);
    uint32_t type = 0, size = 0;
    if (machine.registry.QueryValueW(key.get(), wide, &type, nullptr, &size) != 0) return {0, ""};
    std::string bytes(size, '\0');
    machine.registry.QueryValueW(key.get(), wide, &type,
                                 reinterpret_cast<unsigned char*>(&bytes[0]), &size);
    return {type, bytes};
  }
  // A text as the wide calls store it, with its terminator.
  std::string Wide(const std::string& narrow) {
    std::u16string units = machine.text.ToUtf16(narrow);
    units.push_back(0);
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
  }
  // Stores bytes, of which the last `hidden` lie beyond the count given: what follows a text
  // decides whether the registry counts a terminator that was left out.
  void SetRaw(uint32_t type, const std::string& bytes, size_t hidden = 0) {
    plat::UniqueKey key(machine.registry);
    machine.registry.CreateKey(kHkeyLocalMachine, kProgramEntryKey, key.put());
    machine.registry.SetValueW(key.get(), u"InstallLocation", type, bytes.data(),
                               static_cast<uint32_t>(bytes.size() - hidden));
  }

  sim::Machine machine;
};

TEST_F(InstalledProgramsTest, EveryValueHasItsTypeAndItsBytes) {
  ASSERT_EQ(WriteProgramEntry(machine.platform(), kFolder, 20240426, 1025), plat::kErrorSuccess);
  const std::string uninstaller = kFolder + "\\Uninstall.exe";
  const struct {
    const char* name;
    std::string text;
  } texts[] = {{"DisplayName", "Velmar批打印软件"},
               {"DisplayVersion", "2024.4.26"},
               {"Publisher", "Velmar"},
               {"InstallLocation", kFolder},
               {"DisplayIcon", uninstaller + ",0"},
               {"UninstallString", "\"" + uninstaller + "\""},
               {"QuietUninstallString", "\"" + uninstaller + "\" /S"}};
  for (const auto& row : texts) {
    EXPECT_EQ(Raw(row.name), std::make_pair(plat::kRegSz, Wide(row.text))) << row.name;
  }
  const std::string one("\1\0\0\0", 4), two("\2\0\0\0", 4);
  EXPECT_EQ(Raw("NoModify"), std::make_pair(plat::kRegDword, one));
  EXPECT_EQ(Raw("NoRepair"), std::make_pair(plat::kRegDword, one));
  EXPECT_EQ(Raw("EstimatedSize"), std::make_pair(plat::kRegDword, two));
}

TEST_F(InstalledProgramsTest, VersionAndSizeAsSettingsShowThem) {
  const struct {
    int version;
    uint64_t bytes;
    const char* shown;
    uint32_t kb;
  } rows[] = {
      {20231109, 0, "2023.11.9", 0},          // a two-digit month, a day below ten
      {20240426, 1, "2024.4.26", 1},           // a byte is a whole KB
      {20251231, 1024, "2025.12.31", 1},
      {20250307, 2049, "2025.3.7", 3},
      {20240426, (uint64_t{1} << 42) + 1, "2024.4.26", 0xFFFFFFFFu},  // no wrap past 4 TB
  };
  for (const auto& row : rows) {
    WriteProgramEntry(machine.platform(), kFolder, row.version, row.bytes);
    EXPECT_EQ(Raw("DisplayVersion").second, Wide(row.shown)) << row.version;
    const uint32_t kb = row.kb;
    EXPECT_EQ(Raw("EstimatedSize").second,
              std::string(reinterpret_cast<const char*>(&kb), sizeof kb))
        << row.bytes;
  }
}

TEST_F(InstalledProgramsTest, TheFolderReadsBackOnlyFromAPlainText) {
  std::string folder = "unchanged";
  EXPECT_FALSE(ReadProgramEntryFolder(machine.platform(), &folder)) << "no entry";
  const std::string text = Wide("D:\\工具");
  const std::string bare = text.substr(0, text.size() - 2);
  const struct {
    const char* what;
    uint32_t type;
    std::string bytes;
    size_t hidden;
    const char* read;  // null: refused
  } rows[] = {
      {"terminated", plat::kRegSz, text, 0, "D:\\工具"},
      {"stored without its terminator", plat::kRegSz, bare + "xx", 2, "D:\\工具"},
      {"with more terminators", plat::kRegSz, text + std::string(4, '\0'), 0, "D:\\工具"},
      {"an expandable text", plat::kRegExpandSz, text, 0, nullptr},
      {"a number", plat::kRegDword, std::string(4, 'C'), 0, nullptr},
      {"empty", plat::kRegSz, std::string(), 0, nullptr},
      {"one byte", plat::kRegSz, std::string("Cx"), 1, nullptr},
      {"one unit", plat::kRegSz, std::string("C\0xx", 4), 2, "C"},
      {"an odd count", plat::kRegSz, Wide("D:\\x") + "y", 0, nullptr},
      {"only a terminator", plat::kRegSz, std::string(2, '\0'), 0, nullptr},
  };
  for (const auto& row : rows) {
    SetRaw(row.type, row.bytes, row.hidden);
    folder = "unchanged";
    EXPECT_EQ(ReadProgramEntryFolder(machine.platform(), &folder), row.read != nullptr)
        << row.what;
    if (row.read && *row.read) {
      EXPECT_EQ(folder, row.read) << row.what;
    }
  }
}

// The registry refuses one value, or a value grows between the size query and the read.
class FailingRegistry : public RecordingRegistry {
 public:
  FailingRegistry(plat::Registry& inner, std::u16string refused, bool growing)
      : RecordingRegistry(inner), refused_(std::move(refused)), growing_(growing) {}
  long SetValueW(plat::HKey k, const std::u16string& n, uint32_t t, const void* d,
                 uint32_t s) override {
    const long rc = RecordingRegistry::SetValueW(k, n, t, d, s);
    return n == refused_ ? plat::kErrorAccessDenied : rc;
  }
  long QueryValueW(plat::HKey k, const std::u16string& n, uint32_t* t, unsigned char* d,
                   uint32_t* s) override {
    return growing_ && d ? plat::kErrorMoreData : RecordingRegistry::QueryValueW(k, n, t, d, s);
  }

 private:
  std::u16string refused_;
  bool growing_;
};

TEST_F(InstalledProgramsTest, TextsAreHandedWithTheirTerminatorAndAFailureIsTold) {
  FailingRegistry registry(machine.registry, u"NoRepair", false);
  plat::Platform platform{registry, machine.files, machine.processes, machine.messages,
                          machine.text, machine.checked};
  EXPECT_EQ(WriteProgramEntry(platform, kFolder, 20240426, 0), plat::kErrorAccessDenied);
  const auto name = std::find_if(registry.calls.begin(), registry.calls.end(),
                                 [](const auto& call) { return call.name == "DisplayName"; });
  ASSERT_NE(name, registry.calls.end());
  EXPECT_EQ(name->bytes, Wide("Velmar批打印软件")) << "the count takes the terminator";

  SetRaw(plat::kRegSz, Wide(kFolder));
  FailingRegistry growing(machine.registry, u"", true);
  plat::Platform changing{growing, machine.files, machine.processes, machine.messages,
                          machine.text, machine.checked};
  std::string folder;
  EXPECT_FALSE(ReadProgramEntryFolder(changing, &folder));
}

TEST_F(InstalledProgramsTest, RemovingIsDoneAlsoWhenThereIsNoEntry) {
  EXPECT_EQ(RemoveProgramEntry(machine.platform()), plat::kErrorSuccess) << "none yet";
  WriteProgramEntry(machine.platform(), kFolder, 20240426, 0);
  EXPECT_EQ(RemoveProgramEntry(machine.platform()), plat::kErrorSuccess);
  EXPECT_EQ(Raw("DisplayName").first, 0u);
  // A key someone put below it stays, and so does the entry: nothing is removed blindly.
  plat::UniqueKey below(machine.registry);
  WriteProgramEntry(machine.platform(), kFolder, 20240426, 0);
  machine.registry.CreateKey(kHkeyLocalMachine, std::string(kProgramEntryKey) + "\\Other",
                             below.put());
  EXPECT_NE(RemoveProgramEntry(machine.platform()), plat::kErrorSuccess);
  EXPECT_EQ(Raw("DisplayName").first, plat::kRegSz);
}

}  // namespace
}  // namespace uninstall
