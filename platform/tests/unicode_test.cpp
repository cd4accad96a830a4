// The program's own UTF-8 files (record, log) and UTF-16 registry text meet here.
#include <gtest/gtest.h>

#include <string>

#include "platform/unicode.h"

namespace {

TEST(Unicode, ConvertsBetweenUtf8AndUtf16BothWays) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"", u""},
      {"C:\\Velmar", u"C:\\Velmar"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA", u"D:\\Łódź"},                 // two-byte forms
      {"\xE4\xB6\xAE\xE6\x89\xB9", u"䶮批"},                            // three-byte forms
      {"a\xF0\xA0\x80\x80" "b", u"a\U00020000b"},                        // a surrogate pair
      {"\xF0\x90\x80\x80\xEE\x80\x80", u"\U00010000\uE000"},           // the lowest pair
      {"\xF0\x9F\x98\x80", u"\U0001F600"},                            // an emoji
      {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80", u"\u007F\u0080\u07FF\u0800"},  // the form limits
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},            // the upper limits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::Utf16ToUtf8(c.utf16), c.utf8);
    std::u16string back = u"left from before";
    EXPECT_TRUE(plat::Utf8ToUtf16(c.utf8, &back)) << c.utf8;
    EXPECT_EQ(back, c.utf16);
  }
}

TEST(Unicode, RefusesMalformedUtf8AndMendsLoneSurrogates) {
  for (const char* bad : {"\x80", "a\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
                          "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
                          "\xE4\xB6" "a"}) {
    std::u16string out;
    EXPECT_FALSE(plat::Utf8ToUtf16(bad, &out)) << "accepted " << ::testing::PrintToString(bad);
  }
  EXPECT_EQ(plat::Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(plat::Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
  EXPECT_EQ(plat::Utf16ToUtf8(std::u16string{char16_t(0xDFFF), char16_t(0xDBFF)}),
            "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(plat::AsciiToUtf16("TRUSTEDPATHS"), u"TRUSTEDPATHS");
}

}  // namespace
