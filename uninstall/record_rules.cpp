#include "uninstall/record_rules.h"

#include <algorithm>
#include <cctype>

#include "activesetup/active_setup.h"
#include "discovery/releases.h"

namespace uninstall {
namespace {

bool SameName(plat::CodePage& text, const std::string& a, const std::string& b) {
  return text.CompareNoCase(a, b) == 0;
}

// names starts with the given ones, compared without letter case.
bool StartsWith(plat::CodePage& text, const std::vector<std::string>& names,
                std::initializer_list<const char*> start) {
  if (names.size() < start.size()) return false;
  size_t i = 0;
  for (const char* name : start) {
    if (!SameName(text, names[i++], name)) return false;
  }
  return true;
}

bool PlainKeyNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name.empty()) return false;
  }
  return true;
}

// Below SOFTWARE\[Wow6432Node\]Autodesk\AutoCAD of the root: how many names that takes, or 0.
size_t HostTreeDepth(plat::CodePage& text, const std::vector<std::string>& names, bool machine) {
  if (StartsWith(text, names, {"SOFTWARE", "Autodesk", "AutoCAD"})) return 3;
  if (machine && StartsWith(text, names, {"SOFTWARE", "Wow6432Node", "Autodesk", "AutoCAD"}))
    return 4;
  return 0;
}

bool IsAutoLoadName(plat::CodePage& text, const std::string& name) {
  const std::string prefix = "VL_BatchPlot";
  if (name.size() != prefix.size() + 4 || !SameName(text, name.substr(0, prefix.size()), prefix))
    return false;
  int year = 0;
  for (char c : name.substr(prefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    year = year * 10 + (c - '0');
  }
  return IsReleaseYear(year);
}

bool CheckValue(plat::CodePage& text, const ValueChange& change) {
  const ValueKind kind = KindOfValue(text, change.key, change.name);
  return kind != ValueKind::kOther;
}

}  // namespace

FileKind KindOfFile(plat::CodePage& text, const std::string& folder, const std::string& path) {
  if (!IsPlainPath(text, path)) return FileKind::kOther;
  if (IsBelow(text, folder, path)) return FileKind::kInstalled;
  std::string resolved;
  ResolvePath(text, path, &resolved);
  const std::vector<std::string> names = PathNames(text, resolved);
  if (names.size() < 3) return FileKind::kOther;
  const std::string& parent = names[names.size() - 2];
  const std::string& name = names.back();
  const bool font = SameName(text, parent, "Fonts") &&
                    (SameName(text, name, "Velmar_EN.shx") || SameName(text, name, "Velmar_HZ.shx"));
  const bool driver = SameName(text, parent, "Drv") && SameName(text, name, "pdfplot9.hdi");
  return font || driver ? FileKind::kHostFile : FileKind::kOther;
}

KeyKind KindOfKey(plat::CodePage& text, const RegKey& key) {
  if (SamePath(text, key.path, activesetup::kComponentKey))
    return key.root == plat::kHkeyLocalMachine ? KeyKind::kActiveSetup : KeyKind::kServed;
  // A user who never logged on yet has no Active Setup keys of his own.
  if (SamePath(text, key.path, "SOFTWARE\\Microsoft\\Active Setup") ||
      SamePath(text, key.path, "SOFTWARE\\Microsoft\\Active Setup\\Installed Components"))
    return KeyKind::kComponents;
  const std::vector<std::string> names = PathNames(text, key.path);
  if (!PlainKeyNames(names)) return KeyKind::kOther;
  const bool machine = key.root == plat::kHkeyLocalMachine;
  const size_t depth = HostTreeDepth(text, names, machine);
  if (depth == 0) return KeyKind::kOther;
  if (machine) {
    // A product key holds its Applications key; at least a release key lies between.
    if (names.size() >= depth + 3 && SameName(text, names.back(), "Applications"))
      return KeyKind::kApplications;
    if (names.size() >= depth + 4 && SameName(text, names[names.size() - 2], "Applications") &&
        IsAutoLoadName(text, names.back()))
      return KeyKind::kAutoLoad;
    return KeyKind::kOther;
  }
  // release\product\Profiles\profile\Variables
  if (key.root == plat::kHkeyCurrentUser && names.size() == depth + 5 &&
      SameName(text, names.back(), "Variables") &&
      SameName(text, names[names.size() - 3], "Profiles"))
    return KeyKind::kVariables;
  return KeyKind::kOther;
}

