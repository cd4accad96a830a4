#include "protection/checked_levels.h"

#include "platform/paths.h"

namespace protection {
namespace {

constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;

}  // namespace

Finding CheckOpen(plat::CheckedFiles& files, const Administrators& admins, plat::FileHandle open,
                  const std::string& path, uint32_t rights, Problem problem) {
  plat::Descriptor descriptor;
  if (!files.ReadSecurity(open, &descriptor)) return {Problem::kUnreadable, path, ""};
  const std::string who = OtherWith(admins, descriptor, rights);
  if (who.empty()) return {};
  return {who == descriptor.owner ? Problem::kNotOwned : problem, path, who};
}

std::string LevelPath(plat::CodePage& text, const std::string& fullPath, size_t level) {
  std::string resolved;
  if (!plat::ResolvePath(text, fullPath, &resolved)) return fullPath;
  const std::vector<std::string> levels = Levels(text, resolved);
  return level < levels.size() ? levels[level] : fullPath;
}

SafeWalk WalkSafeFolder(plat::Platform& platform, const std::string& fullPath, uint32_t access,
                        uint32_t share) {
  const Administrators admins = Administrators::Of(platform.files);
  SafeWalk safe;
  // The drive's root is Windows' own; Wine shows the root of its Z: drive, the Unix root, as
  // a link, and so the root's list is no one's to judge here.
  safe.walked = plat::WalkFolders(
      platform.checked, platform.text, fullPath, access, share,
      [&](size_t level, plat::FileHandle folder) {
        if (level == 0) return true;
        safe.finding = CheckOpen(platform.checked, admins, folder,
                                 LevelPath(platform.text, fullPath, level), kReplaceRights,
                                 Problem::kOthersMayReplace);
        return !safe.finding;
      });
  if (safe.walked.reached == plat::Reached::kLink)
    safe.finding = {Problem::kLink, LevelPath(platform.text, fullPath, safe.walked.level), ""};
  return safe;
}

Finding CheckSettingsFolder(plat::Platform& platform, const std::string& folder) {
  return WalkSafeFolder(platform, folder, 0, kShareAll).finding;
}

void ProtectThrough(plat::Platform& platform, const std::vector<std::string>& folders) {
  const plat::AccessList list = ProgramFolderDescriptor().dacl;
  for (const std::string& folder : folders) {
    plat::Walked walked =
        plat::WalkFolders(platform.checked, platform.text, folder, plat::kWriteDac, kShareAll);
    if (walked.folder) platform.checked.SetAccessList(walked.folder.get(), list);
  }
}

}  // namespace protection
