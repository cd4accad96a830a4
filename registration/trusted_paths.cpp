#include "registration/trusted_paths.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

const char kHostRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
const char kTrustedPaths[] = "TRUSTEDPATHS";
const char kVariables[] = "Variables";
// A key name has at most 255 characters, but in code page 936 each may take two bytes.
constexpr uint32_t kNameBufferBytes = 512;
// A value that keeps growing between the size query and the read is given up on.
constexpr int kReadAttempts = 4;

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
    const std::string subName(name, size < kNameBufferBytes ? size : 0);
    if (subName.empty()) continue;
    plat::UniqueKey sub(reg);
    if (reg.OpenKeyRead(key, subName, sub.put()) != plat::kErrorSuccess || !sub) continue;
    visit(subName, sub.get());
  }
}

enum class Current { Missing, Text, Unreadable };

// Reads TRUSTEDPATHS whole, whatever its length. Only text types count as text: anything
// else is a value this program does not understand and must not overwrite.
Current ReadTrustedPaths(plat::Registry& reg, plat::HKey variables, std::string* text,
                         uint32_t* type) {
  uint32_t size = 0;
  long rc = reg.QueryValue(variables, kTrustedPaths, type, nullptr, &size);
  if (rc == plat::kErrorFileNotFound) return Current::Missing;
  if (rc != plat::kErrorSuccess) return Current::Unreadable;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    // One spare byte so a text stored without its terminator still ends in one.
    std::vector<unsigned char> buffer(size + 1, 0);
    uint32_t got = size + 1;
    rc = reg.QueryValue(variables, kTrustedPaths, type, buffer.data(), &got);
    if (rc == plat::kErrorMoreData) {
      size = got;
      continue;
    }
    if (rc == plat::kErrorFileNotFound) return Current::Missing;
    if (rc != plat::kErrorSuccess) return Current::Unreadable;
    if (*type != plat::kRegSz && *type != plat::kRegExpandSz) return Current::Unreadable;
    const char* chars = reinterpret_cast<const char*>(buffer.data());
    std::size_t length = 0;
    while (length < got && chars[length] != '\0') ++length;
    text->assign(chars, length);
    return Current::Text;
  }
  return Current::Unreadable;
}

std::vector<std::string> SplitEntries(plat::CodePage& text, const std::string& value) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size();) {
    if (value[i] == ';') {
      entries.push_back(value.substr(start, i - start));
      start = i + 1;
    }
    i += text.IsLeadByte(static_cast<unsigned char>(value[i])) && i + 1 < value.size() ? 2 : 1;
  }
  entries.push_back(value.substr(start));
  return entries;
}

// The folder is trusted already when one whole entry names it, alone, with a trailing
// backslash, or with the sub-folder suffix "\...". A longer name that merely starts with
// it (D:\TOOLS2 for D:\TOOLS) is another folder.
bool IsTrusted(plat::CodePage& text, const std::string& value, const std::string& folder) {
  const std::string forms[] = {folder, folder + "\\", folder + "\\..."};
  for (const std::string& entry : SplitEntries(text, value)) {
    for (const std::string& form : forms) {
      if (text.CompareNoCase(entry, form) == 0) return true;
    }
  }
  return false;
}

std::string NewTrustedPaths(plat::CodePage& text, const std::string& current,
                            const std::string& folder) {
  // One or two bytes cannot hold a path worth keeping (at most a drive such as "C:").
  if (current.size() <= 2) return folder;
  const std::string upper = text.Upper(current);
  if (IsTrusted(text, upper, text.Upper(folder))) return upper;
  return upper + ";" + text.Upper(folder);
}

void UpdateProfile(plat::Platform& platform, const std::string& profilePath,
                   const std::string& folder) {
  plat::Registry& reg = platform.registry;
  std::string current;
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
  const std::string value = NewTrustedPaths(platform.text, current, folder);

  // Only the Variables level is created: a profile deleted since the walk listed it stays
  // deleted.
  plat::UniqueKey profile(reg);
  if (reg.OpenKey(plat::kHkeyCurrentUser, profilePath, profile.put()) != plat::kErrorSuccess ||
      !profile) {
    return;
  }
  plat::UniqueKey variables(reg);
  if (reg.CreateKey(profile.get(), kVariables, variables.put()) != plat::kErrorSuccess ||
      !variables) {
    return;
  }
  // An expandable value stays expandable; every other case is written as plain text.
  const uint32_t writeType = type == plat::kRegExpandSz ? plat::kRegExpandSz : plat::kRegSz;
  reg.SetValue(variables.get(), kTrustedPaths, writeType, value.c_str(),
               static_cast<uint32_t>(value.size()));
}

}  // namespace

void ListSubKeys(plat::Registry& registry, plat::HKey key, StringList& list) {
  ForEachReadableSubKey(registry, key, [&](const std::string& name, plat::HKey) {
    list.push_back(name);
  });
}

void RegisterTrustedPaths(plat::Platform& platform, const InstallCatalogue& catalogue) {
  plat::Registry& reg = platform.registry;
  plat::CodePage& text = platform.text;

  // Stage 1: the Profiles key of every product of every release the user has run.
  StringList profileRoots;
  {
    plat::UniqueKey hostRoot(reg);
    if (reg.OpenKeyRead(plat::kHkeyCurrentUser, kHostRoot, hostRoot.put()) == plat::kErrorSuccess &&
        hostRoot) {
      ForEachReadableSubKey(reg, hostRoot.get(), [&](const std::string& release, plat::HKey key) {
        StringList products;
        ListSubKeys(reg, key, products);
        for (const std::string& product : products) {
          std::string path = std::string(kHostRoot) + "\\" + release + "\\" + product;
          plat::DropTrailingBackslash(text, path);
          profileRoots.push_back(path + "\\Profiles");
        }
      });
    }
  }

  // Stage 2: every profile below those keys.
  StringList profiles;
  for (const std::string& root : profileRoots) {
    plat::UniqueKey rootKey(reg);
    if (reg.OpenKeyRead(plat::kHkeyCurrentUser, root, rootKey.put()) != plat::kErrorSuccess ||
        !rootKey) {
      continue;
    }
    StringList names;
    ListSubKeys(reg, rootKey.get(), names);
    for (const std::string& name : names) {
      std::string path = root + "\\" + name;
      plat::DropTrailingBackslash(text, path);
      profiles.push_back(path);
    }
  }

  // Stage 3: the update, profile by profile.
  for (const std::string& profile : profiles) UpdateProfile(platform, profile, catalogue.installFolder);
}
