#include "cmdline/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_codepage.h"
#include "platform/unicode.h"

namespace {

using cmdline::Action;
using cmdline::Problem;

// A row: the command line after the program's name, and what the parse gives.
struct Row {
  const char16_t* arguments;
  Problem problem;
  const char16_t* word;  // the word the problem names
  Action action;
  bool silent;
  const char* folder;  // null: no /DIR
  std::vector<int> releases;
  const char* log;  // null: no /LOG
  std::vector<std::string> kept = {};  // the switches that change nothing, as given
};

const Row kRows[] = {
    // Switch names in any letter case; values keep theirs.
    {u"/S", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/s", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/dir=C:\\Tools /Releases=2008 /log=C:\\Logs\\v.log", Problem::kNone, u"",
     Action::kInstall, false, "C:\\Tools", {2008}, "C:\\Logs\\v.log"},
    {u"/DIR=c:\\tools\\Plot", Problem::kNone, u"", Action::kInstall, false, "c:\\tools\\Plot",
     {}, nullptr},
    // Quotes group and vanish; blanks inside them stay, blanks outside them split.
    {u"/S /DIR=\"C:\\Program Files\\Velmar\"", Problem::kNone, u"", Action::kInstall, true,
     "C:\\Program Files\\Velmar", {}, nullptr},
    {u"\"/DIR=C:\\A  B \"   /S", Problem::kNone, u"", Action::kInstall, true, "C:\\A  B ", {},
     nullptr},
    {u"/DIR=C:\\Program Files\\Velmar", Problem::kUnknownArgument, u"Files\\Velmar",
     Action::kInstall, false, "C:\\Program", {}, nullptr},
    {u"\t/S\t", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    // A backslash before a quote is a backslash: the trailing one is kept.
    {u"/DIR=\"C:\\Program Files\\\" /S", Problem::kNone, u"", Action::kInstall, true,
     "C:\\Program Files\\", {}, nullptr},
    {u"/DIR=\"C:\\Velmar", Problem::kUnclosedQuote, u"/DIR=C:\\Velmar", Action::kInstall,
     false, "C:\\Velmar", {}, nullptr},
    // Double-byte text reaches the folder as code page 936 bytes.
    {u"/DIR=\"D:\\工程 图纸\\插件\"", Problem::kNone, u"", Action::kInstall, false,
     "D:\\工程 图纸\\插件", {}, nullptr},
    {u"/DIR=D:\\한글", Problem::kNotInCodePage, u"/DIR=D:\\한글", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/LOG=D:\\😀.log", Problem::kNotInCodePage, u"/LOG=D:\\😀.log", Action::kInstall, false,
     nullptr, {}, nullptr},
    // Releases: years 2007..2025, four digits each, a repeat counts once.
    {u"/RELEASES=2007,2025,2020,2007", Problem::kNone, u"", Action::kInstall, false, nullptr,
     {2007, 2025, 2020}, nullptr},
    {u"/RELEASES=2019,2009", Problem::kNone, u"", Action::kInstall, false, nullptr,
     {2019, 2009}, nullptr},
    {u"/RELEASES=201/", Problem::kBadRelease, u"/RELEASES=201/", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=2006", Problem::kBadRelease, u"/RELEASES=2006", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=2026", Problem::kBadRelease, u"/RELEASES=2026", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=2008,,2020", Problem::kBadRelease, u"/RELEASES=2008,,2020", Action::kInstall,
     false, nullptr, {}, nullptr},
    {u"/RELEASES=2008,", Problem::kBadRelease, u"/RELEASES=2008,", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=02008", Problem::kBadRelease, u"/RELEASES=02008", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=20x8", Problem::kBadRelease, u"/RELEASES=20x8", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"/RELEASES=\"2008, 2020\"", Problem::kBadRelease, u"/RELEASES=2008, 2020",
     Action::kInstall, false, nullptr, {}, nullptr},
    // Malformed and unknown words; the first problem is the one named, and a sound /S
    // still says how to tell it.
    {u"/DIR", Problem::kMissingValue, u"/DIR", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/DIR=", Problem::kEmptyValue, u"/DIR=", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/LOG=\"\"", Problem::kEmptyValue, u"/LOG=", Action::kInstall, false, nullptr, {},
     nullptr},
    {u"/DIX=C:\\A", Problem::kUnknownArgument, u"/DIX=C:\\A", Action::kInstall, false, nullptr,
     {}, nullptr},
    {u"/", Problem::kUnknownArgument, u"/", Action::kInstall, false, nullptr, {}, nullptr},
    {u"-", Problem::kUnknownArgument, u"-", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/SS", Problem::kUnknownArgument, u"/SS", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/SILENTLY", Problem::kUnknownArgument, u"/SILENTLY", Action::kInstall, false, nullptr, {},
     nullptr},
    {u"--S", Problem::kUnknownArgument, u"--S", Action::kInstall, false, nullptr, {}, nullptr},
    {u"\\S", Problem::kUnknownArgument, u"\\S", Action::kInstall, false, nullptr, {}, nullptr},
    // The quiet switches of other installers are /S, with "/" or "-", in any letter case.
    {u"-S", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/SILENT", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/VerySilent", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/q", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"-QN", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/quiet", Problem::kNone, u"", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/PASSIVE /UNINSTALL", Problem::kNone, u"", Action::kUninstall, true, nullptr, {},
     nullptr},
    // A quiet switch anywhere makes the run quiet, however wrong the line is otherwise.
    {u"/S=1", Problem::kUnexpectedValue, u"/S=1", Action::kInstall, true, nullptr, {},
     nullptr},
    {u"/silent:yes", Problem::kUnexpectedValue, u"/silent:yes", Action::kInstall, true, nullptr,
     {}, nullptr},
    {u"/S /VERYSILENT", Problem::kRepeatedArgument, u"/VERYSILENT", Action::kInstall, true,
     nullptr, {}, nullptr},
    {u"/BOGUS -s", Problem::kUnknownArgument, u"/BOGUS", Action::kInstall, true, nullptr, {},
     nullptr},
    {u"/RELEASES=2030 /Q", Problem::kBadRelease, u"/RELEASES=2030", Action::kInstall, true,
     nullptr, {}, nullptr},
    {u"/DIR=\"C:\\Program Files\\Velmar /QUIET", Problem::kUnclosedQuote,
     u"/DIR=C:\\Program Files\\Velmar /QUIET", Action::kInstall, true,
     "C:\\Program Files\\Velmar /QUIET", {}, nullptr},
    {u"/DIR=\"C:\\Program Files\\Velmar /QUIETLY", Problem::kUnclosedQuote,
     u"/DIR=C:\\Program Files\\Velmar /QUIETLY", Action::kInstall, false,
     "C:\\Program Files\\Velmar /QUIETLY", {}, nullptr},
    // A value after ":" as after "=", as other Windows tools take /LOG:file; a path's own
    // colon comes later.
    {u"/S /LOG:C:\\Logs\\v.log", Problem::kNone, u"", Action::kInstall, true, nullptr, {},
     "C:\\Logs\\v.log"},
    {u"-dir:D:\\a=b -Releases:2020", Problem::kNone, u"", Action::kInstall, false, "D:\\a=b",
     {2020}, nullptr},
    {u"/DIR=D:\\a:b", Problem::kNone, u"", Action::kInstall, false, "D:\\a:b", {}, nullptr},
    {u"/LOG:", Problem::kEmptyValue, u"/LOG:", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/LOG C:\\v.log", Problem::kMissingValue, u"/LOG", Action::kInstall, false, nullptr, {},
     nullptr},
    {u"C:\\Velmar", Problem::kUnknownArgument, u"C:\\Velmar", Action::kInstall, false,
     nullptr, {}, nullptr},
    {u"\"\"", Problem::kUnknownArgument, u"", Action::kInstall, false, nullptr, {}, nullptr},
    {u"/X /Y /S /LOG=C:\\v.log", Problem::kUnknownArgument, u"/X", Action::kInstall, true,
     nullptr, {}, "C:\\v.log"},
    // Every switch at most once, even with the same value.
    {u"/S /s", Problem::kRepeatedArgument, u"/s", Action::kInstall, true, nullptr, {}, nullptr},
    {u"/DIR=C:\\A /DIR=C:\\A", Problem::kRepeatedArgument, u"/DIR=C:\\A", Action::kInstall,
     false, "C:\\A", {}, nullptr},
    {u"/DIR=C:\\A /dir=D:\\B", Problem::kRepeatedArgument, u"/dir=D:\\B", Action::kInstall,
     false, "C:\\A", {}, nullptr},
    // NSIS's /D=, last and unquoted: the rest of the line but its trailing blanks.
    {u"/S /D=D:\\CAD  Tools\\Velmar \t ", Problem::kNone, u"", Action::kInstall, true,
     "D:\\CAD  Tools\\Velmar", {}, nullptr},
    {u"-d:\"C:\\Program Files\\Velmar\"", Problem::kNone, u"", Action::kInstall, false,
     "C:\\Program Files\\Velmar", {}, nullptr},
    {u"/D=C:\\a\"b c", Problem::kUnclosedQuote, u"/D=C:\\ab c", Action::kInstall, false,
     "C:\\ab c", {}, nullptr},
    {u"/D=C:\\Velmar /S", Problem::kNsisFolderNotLast, u"/D=C:\\Velmar /S", Action::kInstall,
     true, "C:\\Velmar /S", {}, nullptr},
    {u"/DIR=C:\\A /D=C:\\B", Problem::kRepeatedArgument, u"/D=C:\\B", Action::kInstall, false,
     "C:\\A", {}, nullptr},
    {u"/S:C:\\x /D=C:\\A", Problem::kUnexpectedValue, u"/S:C:\\x", Action::kInstall, true,
     "C:\\A", {}, nullptr},
    // msiexec's log switch, with its letters, is not /LOG; a word that only starts alike is.
    {u"/qn /l*v C:\\v.log", Problem::kMsiexecLog, u"/l*v", Action::kInstall, true, nullptr, {},
     nullptr},
    {u"/LOGS=C:\\v.log", Problem::kUnknownArgument, u"/LOGS=C:\\v.log", Action::kInstall,
     false, nullptr, {}, nullptr},
    // The log is a full path, or it lands wherever the tool started the program.
    {u"/S /LOG=v.log", Problem::kRelativeLog, u"/LOG=v.log", Action::kInstall, true, nullptr,
     {}, nullptr},
    {u"/LOG=C:v.log", Problem::kRelativeLog, u"/LOG=C:v.log", Action::kInstall, false, nullptr,
     {}, nullptr},
    {u"/LOG=\\Logs\\v.log", Problem::kRelativeLog, u"/LOG=\\Logs\\v.log", Action::kInstall,
     false, nullptr, {}, nullptr},
    {u"/LOG=\\\\server\\share\\v.log", Problem::kNone, u"", Action::kInstall, false, nullptr,
     {}, "\\\\server\\share\\v.log"},
    {u"/LOG=z:\\v.log", Problem::kNone, u"", Action::kInstall, false, nullptr, {}, "z:\\v.log"},
    // The companions of other installers' quiet switches change nothing; each is its own.
    {u"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /NOCANCEL /SP-", Problem::kNone, u"",
     Action::kInstall, true, nullptr, {}, nullptr,
     {"/SUPPRESSMSGBOXES", "/NORESTART", "/NOCANCEL", "/SP-"}},
    {u"-noicons /NoRestartApplications", Problem::kNone, u"", Action::kInstall, false, nullptr,
     {}, nullptr, {"-noicons", "/NoRestartApplications"}},
    {u"/NORESTART /norestart", Problem::kRepeatedArgument, u"/norestart", Action::kInstall,
     false, nullptr, {}, nullptr, {"/NORESTART"}},
    {u"/SP-=1 /S", Problem::kUnexpectedValue, u"/SP-=1", Action::kInstall, true, nullptr, {},
     nullptr},
    // Usage and uninstall.
    {u"/HELP", Problem::kNone, u"", Action::kUsage, false, nullptr, {}, nullptr},
    {u"-h /S", Problem::kNone, u"", Action::kUsage, true, nullptr, {}, nullptr},
    {u"/?", Problem::kNone, u"", Action::kUsage, false, nullptr, {}, nullptr},
    {u"-? /VERYSILENT", Problem::kNone, u"", Action::kUsage, true, nullptr, {}, nullptr},
    {u"/S /UNINSTALL /?", Problem::kNone, u"", Action::kUsage, true, nullptr, {}, nullptr},
    {u"/uninstall /s", Problem::kNone, u"", Action::kUninstall, true, nullptr, {}, nullptr},
    {u"/UNINSTALL /DIR=C:\\A", Problem::kNotForUninstall, u"/DIR=C:\\A", Action::kUninstall,
     false, "C:\\A", {}, nullptr},
    {u"/UNINSTALL /RELEASES=2008 /DIR=C:\\A", Problem::kNotForUninstall, u"/RELEASES=2008",
     Action::kUninstall, false, "C:\\A", {2008}, nullptr},
};

TEST(CommandLine, Table) {
  sim::SimCodePage text;
  for (const Row& row : kRows) {
    const std::u16string line = std::u16string(u"\"C:\\下载\\SetUp.exe\" ") + row.arguments;
    const cmdline::Parsed parsed = cmdline::Parse(line, false, text);
    const cmdline::Options& o = parsed.options;
    SCOPED_TRACE(plat::Utf16ToUtf8(row.arguments));
    EXPECT_EQ(parsed.problem, row.problem);
    EXPECT_EQ(parsed.word, std::u16string(row.word));
    EXPECT_EQ(o.action, row.action);
    EXPECT_EQ(o.silent, row.silent);
    EXPECT_FALSE(o.noArguments);
    EXPECT_EQ(o.hasFolder, row.folder != nullptr);
    EXPECT_EQ(o.folder, row.folder ? row.folder : "");
    EXPECT_EQ(o.hasReleases, !row.releases.empty());
    EXPECT_EQ(o.releases, row.releases);
    EXPECT_EQ(o.hasLog, row.log != nullptr);
    EXPECT_EQ(o.logPath, row.log ? row.log : "");
    EXPECT_EQ(o.changeNothing, row.kept);
    for (const std::string& word : row.kept)
      EXPECT_NE(cmdline::DescribeChangeNothingForLog(word).find("nothing: "), std::string::npos);
  }
}

// The program's own word is never an argument, however it is written; only what follows is.
TEST(CommandLine, ProgramNameAndNoArguments) {
  sim::SimCodePage text;
  const struct {
    const char16_t* line;
    bool noArguments;
    Problem problem;
    const char16_t* word;  // the word the problem names
    bool silent;
  } rows[] = {
      {u"", true, Problem::kNone, u"", false},
      {u"SetUp.exe", true, Problem::kNone, u"", false},
      {u"\"C:\\Program Files\\SetUp.exe\"", true, Problem::kNone, u"", false},
      {u"\"C:\\Program Files\\SetUp.exe\"   ", true, Problem::kNone, u"", false},
      {u"C:\\Setup\\SetUp.exe /S", false, Problem::kNone, u"", true},
      {u"\"C:\\Setup\\SetUp.exe\"/S", false, Problem::kNone, u"", true},
      {u"\"C:\\Set up\\SetUp.exe", false, Problem::kUnclosedQuote, u"C:\\Set up\\SetUp.exe",
       false},
      // The program's own name is never a switch, not even a quiet one.
      {u"/S", true, Problem::kNone, u"", false},
      {u"\"C:\\Set up\\SetUp.exe /S", false, Problem::kUnclosedQuote,
       u"C:\\Set up\\SetUp.exe /S", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(plat::Utf16ToUtf8(row.line));
    const cmdline::Parsed parsed = cmdline::Parse(row.line, false, text);
    EXPECT_EQ(parsed.options.noArguments, row.noArguments);
    EXPECT_EQ(parsed.problem, row.problem);
    EXPECT_EQ(parsed.word, std::u16string(row.word));
    EXPECT_EQ(parsed.options.silent, row.silent);
    EXPECT_EQ(parsed.options.action, Action::kInstall);
  }
}

TEST(CommandLine, StartedAsUninstall) {
  sim::SimCodePage text;
  const struct {
    const char* module;
    bool uninstall;
  } names[] = {
      {"C:\\Velmar\\Velmar批打印软件\\Uninstall.exe", true},
      {"C:\\Velmar\\UNINSTALL.EXE", true},
      {"uninstall.exe", true},
      {"C:\\Setup\\SetUp.exe", false},
      {"C:\\Setup\\Uninstall.exe.bak", false},
      {"C:\\Uninstall.exe\\SetUp.exe", false},
      {"C:\\Setup\\MyUninstall.exe", false},
  };
  for (const auto& name : names) {
    EXPECT_EQ(cmdline::IsUninstallProgram(text, name.module), name.uninstall) << name.module;
  }
  // Under that name the program uninstalls; /S still says how, and /? still asks for the text.
  EXPECT_EQ(cmdline::Parse(u"Uninstall.exe", true, text).options.action, Action::kUninstall);
  EXPECT_TRUE(cmdline::Parse(u"Uninstall.exe", true, text).options.noArguments);
  EXPECT_TRUE(cmdline::Parse(u"Uninstall.exe /S", true, text).options.silent);
  EXPECT_EQ(cmdline::Parse(u"Uninstall.exe /?", true, text).options.action, Action::kUsage);
  EXPECT_EQ(cmdline::Parse(u"Uninstall.exe /DIR=C:\\A", true, text).problem,
            Problem::kNotForUninstall);
}

}  // namespace
