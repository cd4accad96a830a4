#include "activesetup/active_setup.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"

namespace {

using activesetup::kComponentKey;
using activesetup::Outcome;
using plat::kHkeyLocalMachine;
using regtest::Sz;

const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";
const char kOtherFolder[] = "D:\\工具\\Velmar批打印软件";

TEST(ActiveSetup, VersionWrittenAgainstTheOneBefore) {
  const struct {
    const char* old;
    bool unchanged;
    const char* written;
  } rows[] = {
      {"", false, "2024,4,26"},  // no component yet
      {"2024,4,26", true, "2024,4,26"},
      // Another stub must run for everyone again: above what they ran.
      {"2024,4,26", false, "2024,4,26,1"},
      {"2024,4,26,1", false, "2024,4,26,2"},
      {"2024,4,26,7", true, "2024,4,26,7"},
      // An older build's entry: the build's own version is newer already.
      {"2023,12,1", false, "2024,4,26"},
      {"2023,12,1,9", true, "2024,4,26"},
      {"2024,4,25", false, "2024,4,26"},
      // A newer build's entry is kept, or raised past.
      {"2025,1,1", true, "2025,1,1"},
      {"2025,1,1", false, "2025,1,1,1"},
      {"2024,5,0", false, "2024,5,0,1"},
      // Texts that are no version read as the oldest.
      {"", false, "2024,4,26"},
      {"2024.4.26", false, "2024,4,26"},
      {"2024,,4", false, "2024,4,26"},
      {"2024,4,26,1,5", false, "2024,4,26"},
      {"9,", false, "2024,4,26"},
      // A part holding a 9 is a digit like any other; a part of ten digits is no version.
      {"2024,9,1", false, "2024,9,1,1"},
      {"2025,1,1,999999999", true, "2025,1,1,999999999"},
      {"2025,1,1,1000000000", true, "2024,4,26"},
      // A part left empty is no version either, also when the others would be newer.
      {"2025,,1", true, "2024,4,26"},
      {"2025,", true, "2024,4,26"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(activesetup::VersionToWrite(row.old, row.unchanged), row.written)
        << row.old << " unchanged=" << row.unchanged;
  }
}

class RegisterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.files.AddDrive('D');
    machine.files.MakeFolders(kFolder);
    machine.files.MakeFolders(kOtherFolder);
  }
  Outcome Register(const char* folder, const std::string& program = "MZ per-user program") {
    return activesetup::Register(machine.platform(), folder, program);
  }
  regtest::RawValue Value(const char* name) {
    return regtest::ReadRaw(machine.registry, kHkeyLocalMachine, kComponentKey, name);
  }
  std::string File(const std::string& path) {
    std::string bytes;
    return machine.files.ReadFile(path, &bytes) ? bytes : "<missing>";
  }
  sim::Machine machine;
};

TEST_F(RegisterTest, ComponentValuesAndProgram) {
  ASSERT_EQ(Register(kFolder), Outcome::kRegistered);
  EXPECT_EQ(File(std::string(kFolder) + "\\VelmarTrust.exe"), "MZ per-user program");
  const std::string stub =
      "\"C:\\Velmar\\Velmar批打印软件\\VelmarTrust.exe\" \"C:\\Velmar\\Velmar批打印软件\"";
  const struct {
    const char* name;
    uint32_t type;
    std::string bytes;
  } values[] = {
      {"", plat::kRegSz, Sz("Velmar批打印软件")},
      {"StubPath", plat::kRegSz, Sz(stub)},
      {"Version", plat::kRegSz, Sz("2024,4,26")},
      {"IsInstalled", plat::kRegDword, regtest::Dword(1)},
  };
  for (const auto& v : values) {
    const regtest::RawValue got = Value(v.name);
    EXPECT_TRUE(got.found) << v.name;
    EXPECT_EQ(got.type, v.type) << v.name;
    EXPECT_EQ(got.bytes, v.bytes) << v.name;
  }
  uint32_t count = 0;
  plat::UniqueKey key(machine.registry);
  ASSERT_EQ(machine.registry.OpenKeyRead(kHkeyLocalMachine, kComponentKey, key.put()),
            plat::kErrorSuccess);
  machine.registry.QueryValueCount(key.get(), &count);
  EXPECT_EQ(count, 4u);
  // The installing user is served at once; their logon need not run the stub again.
  EXPECT_EQ(regtest::ReadRaw(machine.registry, plat::kHkeyCurrentUser, kComponentKey, "Version")
                .bytes,
            Sz("2024,4,26"));
}

