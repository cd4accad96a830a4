#include "uninstall/record.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/registry_values.h"
#include "platform/unicode.h"
#include "platform/win_constants.h"

namespace uninstall {
namespace {

const char kHeader[] = "Velmar uninstall record 1";
const char kBom[] = "\xEF\xBB\xBF";
const char kIndent[] = "  ";

struct TypeName {
  uint32_t type;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {plat::kRegNone, "REG_NONE"},     {plat::kRegSz, "REG_SZ"},
    {plat::kRegExpandSz, "REG_EXPAND_SZ"}, {plat::kRegBinary, "REG_BINARY"},
    {plat::kRegDword, "REG_DWORD"},   {plat::kRegMultiSz, "REG_MULTI_SZ"},
    {plat::kRegQword, "REG_QWORD"},
};

std::string TypeText(uint32_t type) {
  for (const TypeName& t : kTypeNames) {
    if (t.type == type) return t.name;
  }
  return "type-" + std::to_string(type);
}

// Every text reads as some number; each caller keeps the text only when it is that number's
// own spelling, which refuses signs, blanks, leading zeros, capitals and overflow alike.
uint64_t Number(const std::string& text, int base = 10) {
  return std::strtoull(text.c_str(), nullptr, base);
}

bool ParseType(const std::string& text, uint32_t* type) {
  for (const TypeName& t : kTypeNames) {
    if (text == t.name) {
      *type = t.type;
      return true;
    }
  }
  if (text.compare(0, 5, "type-") != 0) return false;
  *type = static_cast<uint32_t>(Number(text.substr(5)));
  return TypeText(*type) == text;  // a known type must use its name
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string Unhex(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); i += 2) bytes += static_cast<char>(Number(text.substr(i, 2), 16));
  return bytes;
}

// A text that reads back unchanged from one line: no line breaks or other control
// characters, no lone surrogates.
bool IsLineText(const std::u16string& units) {
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029) return false;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

bool IsTextType(uint32_t type) { return type == plat::kRegSz || type == plat::kRegExpandSz; }

// none | REG_DWORD 2 | REG_SZ "text" | REG_SZ unterminated "text" | TYPE hex 0a0b...
std::string ValueText(const RegValue& value) {
  if (!value.present) return "none";
  const std::string type = TypeText(value.type);
  if (value.type == plat::kRegDword && value.bytes.size() == 4) {
    uint32_t d = 0;
    for (int i = 3; i >= 0; --i) d = d << 8 | static_cast<unsigned char>(value.bytes[i]);
    return type + " " + std::to_string(d);
  }
  if (IsTextType(value.type) && value.bytes.size() % 2 == 0) {
    std::u16string units = plat::Utf16Units(value.bytes);
    const bool terminated = !units.empty() && units.back() == 0;
    if (terminated) units.pop_back();
    if (IsLineText(units)) {
      return type + (terminated ? " \"" : " unterminated \"") + plat::Utf16ToUtf8(units) + "\"";
    }
  }
  return type + " hex" + (value.bytes.empty() ? "" : " " + Hex(value.bytes));
}

bool ParseValue(const std::string& text, RegValue* value) {
  *value = RegValue();
  if (text == "none") return true;
  const size_t space = text.find(' ');
  if (space == std::string::npos || !ParseType(text.substr(0, space), &value->type)) return false;
  value->present = true;
  std::string rest = text.substr(space + 1);
  if (rest == "hex" || rest.compare(0, 4, "hex ") == 0) {
    value->bytes = Unhex(rest.substr(rest.size() > 3 ? 4 : 3));
    return ValueText(*value) == text;
  }
  if (value->type == plat::kRegDword) {
    const uint64_t d = Number(rest);
    for (int i = 0; i < 4; ++i) value->bytes += static_cast<char>((d >> (8 * i)) & 0xFF);
    return ValueText(*value) == text;
  }
  if (!IsTextType(value->type)) return false;
  const bool terminated = rest.compare(0, 13, "unterminated ") != 0;
  if (!terminated) rest = rest.substr(13);
  if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') return false;
  std::u16string units;
  if (!plat::Utf8ToUtf16(rest.substr(1, rest.size() - 2), &units) || !IsLineText(units))
    return false;
  if (terminated) units.push_back(0);
  value->bytes = plat::Utf16Bytes(units);
  // One spelling for each value: what would be written for it is what was read.
  return ValueText(*value) == text;
}

std::string ContentText(const FileContent& content) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(content.hash));
  return std::to_string(content.size) + " bytes fnv1a64 " + hash;
}

