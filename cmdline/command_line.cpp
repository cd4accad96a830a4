#include "cmdline/command_line.h"

#include <algorithm>

#include "platform/unicode.h"

namespace cmdline {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

// b is an ASCII name.
bool SameNoCase(const std::u16string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(static_cast<char16_t>(b[i]))) return false;
  }
  return true;
}

enum class Switch { kNone, kSilent, kHelp, kUninstall, kDir, kReleases, kLog, kChangesNothing };

struct SwitchName {
  const char* name;
  Switch which;
  bool takesValue;
  const char* why = nullptr;  // kChangesNothing: why, for the log
};
// The quiet switches of the common installers all mean /S: whoever types one expects no
// window. The companions of Inno Setup's template ask for what no run of ours ever does;
// each is a switch of its own.
const SwitchName kSwitches[] = {
    {"S", Switch::kSilent, false},       {"SILENT", Switch::kSilent, false},
    {"VERYSILENT", Switch::kSilent, false}, {"Q", Switch::kSilent, false},
    {"QN", Switch::kSilent, false},      {"QUIET", Switch::kSilent, false},
    {"PASSIVE", Switch::kSilent, false}, {"?", Switch::kHelp, false},
    {"HELP", Switch::kHelp, false},      {"H", Switch::kHelp, false},
    {"UNINSTALL", Switch::kUninstall, false}, {"DIR", Switch::kDir, true},
    {"D", Switch::kDir, true},
    {"RELEASES", Switch::kReleases, true},    {"LOG", Switch::kLog, true},
    {"SUPPRESSMSGBOXES", Switch::kChangesNothing, false,
     "a quiet run shows no message box, and the dialog's boxes are the user's to answer"},
    {"NORESTART", Switch::kChangesNothing, false, "no run restarts the computer"},
    {"NOCANCEL", Switch::kChangesNothing, false, "a quiet run has nothing to cancel it with"},
    {"SP-", Switch::kChangesNothing, false, "no run asks whether to go on before it starts"},
    {"NOICONS", Switch::kChangesNothing, false, "the installation makes no Start menu entries"},
    {"NORESTARTAPPLICATIONS", Switch::kChangesNothing, false,
     "no run closes or restarts other programs"},
};

// One switch or two: the quiet switches are one, as are /? and /HELP, and /DIR and /D.
bool SameSwitch(const SwitchName* a, const SwitchName* b) {
  return a->which == b->which && (a->which != Switch::kChangesNothing || a == b);
}

// A word read as a switch: "/" or "-", the name, and for a value "=" or ":" and the value
// (a path's own colon comes after the first separator, so "/LOG:C:\v.log" is the log).
struct SwitchWord {
  const SwitchName* known = nullptr;
  bool hasValue = false;
  std::u16string value;
};

SwitchWord ReadSwitch(const std::u16string& word) {
  SwitchWord read;
  if (word.empty() || (word[0] != u'/' && word[0] != u'-')) return read;
  const std::size_t separator = word.find_first_of(u"=:", 1);
  const std::u16string name = word.substr(1, separator == std::u16string::npos ? separator
                                                                               : separator - 1);
  for (const SwitchName& s : kSwitches) {
    if (SameNoCase(name, s.name)) read.known = &s;
  }
  read.hasValue = separator != std::u16string::npos;
  if (read.hasValue) read.value = word.substr(separator + 1);
  return read;
}

// Any mention of a quiet switch, sound or not, repeated or not.
bool NamesQuietSwitch(const std::u16string& word) {
  const SwitchWord read = ReadSwitch(word);
  return read.known != nullptr && read.known->which == Switch::kSilent;
}

// msiexec's log switch: "/L" and its letters of what to log ("/l*v", "/lv", "/L+", ...).
bool IsMsiexecLog(const std::u16string& word) {
  if (word.size() < 2 || (word[0] != u'/' && word[0] != u'-') || AsciiUpper(word[1]) != u'L')
    return false;
  for (std::size_t i = 2; i < word.size() && word[i] != u'=' && word[i] != u':'; ++i) {
    if (std::u16string(u"IWEARUCMOPVX+!*").find(AsciiUpper(word[i])) == std::u16string::npos)
      return false;
  }
  return true;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// "X:\..." or "\\server\share\...": a path that means the same whatever folder the
// program was started in.
bool IsFullPath(const std::u16string& path) {
  if (path.size() >= 3 && AsciiUpper(path[0]) >= u'A' && AsciiUpper(path[0]) <= u'Z' &&
      path[1] == u':' && IsSeparator(path[2]))
    return true;
  if (path.size() < 5 || !IsSeparator(path[0]) || !IsSeparator(path[1]) || IsSeparator(path[2]))
    return false;
  std::size_t share = 3;
  while (share < path.size() && !IsSeparator(path[share])) ++share;
  return share + 1 < path.size() && !IsSeparator(path[share + 1]);
}

// NSIS's "/D=": at the start of a word, outside quotes.
bool StartsNsisFolder(const std::u16string& line, std::size_t at) {
  return line.size() >= at + 3 && (line[at] == u'/' || line[at] == u'-') &&
         AsciiUpper(line[at + 1]) == u'D' && (line[at + 2] == u'=' || line[at + 2] == u':');
}

// "2008,2020": four digits a year, each a release, no empty item; a year named twice counts once.
bool ParseReleases(const std::u16string& value, std::vector<int>* years) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = std::min(value.find(u',', start), value.size());
    const std::u16string item = value.substr(start, comma - start);
    if (item.size() != 4) return false;
    int year = 0;
    for (char16_t c : item) {
      if (c < u'0' || c > u'9') return false;
      year = year * 10 + (c - u'0');
    }
    if (!IsReleaseYear(year)) return false;
    if (std::find(years->begin(), years->end(), year) == years->end()) years->push_back(year);
    if (comma == value.size()) return true;
    start = comma + 1;
  }
}