// What a second installation leaves: the same stub keeps the version users have run; another
// folder, or a component the uninstall switched off, makes every user run the stub again.
TEST_F(RegisterTest, LaterInstallations) {
  const struct {
    const char* first;
    bool uninstalledBetween;
    const char* second;
    const char* version;
  } rows[] = {
      {kFolder, false, kFolder, "2024,4,26"},
      {kFolder, false, "c:\\velmar\\velmar批打印软件", "2024,4,26"},
      {kFolder, false, kOtherFolder, "2024,4,26,1"},
      {kFolder, true, kFolder, "2024,4,26,1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.second);
    regtest::DeleteTree(machine.registry, kHkeyLocalMachine, kComponentKey);
    ASSERT_EQ(Register(row.first), Outcome::kRegistered);
    if (row.uninstalledBetween) {
      regtest::SetDword(machine.registry, kHkeyLocalMachine, kComponentKey, "IsInstalled", 0);
    }
    ASSERT_EQ(Register(row.second, "second build"), Outcome::kRegistered);
    EXPECT_EQ(Value("Version").bytes, Sz(row.version));
    EXPECT_EQ(Value("StubPath").bytes, Sz(activesetup::StubPathFor(row.second)));
    EXPECT_EQ(Value("IsInstalled").bytes, regtest::Dword(1));
    EXPECT_EQ(regtest::ReadRaw(machine.registry, plat::kHkeyCurrentUser, kComponentKey, "Version")
                  .bytes,
              Sz(row.version));
    EXPECT_EQ(File(std::string(row.second) + "\\VelmarTrust.exe"), "second build");
  }
}

// What an earlier component holds is believed only as the types this program writes: a
// Version, StubPath or IsInstalled of another type reads as absent, so every user is served.
TEST_F(RegisterTest, EarlierValuesOfAnotherTypeReadAsAbsent) {
  const struct {
    const char* name;
    uint32_t type;
    std::string bytes;
    const char* version;
    size_t hidden = 0;  // bytes past the count given: what stands after a text
  } rows[] = {
      {"Version", plat::kRegExpandSz, Sz("2025,1,1"), "2024,4,26"},
      {"Version", plat::kRegSz, Sz("2025,1,1"), "2025,1,1"},
      {"StubPath", plat::kRegExpandSz, Sz(activesetup::StubPathFor(kFolder)), "2024,4,26,1"},
      {"IsInstalled", plat::kRegSz, Sz("1"), "2024,4,26,1"},
      {"IsInstalled", plat::kRegDword, regtest::Dword(2), "2024,4,26,1"},
      {"IsInstalled", plat::kRegBinary, regtest::Dword(1), "2024,4,26,1"},
      // Stored without its terminator, as another program may: still the text it holds.
      {"Version", plat::kRegSz, "2025,1,1x", "2025,1,1", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " " + row.version);
    regtest::DeleteTree(machine.registry, kHkeyLocalMachine, kComponentKey);
    ASSERT_EQ(Register(kFolder), Outcome::kRegistered);
    plat::UniqueKey key(machine.registry);
    ASSERT_EQ(machine.registry.OpenKey(kHkeyLocalMachine, kComponentKey, key.put()),
              plat::kErrorSuccess);
    machine.registry.SetValue(key.get(), row.name, row.type, row.bytes.data(),
                              static_cast<uint32_t>(row.bytes.size() - row.hidden));
    ASSERT_EQ(Register(kFolder), Outcome::kRegistered);
    EXPECT_EQ(Value("Version").bytes, Sz(row.version));
  }
}

// No stub is registered for a program that is not there; a registry that refuses the
// component is told as such.
TEST_F(RegisterTest, NothingRegisteredWithoutTheProgram) {
  EXPECT_EQ(Register(kFolder, ""), Outcome::kProgramNotWritten);
  EXPECT_EQ(File(std::string(kFolder) + "\\VelmarTrust.exe"), "<missing>");
  EXPECT_EQ(Register("C:\\Missing\\Velmar批打印软件"), Outcome::kProgramNotWritten);
  EXPECT_FALSE(regtest::KeyExists(machine.registry, kHkeyLocalMachine, kComponentKey));

  // A read-only program of an earlier installation is replaced.
  machine.files.WriteFile(std::string(kFolder) + "\\VelmarTrust.exe", "old",
                          plat::kAttrReadOnly);
  EXPECT_EQ(Register(kFolder), Outcome::kRegistered);
  EXPECT_EQ(File(std::string(kFolder) + "\\VelmarTrust.exe"), "MZ per-user program");

  regtest::DeleteTree(machine.registry, kHkeyLocalMachine, kComponentKey);
  machine.registry.DenyWrite(kHkeyLocalMachine, "SOFTWARE\\Microsoft");
  EXPECT_EQ(Register(kFolder), Outcome::kNotRegistered);
}

}  // namespace
