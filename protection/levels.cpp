#include "protection/levels.h"

#include <algorithm>

#include "platform/paths.h"

namespace protection {
namespace {

bool Exists(plat::FileSystem& files, const std::string& path) {
  return files.GetAttributes(path) != plat::kInvalidAttributes;
}

}  // namespace

std::string FullPath(plat::Platform& platform, const std::string& folder) {
  // ':' is never a trail byte, nor in a folder name: "X:" names a drive.
  const bool drive = folder.size() >= 2 && folder[1] == ':';
  if (drive && folder.size() >= 3 && folder[2] == '\\') return folder;
  if (folder.compare(0, 2, "\\\\") == 0) return folder;  // a share, named whole
  std::string current = platform.files.CurrentDirectory();
  plat::DropTrailingBackslash(platform.text, current);
  if (!folder.empty() && folder[0] == '\\') return current.substr(0, 2) + folder;
  if (!drive) return current + "\\" + folder;
  // "D:name": below that drive's current folder, its root unless it is the current drive.
  const bool here = platform.text.CompareNoCase(folder.substr(0, 1), current.substr(0, 1)) == 0;
  return (here ? current : folder.substr(0, 2)) + "\\" + folder.substr(2);
}

std::vector<std::string> Levels(plat::CodePage& text, const std::string& fullPath) {
  const std::vector<std::string> names = plat::PathNames(text, fullPath);
  std::string at = names[0];
  size_t next = 1;
  if (names.size() >= 4 && names[0].empty() && names[1].empty()) {
    at = "\\\\" + names[2] + "\\" + names[3];
    next = 4;
  }
  std::vector<std::string> levels = {at + "\\"};
  for (; next < names.size(); ++next) {
    if (names[next].empty()) continue;
    at += "\\" + names[next];
    levels.push_back(at);
  }
  return levels;
}

Finding CheckEntry(plat::FileSystem& files, const Administrators& admins, const std::string& path,
                   uint32_t rights, Problem problem) {
  const uint32_t attributes = files.GetAttributes(path);
  if (attributes == plat::kInvalidAttributes) return {};
  if (attributes & plat::kAttrReparsePoint) return {Problem::kLink, path, ""};
  plat::Descriptor descriptor;
  if (!files.ReadSecurity(path, &descriptor)) return {Problem::kUnreadable, path, ""};
  const std::string who = OtherWith(admins, descriptor, rights);
  if (who.empty()) return {};
  return {who == descriptor.owner ? Problem::kNotOwned : problem, path, who};
}

Finding CheckLevels(plat::Platform& platform, const Administrators& admins,
                    const std::string& fullPath, const std::vector<std::string>& ours,
                    std::vector<std::string>* toProtect) {
  Finding first;
  for (const std::string& level : Levels(platform.text, fullPath)) {
    if (!Exists(platform.files, level)) break;
    const Finding found =
        CheckEntry(platform.files, admins, level, kReplaceRights, Problem::kOthersMayReplace);
    // A link anywhere is refused, so the walk looks at every level for one.
    if (found.problem == Problem::kLink) return found;
    if (!found || first) continue;
    const bool isOurs = std::any_of(ours.begin(), ours.end(), [&](const std::string& o) {
      return plat::SamePath(platform.text, o, level);
    });
    if (found.problem == Problem::kOthersMayReplace && isOurs) {
      if (toProtect) toProtect->push_back(level);
      continue;
    }
    first = found;
  }
  return first;
}

Finding CheckWrittenByAdministrators(plat::Platform& platform, const Administrators& admins,
                                     const std::string& path) {
  const std::vector<std::string> levels = Levels(platform.text, path);
  for (size_t i = 0; i < levels.size(); ++i) {
    // Above the folder only the owners count: whoever may rename an administrator's folder
    // can move it about, but cannot make it hold what they wrote.
    const uint32_t rights = i + 2 >= levels.size() ? kChangeRights : 0;
    const Finding found =
        CheckEntry(platform.files, admins, levels[i], rights, Problem::kOthersMayChange);
    if (found) return found;
  }
  return {};
}

std::string FindingText(const Finding& f) {
  switch (f.problem) {
    case Problem::kNone:
      break;
    case Problem::kLink:
      return f.path + " 是一个链接（连接点或符号链接）";
    case Problem::kUnreadable:
      return "无法读取 " + f.path + " 的所有者和权限";
    case Problem::kNotMade:
      return "无法创建文件夹 " + f.path;
    case Problem::kNotOwned:
      return f.path + " 的所有者（" + f.who + "）不是管理员";
    case Problem::kOthersMayReplace:
      return "非管理员用户（" + f.who + "）可以删除或重命名 " + f.path + " 或其中的内容";
    case Problem::kOthersMayChange:
      return "非管理员用户（" + f.who + "）可以修改 " + f.path + " 或其中的内容";
  }
  return std::string();
}

std::string FindingLogText(const Finding& f) {
  switch (f.problem) {
    case Problem::kNone:
      break;
    case Problem::kLink:
      return "it is a junction or symbolic link";
    case Problem::kUnreadable:
      return "its owner and access list cannot be read";
    case Problem::kNotMade:
      return "it could not be made";
    case Problem::kNotOwned:
      return "its owner " + f.who + " is not an administrator";
    case Problem::kOthersMayReplace:
      return f.who + ", not an administrator, may delete or rename it or what lies in it";
    case Problem::kOthersMayChange:
      return f.who + ", not an administrator, may change it or what lies in it";
  }
  return std::string();
}

}  // namespace protection
