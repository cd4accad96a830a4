#include "registration/trusted_paths.h"

#include <gtest/gtest.h>

#include <cctype>
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
  // As the host writes it: through the UTF-16 call, the count leaving out the terminator that
  // stands after the units (the registry stores it), and the last cut bytes.
  void SetWide(const std::string& profile, uint32_t type, const std::u16string& units,
               uint32_t cut) {
    plat::UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(kHkeyCurrentUser, profile + "\\Variables", key.put()),
              plat::kErrorSuccess);
    ASSERT_EQ(reg().SetValueW(key.get(), u"TRUSTEDPATHS", type, units.c_str(),
                              static_cast<uint32_t>(units.size() * 2 - cut)),
              plat::kErrorSuccess);
  }
  regtest::RawValue Trusted(const std::string& profile) {
    return regtest::ReadRaw(reg(), kHkeyCurrentUser, profile + "\\Variables", "TRUSTEDPATHS");
  }
  // The value as the UTF-16 call reads it: its type and its stored bytes, terminator included.
  std::pair<uint32_t, std::string> TrustedWide(const std::string& profile,
                                               const char16_t* name = u"TRUSTEDPATHS") {
    plat::UniqueKey key(reg());
    uint32_t type = 0, size = 0;
    if (reg().OpenKeyRead(kHkeyCurrentUser, profile + "\\Variables", key.put()) != 0 ||
        reg().QueryValueW(key.get(), name, &type, nullptr, &size) != 0) {
      return {0, "(missing)"};
    }
    std::string bytes(size, '\0');
    EXPECT_EQ(reg().QueryValueW(key.get(), name, &type,
                                reinterpret_cast<unsigned char*>(&bytes[0]), &size), 0);
    return {type, bytes};
  }
  void Run() { RegisterTrustedPaths(machine->platform(), catalogue); }

  std::unique_ptr<TestMachine> machine;
  InstallCatalogue catalogue;
};