class Parser {
 public:
  explicit Parser(plat::CodePage& text) : text_(text) {}

  void Word(const std::u16string& word) {
    const SwitchWord read = ReadSwitch(word);
    const SwitchName* known = read.known;
    if (known == nullptr) {
      return Fail(IsMsiexecLog(word) ? Problem::kMsiexecLog : Problem::kUnknownArgument, word);
    }
    for (const SwitchName* seen : seen_) {
      if (SameSwitch(seen, known)) return Fail(Problem::kRepeatedArgument, word);
    }
    seen_.push_back(known);
    if (!known->takesValue) {
      if (read.hasValue) return Fail(Problem::kUnexpectedValue, word);
      return Flag(known->which, word);
    }
    if (!read.hasValue) return Fail(Problem::kMissingValue, word);
    if (read.value.empty()) return Fail(Problem::kEmptyValue, word);
    Valued(known->which, read.value, word);
  }

  Parsed Finish(bool startedAsUninstall) {
    Options& o = parsed_.options;
    if (startedAsUninstall && o.action == Action::kInstall) o.action = Action::kUninstall;
    if (o.action == Action::kUninstall && (o.hasFolder || o.hasReleases))
      Fail(Problem::kNotForUninstall, uninstallConflict_);
    return parsed_;
  }

  void Fail(Problem problem, const std::u16string& word) {
    if (parsed_.problem != Problem::kNone) return;
    parsed_.problem = problem;
    parsed_.word = word;
  }

  Options& options() { return parsed_.options; }

 private:
  void Flag(Switch which, const std::u16string& word) {
    Options& o = parsed_.options;
    if (which == Switch::kChangesNothing) o.changeNothing.push_back(plat::Utf16ToUtf8(word));
    // /? asks for the text, whatever else a sound line says.
    if (which == Switch::kHelp) o.action = Action::kUsage;
    if (which == Switch::kUninstall && o.action != Action::kUsage) o.action = Action::kUninstall;
  }

  void Valued(Switch which, const std::u16string& value, const std::u16string& word) {
    Options& o = parsed_.options;
    std::vector<int> years;
    switch (which) {
      case Switch::kDir:
        // The folder ends up in narrow registry values; a character they cannot hold would
        // reach them as '?'.
        if (!Narrow(value, &o.folder)) return Fail(Problem::kNotInCodePage, word);
        o.hasFolder = true;
        if (uninstallConflict_.empty()) uninstallConflict_ = word;
        return;
      case Switch::kReleases:
        if (!ParseReleases(value, &years)) return Fail(Problem::kBadRelease, word);
        o.releases = years;
        o.hasReleases = true;
        if (uninstallConflict_.empty()) uninstallConflict_ = word;
        return;
      case Switch::kLog:
        // A relative one would land wherever the tool started the program (the package's
        // share, System32).
        if (!IsFullPath(value)) return Fail(Problem::kRelativeLog, word);
        if (!Narrow(value, &o.logPath)) return Fail(Problem::kNotInCodePage, word);
        o.hasLog = true;
        return;
      default:
        return;
    }
  }

  bool Narrow(const std::u16string& value, std::string* out) {
    std::string narrow;
    if (!text_.FromUtf16(value, &narrow)) return false;
    *out = narrow;
    return true;
  }

  plat::CodePage& text_;
  Parsed parsed_;
  std::vector<const SwitchName*> seen_;
  std::u16string uninstallConflict_;
};

}  // namespace

