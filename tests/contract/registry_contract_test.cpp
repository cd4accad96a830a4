// The registry semantics the logic relies on, checked on the simulated and the real registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_values.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "tests/contract/contract_machine.h"
#include "tests/support/test_machine.h"

namespace {

using plat::HKey;
using plat::kErrorSuccess;
using plat::UniqueKey;

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = std::string("Software\\VelmarContract\\") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    regtest::DeleteTree(reg(), plat::kHkeyCurrentUser, scratch_);
    regtest::CreatePath(reg(), plat::kHkeyCurrentUser, scratch_);
  }
  void TearDown() override {
    regtest::DeleteTree(reg(), plat::kHkeyCurrentUser, scratch_);
    if (sim::Machine* simulated = machine_->simulated()) {
      EXPECT_EQ(simulated->registry.OpenHandles(), 0) << "a handle was left open";
    }
  }

  plat::Registry& reg() { return machine_->platform().registry; }
  std::string Path(const std::string& below) const { return scratch_ + "\\" + below; }
  UniqueKey Open(const std::string& below) {
    UniqueKey key(reg());
    EXPECT_EQ(reg().OpenKeyRead(plat::kHkeyCurrentUser, Path(below), key.put()), kErrorSuccess)
        << below;
    return key;
  }
  std::vector<std::string> SubKeys(HKey key) {
    std::vector<std::string> names;
    for (uint32_t i = 0;; ++i) {
      char name[256];
      uint32_t size = sizeof(name);
      long result = reg().EnumKey(key, i, name, &size);
      if (result == plat::kErrorNoMoreItems) break;
      EXPECT_EQ(result, kErrorSuccess);
      if (result != kErrorSuccess) break;
      names.emplace_back(name, size);
    }
    return names;
  }

  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
  std::string scratch_;
};

TEST_F(RegistryContract, OpensPathsWithoutLetterCaseAndWithTrailingBackslash) {
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Alpha\\Beta"), "Marker", "beta");
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Profiles\\<<未命名配置>>Ab\\Variables"),
                     "Marker", "profile");
  struct Case {
    const char* path;
    long result;
    const char* marker;  // the Marker value of the key opened
  };
  const Case cases[] = {
      {"Alpha\\Beta", kErrorSuccess, "beta"},
      {"Alpha\\Beta\\", kErrorSuccess, "beta"},
      {"ALPHA\\bEtA", kErrorSuccess, "beta"},
      {"PROFILES\\<<未命名配置>>aB\\variables\\", kErrorSuccess, "profile"},
      {"Alpha\\Gamma", plat::kErrorFileNotFound, nullptr},
      {"Profiles\\<<未命名配置>>\\Variables", plat::kErrorFileNotFound, nullptr},
  };
  for (const Case& c : cases) {
    for (bool readOnly : {false, true}) {
      SCOPED_TRACE(std::string(c.path) + (readOnly ? " (RegOpenKeyExA)" : " (RegOpenKeyA)"));
      UniqueKey key(reg());
      long result = readOnly ? reg().OpenKeyRead(plat::kHkeyCurrentUser, Path(c.path), key.put())
                             : reg().OpenKey(plat::kHkeyCurrentUser, Path(c.path), key.put());
      ASSERT_EQ(result, c.result);
      if (!c.marker) {
        EXPECT_EQ(key.get(), plat::kNoKey);
        continue;
      }
      unsigned char data[256] = {};
      uint32_t size = sizeof(data);
      ASSERT_EQ(reg().QueryValue(key.get(), "MARKER", nullptr, data, &size), kErrorSuccess);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), c.marker);
    }
  }
}

TEST_F(RegistryContract, EmptySubKeyNameGivesTheSameOrASecondHandle) {
  regtest::SetDword(reg(), plat::kHkeyCurrentUser, Path("Key"), "Value", 7);
  UniqueKey key = Open("Key");

  HKey same = plat::kNoKey;
  ASSERT_EQ(reg().OpenKey(key.get(), "", &same), kErrorSuccess);
  EXPECT_EQ(same, key.get()) << "RegOpenKeyA with an empty name hands back the parent handle";

  UniqueKey second(reg());
  ASSERT_EQ(reg().OpenKeyRead(key.get(), "", second.put()), kErrorSuccess);
  EXPECT_NE(second.get(), key.get());
  key.reset();  // the second handle outlives the first
  uint32_t value = 0, type = 0, size = sizeof(value);
  ASSERT_EQ(reg().QueryValue(second.get(), "value", &type,
                             reinterpret_cast<unsigned char*>(&value), &size),
            kErrorSuccess);
  EXPECT_EQ(type, plat::kRegDword);
  EXPECT_EQ(value, 7u);
}

