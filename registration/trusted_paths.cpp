#include "registration/trusted_paths.h"

#include "registration/trusted_entries.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_values.h"
#include "platform/unicode.h"

namespace {

const char kHostRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
const char kTrustedPaths[] = "TRUSTEDPATHS";
const char kVariables[] = "Variables";
// A key name has at most 255 characters, but in code page 936 each may take two bytes.
constexpr uint32_t kNameBufferBytes = 512;

// Calls visit(name) for each sub-key of key that opens for reading. The count is taken once;
// an index that no longer answers (the key changed under the walk) is passed over rather than
// taken for an empty name, which would stand for the key itself.
template <typename Visit>
void ForEachReadableSubKey(plat::Registry& reg, plat::HKey key, Visit visit) {
  uint32_t count = 0;
  if (reg.QuerySubKeyCount(key, &count) != plat::kErrorSuccess) return;
  for (uint32_t index = 0; index < count; ++index) {
    char name[kNameBufferBytes] = {};
    uint32_t size = kNameBufferBytes;
    if (reg.EnumKey(key, index, name, &size) != plat::kErrorSuccess) continue;
    // Up to the terminator the call wrote, and never past the buffer.
    const std::string subName(name, strnlen(name, sizeof name));
    if (subName.empty()) continue;
    plat::UniqueKey sub(reg);
    if (reg.OpenKeyRead(key, subName, sub.put()) != plat::kErrorSuccess) continue;
    visit(subName, sub.get());
  }
}

enum class Current { Missing, Text, Unreadable };

// Reads TRUSTEDPATHS whole, whatever its length, in UTF-16 as the host writes it: through the
// narrow call a character code page 936 cannot hold would come back as '?'. Only text types
// count as text: anything else is a value this program does not understand and must not
// overwrite; nor is a text that cannot be written back whole (half a unit, or something after
// its first zero unit). A value that keeps growing as it is read is being written by someone
// else right now, and is left to them.
Current ReadTrustedPaths(plat::Registry& reg, plat::HKey variables, std::u16string* text,
                         uint32_t* type) {
  std::string bytes;
  const long rc = plat::ReadValue(reg, variables, plat::AsciiToUtf16(kTrustedPaths), type, &bytes);
  if (rc == plat::kErrorFileNotFound) return Current::Missing;
  if (rc != plat::kErrorSuccess || (*type != plat::kRegSz && *type != plat::kRegExpandSz) ||
      bytes.size() % 2 != 0)
    return Current::Unreadable;
  const std::u16string units = plat::Utf16Units(bytes);
  const std::size_t end = units.find(u'\0');
  if (units.find_first_not_of(u'\0', end) != std::u16string::npos) return Current::Unreadable;
  *text = units.substr(0, end);
  return Current::Text;
}

// Upper-cases by the code page's rules, character by character; a unit the code page cannot
// hold (a surrogate among them) keeps its value.
std::u16string Upper(plat::CodePage& text, const std::u16string& value) {
  std::u16string out;
  std::string run;  // the code page bytes of the units since the last one it cannot hold
  for (char16_t unit : value) {
    std::string narrow;
    if (text.FromUtf16(std::u16string(1, unit), &narrow)) {
      run += narrow;
      continue;
    }
    out += text.ToUtf16(text.Upper(run));
    run.clear();
    out += unit;
  }
  return out + text.ToUtf16(text.Upper(run));
}

std::u16string NewTrustedPaths(plat::CodePage& text, const std::u16string& current,
                               const std::string& folder) {
  // One or two code page bytes cannot hold a path worth keeping (at most a drive such as
  // "C:"). A value with a character the code page cannot hold is the user's own text, kept.
  std::string narrow;
  if (text.FromUtf16(current, &narrow) && narrow.size() <= 2) return text.ToUtf16(folder);
  const std::u16string upper = Upper(text, current);
  const std::string upperFolder = text.Upper(folder);
  if (IsTrusted(text, upper, upperFolder)) return upper;
  return upper + u";" + text.ToUtf16(upperFolder);
}

void UpdateProfile(plat::Platform& platform, const std::string& profilePath,
                   const std::string& folder) {
  plat::Registry& reg = platform.registry;
  std::u16string current;
  uint32_t type = plat::kRegSz;
  {
    plat::UniqueKey variables(reg);
    const long rc = reg.OpenKeyRead(plat::kHkeyCurrentUser, profilePath + "\\" + kVariables,
                                    variables.put());
    if (rc == plat::kErrorSuccess) {
      if (ReadTrustedPaths(reg, variables.get(), &current, &type) == Current::Unreadable) return;
    } else if (rc != plat::kErrorFileNotFound) {
      return;  // the key exists but hides its value: leave the user's paths alone
    }
  }
  const std::u16string value = NewTrustedPaths(platform.text, current, folder);

  // Only the Variables level is created: a profile deleted since the walk listed it stays
  // deleted.
  plat::UniqueKey profile(reg);
  if (reg.OpenKey(plat::kHkeyCurrentUser, profilePath, profile.put()) != plat::kErrorSuccess) return;
  plat::UniqueKey variables(reg);
  if (reg.CreateKey(profile.get(), kVariables, variables.put()) != plat::kErrorSuccess) return;
  // An expandable value stays expandable; every other case is written as plain text. The
  // count leaves the terminator out, and the registry stores it since c_str() ends in one.
  const uint32_t writeType = type == plat::kRegExpandSz ? plat::kRegExpandSz : plat::kRegSz;
  reg.SetValueW(variables.get(), plat::AsciiToUtf16(kTrustedPaths), writeType, value.c_str(),
                static_cast<uint32_t>(value.size() * sizeof(char16_t)));
}

}  // namespace

void ListSubKeys(plat::Registry& registry, plat::HKey key, StringList& list) {
  ForEachReadableSubKey(registry, key, [&](const std::string& name, plat::HKey) {
    list.push_back(name);
  });
}

void RegisterTrustedPaths(plat::Platform& platform, const InstallCatalogue& catalogue) {
  plat::Registry& reg = platform.registry;

  // The walk passes on only names that are not empty, and a key name holds no backslash, so
  // none of the paths built below ends in one.
  // Stage 1: the Profiles key of every product of every release the user has run.
  StringList profileRoots;
  {
    plat::UniqueKey hostRoot(reg);
    if (reg.OpenKeyRead(plat::kHkeyCurrentUser, kHostRoot, hostRoot.put()) == plat::kErrorSuccess) {
      ForEachReadableSubKey(reg, hostRoot.get(), [&](const std::string& release, plat::HKey key) {
        StringList products;
        ListSubKeys(reg, key, products);
        for (const std::string& product : products) {
          profileRoots.push_back(std::string(kHostRoot) + "\\" + release + "\\" + product +
                                 "\\Profiles");
        }
      });
    }
  }

  // Stage 2: every profile below those keys.
  StringList profiles;
  for (const std::string& root : profileRoots) {
    plat::UniqueKey rootKey(reg);
    if (reg.OpenKeyRead(plat::kHkeyCurrentUser, root, rootKey.put()) != plat::kErrorSuccess) continue;
    StringList names;
    ListSubKeys(reg, rootKey.get(), names);
    for (const std::string& name : names) profiles.push_back(root + "\\" + name);
  }

  // Stage 3: the update, profile by profile.
  for (const std::string& profile : profiles) UpdateProfile(platform, profile, catalogue.installFolder);
}
