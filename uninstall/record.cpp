#include "uninstall/record.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

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

std::u16string Units(const std::string& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return units;
}

std::string Bytes(const std::u16string& units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
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
    std::u16string units = Units(value.bytes);
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
  value->bytes = Bytes(units);
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
  void Entry(const char* keyword, const std::string& narrow, bool indent = false) {
    Line((indent ? kIndent : "") + std::string(keyword) + (narrow.empty() ? "" : " ") +
         Utf8(narrow));
  }
  std::string Utf8(const std::string& narrow) { return plat::Utf16ToUtf8(text_.ToUtf16(narrow)); }
  const std::string& Text() const { return out_; }

 private:
  plat::CodePage& text_;
  std::string out_;
};

// Reads lines one at a time; texts go from UTF-8 to code page 936.
class Reader {
 public:
  Reader(plat::CodePage& text, const std::string& bytes) : text_(&text), bytes_(&bytes) {
    if (bytes.compare(0, 3, kBom) == 0) at_ = 3;
  }
  // The next line, its indentation and keyword taken apart; false at the end. A last line
  // without its line end was cut off and is not read.
  bool Next() {
    start_ = at_;
    const size_t end = bytes_->find('\n', at_);
    if (end == std::string::npos) {
      ended_ = true;
      return false;
    }
    line_ = bytes_->substr(at_, end - at_);
    at_ = end + 1;
    ++number_;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    indented_ = line_.compare(0, 2, kIndent) == 0;
    const std::string body = indented_ ? line_.substr(2) : line_;
    const size_t space = body.find(' ');
    keyword_ = body.substr(0, space);
    rest_ = space == std::string::npos ? std::string() : body.substr(space + 1);
    return true;
  }
  // The next line that is neither empty nor a comment.
  bool NextEntry() {
    while (Next()) {
      if (!line_.empty() && line_[0] != ';') return true;
    }
    return false;
  }
  // The next line, which must be an indented keyword line.
  bool Detail(const char* keyword) {
    return Next() && indented_ && keyword_ == keyword;
  }
  // What is left after the last line read: a line cut off.
  std::string Left() const { return bytes_->substr(at_); }
  // The next line is an indented keyword line; nothing is read.
  bool DetailFollows(const char* keyword) {
    const Reader saved = *this;
    const bool follows = Detail(keyword);
    *this = saved;
    return follows;
  }
  bool Narrow(const std::string& utf8, std::string* narrow) {
    std::u16string units;
    return !utf8.empty() && plat::Utf8ToUtf16(utf8, &units) && IsLineText(units) &&
           text_->FromUtf16(units, narrow);
  }
  bool Fail(const std::string& why, std::string* error) {
    if (error) *error = "line " + std::to_string(number_) + ": " + why;
    return false;
  }

  std::string line_, keyword_, rest_;
  bool indented_ = false;
  int number_ = 0;
  bool ended_ = false;  // the text ended where a line was looked for
  size_t start_ = 0;    // where the last line read starts

 private:
  plat::CodePage* text_;
  const std::string* bytes_;
  size_t at_ = 0;
};

bool ParseKey(Reader& in, const std::string& utf8, RegKey* key) {
  std::string narrow;
  if (!in.Narrow(utf8, &narrow)) return false;
  const size_t slash = narrow.find('\\');
  const std::string root = narrow.substr(0, slash);
  if (slash == std::string::npos || slash + 1 >= narrow.size()) return false;
  key->root = root == "HKLM" ? plat::kHkeyLocalMachine
              : root == "HKCU" ? plat::kHkeyCurrentUser : plat::kNoKey;
  key->path = narrow.substr(slash + 1);
  return key->root != plat::kNoKey && key->path.back() != '\\';
}

enum class Read { kWhole, kCut, kBad };

// One entry that refers back to what is already read: its detail lines, the last of which a
// stop may have cut off.
Read Detail(Reader& in, const char* keyword) {
  if (in.Detail(keyword)) return Read::kWhole;
  return in.ended_ ? Read::kCut : Read::kBad;
}

