// Code page 936 text as the runtime's multibyte routines treat it, on both machines.
// 淺 is 9C 5C: its trail byte is a backslash. 乤 is 81 61: its trail byte is an 'a'.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "tests/support/test_machine.h"

namespace {

constexpr std::size_t npos = std::string::npos;

class CodePageContract : public ::testing::Test {
 protected:
  plat::CodePage& text() { return machine_->platform().text; }
  std::unique_ptr<TestMachine> machine_ = TestMachine::Create();
};

int Sign(int value) { return (value > 0) - (value < 0); }

TEST_F(CodePageContract, TellsLeadBytes) {
  struct Case {
    unsigned char byte;
    bool lead;
  };
  const Case cases[] = {{0x81, true},  {0x9C, true},  {0xFE, true}, {0x80, false},
                        {0xFF, false}, {0x5C, false}, {'a', false}, {0x00, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(text().IsLeadByte(c.byte), c.lead) << std::hex << int{c.byte};
  }
  ASSERT_EQ(std::string("淺"), "\x9C\x5C");
  ASSERT_EQ(std::string("乤"), "\x81\x61");
}

TEST_F(CodePageContract, FindsTheLastBackslashThatIsACharacter) {
  struct Case {
    std::string text;
    std::size_t at;
  };
  const Case cases[] = {
      {"C:\\Velmar\\淺", 9},
      {"C:\\淺淺", 2},
      {"淺", npos},
      {"淺\\x", 2},
      {"C:\\Velmar\\", 9},
      {"Velmar批打印软件", npos},
      {"", npos},
  };
  for (const Case& c : cases) EXPECT_EQ(text().LastBackslash(c.text), c.at) << c.text;
}

TEST_F(CodePageContract, ComparesWithoutLetterCase) {
  struct Case {
    std::string a, b;
    int sign;
  };
  const Case cases[] = {
      {"acad.exe", "ACAD.EXE", 0},
      {"Velmar批打印软件", "VELMAR批打印软件", 0},
      {"ａｂｃ", "ＡＢＣ", 0},      // full-width Latin
      {"αβγ", "ΑΒΓ", 0},            // Greek
      {"дом", "ДОМ", 0},            // Cyrillic
      {"乤", "\x81\x41", 1},         // a trail byte is not a letter
      {"abc", "abd", -1},
      {"ab", "abc", -1},
      {"批", "打", 1},               // C5FA against B4F2: byte order of the characters
      {"C:\\淺", "c:\\淺", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(text().CompareNoCase(c.a, c.b)), c.sign) << c.a << " / " << c.b;
    EXPECT_EQ(Sign(text().CompareNoCase(c.b, c.a)), -c.sign) << c.b << " / " << c.a;
  }
}

TEST_F(CodePageContract, ChangesLetterCaseOfWholeCharacters) {
  struct Case {
    std::string lower, upper;
  };
  const Case cases[] = {
      {"c:\\velmar\\velmar批打印软件", "C:\\VELMAR\\VELMAR批打印软件"},
      {"ａｚ", "ＡＺ"},
      {"αω", "ΑΩ"},
      {"аяё", "АЯЁ"},
      {"ⅰⅹ", "ⅠⅩ"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text().Upper(c.lower), c.upper) << c.lower;
    EXPECT_EQ(text().Lower(c.upper), c.lower) << c.upper;
  }
  // Trail bytes that look like letters stay as they are.
  EXPECT_EQ(text().Upper("乤a"), "乤A");
  EXPECT_EQ(text().Lower("\x81\x41Z"), "\x81\x41z");
}

TEST_F(CodePageContract, FindsSubstringsOnlyAtCharacterStarts) {
  struct Case {
    std::string haystack, needle;
    std::size_t at;
  };
  const Case cases[] = {
      {"淺x", "\\x", npos},
      {"C:\\淺\\x", "\\x", 5},
      {"乤a", "aa", npos},
      {"乤a", "a", 2},
      {"C:\\Program Files\\Autodesk\\acad.exe", "acad.exe", 26},
      {"acad", "acad.exe", npos},
      {"abab", "ba", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text().Find(c.haystack, c.needle), c.at) << c.haystack << " / " << c.needle;
  }
}

TEST_F(CodePageContract, ConvertsToAndFromUtf16) {
  struct Case {
    const char* label;
    std::string narrow;
    std::u16string wide;
  };
  const Case cases[] = {
      {"install folder", "C:\\Velmar\\Velmar批打印软件", u"C:\\Velmar\\Velmar批打印软件"},
      {"trail byte 5C", "淺\\x", u"淺\\x"},
      {"pinyin vowel in the code page", "\xA8\xAE", u"ó"},
      {"empty", "", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(text().ToUtf16(c.narrow), c.wide);
    std::string back = "stale";
    EXPECT_TRUE(text().FromUtf16(c.wide, &back));
    EXPECT_EQ(back, c.narrow);
  }
  // Characters the code page cannot hold: no best-fit letter, a '?' each, and the call says so.
  struct Lossy {
    std::u16string wide;
    std::string narrow;
  };
  const Lossy lossy[] = {
      {u"D:\\Łódź", "D:\\?\xA8\xAE" "d?"},
      {u"䶮", "?"},
      {u"a\U00020000b", "a??b"},  // a surrogate pair: a '?' for each of its units
  };
  for (const Lossy& c : lossy) {
    std::string narrow;
    EXPECT_FALSE(text().FromUtf16(c.wide, &narrow));
    EXPECT_EQ(narrow, c.narrow);
  }
}

}  // namespace