bool ParseContent(const std::string& text, FileContent* content) {
  const size_t bytes = text.find(" bytes fnv1a64 ");
  if (bytes == std::string::npos) return false;
  const std::string hash = text.substr(bytes + 15);
  content->size = Number(text.substr(0, bytes));
  content->hash = Number(hash, 16);
  return ContentText(*content) == text;
}

// Which registry view a key lies in, for the reader: the program opens every key in the
// native view, and reaches the 32-bit one through the Wow6432Node path.
const char* ViewText(const RegKey& key, plat::CodePage& text) {
  const std::string wow = "SOFTWARE\\Wow6432Node\\";
  if (key.root != plat::kHkeyLocalMachine) return "shared";
  return text.CompareNoCase(key.path.substr(0, wow.size()), wow) == 0 ? "32-bit" : "64-bit";
}

// Writes lines; texts go from code page 936 to UTF-8.
class Writer {
 public:
  explicit Writer(plat::CodePage& text, bool bom = true) : text_(text), out_(bom ? kBom : "") {}
  void Line(const std::string& utf8) { out_ += utf8 + "\r\n"; }
  void Entry(const char* keyword, const std::string& narrow, bool detail = false) {
    Line((detail ? kIndent : "") + std::string(keyword) + (narrow.empty() ? "" : " ") +
         plat::Utf16ToUtf8(text_.ToUtf16(narrow)));
  }
  void Detail(const char* keyword, const std::string& utf8) {
    Line(kIndent + std::string(keyword) + (utf8.empty() ? "" : " ") + utf8);
  }
  const std::string& Text() const { return out_; }

 private:
  plat::CodePage& text_;
  std::string out_;
};

void Entries(Writer& out, plat::CodePage& text, const Installation& inst) {
  for (const std::string& path : inst.earlierRecords) out.Entry("earlier", path);
  for (const std::string& path : inst.foldersMade) out.Entry("made-folder", path);
  for (const PlacedFile& file : inst.files) {
    const bool saved = !file.backup.empty();
    out.Entry(saved ? "saved" : "file", file.path);
    if (saved) {
      out.Entry("backup", file.backup, true);
      if (file.backupAttributes) out.Detail("attributes", std::to_string(file.backupAttributes));
    }
    out.Detail("content", ContentText(saved ? file.backupContent : file.content));
    if (inst.format >= 2 && file.done) out.Detail("done", "");
  }
  for (const std::string& path : inst.settingsFiles) out.Entry("settings", path);
  for (const RegKey& key : inst.keysMade) out.Entry("made-key", KeyText(key));
  for (const ValueChange& change : inst.values) {
    out.Entry("value", KeyText(change.key));
    out.Detail("view", ViewText(change.key, text));
    out.Entry("name", change.name, true);
    out.Detail("before", ValueText(change.before));
    out.Detail("after", ValueText(change.after));
  }
  for (const std::string& what : inst.unrecorded) out.Entry("unrecorded", what);
}

// One line of the record: its keyword and what follows it, and where it lies in the text.
struct Line {
  bool detail = false;  // indented under the entry before it
  std::string keyword, rest;
  size_t start = 0;
  int number = 0;
};

// An entry and the detail lines under it.
struct Entry {
  const Line* head = nullptr;
  std::vector<const Line*> details;
};

