#include "registration/trusted_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "registration/tests/recording_registry.h"
#include "tests/support/test_machine.h"

namespace {

using plat::kHkeyCurrentUser;

const char kHost[] = "SOFTWARE\\Autodesk\\AutoCAD";

using regtest::Sz;

std::string ProfilePath(const std::string& release, const std::string& product,
                        const std::string& profile) {
  return std::string(kHost) + "\\" + release + "\\" + product + "\\Profiles\\" + profile;
}

class TrustedPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = TestMachine::Create();
    regtest::DeleteTree(reg(), kHkeyCurrentUser, kHost);
    catalogue.installFolder = "D:\\Tools";
  }
  void TearDown() override { regtest::DeleteTree(reg(), kHkeyCurrentUser, kHost); }
  plat::Registry& reg() { return machine->platform().registry; }

  // A profile with a Variables key; a TRUSTEDPATHS of type written with its terminator.
  std::string AddProfile(const std::string& release, const std::string& product,
                         const std::string& profile) {
    const std::string path = ProfilePath(release, product, profile);
    regtest::CreatePath(reg(), kHkeyCurrentUser, path + "\\Variables");
    return path;
  }
  void SetRaw(const std::string& profile, uint32_t type, const std::string& bytes) {
    plat::UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(kHkeyCurrentUser, profile + "\\Variables", key.put()),
              plat::kErrorSuccess);
    ASSERT_EQ(reg().SetValue(key.get(), "TRUSTEDPATHS", type, bytes.data(),
                             static_cast<uint32_t>(bytes.size())),
              plat::kErrorSuccess);
  }
  regtest::RawValue Trusted(const std::string& profile) {
    return regtest::ReadRaw(reg(), kHkeyCurrentUser, profile + "\\Variables", "TRUSTEDPATHS");
  }
  void Run() { RegisterTrustedPaths(machine->platform(), catalogue); }

  std::unique_ptr<TestMachine> machine;
  InstallCatalogue catalogue;
};

TEST_F(TrustedPathsTest, ValueRules) {
  struct Case {
    const char* name;
    bool present;
    const char* before;
    const char* folder;
    const char* after;
  };
  const Case cases[] = {
      {"missing", false, "", "D:\\Tools", "D:\\Tools"},
      {"empty", true, "", "D:\\Tools", "D:\\Tools"},
      {"drive only", true, "C:", "D:\\Tools", "D:\\Tools"},
      {"one double-byte character", true, "批", "D:\\Tools", "D:\\Tools"},
      {"appended upper-cased", true, "c:\\data;e:\\lib", "D:\\Tools", "C:\\DATA;E:\\LIB;D:\\TOOLS"},
      {"present in other case", true, "C:\\DATA;d:\\tools", "D:\\Tools", "C:\\DATA;D:\\TOOLS"},
      {"trailing separator kept", true, "C:\\DATA;", "D:\\Tools", "C:\\DATA;;D:\\TOOLS"},
      {"longer name is another folder", true, "D:\\TOOLS2", "D:\\Tools", "D:\\TOOLS2;D:\\TOOLS"},
      {"prefix of an entry", true, "c:\\x;d:\\tools\\sub", "D:\\Tools",
       "C:\\X;D:\\TOOLS\\SUB;D:\\TOOLS"},
      {"present with sub-folders", true, "d:\\tools\\...;c:\\x", "D:\\Tools", "D:\\TOOLS\\...;C:\\X"},
      {"present with trailing backslash", true, "c:\\x;d:\\tools\\", "D:\\Tools",
       "C:\\X;D:\\TOOLS\\"},
      {"only inside a longer value", true, "c:\\d:\\tools", "D:\\Tools", "C:\\D:\\TOOLS;D:\\TOOLS"},
      {"product folder present", true, "c:\\velmar\\velmar批打印软件;c:\\a",
       "C:\\Velmar\\Velmar批打印软件", "C:\\VELMAR\\VELMAR批打印软件;C:\\A"},
      // 淺 is 9C 5C: its trail byte is no backslash, so "淺" does not end in one.
      {"trail byte 5C is not a separator", true, "d:\\淺\\x", "D:\\淺",
       "D:\\淺\\X;D:\\淺"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    regtest::DeleteTree(reg(), kHkeyCurrentUser, kHost);
    const std::string profile = AddProfile("R23.1", "ACAD-3001:804", "<<未命名配置>>");
    if (c.present) SetRaw(profile, plat::kRegSz, Sz(c.before));
    catalogue.installFolder = c.folder;

    RecordingPlatform recording(machine->platform());
    RegisterTrustedPaths(recording.platform, catalogue);

    ASSERT_EQ(recording.registry.calls.size(), 1u);
    EXPECT_EQ(recording.registry.calls[0].type, plat::kRegSz);
    EXPECT_EQ(recording.registry.calls[0].bytes, c.after);  // no terminator counted
    const regtest::RawValue value = Trusted(profile);
    EXPECT_EQ(value.type, plat::kRegSz);
    EXPECT_EQ(value.bytes, Sz(c.after));
  }
}

TEST_F(TrustedPathsTest, EveryProfileOfEveryReleaseOnceOnly) {
  // Two products of one release with three profiles each, and a release the machine-wide
  // discovery never saw: the catalogue's release lists play no part.
  const char* profileNames[] = {"<<未命名配置>>", "Layout", "Plot"};
  std::vector<std::string> profiles;
  for (const char* product : {"ACAD-3001:804", "ACAD-3005:804"}) {
    for (const char* name : profileNames) profiles.push_back(AddProfile("R23.1", product, name));
  }
  profiles.push_back(AddProfile("R17.2", "ACAD-7001:804", "Unnamed Profile"));
  SetRaw(profiles[1], plat::kRegSz, Sz("c:\\data"));
  regtest::CreatePath(reg(), kHkeyCurrentUser, ProfilePath("R24.0", "ACAD-4101:804", "NoVars"));
  profiles.push_back(ProfilePath("R24.0", "ACAD-4101:804", "NoVars"));

  Run();
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    SCOPED_TRACE(profiles[i]);
    EXPECT_EQ(Trusted(profiles[i]).bytes, Sz(i == 1 ? "C:\\DATA;D:\\TOOLS" : "D:\\Tools"));
  }
  // A second run finds the folder in every value and adds it nowhere; values that held the
  // folder alone come back upper-cased like every value that is kept.
  Run();
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    SCOPED_TRACE(profiles[i]);
    EXPECT_EQ(Trusted(profiles[i]).bytes, Sz(i == 1 ? "C:\\DATA;D:\\TOOLS" : "D:\\TOOLS"));
  }
}

