#pragma once
// The program's command line, parsed once at start-up as plain data, before anything decides
// which run it is: the setup dialog, the unattended installation, the uninstall, or the usage
// text.
//
// Words are split at blanks and tabs outside double quotes. A quote only groups: it is never
// part of a word, and a backslash is always a backslash, so /DIR="C:\Program Files\" names the
// folder with its trailing backslash (the C runtime's rules would read \" as a quote inside
// the word). A switch starts with "/" or "-", its value follows "=" or ":"; switch names are
// matched without letter case; values keep theirs. NSIS's /D= is the one exception to the
// splitting: it takes the rest of the line, blanks and all, as its folder.
#include <string>
#include <vector>

#include "discovery/releases.h"
#include "platform/codepage.h"

namespace cmdline {

enum class Action {
  kInstall,    // the setup dialog, or with /S the unattended installation
  kUninstall,  // /UNINSTALL, or started as Uninstall.exe
  kUsage,      // /?, /HELP, -h
};

enum class Problem {
  kNone,
  kUnknownArgument,     // not one of the switches
  kRepeatedArgument,    // a switch given twice, even with the same value
  kMissingValue,        // /DIR, /RELEASES or /LOG without "=" (or ":")
  kEmptyValue,          // "=" with nothing after it
  kUnexpectedValue,     // /S=..., /UNINSTALL=..., /?=...
  kBadRelease,          // an item of /RELEASES that is not a year 2007..2025
  kNotForUninstall,     // /DIR or /RELEASES with the uninstall
  kUnclosedQuote,       // a quote opened and never closed
  kNotInCodePage,       // a /DIR or /LOG text with a character code page 936 cannot hold
  kMsiexecLog,          // msiexec's /l*v (/l, /lv, /l*, ...): ours is /LOG=
  kRelativeLog,         // a /LOG that is not a full path (X:\... or \\server\share\...)
  kNsisFolderNotLast,   // a switch of ours after /D=, which took it into the folder
};

struct Options {
  Action action = Action::kInstall;
  // Nothing after the program's own name: the run the dialog has always been.
  bool noArguments = true;
  // /S, or another installer's quiet switch (/SILENT, /VERYSILENT, /Q, /QN, /QUIET, /PASSIVE,
  // -S, ...) anywhere on the line, even in a word that is wrong otherwise: the run shows no
  // window at all.
  bool silent = false;
  bool hasFolder = false;                     // /DIR=, or NSIS's /D=
  std::string folder;                         //   code page text, as typed
  bool hasReleases = false;                   // /RELEASES=
  std::vector<int> releases;                  //   years in the order given, no repeats
  bool hasLog = false;                        // /LOG=
  std::string logPath;                        //   code page text, a full path
  // Other installers' switches that ask for what a run of ours does anyway (/NORESTART,
  // /SUPPRESSMSGBOXES, ...), as given, in the order given, for the log to note.
  std::vector<std::string> changeNothing;
};

struct Parsed {
  Options options;
  // The first problem found; the run then ends with the usage error. silent, and /LOG when
  // its own word was sound, are still filled in, so that the error is told the way the run
  // asked (silently, into its log).
  Problem problem = Problem::kNone;
  std::u16string word;  // the word the problem is in
};

// The words of a command line, the program's own name first (GetCommandLineW's text).
// False when a quote is left open.
bool SplitWords(const std::u16string& commandLine, std::vector<std::u16string>* words);

// startedAsUninstall: the program's file name is Uninstall.exe (IsUninstallProgram).
Parsed Parse(const std::u16string& commandLine, bool startedAsUninstall, plat::CodePage& text);

// True when the file name of modulePath (code page text) is "Uninstall.exe" in any letter case.
bool IsUninstallProgram(plat::CodePage& text, const std::string& modulePath);

// The English line that names the problem, for the log.
std::string DescribeForLog(const Parsed& parsed);
// The English line that says why a word of Options::changeNothing changes nothing.
std::string DescribeChangeNothingForLog(const std::string& word);

}  // namespace cmdline