TEST_F(RegistryContract, EnumeratesSubKeysInTheRegistrysOrder) {
  struct Case {
    std::vector<std::string> created;
    std::vector<std::string> listed;
  };
  // Windows compares the names in upper case, so '_' (0x5F) comes after the letters; Wine
  // compares them in lower case and lists it first. The program relies on neither.
  const std::vector<std::string> windows = {"A.txt", "a2.txt", "b.txt", "c.txt", "Z.txt", "_x.txt"};
  const std::vector<std::string> wine = {"_x.txt", "A.txt", "a2.txt", "b.txt", "c.txt", "Z.txt"};
  const Case cases[] = {
      {{"c.txt", "Z.txt", "a2.txt", "_x.txt", "b.txt", "A.txt"},
       contract::UnderWine() ? wine : windows},
      // Chinese names sort by their UTF-16 code units (未 U+672A before 配 U+914D), not by
      // their code page 936 bytes (配 C5E4 before 未 CEB4).
      {{"配置", "<<未命名配置>>", "未命名", "Default"},
       {"<<未命名配置>>", "Default", "未命名", "配置"}},
  };
  int round = 0;
  for (const Case& c : cases) {
    std::string folder = "Round" + std::to_string(round++);
    for (const std::string& name : c.created) {
      regtest::CreatePath(reg(), plat::kHkeyCurrentUser, Path(folder + "\\" + name));
    }
    UniqueKey key = Open(folder);
    uint32_t count = 0;
    ASSERT_EQ(reg().QuerySubKeyCount(key.get(), &count), kErrorSuccess);
    EXPECT_EQ(count, c.created.size());
    EXPECT_EQ(SubKeys(key.get()), c.listed);
  }
}

TEST_F(RegistryContract, EnumeratesALongestKeyNameIntoA256ByteBuffer) {
  const std::string longest(255, 'k');
  UniqueKey key(reg());
  ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("Parent"), key.put()), kErrorSuccess);
  {
    // Created below the parent's handle: Wine converts an ANSI sub-key path in a buffer of
    // 260 characters, too short for the scratch path and this name together.
    UniqueKey child(reg());
    ASSERT_EQ(reg().CreateKey(key.get(), longest, child.put()), kErrorSuccess);
  }
  struct Case {
    uint32_t buffer;
    long result;
  };
  for (const Case& c : {Case{256, kErrorSuccess}, Case{255, plat::kErrorMoreData}}) {
    SCOPED_TRACE(c.buffer);
    std::vector<char> name(c.buffer);
    uint32_t size = c.buffer;
    ASSERT_EQ(reg().EnumKey(key.get(), 0, name.data(), &size), c.result);
    if (c.result != kErrorSuccess) continue;
    EXPECT_EQ(size, 255u);
    EXPECT_EQ(std::string(name.data(), size), longest);
  }
}

TEST_F(RegistryContract, ReadsValuesAndTheirSizes) {
  const std::string text(300, 'v');
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Values"), "Long", text);
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Values"), "Short", "C:\\Velmar");
  regtest::SetDword(reg(), plat::kHkeyCurrentUser, Path("Values"), "Number", 0x12345678);
  UniqueKey key = Open("Values");
  struct Case {
    const char* name;
    bool withBuffer;
    uint32_t buffer;
    long result;
    uint32_t type;
    uint32_t size;  // as answered
  };
  const Case cases[] = {
      {"Long", true, 256, plat::kErrorMoreData, plat::kRegSz, 301},
      {"Long", false, 0, kErrorSuccess, plat::kRegSz, 301},
      {"long", true, 301, kErrorSuccess, plat::kRegSz, 301},
      {"SHORT", true, 256, kErrorSuccess, plat::kRegSz, 10},
      {"Number", true, 256, kErrorSuccess, plat::kRegDword, 4},
      {"Number", true, 3, plat::kErrorMoreData, plat::kRegDword, 4},
      {"Missing", true, 256, plat::kErrorFileNotFound, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " into " + std::to_string(c.buffer));
    std::vector<unsigned char> data(c.buffer + 1);
    uint32_t type = 0, size = c.buffer;
    long result = reg().QueryValue(key.get(), c.name, &type, c.withBuffer ? data.data() : nullptr,
                                   &size);
    ASSERT_EQ(result, c.result);
    if (result == plat::kErrorFileNotFound) continue;
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.size);
  }
}