TEST_F(TrustedPathsTest, ProfileNamesEndingInByte5C) {
  // 淺 is 9C 5C and 乗 is 81 5C: names whose last byte looks like a backslash.
  const char* profileNames[] = {"Plot 乗", "淺"};
  for (const char* name : profileNames) AddProfile("R23.1", "ACAD-3001:804", name);
  Run();

  for (const char* name : profileNames) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Trusted(ProfilePath("R23.1", "ACAD-3001:804", name)).bytes, Sz("D:\\Tools"));
  }
  // No name was cut short into a key of its own beside the profiles.
  plat::UniqueKey root(reg());
  ASSERT_EQ(reg().OpenKeyRead(kHkeyCurrentUser, std::string(kHost) + "\\R23.1\\ACAD-3001:804\\Profiles",
                              root.put()),
            plat::kErrorSuccess);
  StringList names;
  ListSubKeys(reg(), root.get(), names);
  StringList expected(std::begin(profileNames), std::end(profileNames));
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

TEST_F(TrustedPathsTest, NothingWithoutTheHostKey) {
  RecordingPlatform recording(machine->platform());
  RegisterTrustedPaths(recording.platform, catalogue);
  EXPECT_TRUE(recording.registry.calls.empty());
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser, kHost));
}

TEST_F(TrustedPathsTest, LongValueIsReadAndWrittenWhole) {
  std::string before;
  for (int i = 0; before.size() < 20000; ++i) before += "c:\\library\\part" + std::to_string(i) + ";";
  before += "c:\\last";
  const std::string profile = AddProfile("R23.1", "ACAD-3001:804", "Long");
  SetRaw(profile, plat::kRegSz, Sz(before));
  Run();

  std::string upper = before;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_EQ(Trusted(profile).bytes, Sz(upper + ";D:\\TOOLS"));
  // Present within the long value: nothing is added the second time.
  Run();
  EXPECT_EQ(Trusted(profile).bytes, Sz(upper + ";D:\\TOOLS"));
}

TEST_F(TrustedPathsTest, LongProfileNamesAreWalked) {
  // 150 characters, 300 bytes in code page 936: more than a 256-byte name buffer. (The whole
  // path stays under the 260 characters that the narrow registry calls convert.)
  std::string name;
  for (int i = 0; i < 150; ++i) name += "配";
  const std::string profile = AddProfile("R23.1", "ACAD-3001:804", name);
  Run();
  EXPECT_EQ(Trusted(profile).bytes, Sz("D:\\Tools"));
}

TEST_F(TrustedPathsTest, ValuesOfOtherTypesAreLeftAlone) {
  const std::string multi("c:\\a\0c:\\b\0\0", 11);
  const std::string binary("c:\\bin", 6);
  const std::string dword("\x05\0\0\0", 4);
  const std::string expand = Sz("%USERPROFILE%\\lib");
  const std::string a = AddProfile("R23.1", "ACAD-3001:804", "Multi");
  const std::string b = AddProfile("R23.1", "ACAD-3001:804", "Binary");
  const std::string c = AddProfile("R23.1", "ACAD-3001:804", "Dword");
  const std::string d = AddProfile("R23.1", "ACAD-3001:804", "Expand");
  const std::string e = AddProfile("R23.1", "ACAD-3001:804", "Plain");
  SetRaw(a, plat::kRegMultiSz, multi);
  SetRaw(b, plat::kRegBinary, binary);
  SetRaw(c, plat::kRegDword, dword);
  SetRaw(d, plat::kRegExpandSz, expand);

  Run();

  EXPECT_EQ(Trusted(a).type, plat::kRegMultiSz);
  EXPECT_EQ(Trusted(a).bytes, multi);
  EXPECT_EQ(Trusted(b).type, plat::kRegBinary);
  EXPECT_EQ(Trusted(b).bytes, binary);
  EXPECT_EQ(Trusted(c).type, plat::kRegDword);
  EXPECT_EQ(Trusted(c).bytes, dword);
  EXPECT_EQ(Trusted(d).type, plat::kRegExpandSz);
  EXPECT_EQ(Trusted(d).bytes, Sz("%USERPROFILE%\\LIB;D:\\TOOLS"));
  EXPECT_EQ(Trusted(e).bytes, Sz("D:\\Tools"));
}

