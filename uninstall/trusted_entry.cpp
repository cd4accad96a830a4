#include "uninstall/trusted_entry.h"

#include <algorithm>
#include <vector>

namespace uninstall {
namespace {

struct Span {
  size_t begin, end;
};

std::vector<Span> Entries(const std::u16string& value) {
  std::vector<Span> spans;
  size_t begin = 0;
  for (size_t i = 0; i <= value.size(); ++i) {
    if (i == value.size() || value[i] == u';') {
      spans.push_back({begin, i});
      begin = i + 1;
    }
  }
  return spans;
}

// An entry with a character the code page cannot hold, or with a zero unit, is no folder
// this program wrote.
bool EntryIs(plat::CodePage& text, const std::u16string& entry, const std::string& folder) {
  std::string narrow;
  return entry.find(u'\0') == std::u16string::npos && text.FromUtf16(entry, &narrow) &&
         text.CompareNoCase(narrow, folder) == 0;
}

}  // namespace

bool TrustsFolder(plat::CodePage& text, const std::u16string& value, const std::string& folder) {
  for (const Span& s : Entries(value)) {
    const std::u16string entry = value.substr(s.begin, s.end - s.begin);
    for (const std::string& form : {folder, folder + "\\", folder + "\\..."}) {
      if (EntryIs(text, entry, form)) return true;
    }
  }
  return false;
}

bool RemoveFolderEntry(plat::CodePage& text, std::u16string* value, const std::string& folder) {
  const std::vector<Span> spans = Entries(*value);
  std::vector<bool> drop;
  for (const Span& s : spans)
    drop.push_back(EntryIs(text, value->substr(s.begin, s.end - s.begin), folder));
  if (std::find(drop.begin(), drop.end(), true) == drop.end()) return false;
  // Kept entries joined by the separators that stood between them: the one before each kept
  // entry but the first that is kept.
  std::u16string out;
  bool first = true;
  for (size_t i = 0; i < spans.size(); ++i) {
    if (drop[i]) continue;
    if (!first) out += u';';
    out.append(*value, spans[i].begin, spans[i].end - spans[i].begin);
    first = false;
  }
  *value = out;
  return true;
}

}  // namespace uninstall
