#include "ui/path_checks.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace {

// Double-byte characters of code page 936 whose trail byte is a character the checks reject.
const std::string kQian = "淺";  // 9C 5C: trail byte '\\'
const std::string kCheng = "乗";  // 81 5C
const std::string kJue = "亅";    // 81 7C: trail byte '|'

std::set<std::string> FolderNames(sim::Machine& m, const std::string& folder);

// Taken byte by byte, each of these characters would end a folder name or spoil it; taken as
// the character it is, it is one more letter of the name.
TEST(PathChecks, ATrailByteThatEqualsASeparatorBelongsToItsCharacter) {
  struct Case {
    const std::string& character;
    const char* bytes;
  };
  const Case cases[] = {{kQian, "\x9C\x5C"}, {kCheng, "\x81\x5C"}, {kJue, "\x81\x7C"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    ASSERT_EQ(c.character, c.bytes);
    sim::Machine m;
    const std::string name = "a" + c.character;
    const std::string path = "C:\\" + name;
    EXPECT_TRUE(picker::IsValidPathComponent(m.text, name.c_str()));
    EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, path.c_str(), true), 0);
    EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, path.c_str(), false), 0);
    EXPECT_EQ(FolderNames(m, "C:").count(name), 1u);
  }
}

TEST(PathChecks, IsValidPathComponent) {
  sim::Machine m;
  struct Case {
    const char* name;
    bool valid;
  };
  const std::string qianTail = "a" + kQian;
  const std::string jue = kJue;
  const std::string chengDot = kCheng + ".";
  const Case cases[] = {
      {nullptr, false},      {"", false},           {"Plot", true},       {"a b", true},
      {"a.b", true},         {" a", false},         {"a ", false},        {"\ta", false},
      {"a\t", false},        {".a", false},         {"a.", false},        {".", false},
      {"a\"b", false},       {"a*b", false},        {"a/b", false},       {"a:b", false},
      {"a<b", false},        {"a>b", false},        {"a?b", false},       {"a\\b", false},
      {"a|b", false},        {"批打印", true},      {qianTail.c_str(), true},
      {jue.c_str(), true},   {chengDot.c_str(), false}};
  for (const Case& c : cases) {
    EXPECT_EQ(picker::IsValidPathComponent(m.text, c.name), c.valid)
        << (c.name ? c.name : "(null)");
  }
}

TEST(PathChecks, CheckOnly) {
  sim::Machine m;
  m.files.MakeFolders("C:\\Tools");
  const std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 bytes
  const std::string longest = "C:\\" + std::string(256, 'a');  // 259 bytes
  struct Case {
    std::string path;
    int result;
  };
  const Case cases[] = {
      {"C:\\", 0},
      {"Q:\\", 0},  // checking does not look at the drive
      {"C:\\Tools", 0},
      {"D:\\Plot\\Out", 0},
      {"D:\\Plot\\x", 0},  // a one-letter last name is no trailing backslash
      {"d:\\plot", 0},
      {"C:\\" + kQian, 0},
      {"C:\\" + kQian + "\\" + kCheng + "\\" + kJue, 0},
      {"C:\\a" + kQian + "b", 0},
      {"D:\\Plot\\", 1},
      {"C:\\" + kQian + "\\", 1},
      {"\\\\server\\share", 1},
      {"Plot", 1},
      {"D:Plot", 1},
      {"D:", 1},
      {"1:\\a", 1},
      {"A:\\a", 0},
      {"Z:\\a", 0},
      {"a:\\a", 0},
      {"z:\\a", 0},
      {"@:\\a", 1},  // the neighbours of the letter ranges
      {"[:\\a", 1},
      {"`:\\a", 1},
      {"{:\\a", 1},
      {"D/\\a", 1},
      {"D:/a", 1},
      {"D:\\a\\\\b", 1},
      {"D:\\a.\\b", 1},
      {"D:\\ a", 1},
      {"D:\\a<b", 1},
      {"D:\\a|b", 1},
      {longest, 0},
      {tooLong, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, c.path.c_str(), true), c.result)
        << c.path;
  }
  EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, nullptr, true), 1);
}

std::set<std::string> FolderNames(sim::Machine& m, const std::string& folder) {
  std::set<std::string> names;
  plat::FindEntry entry;
  plat::UniqueFind find(m.files, m.files.FindFirst(folder + "\\*.*", &entry));
  if (!find) return names;
  do {
    if (entry.name != "." && entry.name != "..") names.insert(entry.name);
  } while (m.files.FindNext(find.get(), &entry));
  return names;
}

TEST(PathChecks, CreatingMakesEveryMissingLevel) {
  sim::Machine m;
  m.files.MakeFolders("C:\\Plot");
  EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, "C:\\Plot\\Out\\Final", false), 0);
  EXPECT_EQ(m.files.GetAttributes("C:\\Plot\\Out\\Final"), plat::kAttrDirectory);
}