TEST_F(TrustedPathsTest, KeysAndValuesThatRefuseAreSkipped) {
  sim::Machine* sim = machine->simulated();
  if (!sim) GTEST_SKIP() << "denied keys and values are simulated faults";
  const std::string unreadable = AddProfile("R23.1", "ACAD-3001:804", "Unreadable");
  const std::string hidden = AddProfile("R23.1", "ACAD-3001:804", "Hidden");
  const std::string hiddenVars = AddProfile("R23.1", "ACAD-3001:804", "HiddenVars");
  const std::string locked = AddProfile("R23.1", "ACAD-3001:804", "Locked");
  const std::string fine = AddProfile("R23.1", "ACAD-3001:804", "Fine");
  const std::string otherRelease = AddProfile("R22.0", "ACAD-2001:804", "Any");
  for (const std::string& p : {unreadable, hiddenVars, locked}) SetRaw(p, plat::kRegSz, Sz("c:\\keep"));
  sim->registry.DenyValueRead(kHkeyCurrentUser, unreadable + "\\Variables");
  sim->registry.DenyOpen(kHkeyCurrentUser, hidden);
  sim->registry.DenyOpen(kHkeyCurrentUser, hiddenVars + "\\Variables");
  sim->registry.DenyWrite(kHkeyCurrentUser, locked + "\\Variables");
  sim->registry.DenyOpen(kHkeyCurrentUser, std::string(kHost) + "\\R22.0");

  RecordingPlatform recording(machine->platform());
  RegisterTrustedPaths(recording.platform, catalogue);

  EXPECT_EQ(Trusted(fine).bytes, Sz("D:\\Tools"));
  EXPECT_EQ(Trusted(locked).bytes, Sz("c:\\keep"));
  EXPECT_FALSE(Trusted(otherRelease).found);
  // The only writes: the readable profile, and the attempt the locked key refused. Neither
  // the unreadable value nor the hidden Variables key was taken for an empty one.
  std::vector<std::string> written;
  for (const SetValueCall& call : recording.registry.calls) written.push_back(call.bytes);
  EXPECT_EQ(written, (std::vector<std::string>{"D:\\Tools", "C:\\KEEP;D:\\TOOLS"}));
  EXPECT_EQ(sim->registry.OpenHandles(), 0);

  plat::UniqueKey root(reg());
  ASSERT_EQ(reg().OpenKeyRead(kHkeyCurrentUser,
                              std::string(kHost) + "\\R23.1\\ACAD-3001:804\\Profiles", root.put()),
            plat::kErrorSuccess);
  StringList names;
  ListSubKeys(reg(), root.get(), names);
  EXPECT_EQ(names, (StringList{"Fine", "HiddenVars", "Locked", "Unreadable"}));
}

TEST_F(TrustedPathsTest, RegistryChangingUnderTheWalk) {
  sim::Machine* sim = machine->simulated();
  if (!sim) GTEST_SKIP() << "a registry changed between two calls is a simulated fault";
  // Product A has one profile, product B three; while B's profiles are listed, A's profile,
  // already listed, and B's last profile are deleted.
  const std::string gone = AddProfile("R23.1", "ACAD-A:804", "Gone");
  const std::string b1 = AddProfile("R23.1", "ACAD-B:804", "One");
  const std::string b2 = AddProfile("R23.1", "ACAD-B:804", "Two");
  const std::string b3 = AddProfile("R23.1", "ACAD-B:804", "Three");  // sorts last
  bool fired = false;
  sim->registry.SetEnumHook([&](plat::HKey key, uint32_t index) {
    uint32_t count = 0;
    if (fired || index != 0 || reg().QuerySubKeyCount(key, &count) != 0 || count != 3) return;
    fired = true;
    regtest::DeleteTree(reg(), kHkeyCurrentUser, gone);
    regtest::DeleteTree(reg(), kHkeyCurrentUser, b2);
  });

  Run();
  sim->registry.SetEnumHook(nullptr);

  ASSERT_TRUE(fired);
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser, gone));
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser, b2));
  // An index that no longer answers is not taken for the Profiles key itself.
  EXPECT_FALSE(regtest::KeyExists(reg(), kHkeyCurrentUser,
                                  std::string(kHost) + "\\R23.1\\ACAD-B:804\\Profiles\\Variables"));
  EXPECT_EQ(Trusted(b1).bytes, Sz("D:\\Tools"));
  EXPECT_EQ(sim->registry.OpenHandles(), 0);
}

}  // namespace
