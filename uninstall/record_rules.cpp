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

std::vector<std::string> PathNames(plat::CodePage& text, const std::string& path) {
  std::vector<std::string> names(1);
  for (size_t i = 0; i < path.size();) {
    const bool pair = text.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
    if (!pair && path[i] == '\\') {
      names.emplace_back();
      ++i;
      continue;
    }
    names.back().append(path, i, pair ? 2 : 1);
    i += pair ? 2 : 1;
  }
  return names;
}

namespace {

bool IsDrive(const std::string& name) {
  return name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]));
}

// The names of a full path as the system resolves it before it looks at the disk: '/' is a
// separator too, runs of separators count as one, "." goes, ".." takes the name before it
// away, a name followed by more loses one trailing dot, and the last name loses all its
// trailing dots and blanks. '/' is never the trail byte of a double-byte character.
bool ResolvedNames(plat::CodePage& text, const std::string& path, std::vector<std::string>* out) {
  std::string slashed = path;
  for (size_t i = 0; i < slashed.size(); ++i) {
    if (text.IsLeadByte(static_cast<unsigned char>(slashed[i])) && i + 1 < slashed.size()) {
      ++i;
    } else if (slashed[i] == '/') {
      slashed[i] = '\\';
    }
  }
  const std::vector<std::string> names = PathNames(text, slashed);
  if (names.size() < 2 || !IsDrive(names[0])) return false;
  out->assign(1, names[0]);
  for (size_t n = 1; n < names.size(); ++n) {
    std::string name = names[n];
    const bool last = n + 1 == names.size();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (out->size() > 1) out->pop_back();
      continue;
    }
    if (!last && name.back() == '.') {
      name.pop_back();
    } else if (last) {
      while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
      if (name.empty()) continue;
    }
    out->push_back(name);
  }
  return true;
}

// Names compared one by one: resolved when both are full paths, as spelled otherwise (key
// paths, whose names may well end in a dot).
bool ComparableNames(plat::CodePage& text, const std::string& a, const std::string& b,
                     std::vector<std::string>* x, std::vector<std::string>* y) {
  if (ResolvedNames(text, a, x) && ResolvedNames(text, b, y)) return true;
  *x = PathNames(text, a);
  *y = PathNames(text, b);
  return false;
}

}  // namespace

bool ResolvePath(plat::CodePage& text, const std::string& path, std::string* resolved) {
  std::vector<std::string> names;
  if (!ResolvedNames(text, path, &names)) return false;
  std::string joined = names[0];
  for (size_t n = 1; n < names.size(); ++n) joined += "\\" + names[n];
  if (names.size() == 1) joined += "\\";
  *resolved = joined;
  return true;
}

bool IsPlainPath(plat::CodePage& text, const std::string& path) {
  std::vector<std::string> names;
  if (!ResolvedNames(text, path, &names) || names.size() < 2) return false;
  for (size_t n = 1; n < names.size(); ++n) {
    const std::string& name = names[n];
    // What stays at the end of a name that is not the last: the system keeps it, and no
    // installation of ours makes such a folder.
    if (name.back() == '.' || name.back() == ' ') return false;
    for (size_t i = 0; i < name.size();) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (text.IsLeadByte(c) && i + 1 < name.size()) {
        i += 2;
        continue;
      }
      if (c < 0x20 || std::string(":*?\"<>|").find(static_cast<char>(c)) != std::string::npos)
        return false;
      ++i;
    }
  }
  return true;
}

bool SamePath(plat::CodePage& text, const std::string& a, const std::string& b) {
  std::vector<std::string> x, y;
  ComparableNames(text, a, b, &x, &y);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!SameName(text, x[i], y[i])) return false;
  }
  return true;
}

bool IsBelow(plat::CodePage& text, const std::string& folder, const std::string& path) {
  std::vector<std::string> f, p;
  ComparableNames(text, folder, path, &f, &p);
  if (p.size() <= f.size()) return false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (!SameName(text, f[i], p[i])) return false;
  }
  return true;
}

FileKind KindOfFile(plat::CodePage& text, const std::string& folder, const std::string& path) {
  if (!IsPlainPath(text, path)) return FileKind::kOther;
  if (IsBelow(text, folder, path)) return FileKind::kInstalled;
  std::vector<std::string> names;
  ResolvedNames(text, path, &names);
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
