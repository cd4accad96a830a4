#include "ui/path_checks.h"

#include <cstring>

#include "protection/rules.h"

namespace picker {
namespace {

// The work buffer of a path holds 260 bytes with the terminator.
constexpr std::size_t kMaxPathBytes = 259;

bool IsEdgeCharacter(unsigned char c) { return c == '\t' || c == ' ' || c == '.'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the character that starts at offset i. A lead byte at the very end stands alone.
std::size_t CharLength(plat::CodePage& text, const std::string& s, std::size_t i) {
  return text.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Offset of the first backslash character at or after start, or the text's length.
std::size_t NextBackslash(plat::CodePage& text, const std::string& s, std::size_t start) {
  for (std::size_t i = start; i < s.size(); i += CharLength(text, s, i)) {
    if (s[i] == '\\') return i;
  }
  return s.size();
}

bool Exists(plat::FileSystem& files, const std::string& path) {
  return files.GetAttributes(path) != plat::kInvalidAttributes;
}

std::string FolderMessage(const std::string& path, const char* verdict) {
  return "The folder:\n\n" + path + "\n\n" + verdict;
}

}  // namespace

bool IsValidPathComponent(plat::CodePage& text, const char* name) {
  if (name == nullptr || *name == '\0') return false;
  const std::string s(name);
  if (IsEdgeCharacter(s[0])) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLength(text, s, i)) {
    last = i;
    if (CharLength(text, s, i) == 1 && std::strchr("\"*/:<>?\\|", s[i]) != nullptr) return false;
  }
  return !(last + 1 == s.size() && IsEdgeCharacter(s[last]));
}

int CheckOrCreatePath(plat::FileSystem& files, plat::CodePage& text, const char* path,
                      bool checkOnly) {
  if (path == nullptr) return kFolderInvalid;
  std::string work(path);
  // Longer than the work buffer: no such folder can be named anyway.
  if (work.size() > kMaxPathBytes) return kFolderInvalid;
  if (work.size() < 3) return kFolderInvalid;
  if (!IsAsciiLetter(work[0]) || work[1] != ':' || work[2] != '\\') return kFolderInvalid;
  if (work.size() == 3) {
    if (checkOnly || Exists(files, work)) return kFolderUsable;
    return kFolderNotCreated;
  }
  for (std::size_t start = 3;;) {
    const std::size_t end = NextBackslash(text, work, start);
    if (!IsValidPathComponent(text, work.substr(start, end - start).c_str())) {
      return kFolderInvalid;
    }
    if (!checkOnly) {
      const std::string level = work.substr(0, end);
      // An existing level is fine; the test below decides. A level made here is the
      // program's, as the install command makes its own.
      files.CreateDirectoryWith(level, protection::ProgramFolderDescriptor());
      if (!Exists(files, level)) return kFolderNotCreated;
    }
    if (end == work.size()) return kFolderUsable;
    if (end + 1 == work.size()) return kFolderInvalid;  // trailing backslash
    start = end + 1;
  }
}

int ConfirmFolder(plat::Platform& platform, const std::string& caption, const std::string& path) {
  if (CheckOrCreatePath(platform.files, platform.text, path.c_str(), true) != kFolderUsable) {
    platform.messages.Show(FolderMessage(path, "is invalid. Please reenter."), caption,
                           plat::kMbOk | plat::kMbIconExclamation);
    return kFolderInvalid;
  }
  if (Exists(platform.files, path)) return kFolderUsable;
  const int answer = platform.messages.Show(
      FolderMessage(path, "does not exist. Do you want the folder to be created?"), caption,
      plat::kMbYesNo | plat::kMbIconQuestion);
  if (answer != plat::kIdYes) return kFolderDeclined;
  const int made = CheckOrCreatePath(platform.files, platform.text, path.c_str(), false);
  if (made == kFolderInvalid) {
    platform.messages.Show(FolderMessage(path, "is invalid. Please reenter."), caption,
                           plat::kMbOk | plat::kMbIconExclamation);
  } else if (made == kFolderNotCreated) {
    platform.messages.Show(FolderMessage(path, "can not be created. Please double check."), caption,
                           plat::kMbOk | plat::kMbIconExclamation);
  }
  return made;
}

std::string ApplicationName(plat::FileSystem& files, plat::CodePage& text) {
  std::string module;
  if (!files.ModuleFileName(&module)) return "SetUp";
  const std::size_t slash = text.LastBackslash(module);
  std::string name = slash == std::string::npos ? module : module.substr(slash + 1);
  // '.' is never the trail byte of a double-byte character.
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace picker