TEST_F(RegistryContract, WritesARegSzWithTheByteCountGiven) {
  struct Case {
    const char* label;
    std::string buffer;  // what the caller's memory holds from the data pointer on
    uint32_t count;
    std::string stored;  // the bytes read back
  };
  const std::string loader = "C:\\Velmar\\Velmar批打印软件\\淺.arx";
  const Case cases[] = {
      // A zero right after the counted text is taken in as its terminator.
      {"terminator not counted", std::string("abc\0", 4), 3, std::string("abc\0", 4)},
      {"terminator counted", std::string("abc\0", 4), 4, std::string("abc\0", 4)},
      {"text not followed by zero", "abcX", 3, "abc"},
      {"ends in zero already", std::string("ab\0\0", 4), 3, std::string("ab\0", 3)},
      {"code page 936 text", loader + std::string(1, '\0'), static_cast<uint32_t>(loader.size()),
       loader + std::string(1, '\0')},
  };
  UniqueKey key(reg());
  ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("Strings"), key.put()), kErrorSuccess);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_EQ(reg().SetValue(key.get(), "LOADER", plat::kRegSz, c.buffer.data(), c.count),
              kErrorSuccess);
    regtest::RawValue raw = regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("Strings"),
                                             "loader");
    ASSERT_TRUE(raw.found);
    EXPECT_EQ(raw.type, plat::kRegSz);
    EXPECT_EQ(raw.bytes, c.stored);
  }
}

TEST_F(RegistryContract, WritesADword) {
  regtest::SetDword(reg(), plat::kHkeyCurrentUser, Path("Dword"), "LOADCTRLS", 0x0e);
  regtest::RawValue raw = regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("Dword"),
                                           "loadctrls");
  ASSERT_TRUE(raw.found);
  EXPECT_EQ(raw.type, plat::kRegDword);
  EXPECT_EQ(raw.bytes, std::string("\x0e\0\0\0", 4));
}

TEST_F(RegistryContract, CreateOpensExistingKeysAndMakesMissingLevels) {
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Existing"), "Kept", "yes");
  {
    UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("EXISTING"), key.put()),
              kErrorSuccess);
    uint32_t size = 0;
    EXPECT_EQ(reg().QueryValue(key.get(), "Kept", nullptr, nullptr, &size), kErrorSuccess);
  }
  {
    UniqueKey key(reg());
    ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("New\\Two\\Three"), key.put()),
              kErrorSuccess);
  }
  EXPECT_TRUE(regtest::KeyExists(reg(), plat::kHkeyCurrentUser, Path("new\\two")));
  EXPECT_TRUE(regtest::KeyExists(reg(), plat::kHkeyCurrentUser, Path("New\\Two\\Three")));
}

TEST_F(RegistryContract, AKeyOpenedForReadingTakesNoValues) {
  regtest::CreatePath(reg(), plat::kHkeyCurrentUser, Path("ReadOnly"));
  UniqueKey key = Open("ReadOnly");
  const char text[] = "x";
  EXPECT_EQ(reg().SetValue(key.get(), "Value", plat::kRegSz, text, 1), plat::kErrorAccessDenied);
  EXPECT_FALSE(regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("ReadOnly"), "Value").found);

  // RegOpenKeyA opens with every right the caller has.
  UniqueKey writable(reg());
  ASSERT_EQ(reg().OpenKey(plat::kHkeyCurrentUser, Path("ReadOnly"), writable.put()),
            kErrorSuccess);
  EXPECT_EQ(reg().SetValue(writable.get(), "Value", plat::kRegSz, text, 1), kErrorSuccess);
}

TEST_F(RegistryContract, DeleteDoesNotRecurse) {
  regtest::CreatePath(reg(), plat::kHkeyCurrentUser, Path("Parent\\Child"));
  struct Case {
    const char* path;
    long result;
  };
  const Case steps[] = {
      // A key with sub-keys answers access denied, not "key has children".
      {"Parent", plat::kErrorAccessDenied},
      {"PARENT\\child", kErrorSuccess},
      {"Parent", kErrorSuccess},
      {"Parent", plat::kErrorFileNotFound},
  };
  for (const Case& step : steps) {
    SCOPED_TRACE(step.path);
    EXPECT_EQ(reg().DeleteKey(plat::kHkeyCurrentUser, Path(step.path)), step.result);
  }
  EXPECT_FALSE(regtest::KeyExists(reg(), plat::kHkeyCurrentUser, Path("Parent")));
}