enum class Read { kWhole, kCut, kBad };

// Reads the text's entries one at a time, and turns their texts into values. A record is
// written ahead of the changes it names, so the program may have stopped in the middle of an
// entry: a last line without its line end was cut off, and the last entry may lack the
// details that follow.
class Reader {
 public:
  Reader(plat::CodePage& text, const std::string& bytes, std::string* error)
      : text_(text), error_(error) {
    size_t at = bytes.compare(0, 3, kBom) == 0 ? 3 : 0;
    int number = 0;
    for (size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
      Line line;
      line.start = at;
      line.number = ++number;
      std::string body = bytes.substr(at, end - at);
      if (!body.empty() && body.back() == '\r') body.pop_back();
      // The header is the only line that is not an entry; empty lines and comments are none.
      if (number > 1 && (body.empty() || body[0] == ';')) continue;
      line.detail = body.compare(0, 2, kIndent) == 0;
      if (line.detail) body = body.substr(2);
      const size_t space = body.find(' ');
      line.keyword = number == 1 ? body : body.substr(0, space);
      line.rest = space == std::string::npos || number == 1 ? "" : body.substr(space + 1);
      lines_.push_back(line);
    }
    end_ = at;
  }

  const std::string& Header() const { return lines_.empty() ? kNone : lines_[0].keyword; }
  // The next entry with its details; false at the end, and false with error set when a detail
  // line stands where an entry begins.
  bool Next(Entry* entry) {
    if (next_ >= lines_.size()) return false;
    if (lines_[next_].detail) return Fail(lines_[next_], "a detail line without its entry");
    *entry = Entry{&lines_[next_++], {}};
    while (next_ < lines_.size() && lines_[next_].detail) entry->details.push_back(&lines_[next_++]);
    return true;
  }
  bool Last() const { return next_ >= lines_.size(); }
  // Where the text read ends: after the last whole line.
  size_t End() const { return end_; }

  // The entry's details in order, each of the keywords given once, those marked optional
  // perhaps missing. kCut when the last entry stops before a detail that must follow.
  Read Details(const Entry& entry, std::initializer_list<std::pair<const char*, bool>> schema,
               std::vector<const std::string*>* found, const std::string& why) {
    size_t at = 0;
    found->clear();
    for (const auto& [keyword, required] : schema) {
      const bool here = at < entry.details.size() && entry.details[at]->keyword == keyword;
      found->push_back(here ? &entry.details[at++]->rest : nullptr);
      if (!here && required) {
        if (at == entry.details.size() && Last()) return Read::kCut;
        Fail(*entry.head, why);
        return Read::kBad;
      }
    }
    if (at == entry.details.size()) return Read::kWhole;
    Fail(*entry.details[at], why);
    return Read::kBad;
  }

  bool Narrow(const std::string& utf8, std::string* narrow) {
    std::u16string units;
    return !utf8.empty() && plat::Utf8ToUtf16(utf8, &units) && IsLineText(units) &&
           text_.FromUtf16(units, narrow);
  }
  bool Key(const std::string& utf8, RegKey* key) {
    std::string narrow;
    if (!Narrow(utf8, &narrow)) return false;
    const size_t slash = narrow.find('\\');
    const std::string root = narrow.substr(0, slash);
    if (slash == std::string::npos || slash + 1 >= narrow.size()) return false;
    key->root = root == "HKLM"   ? plat::kHkeyLocalMachine
                : root == "HKCU" ? plat::kHkeyCurrentUser
                                 : plat::kNoKey;
    key->path = narrow.substr(slash + 1);
    return key->root != plat::kNoKey && key->path.back() != '\\';
  }
  bool Fail(const Line& line, const std::string& why) {
    if (error_) *error_ = "line " + std::to_string(line.number) + ": " + why;
    return false;
  }

 private:
  static const std::string kNone;
  plat::CodePage& text_;
  std::string* error_;
  std::vector<Line> lines_;
  size_t next_ = 1;
  size_t end_ = 0;
};