// The bytes of UTF-16 units, as a wide call is handed them.
std::string Bytes(const std::u16string& units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

TEST_F(TrustedPathsTest, ValueRules) {
  const std::u16string zero(1, u'\0');
  const uint32_t kSz = plat::kRegSz;
  struct Case {
    const char* name;
    uint32_t type;  // 0: no value
    std::u16string before;
    const char* folder;
    std::u16string after;  // empty: the value is left exactly as it was
    uint32_t cut = 0;      // bytes at the end of before that are not written
  };
  const Case cases[] = {
      {"missing", 0, u"", "D:\\Tools", u"D:\\Tools"},
      {"empty", kSz, u"", "D:\\Tools", u"D:\\Tools"},
      {"drive only", kSz, u"C:", "D:\\Tools", u"D:\\Tools"},
      {"one double-byte character", kSz, u"批", "D:\\Tools", u"D:\\Tools"},
      {"three bytes are kept", kSz, u"c:\\", "D:\\Tools", u"C:\\;D:\\TOOLS"},
      {"appended upper-cased", kSz, u"c:\\data;e:\\lib", "D:\\Tools", u"C:\\DATA;E:\\LIB;D:\\TOOLS"},
      {"present in other case", kSz, u"C:\\DATA;d:\\tools", "D:\\Tools", u"C:\\DATA;D:\\TOOLS"},
      {"present first, after an empty entry", kSz, u";d:\\tools", "D:\\Tools", u";D:\\TOOLS"},
      {"trailing separator kept", kSz, u"C:\\DATA;", "D:\\Tools", u"C:\\DATA;;D:\\TOOLS"},
      {"longer name is another folder", kSz, u"D:\\TOOLS2", "D:\\Tools", u"D:\\TOOLS2;D:\\TOOLS"},
      {"name ending in it is another folder", kSz, u"xd:\\tools", "D:\\Tools", u"XD:\\TOOLS;D:\\TOOLS"},
      {"prefix of an entry", kSz, u"c:\\x;d:\\tools\\sub", "D:\\Tools",
       u"C:\\X;D:\\TOOLS\\SUB;D:\\TOOLS"},
      {"present with sub-folders", kSz, u"d:\\tools\\...;c:\\x", "D:\\Tools", u"D:\\TOOLS\\...;C:\\X"},
      {"present with trailing backslash", kSz, u"c:\\x;d:\\tools\\", "D:\\Tools",
       u"C:\\X;D:\\TOOLS\\"},
      {"only inside a longer value", kSz, u"c:\\d:\\tools", "D:\\Tools", u"C:\\D:\\TOOLS;D:\\TOOLS"},
      {"product folder present", kSz, u"c:\\velmar\\velmar批打印软件;c:\\a",
       "C:\\Velmar\\Velmar批打印软件", u"C:\\VELMAR\\VELMAR批打印软件;C:\\A"},
      // 淺 is 9C 5C: its trail byte is no backslash, so "淺" does not end in one.
      {"trail byte 5C is not a separator", kSz, u"d:\\淺\\x", "D:\\淺", u"D:\\淺\\X;D:\\淺"},
      {"full-width letters", kSz, u"d:\\ａｂ", "D:\\Tools", u"D:\\ＡＢ;D:\\TOOLS"},
      // Characters code page 936 cannot hold keep their units, cased or not; the rest is cased
      // as the code page does. ó (A8 AE) is in the code page, Ł, ź and U+4DAE are not.
      {"outside the code page", kSz, u"D:\\Łódź\\lisp", "D:\\Tools", u"D:\\ŁóDź\\LISP;D:\\TOOLS"},
      {"CJK extension A", kSz, u"d:\\䶮\\lisp;e:\\ａ䶮b", "D:\\Tools",
       u"D:\\䶮\\LISP;E:\\Ａ䶮B;D:\\TOOLS"},
      {"surrogate pair", kSz, u"e:\\\U00020000x;d:\\tools", "D:\\Tools", u"E:\\\U00020000X;D:\\TOOLS"},
      {"one character outside is no drive fragment", kSz, u"ł", "D:\\Tools", u"ł;D:\\TOOLS"},
      {"outside character is not the '?' it reads as", kSz, u"d:\\Ł", "D:\\?", u"D:\\Ł;D:\\?"},
      {"zeros after the text", kSz, u"c:\\a" + zero + zero, "D:\\Tools", u"C:\\A;D:\\TOOLS"},
      {"stored without its terminator", kSz, u"c:\\aX", "D:\\Tools", u"C:\\A;D:\\TOOLS", 2},
      {"expandable stays expandable", plat::kRegExpandSz, u"%USERPROFILE%\\lib", "D:\\Tools",
       u"%USERPROFILE%\\LIB;D:\\TOOLS"},
      // What the program cannot read whole, or does not understand, it must not overwrite.
      {"text after a zero", kSz, u"c:\\a" + zero + u"c:\\b", "D:\\Tools", u""},
      {"zero first", kSz, zero + u"c:\\a", "D:\\Tools", u""},
      {"half a unit at the end", kSz, u"c:\\ab", "D:\\Tools", u"", 1},
      {"list of texts", plat::kRegMultiSz, u"c:\\a" + zero + u"c:\\b" + zero, "D:\\Tools", u""},
      {"binary", plat::kRegBinary, u"c:", "D:\\Tools", u""},
      {"number", plat::kRegDword, std::u16string{5, 0}, "D:\\Tools", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    regtest::DeleteTree(reg(), kHkeyCurrentUser, kHost);
    const std::string profile = AddProfile("R23.1", "ACAD-3001:804", "<<未命名配置>>");
    if (c.type != 0) SetWide(profile, c.type, c.before, c.cut);
    const auto before = TrustedWide(profile);
    catalogue.installFolder = c.folder;

    RecordingPlatform recording(machine->platform());
    RegisterTrustedPaths(recording.platform, catalogue);

    if (c.after.empty()) {
      EXPECT_TRUE(recording.registry.calls.empty());
      EXPECT_EQ(TrustedWide(profile), before);
      continue;
    }
    const uint32_t type = c.type == plat::kRegExpandSz ? c.type : kSz;
    ASSERT_EQ(recording.registry.calls.size(), 1u);
    EXPECT_TRUE(recording.registry.calls[0].wide);
    EXPECT_EQ(recording.registry.calls[0].type, type);
    EXPECT_EQ(recording.registry.calls[0].bytes, Bytes(c.after));  // no terminator counted
    EXPECT_EQ(TrustedWide(profile), std::make_pair(type, Bytes(c.after + zero)));
    // A result the code page holds is stored exactly as its narrow write would be.
    std::string narrow;
    if (machine->platform().text.FromUtf16(c.after, &narrow)) {
      plat::UniqueKey key(reg());
      ASSERT_EQ(reg().OpenKey(kHkeyCurrentUser, profile + "\\Variables", key.put()), 0);
      ASSERT_EQ(reg().SetValue(key.get(), "Narrow", type, narrow.c_str(),
                               static_cast<uint32_t>(narrow.size())), 0);
      EXPECT_EQ(TrustedWide(profile, u"Narrow"), TrustedWide(profile));
    }
  }
}

TEST_F(TrustedPathsTest, EveryProfileOfEveryReleaseOnceOnly) {
  // Two products of one release with three profiles each, and a release the machine-wide
  // discovery never saw: the catalogue's release lists play no part. 淺 is 9C 5C and 乗 is
  // 81 5C: names whose last byte looks like a backslash. 150 characters take 300 bytes in code
  // page 936, more than a 256-byte name buffer (the whole path stays under the 260 characters
  // that the narrow registry calls convert).
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "配";
  const std::string profileNames[] = {"<<未命名配置>>", "Plot 乗", "淺", longName};
  std::vector<std::string> profiles;
  for (const char* product : {"ACAD-3001:804", "ACAD-3005:804"}) {
    for (const std::string& name : profileNames)
      profiles.push_back(AddProfile("R23.1", product, name));
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
  EXPECT_EQ(written, (std::vector<std::string>{Bytes(u"D:\\Tools"), Bytes(u"C:\\KEEP;D:\\TOOLS")}));
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
  // already listed, and B's last profile are deleted, and two profiles are added to B.
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
    AddProfile("R23.1", "ACAD-B:804", "Zy");
    AddProfile("R23.1", "ACAD-B:804", "Zz");
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
  // The count is taken once: of the two profiles added meanwhile, the one beyond it waits for
  // the next run.
  EXPECT_FALSE(Trusted(ProfilePath("R23.1", "ACAD-B:804", "Zz")).found);
  EXPECT_EQ(sim->registry.OpenHandles(), 0);
}

}  // namespace