TEST_F(RegistryContract, ReachesThe32BitViewThroughAnExplicitWow6432NodePath) {
  // A 64-bit process opens these paths as written: no redirection, two distinct keys.
  const std::string native = "SOFTWARE\\VelmarContract\\Views";
  const std::string wow = "SOFTWARE\\Wow6432Node\\VelmarContract\\Views";
  for (const std::string& path : {native, wow}) {
    regtest::DeleteTree(reg(), plat::kHkeyLocalMachine, path);
  }
  regtest::SetString(reg(), plat::kHkeyLocalMachine, native, "Bits", "64");
  regtest::SetString(reg(), plat::kHkeyLocalMachine, wow, "Bits", "32");
  EXPECT_EQ(regtest::ReadRaw(reg(), plat::kHkeyLocalMachine, native, "Bits").bytes,
            std::string("64\0", 3));
  EXPECT_EQ(regtest::ReadRaw(reg(), plat::kHkeyLocalMachine, wow, "Bits").bytes,
            std::string("32\0", 3));
  for (const std::string& path : {native, wow}) {
    regtest::DeleteTree(reg(), plat::kHkeyLocalMachine, path);
  }
}

std::string Utf16Le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// Text values are stored in UTF-16: what the narrow calls write reads back whole through the
// wide ones, and a character code page 936 cannot hold reads back narrow as '?'.
TEST_F(RegistryContract, KeepsTextInUtf16ForBothForms) {
  UniqueKey key(reg());
  ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("Wide"), key.put()), kErrorSuccess);
  const std::u16string name = u"TRUSTEDPATHS";
  struct Case {
    const char* label;
    bool wideWrite;
    std::string written;   // the bytes handed over, with what follows them in memory
    uint32_t count;
    std::string wideRead;  // the bytes RegQueryValueExW answers
    std::string narrowRead;
  };
  const std::u16string foreign = u"D:\\Łódź\\lisp;D:\\䶮\\lisp";
  const std::string foreignBytes = Utf16Le(foreign);
  const std::string zero2(2, '\0');
  const Case cases[] = {
      {"narrow code page 936 text", false, std::string("C:\\淺\0", 6), 5,
       Utf16Le(u"C:\\淺") + zero2, std::string("C:\\淺\0", 6)},
      {"wide text, terminator counted", true, foreignBytes + zero2,
       static_cast<uint32_t>(foreignBytes.size() + 2), foreignBytes + zero2,
       // ó is in code page 936 (A8 AE); Ł, ź and U+4DAE are not.
       "D:\\?\xA8\xAE" "d?\\lisp;D:\\?\\lisp" + std::string(1, '\0')},
      {"wide text, terminator left out", true, foreignBytes + zero2,
       static_cast<uint32_t>(foreignBytes.size()), foreignBytes + zero2,
       "D:\\?\xA8\xAE" "d?\\lisp;D:\\?\\lisp" + std::string(1, '\0')},
      {"wide text with a zero inside", true, Utf16Le(u"A") + zero2 + Utf16Le(u"B") + zero2,
       8, Utf16Le(u"A") + zero2 + Utf16Le(u"B") + zero2, std::string("A\0B\0", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.wideWrite) {
      ASSERT_EQ(reg().SetValueW(key.get(), name, plat::kRegSz, c.written.data(), c.count),
                kErrorSuccess);
    } else {
      ASSERT_EQ(reg().SetValue(key.get(), "TrustedPaths", plat::kRegSz, c.written.data(), c.count),
                kErrorSuccess);
    }
    uint32_t type = 0, size = 0;
    ASSERT_EQ(reg().QueryValueW(key.get(), name, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, plat::kRegSz);
    EXPECT_EQ(size, c.wideRead.size());
    std::string wide(size, '\x7F');
    ASSERT_EQ(reg().QueryValueW(key.get(), name, &type,
                                reinterpret_cast<unsigned char*>(&wide[0]), &size),
              kErrorSuccess);
    EXPECT_EQ(wide, c.wideRead);
    regtest::RawValue narrow = regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("Wide"),
                                                "trustedpaths");
    EXPECT_EQ(narrow.bytes, c.narrowRead);
  }
  // A buffer too small for the wide text answers "more data" and the size needed.
  uint32_t small = 4;
  unsigned char buffer[4];
  EXPECT_EQ(reg().QueryValueW(key.get(), name, nullptr, buffer, &small), plat::kErrorMoreData);
  EXPECT_EQ(small, 8u);
}