const std::string Reader::kNone;

bool Attributes(const std::string* text, uint32_t* attributes) {
  if (!text) return true;
  *attributes = static_cast<uint32_t>(Number(*text));
  return *attributes != 0 && std::to_string(*attributes) == *text;
}

// One entry of an installation into inst. A legacy "backup" entry completes the file entry
// right before it (*afterFile): a file and its backup stand or fall together.
Read ParseEntry(plat::CodePage& text, Reader& in, const Entry& e, Installation* inst,
                bool* afterFile) {
  const std::string& k = e.head->keyword;
  const bool fileBefore = std::exchange(*afterFile, false);
  std::vector<const std::string*> d;
  std::string narrow;
  const auto bad = [&](const std::string& why) {
    in.Fail(*e.head, why);
    return Read::kBad;
  };
  if (k == "earlier" || k == "made-folder" || k == "settings" || k == "unrecorded") {
    if (!e.details.empty() || !in.Narrow(e.head->rest, &narrow))
      return bad(k == "unrecorded" ? "not a line of text" : "not a path");
    (k == "earlier"       ? inst->earlierRecords
     : k == "made-folder" ? inst->foldersMade
     : k == "settings"    ? inst->settingsFiles
                          : inst->unrecorded)
        .push_back(narrow);
    return Read::kWhole;
  }
  if (k == "made-key") {
    RegKey key;
    if (!e.details.empty() || !in.Key(e.head->rest, &key)) return bad("not a registry key");
    inst->keysMade.push_back(key);
    return Read::kWhole;
  }
  if (k == "file" || k == "saved") {
    // What stood at a path before a write to it is saved whole in one entry.
    const bool saved = k == "saved";
    PlacedFile file;
    file.done = inst->format < 2;
    const Read got =
        saved ? in.Details(e, {{"backup", true}, {"attributes", false}, {"content", true},
                               {"done", false}}, &d, "a saved file without its backup and content")
              : in.Details(e, {{"content", true}, {"done", false}}, &d,
                           "a file without its content line");
    if (got != Read::kWhole) return got;
    const std::string* content = d[saved ? 2 : 0];
    if (!in.Narrow(e.head->rest, &file.path) || (saved && !in.Narrow(*d[0], &file.backup)))
      return bad("not a path");
    if (saved && !Attributes(d[1], &file.backupAttributes))
      return bad("not the attributes of a file");
    if (!ParseContent(*content, saved ? &file.backupContent : &file.content) ||
        (d.back() && !d.back()->empty()))
      return bad("not the content of a file");
    if (saved) file.content = file.backupContent;
    file.done = file.done || d.back();
    inst->files.push_back(file);
    *afterFile = !saved;
    return Read::kWhole;
  }
  if (k == "backup") {
    // Written under a file by older versions: where the file it replaced was saved.
    if (!fileBefore) return bad("a backup without its file");
    PlacedFile& file = inst->files.back();
    const Read got =
        in.Details(e, {{"attributes", false}, {"content", true}}, &d, "a backup without its content line");
    if (got != Read::kWhole) {
      if (got == Read::kCut) inst->files.pop_back();
      return got;
    }
    if (!in.Narrow(e.head->rest, &file.backup)) return bad("not a path");
    if (!Attributes(d[0], &file.backupAttributes)) return bad("not the attributes of a file");
    if (!ParseContent(*d[1], &file.backupContent)) return bad("not the content of a file");
    return Read::kWhole;
  }
  if (k == "value") {
    ValueChange change;
    const Read got = in.Details(e, {{"view", true}, {"name", true}, {"before", true}, {"after", true}},
                                &d, "a value without its view, name, before and after");
    if (got != Read::kWhole) return got;
    if (!in.Key(e.head->rest, &change.key)) return bad("not a registry key");
    if (*d[0] != ViewText(change.key, text)) return bad("the view does not match the key");
    // No name: the key's default value.
    if (!d[1]->empty() && !in.Narrow(*d[1], &change.name)) return bad("a value without its name");
    if (!ParseValue(*d[2], &change.before)) return bad("not a value before");
    if (!ParseValue(*d[3], &change.after)) return bad("not a value after");
    inst->values.push_back(change);
    return Read::kWhole;
  }
  return bad("unknown entry \"" + k + "\"");
}

}  // namespace

