#include "protection/checked_levels.h"

#include <cstdio>

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

std::string FolderToWalk(plat::CodePage& text, const std::string& path) {
  std::string folder = plat::FolderOf(text, path);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
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

bool ReadWrittenByAdministrators(plat::Platform& platform, const std::string& path,
                                 std::string* bytes, Finding* why) {
  const Administrators admins = Administrators::Of(platform.files);
  plat::CheckedFiles& checked = platform.checked;
  const std::string folder = FolderToWalk(platform.text, path);
  const size_t last = Levels(platform.text, folder).size() - 1;
  *why = {Problem::kUnreadable, path, ""};
  // Above the folder only the owners count: whoever may rename an administrator's folder can
  // move it about, but cannot make it hold what they wrote.
  plat::Walked walked = plat::WalkFolders(
      checked, platform.text, folder, 0, kShareAll, [&](size_t level, plat::FileHandle at) {
        *why = CheckOpen(checked, admins, at, LevelPath(platform.text, folder, level),
                         level == last ? kChangeRights : 0, Problem::kOthersMayChange);
        return !*why;
      });
  if (walked.reached == plat::Reached::kLink)
    *why = {Problem::kLink, LevelPath(platform.text, folder, walked.level), ""};
  if (!walked.folder) return false;
  plat::Opened file = checked.Open(walked.folder.get(), plat::FileNameOf(platform.text, path),
                                   plat::kFileGenericRead, plat::kShareRead);
  if (file.reached == plat::Reached::kLink) *why = {Problem::kLink, path, ""};
  if (file.reached != plat::Reached::kFile) return false;
  *why = CheckOpen(checked, admins, file.handle.get(), path, kChangeRights,
                   Problem::kOthersMayChange);
  return !*why && checked.ReadAll(file.handle.get(), bytes);
}

plat::UniqueFileHandle OwnFolder(plat::Platform& platform, plat::FileHandle parent,
                                 const std::string& path, const plat::Descriptor& descriptor,
                                 Finding* why) {
  plat::CheckedFiles& files = platform.checked;
  const std::string name = plat::FileNameOf(platform.text, path);
  const uint32_t access = plat::kLevelAccess | plat::kWriteDac;
  plat::Opened opened = files.Open(parent, name, access, kShareAll);
  if (opened.reached == plat::Reached::kMissing) {
    opened = files.Make(parent, name, true, descriptor, access, kShareAll);
    if (opened.handle) return std::move(opened.handle);
    // Not made and not there (a medium that takes no writes): no finding, nothing to use.
    if (opened.reached != plat::Reached::kExists) return {};
    opened = files.Open(parent, name, access, kShareAll);
  }
  if (opened.reached == plat::Reached::kLink) {
    *why = {Problem::kLink, path, ""};
    return {};
  }
  Finding found = {Problem::kUnreadable, path, ""};
  if (opened.reached == plat::Reached::kFolder) {
    found = CheckOpen(files, Administrators::Of(platform.files), opened.handle.get(), path,
                      kChangeRights, Problem::kOthersMayChange);
    if (!found && files.SetAccessList(opened.handle.get(), descriptor.dacl))
      return std::move(opened.handle);
  }
  opened.handle.reset();
  uint64_t number = 0;
  char hex[18];
  plat::Opened aside = files.Open(parent, name, plat::kDelete, kShareAll);
  if (aside.handle && platform.files.RandomNumber(&number)) {
    std::snprintf(hex, sizeof hex, "-%016llx", static_cast<unsigned long long>(number));
    if (files.Rename(aside.handle.get(), parent, name + hex)) {
      aside.handle.reset();
      plat::Opened anew = files.Make(parent, name, true, descriptor, access, kShareAll);
      if (anew.handle) return std::move(anew.handle);
    }
  }
  *why = aside.reached == plat::Reached::kLink ? Finding{Problem::kLink, path, ""} : found;
  return {};
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
