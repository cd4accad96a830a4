#include "uninstall/record.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_codepage.h"
#include "platform/unicode.h"
#include "platform/win_constants.h"

namespace journal {
bool operator==(const KeyRef& a, const KeyRef& b) { return a.root == b.root && a.path == b.path; }
bool operator==(const ValueState& a, const ValueState& b) {
  return a.present == b.present && a.type == b.type && a.bytes == b.bytes;
}
}  // namespace journal

namespace uninstall {

bool operator==(const ValueChange& a, const ValueChange& b) {
  return a.key == b.key && a.name == b.name && a.before == b.before && a.after == b.after;
}
bool operator==(const FileContent& a, const FileContent& b) {
  return a.size == b.size && a.hash == b.hash;
}
bool operator==(const PlacedFile& a, const PlacedFile& b) {
  return a.path == b.path && a.content == b.content && a.backup == b.backup &&
         a.backupContent == b.backupContent && a.backupAttributes == b.backupAttributes &&
         a.done == b.done;
}
bool operator==(const Installation& a, const Installation& b) {
  return a.number == b.number && a.format == b.format && a.earlierRecords == b.earlierRecords &&
         a.foldersMade == b.foldersMade && a.files == b.files &&
         a.settingsFiles == b.settingsFiles && a.keysMade == b.keysMade && a.values == b.values &&
         a.unrecorded == b.unrecorded;
}

namespace {

using plat::kHkeyCurrentUser;
using plat::kHkeyLocalMachine;

std::string Utf16Bytes(const std::u16string& text, bool terminated = true) {
  std::string bytes;
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  if (terminated) bytes.append(2, '\0');
  return bytes;
}

RegValue Sz(const std::u16string& text, bool terminated = true) {
  return RegValue{true, plat::kRegSz, Utf16Bytes(text, terminated)};
}

const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";
const char kProfile[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
const char kAutoLoad32[] =
    "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\Applications\\VL_BatchPlot2008";

// Every kind of entry, and values of every spelling: text with characters code page 936
// cannot hold (U+4DAE and a surrogate pair), without a terminator, with a zero and a line
// break inside (those need hex), a dword, a missing value.
Record Sample() {
  Record record;
  record.folder = kFolder;
  Installation first;
  first.number = 1;
  first.foldersMade = {"C:\\Velmar", kFolder};
  first.files = {
      {std::string(kFolder) + "\\itextsharp.dll", {1234, 0x0123456789abcdefull}, "", {}},
      {"C:\\Program Files\\AutoCAD 2008\\Drv\\pdfplot9.hdi", {30, 0xffffffffffffffffull},
       std::string(kFolder) + "\\Backup\\1 pdfplot9.hdi", {30, 0xffffffffffffffffull}},
  };
  first.settingsFiles = {"C:\\users\\用户\\AppData\\Roaming\\Velmar\\Velmar.Ini"};
  first.keysMade = {{kHkeyLocalMachine, kAutoLoad32}, {kHkeyCurrentUser, kProfile}};
  const uint32_t two = 2;
  first.values = {
      {{kHkeyLocalMachine, kAutoLoad32}, "LOADCTRLS", {},
       {true, plat::kRegDword, std::string(reinterpret_cast<const char*>(&two), 4)}},
      {{kHkeyLocalMachine, kAutoLoad32}, "LOADER", {},
       Sz(u"C:\\Velmar\\Velmar批打印软件\\VL_BatchPlot2008.ARX", false)},
      {{kHkeyCurrentUser, kProfile}, "TRUSTEDPATHS", Sz(u"d:\\lisp\\䶮\U00020000;\"q\""),
       Sz(u"D:\\LISP\\䶮\U00020000;\"Q\";C:\\VELMAR\\VELMAR批打印软件")},
      {{kHkeyCurrentUser, kProfile}, "TRUSTEDPATHS", Sz(std::u16string(u"a\0b\nc", 5)),
       {true, plat::kRegExpandSz, "\x41"}},
      {{kHkeyCurrentUser, kProfile}, "TRUSTEDPATHS", Sz(u""), {true, plat::kRegBinary, ""}},
      {{kHkeyCurrentUser, kProfile}, "", {}, Sz(u"the key's default value")},
  };
  Installation second;
  second.number = 3;
  second.format = 2;
  second.earlierRecords = {"D:\\Tools\\Velmar批打印软件\\Uninstall.txt"};
  // A host file saved before a write, read-only as it was; one saved without its attributes.
  second.files = {
      {"C:\\CAD\\Fonts\\Velmar_EN.shx", {7, 9}, std::string(kFolder) + "\\Backup\\3-1 Velmar_EN.shx",
       {7, 9}, plat::kAttrReadOnly | plat::kAttrArchive},
      {"C:\\CAD\\Fonts\\Velmar_HZ.shx", {8, 10}, std::string(kFolder) + "\\Backup\\3-2 Velmar_HZ.shx",
       {8, 10}, 0},
      {"C:\\CAD\\Fonts\\Velmar_EN.shx", {21, 11}, "", {}, 0},
      // A copy a stop may have cut short.
      {"C:\\CAD\\Fonts\\Velmar_HZ.shx", {22, 12}, "", {}, 0, false},
  };
  second.unrecorded = {"write \\\\server\\CAD\\Fonts\\Velmar_EN.shx"};
  record.installations = {first, second};
  return record;
}

TEST(Record, ReadsBackWhatItWrote) {
  sim::SimCodePage text;
  const Record record = Sample();
  const std::string file = FormatRecord(text, record);
  Record back;
  std::string error;
  ASSERT_TRUE(ParseRecord(text, file, &back, &error)) << error << "\n" << file;
  EXPECT_EQ(back.folder, record.folder);
  ASSERT_EQ(back.installations.size(), 2u);
  EXPECT_TRUE(back.installations[0] == record.installations[0]);
  EXPECT_TRUE(back.installations[1] == record.installations[1]);
  EXPECT_EQ(FormatRecord(text, back), file);
}

// A person reads the file in Notepad: UTF-8 with its mark, one entry a line, plain texts.
TEST(Record, IsPlainTextAPersonCanRead) {
  sim::SimCodePage text;
  const std::string file = FormatRecord(text, Sample());
  EXPECT_EQ(file.compare(0, 3, "\xEF\xBB\xBF"), 0);
  for (const char* line : {
           u8"folder C:\\Velmar\\Velmar批打印软件\r\n",
           u8"value HKLM\\SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804\\"
           u8"Applications\\VL_BatchPlot2008\r\n  view 32-bit\r\n  name LOADCTRLS\r\n"
           u8"  before none\r\n  after REG_DWORD 2\r\n",
           u8"  after REG_SZ unterminated \"C:\\Velmar\\Velmar批打印软件\\VL_BatchPlot2008.ARX\"\r\n",
           u8"  view shared\r\n  name TRUSTEDPATHS\r\n  before REG_SZ \"d:\\lisp\\䶮\U00020000;\"q\"\"\r\n",
           u8"  before REG_SZ hex 6100000062000a0063000000\r\n  after REG_EXPAND_SZ hex 41\r\n",
           u8"  after REG_BINARY hex\r\n",
           u8"  content 1234 bytes fnv1a64 0123456789abcdef\r\n",
           u8"saved C:\\Program Files\\AutoCAD 2008\\Drv\\pdfplot9.hdi\r\n"
           u8"  backup C:\\Velmar\\Velmar批打印软件\\Backup\\1 pdfplot9.hdi\r\n"
           u8"  content 30 bytes fnv1a64 ffffffffffffffff\r\n",
           "\r\ninstallation 3\r\n  format 2\r\n",
           "  content 21 bytes fnv1a64 000000000000000b\r\n  done\r\n",
           "  content 22 bytes fnv1a64 000000000000000c\r\nunrecorded ",
           u8"settings C:\\users\\用户\\AppData\\Roaming\\Velmar\\Velmar.Ini\r\n",
           u8"  format 2\r\nearlier D:\\Tools\\Velmar批打印软件\\Uninstall.txt\r\n",
       }) {
    EXPECT_NE(file.find(line), std::string::npos) << line << "\nnot in\n" << file;
  }
  // Characters an editor may break a line at are no plain text: NEL, LS, PS.
  for (const char16_t breaking : {u'\u0085', u'\u2028', u'\u2029'}) {
    Installation inst;
    inst.number = 1;
    inst.values = {{{kHkeyCurrentUser, kProfile}, "TRUSTEDPATHS", {},
                    Sz(std::u16string(u"a") + breaking + u"b")}};
    const std::string entries = FormatEntries(text, inst, true);
    EXPECT_NE(entries.find("after REG_SZ hex 6100"), std::string::npos) << entries;
  }
}

TEST(Record, ReadsWithoutTheMarkAndWithUnixLineEnds) {
  sim::SimCodePage text;
  std::string file = FormatRecord(text, Sample()).substr(3);
  for (size_t at; (at = file.find("\r\n")) != std::string::npos;) file.erase(at, 1);
  Record back;
  std::string error;
  ASSERT_TRUE(ParseRecord(text, file, &back, &error)) << error;
  EXPECT_TRUE(back.installations[0] == Sample().installations[0]);
}

// Each row spoils a good record in one place; nothing of it may be taken as a record.
TEST(Record, RefusesATextThatIsNotAWholeRecord) {
  sim::SimCodePage text;
  const std::string good = FormatRecord(text, Sample());
  struct Row {
    const char* what;
    const char* find;     // replaced in the good text (first occurrence)
    const char* replace;
  };
  const Row rows[] = {
      {"another header", "Velmar uninstall record 1", "Velmar uninstall record 2"},
      {"an unknown entry", "made-folder C:\\Velmar\r\n", "made-file C:\\Velmar\r\n"},
      {"a file without its content", "  content 1234 bytes fnv1a64 0123456789abcdef\r\n", ""},
      {"a short hash", "fnv1a64 0123456789abcdef", "fnv1a64 0123456789abcde"},
      {"a hash in capitals", "fnv1a64 0123456789abcdef", "fnv1a64 0123456789ABCDEF"},
      {"a size with a leading zero", "content 1234 bytes", "content 01234 bytes"},
      {"a size beyond 64 bits", "content 1234 bytes", "content 18446744073709551616 bytes"},
      {"a backup apart from its file", "settings C:", "backup C:\\x\r\n  content 1 bytes fnv1a64 "
                                                     "0000000000000000\r\nsettings C:"},
      {"a view that is not the key's", "view 32-bit", "view 64-bit"},
      {"a dword that does not fit", "after REG_DWORD 2", "after REG_DWORD 4294967296"},
      {"a dword written as hex", "after REG_DWORD 2", "after REG_DWORD hex 02000000"},
      {"a text that could be written plainly, in hex", "after REG_EXPAND_SZ hex 41",
       "after REG_EXPAND_SZ hex 4100"},
      {"odd hex", "after REG_EXPAND_SZ hex 41", "after REG_EXPAND_SZ hex 4"},
      {"a text without its closing quote", "VL_BatchPlot2008.ARX\"", "VL_BatchPlot2008.ARX"},
      {"a type without a name", "after REG_BINARY hex", "after type-3 hex"},
      {"a detail without its entry", "\r\ninstallation 3", "\r\n  name X\r\ninstallation 3"},
      {"installations out of order", "installation 3", "installation 1"},
      {"an installation without a number", "installation 3", "installation"},
      {"an installation number past an int", "installation 3", "installation 4294967299"},
      {"a path code page 936 cannot hold", u8"earlier D:\\Tools", u8"earlier D:\\䶮"},
      {"bytes that are no UTF-8", u8"earlier D:\\Tools", "earlier D:\\\xC3"},
      {"a key below no root", "made-key HKCU\\", "made-key HKCR\\"},
      {"a line cut short", "  after REG_BINARY hex\r\n", ""},
      {"attributes of none", "attributes 33", "attributes 0"},
      {"attributes with a leading zero", "attributes 33", "attributes 033"},
      {"a mark under what is never marked", "made-folder C:\\Velmar\r\n",
       "made-folder C:\\Velmar\r\n  done\r\n"},
      {"a mark with a text", "  done\r\n", "  done twice\r\n"},
      {"a format this version does not know", "  format 2", "  format 3"},
  };
  for (const Row& row : rows) {
    std::string spoilt = good;
    const size_t at = spoilt.find(row.find);
    ASSERT_NE(at, std::string::npos) << row.what;
    spoilt.replace(at, std::string(row.find).size(), row.replace);
    Record back;
    std::string error;
    EXPECT_FALSE(ParseRecord(text, spoilt, &back, &error)) << row.what;
    EXPECT_EQ(error.compare(0, 5, "line "), 0) << row.what << ": " << error;
  }
  Record back;
  std::string error;
  EXPECT_FALSE(ParseRecord(text, "", &back, &error));
  EXPECT_FALSE(ParseRecord(text, good.substr(0, good.find("folder ")), &back, &error));
}

// A stop can cut the record anywhere: it reads up to its last whole entry, each entry whole
// or not at all, and never takes a saved host file for one the installation placed.
TEST(Record, ReadsARecordCutShortToItsLastWholeEntry) {
  sim::SimCodePage text;
  const Record full = Sample();
  const std::string bytes = FormatRecord(text, full);
  const size_t start = bytes.find("\r\n\r\ninstallation 1") + 2;
  size_t wholeBefore = 0;
  for (size_t cut = start; cut <= bytes.size(); ++cut) {
    Record back;
    std::string error;
    size_t whole = 0;
    ASSERT_TRUE(ParseRecord(text, bytes.substr(0, cut), &back, &error, &whole)) << cut << error;
    EXPECT_LE(whole, cut);
    wholeBefore = whole;
    // What is read is a beginning of what was written, entry by entry.
    ASSERT_LE(back.installations.size(), full.installations.size());
    for (size_t i = 0; i < back.installations.size(); ++i) {
      const Installation& got = back.installations[i];
      const Installation& all = full.installations[i];
      ASSERT_LE(got.files.size(), all.files.size()) << cut;
      for (size_t f = 0; f < got.files.size(); ++f) {
        // Cut before its mark, a copy is one a stop may have cut short.
        PlacedFile expected = all.files[f];
        const size_t mark = bytes.rfind("  done\r\n", cut);
        const bool last = i + 1 == back.installations.size() && f + 1 == got.files.size();
        if (last && mark != std::string::npos && cut < mark + 8)
          expected.done = false;
        EXPECT_TRUE(got.files[f] == expected) << cut;
      }
      ASSERT_LE(got.values.size(), all.values.size()) << cut;
      for (size_t v = 0; v < got.values.size(); ++v) EXPECT_TRUE(got.values[v] == all.values[v]) << cut;
    }
    // The whole part reads the same, and nothing after it is left to read.
    Record again;
    size_t wholeAgain = 0;
    ASSERT_TRUE(ParseRecord(text, bytes.substr(0, whole), &again, &error, &wholeAgain));
    EXPECT_EQ(wholeAgain, whole) << cut;
    ASSERT_EQ(again.installations.size(), back.installations.size()) << cut;
    if (!back.installations.empty()) {
      EXPECT_EQ(again.installations.back().files.size(), back.installations.back().files.size());
    }
  }
  EXPECT_EQ(wholeBefore, bytes.size());
}

// Records of earlier versions: every entry was written whole ahead of its change, and a
// file's backup followed it as an entry of its own; a file and its backup stand or fall
// together.
TEST(Record, ReadsTheRecordsOfEarlierVersions) {
  sim::SimCodePage text;
  const std::string head = "Velmar uninstall record 1\r\nfolder C:\\V\r\n\r\ninstallation 1\r\n"
                           "file C:\\CAD\\Drv\\pdfplot9.hdi\r\n  content 2 bytes fnv1a64 "
                           "0000000000000002\r\n";
  const std::string backup = "backup C:\\V\\Backup\\1 pdfplot9.hdi\r\n  attributes 1\r\n"
                             "  content 3 bytes fnv1a64 0000000000000003\r\n";
  const struct {
    std::string bytes;
    size_t files;
    size_t whole;
  } rows[] = {
      {head + backup, 1, (head + backup).size()},
      {head + backup.substr(0, 9), 0, head.find("file ")},
      {head + backup.substr(0, backup.find("  content")), 0, head.find("file ")},
      {head, 1, head.size()},
  };
  for (const auto& row : rows) {
    Record back;
    std::string error;
    size_t whole = 0;
    ASSERT_TRUE(ParseRecord(text, row.bytes, &back, &error, &whole)) << error;
    ASSERT_EQ(back.installations.size(), 1u);
    EXPECT_EQ(back.installations[0].format, 1);
    ASSERT_EQ(back.installations[0].files.size(), row.files) << row.bytes;
    EXPECT_EQ(whole, row.whole) << row.bytes;
    if (row.files == 0) continue;
    const PlacedFile& file = back.installations[0].files[0];
    EXPECT_TRUE(file.done);
    EXPECT_EQ(file.content.size, 2u);
    if (row.bytes.size() > head.size()) {
      EXPECT_EQ(file.backup, "C:\\V\\Backup\\1 pdfplot9.hdi");
      EXPECT_EQ(file.backupAttributes, 1u);
      EXPECT_EQ(file.backupContent.size, 3u);
    }
  }
}

TEST(Record, HashesTellContentsApart) {
  EXPECT_EQ(ContentHash(""), 0xcbf29ce484222325ull);
  EXPECT_EQ(ContentHash("a"), 0xaf63dc4c8601ec8cull);
  EXPECT_NE(ContentHash("ab"), ContentHash("ba"));
}

}  // namespace
}  // namespace uninstall