TEST(PathChecks, CreatingSplitsByCharacter) {
  sim::Machine m;
  const std::set<std::string> before = FolderNames(m, "C:");
  const std::string path = "C:\\" + kQian + "\\" + kCheng + "\\x" + kJue;
  EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, path.c_str(), false), 0);
  EXPECT_NE(m.files.GetAttributes(path), plat::kInvalidAttributes);
  // Only the one new folder at the root: none named after a lead byte.
  std::set<std::string> after = FolderNames(m, "C:");
  for (const std::string& name : before) after.erase(name);
  EXPECT_EQ(after, std::set<std::string>{kQian});
  EXPECT_EQ(FolderNames(m, "C:\\" + kQian), std::set<std::string>{kCheng});
}

TEST(PathChecks, CreatingReportsALevelThatIsNotThere) {
  sim::Machine m;
  m.files.MakeFolders("C:\\Locked");
  m.files.DenyWrite("C:\\Locked");
  struct Case {
    const char* path;
    int result;
  };
  const Case cases[] = {{"Q:\\", 2}, {"Q:\\a", 2}, {"C:\\", 0}, {"C:\\Locked\\Sub", 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, c.path, false), c.result) << c.path;
  }
  // Levels made before the failing one stay.
  EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, "C:\\New\\Locked", false), 0);
  m.files.DenyWrite("C:\\New");
  EXPECT_EQ(picker::CheckOrCreatePath(m.files, m.text, "C:\\New\\Other\\x", false), 2);
  EXPECT_NE(m.files.GetAttributes("C:\\New\\Locked"), plat::kInvalidAttributes);
}

struct ConfirmCase {
  std::string path;
  std::vector<int> answers;
  int result;
  std::vector<std::string> texts;  // the messages shown, in order
  std::vector<unsigned> types;
  std::string created;             // a folder that exists afterwards, if any
};

TEST(PathChecks, ConfirmFolder) {
  const std::string q = "C:\\" + kQian + "\\" + kCheng;
  const ConfirmCase cases[] = {
      {"C:\\Tools", {}, 0, {}, {}, "C:\\Tools"},
      {"C:\\Tools\\notes.txt", {}, 0, {}, {}, ""},
      {"C:\\", {}, 0, {}, {}, ""},
      {"D:\\Plot\\Out",
       {plat::kIdYes},
       0,
       {"The folder:\n\nD:\\Plot\\Out\n\ndoes not exist. Do you want the folder to be created?"},
       {36},
       "D:\\Plot\\Out"},
      {"D:\\Plot\\Out",
       {plat::kIdNo},
       -1,
       {"The folder:\n\nD:\\Plot\\Out\n\ndoes not exist. Do you want the folder to be created?"},
       {36},
       ""},
      {"D:\\Plot\\",
       {},
       1,
       {"The folder:\n\nD:\\Plot\\\n\nis invalid. Please reenter."},
       {48},
       ""},
      {"Plot", {}, 1, {"The folder:\n\nPlot\n\nis invalid. Please reenter."}, {48}, ""},
      {"Q:\\",
       {plat::kIdYes},
       2,
       {"The folder:\n\nQ:\\\n\ndoes not exist. Do you want the folder to be created?",
        "The folder:\n\nQ:\\\n\ncan not be created. Please double check."},
       {36, 48},
       ""},
      {q,
       {plat::kIdYes},
       0,
       {"The folder:\n\n" + q + "\n\ndoes not exist. Do you want the folder to be created?"},
       {36},
       q},
  };
  for (const ConfirmCase& c : cases) {
    sim::Machine m;
    m.files.AddDrive('D');
    m.files.MakeFolders("C:\\Tools");
    ASSERT_TRUE(m.files.WriteFile("C:\\Tools\\notes.txt", "x"));
    for (int answer : c.answers) m.messages.Answer(answer);

    EXPECT_EQ(picker::ConfirmFolder(m.platform(), "SetUp", c.path), c.result) << c.path;

    std::vector<std::string> texts;
    std::vector<unsigned> types;
    for (const sim::ShownMessage& shown : m.messages.shown()) {
      texts.push_back(shown.text);
      types.push_back(shown.type);
      EXPECT_EQ(shown.title, "SetUp");
    }
    EXPECT_EQ(texts, c.texts) << c.path;
    EXPECT_EQ(types, c.types) << c.path;
    if (!c.created.empty()) {
      EXPECT_EQ(m.files.GetAttributes(c.created), plat::kAttrDirectory) << c.path;
    }
    if (c.result == -1) {
      EXPECT_EQ(m.files.GetAttributes("D:\\Plot"), plat::kInvalidAttributes);
    }
  }
}

TEST(PathChecks, ApplicationNameIsTheExecutableWithoutExtension) {
  struct Case {
    std::string module;
    std::string name;
  };
  const Case cases[] = {{"C:\\Setup\\SetUp.exe", "SetUp"},
                        {"D:\\" + kQian + "\\SetUp.EXE", "SetUp"},
                        {"C:\\v1.2\\Install", "Install"},
                        {"C:\\x\\my.setup.exe", "my.setup"}};
  for (const Case& c : cases) {
    sim::Machine m;
    m.files.SetModuleFileName(c.module);
    EXPECT_EQ(picker::ApplicationName(m.files, m.text), c.name) << c.module;
  }
}

}  // namespace