ValueKind KindOfValue(plat::CodePage& text, const RegKey& key, const std::string& name) {
  switch (KindOfKey(text, key)) {
    case KeyKind::kAutoLoad:
      return SameName(text, name, "LOADER") || SameName(text, name, "LOADCTRLS")
                 ? ValueKind::kAutoLoad
                 : ValueKind::kOther;
    case KeyKind::kVariables:
      return SameName(text, name, "TRUSTEDPATHS") ? ValueKind::kTrustedPaths : ValueKind::kOther;
    case KeyKind::kActiveSetup:
      return ValueKind::kActiveSetup;
    case KeyKind::kServed:
      return SameName(text, name, activesetup::kVersion) ? ValueKind::kServed : ValueKind::kOther;
    default:
      return ValueKind::kOther;
  }
}

bool CheckRecord(plat::CodePage& text, const Record& record, const std::string& folder,
                 std::string* why) {
  const auto refuse = [&](const std::string& what) {
    *why = what;
    return false;
  };
  if (!IsPlainPath(text, record.folder) || !SamePath(text, record.folder, folder))
    return refuse("the record belongs to another folder: " + record.folder);
  const std::string backups = folder + "\\" + kBackupFolderName;
  for (const Installation& inst : record.installations) {
    for (const std::string& path : inst.earlierRecords) {
      if (!IsPlainPath(text, path)) return refuse("earlier " + path);
    }
    for (const std::string& path : inst.foldersMade) {
      // The install folder, a folder above it, or the backup folder.
      const bool fits = SamePath(text, path, folder) || IsBelow(text, path, folder) ||
                        SamePath(text, path, backups);
      if (!IsPlainPath(text, path) || !fits) return refuse("made-folder " + path);
    }
    for (const PlacedFile& file : inst.files) {
      if (KindOfFile(text, folder, file.path) == FileKind::kOther) return refuse("file " + file.path);
      if (!file.backup.empty() &&
          (!IsPlainPath(text, file.backup) || !IsBelow(text, backups, file.backup)))
        return refuse("backup " + file.backup);
    }
    for (const std::string& path : inst.settingsFiles) {
      if (!IsPlainPath(text, path)) return refuse("settings " + path);
    }
    for (const RegKey& key : inst.keysMade) {
      if (KindOfKey(text, key) == KeyKind::kOther) return refuse("made-key " + KeyText(key));
    }
    for (const ValueChange& change : inst.values) {
      if (!CheckValue(text, change)) return refuse("value " + KeyText(change.key) + " " + change.name);
    }
  }
  return true;
}

bool CheckHostFiles(plat::CodePage& text, const Record& record, const std::string& folder,
                    const std::vector<std::string>& hostLocations, std::string* why) {
  for (const Installation& inst : record.installations) {
    for (const PlacedFile& file : inst.files) {
      if (KindOfFile(text, folder, file.path) != FileKind::kHostFile) continue;
      const std::vector<std::string> names = PathNames(text, file.path);
      const std::string& kind = names[names.size() - 2];  // Fonts or Drv, as the shape says
      const bool known = std::any_of(
          hostLocations.begin(), hostLocations.end(), [&](std::string location) {
            plat::DropTrailingBackslash(text, location);
            return SamePath(text, location + "\\" + kind + "\\" + names.back(), file.path);
          });
      if (!known) {
        *why = "文件 " + file.path + " 不在本机AutoCAD的Fonts或Drv文件夹中";
        return false;
      }
    }
  }
  return true;
}

}  // namespace uninstall