namespace {

// SplitWords, noting where each word starts in the line.
bool Split(const std::u16string& commandLine, std::vector<std::u16string>* words,
           std::vector<std::size_t>* starts) {
  words->clear();
  starts->assign(1, 0);
  std::size_t i = 0;
  // The program's name as Windows reads it: a quoted one ends at its closing quote, so
  // "C:\Setup\SetUp.exe"/S holds the argument /S.
  if (!commandLine.empty() && commandLine[0] == u'"') {
    const std::size_t close = commandLine.find(u'"', 1);
    if (close == std::u16string::npos) {
      words->push_back(commandLine.substr(1));
      return false;
    }
    words->push_back(commandLine.substr(1, close - 1));
    i = close + 1;
  }
  for (;;) {
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i == commandLine.size()) return true;
    if (!words->empty()) starts->push_back(i);
    std::u16string word;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
      if (commandLine[i] == u'"') {
        quoted = !quoted;
      } else {
        word += commandLine[i];
      }
    }
    words->push_back(word);
    if (quoted) return false;
  }
}

}  // namespace

bool SplitWords(const std::u16string& commandLine, std::vector<std::u16string>* words) {
  std::vector<std::size_t> starts;
  return Split(commandLine, words, &starts);
}

Parsed Parse(const std::u16string& commandLine, bool startedAsUninstall, plat::CodePage& text) {
  Parser parser(text);
  std::vector<std::u16string> words;
  std::vector<std::size_t> starts;
  const bool closed = Split(commandLine, &words, &starts);
  // The first word is the program's own name, whatever it says.
  bool quiet = false;
  for (std::size_t i = 1; i < words.size(); ++i) quiet = quiet || NamesQuietSwitch(words[i]);
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!StartsNsisFolder(commandLine, starts[i])) {
      parser.Word(words[i]);
      continue;
    }
    // As NSIS writes it: the rest of the line, unquoted, is the folder. A switch of ours in
    // it was meant as one, and would otherwise end up in the folder's name.
    std::u16string folder;
    for (char16_t c : commandLine.substr(starts[i])) {
      if (c != u'"') folder += c;
    }
    while (IsBlank(folder.back())) folder.pop_back();
    for (std::size_t later = i + 1; later < words.size(); ++later) {
      if (ReadSwitch(words[later]).known || IsMsiexecLog(words[later]))
        parser.Fail(Problem::kNsisFolderNotLast, folder);
    }
    parser.Word(folder);
    words.resize(i);
    words.push_back(folder);
  }
  parser.options().noArguments = words.size() <= 1 && closed;
  if (!closed) {
    parser.Fail(Problem::kUnclosedQuote, words.empty() ? u"" : words.back());
    // The quote swallowed the rest of the line: a quiet switch in it was meant as one.
    std::vector<std::u16string> pieces;
    SplitWords(u"\"\" " + words.back(), &pieces);
    for (const std::u16string& piece : pieces) quiet = quiet || NamesQuietSwitch(piece);
  }
  parser.options().silent = quiet;
  return parser.Finish(startedAsUninstall);
}

bool IsUninstallProgram(plat::CodePage& text, const std::string& modulePath) {
  const std::size_t slash = text.LastBackslash(modulePath);
  const std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
  return text.CompareNoCase(name, "Uninstall.exe") == 0;
}

std::string DescribeForLog(const Parsed& parsed) {
  const std::string word = "\"" + plat::Utf16ToUtf8(parsed.word) + "\"";
  switch (parsed.problem) {
    case Problem::kNone:
      return "the command line is sound";
    case Problem::kUnknownArgument:
      return "unknown argument " + word;
    case Problem::kRepeatedArgument:
      return "argument given twice: " + word;
    case Problem::kMissingValue:
      return "argument without its value (=...): " + word;
    case Problem::kEmptyValue:
      return "argument with an empty value: " + word;
    case Problem::kUnexpectedValue:
      return "argument that takes no value: " + word;
    case Problem::kBadRelease:
      return "not a list of releases 2007..2025 such as 2008,2020: " + word;
    case Problem::kNotForUninstall:
      return "argument that the uninstall does not take: " + word;
    case Problem::kUnclosedQuote:
      return "a quote is not closed: " + word;
    case Problem::kNotInCodePage:
      return "a character that code page 936 cannot hold: " + word;
    case Problem::kMsiexecLog:
      return "msiexec's log switch is not an argument of this program, use /LOG=<file> "
             "instead: " + word;
    case Problem::kRelativeLog:
      return "the log file must be a full path on a drive (X:\\...), not one relative to the "
             "folder the program was started in: " + word;
    case Problem::kNsisFolderNotLast:
      return "/D= takes the rest of the line as its folder and must come last, a switch "
             "follows it: " + word;
  }
  return "the command line is wrong";
}

std::string DescribeChangeNothingForLog(const std::string& word) {
  std::u16string wide;
  plat::Utf8ToUtf16(word, &wide);
  const SwitchName* known = ReadSwitch(wide).known;
  const std::string why = known && known->why ? std::string(": ") + known->why : "";
  return "\"" + word + "\" changes nothing" + why;
}

}  // namespace cmdline
