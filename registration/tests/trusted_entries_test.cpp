#include "registration/trusted_entries.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_codepage.h"

namespace {

const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";

// 䶮 (U+4DAE) and U+20000 have no form in code page 936; they must come back unit for unit.
TEST(TrustedEntries, TakesOutOnlyTheFolderAndOneSeparator) {
  sim::SimCodePage text;
  struct Row {
    std::u16string value;
    std::u16string after;  // same as value: nothing to take out
  };
  const Row rows[] = {
      {u"C:\\A;C:\\VELMAR\\VELMAR批打印软件", u"C:\\A"},
      {u"C:\\VELMAR\\VELMAR批打印软件;d:\\䶮\U00020000", u"d:\\䶮\U00020000"},
      {u"a;c:\\velmar\\velmar批打印软件;b", u"a;b"},
      {u"C:\\Velmar\\Velmar批打印软件", u""},
      {u"a;;C:\\Velmar\\Velmar批打印软件;;b", u"a;;;b"},
      {u";C:\\Velmar\\Velmar批打印软件", u""},
      {u"C:\\Velmar\\Velmar批打印软件;x;C:\\VELMAR\\Velmar批打印软件", u"x"},
      {u"C:\\VELMAR\\VELMAR批打印软件\\;C:\\VELMAR\\VELMAR批打印软件\\...",
       u"C:\\VELMAR\\VELMAR批打印软件\\;C:\\VELMAR\\VELMAR批打印软件\\..."},
      {u"C:\\VELMAR\\VELMAR批打印软件2;D:\\C:\\VELMAR\\VELMAR批打印软件",
       u"C:\\VELMAR\\VELMAR批打印软件2;D:\\C:\\VELMAR\\VELMAR批打印软件"},
      // An entry with a zero inside is not the folder, though text up to the zero would be.
      {u"a;C:\\Velmar\\Velmar批打印软件" + std::u16string(1, u'\0') + u";b",
       u"a;C:\\Velmar\\Velmar批打印软件" + std::u16string(1, u'\0') + u";b"},
      {u"", u""},
  };
  for (const Row& row : rows) {
    std::u16string value = row.value;
    EXPECT_EQ(RemoveFolderEntry(text, &value, kFolder), row.after != row.value);
    EXPECT_TRUE(value == row.after) << value.size();
  }
}

TEST(TrustedEntries, KnowsWhenTheFolderWasTrustedAlready) {
  sim::SimCodePage text;
  struct Row {
    std::u16string value;
    bool trusts;
  };
  const Row rows[] = {
      {u"C:\\A;c:\\velmar\\VELMAR批打印软件", true},
      {u"C:\\VELMAR\\VELMAR批打印软件\\;x", true},
      {u"C:\\VELMAR\\VELMAR批打印软件\\...", true},
      {u"C:\\VELMAR\\VELMAR批打印软件2", false},
      {u"C:\\VELMAR", false},
      {u"C:", false},
      {u"", false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsTrusted(text, row.value, kFolder), row.trusts);
}

}  // namespace