// The lines of one installation, after its "installation N" line; stops at the next one, or
// at an entry that a stop cut off (*cut then says where it starts).
Read ParseInstallation(plat::CodePage& text, Reader& in, Installation* inst, bool* more,
                       size_t* cut, std::string* error) {
  *more = false;
  bool afterFile = false;  // a backup belongs to the file entry right before it
  size_t fileStart = 0;    // where that file entry starts
  const auto fail = [&](const std::string& why) {
    in.Fail(why, error);
    return Read::kBad;
  };
  while (in.NextEntry()) {
    if (in.indented_) return fail("a detail line without its entry");
    *cut = in.start_;
    const std::string k = in.keyword_;
    const bool fileBefore = std::exchange(afterFile, false);
    std::string narrow;
    Read got = Read::kWhole;
    if (k == "installation") {
      *more = true;
      return Read::kWhole;
    }
    if (k == "earlier" || k == "made-folder" || k == "settings" || k == "unrecorded") {
      if (!in.Narrow(in.rest_, &narrow))
        return fail(k == "unrecorded" ? "not a line of text" : "not a path");
      (k == "earlier"       ? inst->earlierRecords
       : k == "made-folder" ? inst->foldersMade
       : k == "settings"    ? inst->settingsFiles
                            : inst->unrecorded)
          .push_back(narrow);
    } else if (k == "made-key") {
      RegKey key;
      if (!ParseKey(in, in.rest_, &key)) return fail("not a registry key");
      inst->keysMade.push_back(key);
    } else if (k == "file") {
      PlacedFile file;
      if (!in.Narrow(in.rest_, &file.path)) return fail("not a path");
      if ((got = Detail(in, "content")) == Read::kWhole && !ParseContent(in.rest_, &file.content))
        got = Read::kBad;
      if (got == Read::kBad) return fail("a file without its content line");
      if (got == Read::kWhole) inst->files.push_back(file);
      afterFile = true;
      fileStart = *cut;
    } else if (k == "saved") {
      // What stood at a path before a write to it, saved whole in one entry: a stop can cut
      // it off only as a whole.
      PlacedFile file;
      if (!in.Narrow(in.rest_, &file.path)) return fail("not a path");
      if ((got = Detail(in, "backup")) == Read::kWhole && !in.Narrow(in.rest_, &file.backup))
        got = Read::kBad;
      if (got == Read::kWhole && in.DetailFollows("attributes")) {
        in.Detail("attributes");
        file.backupAttributes = static_cast<uint32_t>(Number(in.rest_));
        if (file.backupAttributes == 0 || std::to_string(file.backupAttributes) != in.rest_)
          return fail("not the attributes of a file");
      }
      if (got == Read::kWhole && (got = Detail(in, "content")) == Read::kWhole &&
          !ParseContent(in.rest_, &file.backupContent))
        got = Read::kBad;
      if (got == Read::kBad) return fail("a saved file without its backup and content");
      file.content = file.backupContent;
      if (got == Read::kWhole) inst->files.push_back(file);
    } else if (k == "backup") {
      if (!fileBefore) return fail("a backup without its file");
      PlacedFile file = inst->files.back();
      if (!in.Narrow(in.rest_, &file.backup)) return fail("not a path");
      // The attributes line is optional, so it comes first: the content line ends the entry.
      if (in.DetailFollows("attributes")) {
        in.Detail("attributes");
        file.backupAttributes = static_cast<uint32_t>(Number(in.rest_));
        if (file.backupAttributes == 0 || std::to_string(file.backupAttributes) != in.rest_)
          return fail("not the attributes of a file");
      }
      if ((got = Detail(in, "content")) == Read::kWhole &&
          !ParseContent(in.rest_, &file.backupContent))
        got = Read::kBad;
      if (got == Read::kBad) return fail("a backup without its content line");
      if (got == Read::kWhole) inst->files.back() = file;
      // A file and its backup stand or fall together.
      if (got == Read::kCut) {
        inst->files.pop_back();
        *cut = fileStart;
      }
    } else if (k == "value") {
      ValueChange change;
      if (!ParseKey(in, in.rest_, &change.key)) return fail("not a registry key");
      if ((got = Detail(in, "view")) == Read::kWhole && in.rest_ != ViewText(change.key, text))
        return fail("the view does not match the key");
      // No name: the key's default value.
      if (got == Read::kWhole && (got = Detail(in, "name")) == Read::kWhole &&
          !in.rest_.empty() && !in.Narrow(in.rest_, &change.name))
        got = Read::kBad;
      if (got == Read::kBad) return fail("a value without its name");
      if (got == Read::kWhole && (got = Detail(in, "before")) == Read::kWhole &&
          !ParseValue(in.rest_, &change.before))
        got = Read::kBad;
      if (got == Read::kBad) return fail("not a value before");
      if (got == Read::kWhole && (got = Detail(in, "after")) == Read::kWhole &&
          !ParseValue(in.rest_, &change.after))
        got = Read::kBad;
      if (got == Read::kBad) return fail("not a value after");
      if (got == Read::kWhole) inst->values.push_back(change);
    } else {
      return fail("unknown entry \"" + k + "\"");
    }
    if (got == Read::kCut) return Read::kCut;
  }
  *cut = in.start_;
  // A backup line cut off takes its file with it.
  if (afterFile && !in.Left().empty() && std::string("backup ").compare(0, in.Left().size(), in.Left(), 0, 7) == 0) {
    inst->files.pop_back();
    *cut = fileStart;
    return Read::kCut;
  }
  return Read::kWhole;
}

