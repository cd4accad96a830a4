#include "registration/trusted_entries.h"

#include <algorithm>
#include <utility>

namespace {

bool EntryIs(plat::CodePage& text, const std::u16string& entry, const std::string& folder) {
  std::string narrow;
  return entry.find(u'\0') == std::u16string::npos && text.FromUtf16(entry, &narrow) &&
         text.CompareNoCase(narrow, folder) == 0;
}

}  // namespace

std::vector<std::u16string> SplitEntries(const std::u16string& value) {
  std::vector<std::u16string> entries;
  for (std::size_t start = 0;;) {
    const std::size_t semicolon = value.find(u';', start);
    entries.push_back(value.substr(start, semicolon - start));
    if (semicolon == std::u16string::npos) return entries;
    start = semicolon + 1;
  }
}

bool IsTrusted(plat::CodePage& text, const std::u16string& value, const std::string& folder) {
  for (const std::u16string& entry : SplitEntries(value)) {
    for (const std::string& form : {folder, folder + "\\", folder + "\\..."}) {
      if (EntryIs(text, entry, form)) return true;
    }
  }
  return false;
}

bool RemoveFolderEntry(plat::CodePage& text, std::u16string* value, const std::string& folder) {
  const std::vector<std::u16string> entries = SplitEntries(*value);
  std::u16string kept;
  bool first = true, removed = false;
  // Kept entries joined by the separators that stood between them: the one before each kept
  // entry but the first that is kept.
  for (const std::u16string& entry : entries) {
    if (EntryIs(text, entry, folder)) {
      removed = true;
      continue;
    }
    if (!std::exchange(first, false)) kept += u';';
    kept += entry;
  }
  if (removed) *value = kept;
  return removed;
}