uint64_t ContentHash(const std::string& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string FormatRecord(plat::CodePage& text, const Record& record) {
  Writer out(text);
  out.Line(kHeader);
  out.Line(u8"; Velmar批打印软件: what its installations placed on this machine; "
           u8"Uninstall.exe removes it.");
  out.Line("; The format is described in README.md, \"The uninstall record\".");
  out.Entry("folder", record.folder);
  std::string bytes = out.Text();
  for (const Installation& inst : record.installations) bytes += FormatEntries(text, inst, true);
  return bytes;
}

std::string FormatEntries(plat::CodePage& text, const Installation& inst, bool opening) {
  Writer out(text, false);
  if (opening) {
    out.Line("");
    out.Line("installation " + std::to_string(inst.number));
    if (inst.format >= 2) out.Detail("format", std::to_string(inst.format));
  }
  Entries(out, text, inst);
  return out.Text();
}

std::string FormatDone() { return std::string(kIndent) + "done\r\n"; }

bool ParseRecord(plat::CodePage& text, const std::string& bytes, Record* record,
                 std::string* error, size_t* whole) {
  *record = Record();
  Reader in(text, bytes, error);
  Entry e;
  if (in.Header() != kHeader) {
    if (error) *error = "line 1: not an uninstall record";
    return false;
  }
  if (!in.Next(&e) || e.head->keyword != "folder" || !e.details.empty() ||
      !in.Narrow(e.head->rest, &record->folder)) {
    if (error) *error = "line " + std::to_string(e.head ? e.head->number : 2) + ": no install folder";
    return false;
  }
  size_t cut = in.End();
  Installation* inst = nullptr;
  bool afterFile = false;
  size_t fileStart = 0;
  while (in.Next(&e)) {
    if (e.head->keyword == "installation") {
      const uint64_t number = Number(e.head->rest);
      std::vector<const std::string*> d;
      // A number far beyond any count of installations would not survive its cast.
      if (number > 1000000 || std::to_string(number) != e.head->rest)
        return in.Fail(*e.head, "not an installation");
      if (inst && static_cast<int>(number) <= inst->number)
        return in.Fail(*e.head, "installations out of order");
      const Read got = in.Details(e, {{"format", false}}, &d, "not an installation");
      if (got == Read::kBad || (d[0] && *d[0] != "2")) return in.Fail(*e.head, "not an installation");
      record->installations.emplace_back();
      inst = &record->installations.back();
      inst->number = static_cast<int>(number);
      inst->format = d[0] ? 2 : 1;
      afterFile = false;
      continue;
    }
    if (!inst) return in.Fail(*e.head, "not an installation");
    const size_t before = inst->files.size();
    const bool legacyBackup = e.head->keyword == "backup";
    const Read got = ParseEntry(text, in, e, inst, &afterFile);
    if (got == Read::kBad) return false;
    if (got == Read::kCut) {
      cut = legacyBackup ? fileStart : e.head->start;
      break;
    }
    if (inst->files.size() > before && afterFile) fileStart = e.head->start;
  }
  // A legacy backup line cut off takes its file with it.
  const std::string left = bytes.substr(in.End());
  if (afterFile && cut == in.End() && !left.empty() &&
      std::string("backup ").compare(0, left.size(), left, 0, 7) == 0) {
    inst->files.pop_back();
    cut = fileStart;
  }
  if (whole) *whole = cut;
  return true;
}

}  // namespace uninstall