TEST_F(RegistryContract, DeletesValuesAndCountsThem) {
  regtest::SetString(reg(), plat::kHkeyCurrentUser, Path("Values"), "One", "1");
  regtest::SetDword(reg(), plat::kHkeyCurrentUser, Path("Values"), "Two", 2);
  regtest::CreatePath(reg(), plat::kHkeyCurrentUser, Path("Values\\Below"));
  UniqueKey key(reg());
  ASSERT_EQ(reg().OpenKey(plat::kHkeyCurrentUser, Path("Values"), key.put()), kErrorSuccess);
  uint32_t count = 99;
  ASSERT_EQ(reg().QueryValueCount(key.get(), &count), kErrorSuccess);
  EXPECT_EQ(count, 2u);
  uint32_t subKeys = 99, values = 99;
  ASSERT_EQ(reg().QueryKeyCounts(key.get(), &subKeys, &values), kErrorSuccess);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(reg().DeleteValue(key.get(), "ONE"), kErrorSuccess);
  EXPECT_EQ(reg().DeleteValue(key.get(), "One"), plat::kErrorFileNotFound);
  ASSERT_EQ(reg().QueryValueCount(key.get(), &count), kErrorSuccess);
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("Values"), "One").found);

  UniqueKey readOnly = Open("Values");
  EXPECT_EQ(reg().DeleteValue(readOnly.get(), "Two"), plat::kErrorAccessDenied);
  EXPECT_TRUE(regtest::ReadRaw(reg(), plat::kHkeyCurrentUser, Path("Values"), "Two").found);
  UniqueKey empty = Open("Values\\Below");
  ASSERT_EQ(reg().QueryValueCount(empty.get(), &count), kErrorSuccess);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(reg().QueryKeyCounts(empty.get(), &subKeys, &values), kErrorSuccess);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
}

// A value read whole in one call, whatever its length and however it was stored.
TEST_F(RegistryContract, ReadsAValueWholeInOneCall) {
  UniqueKey key(reg());
  ASSERT_EQ(reg().CreateKey(plat::kHkeyCurrentUser, Path("Typed"), key.put()), kErrorSuccess);
  const std::u16string longText(5000, u'淺');
  const std::string unterminated = plat::Utf16Bytes(u"no end");
  ASSERT_EQ(plat::WriteText(reg(), key.get(), u"Long", longText), kErrorSuccess);
  ASSERT_EQ(reg().SetValueW(key.get(), u"Bare", plat::kRegExpandSz, unterminated.data(),
                            static_cast<uint32_t>(unterminated.size())), kErrorSuccess);
  ASSERT_EQ(plat::WriteMultiString(reg(), key.get(), u"List", {u"C:\\a", u"淺"}), kErrorSuccess);
  ASSERT_EQ(plat::WriteDword(reg(), key.get(), u"Number", 0x01020304), kErrorSuccess);
  std::u16string text;
  EXPECT_EQ(plat::ReadText(reg(), key.get(), u"Long", &text), kErrorSuccess);
  EXPECT_EQ(text, longText);
  EXPECT_EQ(plat::ReadText(reg(), key.get(), u"Bare", &text), kErrorSuccess);
  EXPECT_EQ(text, u"no end");
  uint32_t type = 0;
  std::string bytes;
  EXPECT_EQ(plat::ReadValue(reg(), key.get(), u"Long", &type, &bytes), kErrorSuccess);
  EXPECT_EQ(bytes.size(), 10002u) << "the terminator as stored";
  std::vector<std::u16string> list;
  EXPECT_EQ(plat::ReadMultiString(reg(), key.get(), u"List", &list), kErrorSuccess);
  EXPECT_EQ(list, (std::vector<std::u16string>{u"C:\\a", u"淺"}));
  uint32_t number = 0;
  EXPECT_EQ(plat::ReadDword(reg(), key.get(), u"Number", &number), kErrorSuccess);
  EXPECT_EQ(number, 0x01020304u);
  // Another type, or no value: told, and nothing read.
  EXPECT_EQ(plat::ReadDword(reg(), key.get(), u"List", &number), plat::kErrorUnsupportedType);
  EXPECT_EQ(plat::ReadText(reg(), key.get(), u"Number", &text), plat::kErrorUnsupportedType);
  EXPECT_EQ(plat::ReadText(reg(), key.get(), u"Missing", &text), plat::kErrorFileNotFound);
  EXPECT_EQ(text, u"no end");
}

}  // namespace