void Entries(Writer& out, plat::CodePage& text, const Installation& inst) {
  for (const std::string& path : inst.earlierRecords) out.Entry("earlier", path);
  for (const std::string& path : inst.foldersMade) out.Entry("made-folder", path);
  for (const PlacedFile& file : inst.files) {
    if (!file.backup.empty() && file.content.size == file.backupContent.size &&
        file.content.hash == file.backupContent.hash) {
      out.Entry("saved", file.path);
      out.Entry("backup", file.backup, true);
      if (file.backupAttributes)
        out.Line(kIndent + std::string("attributes ") + std::to_string(file.backupAttributes));
      out.Line(kIndent + std::string("content ") + ContentText(file.backupContent));
      continue;
    }
    out.Entry("file", file.path);
    out.Line(kIndent + std::string("content ") + ContentText(file.content));
    if (file.backup.empty()) continue;
    out.Entry("backup", file.backup);
    if (file.backupAttributes)
      out.Line(kIndent + std::string("attributes ") + std::to_string(file.backupAttributes));
    out.Line(kIndent + std::string("content ") + ContentText(file.backupContent));
  }
  for (const std::string& path : inst.settingsFiles) out.Entry("settings", path);
  for (const RegKey& key : inst.keysMade) out.Entry("made-key", KeyText(key));
  for (const ValueChange& change : inst.values) {
    out.Entry("value", KeyText(change.key));
    out.Line(kIndent + std::string("view ") + ViewText(change.key, text));
    out.Entry("name", change.name, true);
    out.Line(kIndent + std::string("before ") + ValueText(change.before));
    out.Line(kIndent + std::string("after ") + ValueText(change.after));
  }
  for (const std::string& what : inst.unrecorded) out.Entry("unrecorded", what);
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
  for (const Installation& inst : record.installations) {
    out.Line("");
    out.Line("installation " + std::to_string(inst.number));
    Entries(out, text, inst);
  }
  return out.Text();
}

std::string FormatEntries(plat::CodePage& text, const Installation& inst, bool opening) {
  Writer out(text, false);
  if (opening) {
    out.Line("");
    out.Line("installation " + std::to_string(inst.number));
  }
  Entries(out, text, inst);
  return out.Text();
}

bool ParseRecord(plat::CodePage& text, const std::string& bytes, Record* record,
                 std::string* error, size_t* whole) {
  *record = Record();
  Reader in(text, bytes);
  if (!in.Next() || in.line_ != kHeader) return in.Fail("not an uninstall record", error);
  if (!in.NextEntry() || in.indented_ || in.keyword_ != "folder" ||
      !in.Narrow(in.rest_, &record->folder)) {
    return in.Fail("no install folder", error);
  }
  size_t cut = bytes.size();
  bool more = in.NextEntry();
  if (!more) cut = in.start_;
  while (more) {
    const uint64_t number = Number(in.rest_);
    // A number far beyond any count of installations would not survive its cast.
    if (in.indented_ || in.keyword_ != "installation" || number > 1000000 ||
        std::to_string(number) != in.rest_) {
      return in.Fail("not an installation", error);
    }
    if (!record->installations.empty() &&
        static_cast<int>(number) <= record->installations.back().number) {
      return in.Fail("installations out of order", error);
    }
    Installation inst;
    inst.number = static_cast<int>(number);
    const Read got = ParseInstallation(text, in, &inst, &more, &cut, error);
    if (got == Read::kBad) return false;
    record->installations.push_back(inst);
    if (got == Read::kCut) break;
  }
  if (whole) *whole = cut;
  return true;
}

}  // namespace uninstall
