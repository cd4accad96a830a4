#include "protection/install_folder.h"

#include "platform/paths.h"
#include "protection/checked_levels.h"

namespace protection {
namespace {

std::string ParentOf(plat::CodePage& text, const std::string& path) {
  const size_t slash = text.LastBackslash(path);
  return slash == std::string::npos ? path : path.substr(0, slash);
}

constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;

// A level on the way to the install folder, judged on its handle: no one but an administrator
// may replace it, unless the user has accepted the level the assessment named, and so whatever
// lies below it. A level that appeared since the assessment is judged as any other: one that
// someone else made in that moment is theirs, and refused.
bool Accepted(plat::Platform& platform, const Administrators& admins, const Assessment& accepted,
              plat::FileHandle level, const std::string& path, Finding* why) {
  const Finding found =
      CheckOpen(platform.checked, admins, level, path, kReplaceRights, Problem::kOthersMayReplace);
  if (!found) return true;
  const std::string& named = accepted.finding.path;
  if (accepted.finding.problem != Problem::kLink && !named.empty() &&
      (plat::SamePath(platform.text, named, path) || plat::IsBelow(platform.text, named, path)))
    return true;
  *why = found;
  return false;
}

// A level that is a link, or that the program may not even look at, stops the installation; one
// refused by its judge has said why already.
bool Stopped(plat::Reached reached, const std::string& path, Finding* why) {
  if (reached == plat::Reached::kLink) *why = {Problem::kLink, path, ""};
  if (reached == plat::Reached::kDenied) *why = {Problem::kUnreadable, path, ""};
  return reached == plat::Reached::kLink || reached == plat::Reached::kDenied ||
         reached == plat::Reached::kRefused;
}

// The install folder in the open folder above it: made with the program's descriptor when
// nothing stands there (made tells), else opened as it is.
plat::Opened OpenOrMake(plat::CheckedFiles& files, plat::FileHandle folder,
                        const std::string& name, bool* made) {
  *made = false;
  plat::Opened opened = files.Open(folder, name, plat::kLevelAccess, kShareAll);
  if (opened.reached != plat::Reached::kMissing) return opened;
  opened = files.Make(folder, name, true, ProgramFolderDescriptor(), plat::kLevelAccess, kShareAll);
  *made = static_cast<bool>(opened.handle);
  // Something came to stand there since: it is judged as what was there before.
  if (opened.reached == plat::Reached::kExists)
    return files.Open(folder, name, plat::kLevelAccess, kShareAll);
  return opened;
}

}  // namespace

Assessment AssessInstallFolder(plat::Platform& platform, const std::string& product,
                               const std::vector<std::string>& ours) {
  const Administrators admins = Administrators::Of(platform.files);
  const std::string fullProduct = FullPath(platform, product);
  Assessment assessment;
  assessment.finding = CheckLevels(platform, admins, ParentOf(platform.text, fullProduct), ours,
                                   &assessment.toProtect);
  const uint32_t attributes = platform.files.GetAttributes(fullProduct);
  if (assessment.finding.problem != Problem::kLink && attributes != plat::kInvalidAttributes &&
      (attributes & plat::kAttrReparsePoint))
    assessment.finding = {Problem::kLink, fullProduct, ""};
  return assessment;
}

bool PrepareInstallFolder(plat::Platform& platform, const std::string& product,
                          const Assessment& assessment, Finding* why) {
  const Administrators admins = Administrators::Of(platform.files);
  plat::CodePage& text = platform.text;
  ProtectThrough(platform, assessment.toProtect);
  std::string full;
  if (!plat::ResolvePath(text, FullPath(platform, product), &full)) return true;
  const std::vector<std::string> levels = Levels(text, full);
  // Down to the install folder's parent, every level judged on its handle; a level that is not
  // there makes no folder (the copy into it tells).
  const std::string& install = levels[levels.size() - 2];
  const bool atRoot = levels.size() == 2;
  plat::Walked walked = plat::WalkFolders(
      platform.checked, text, atRoot ? install : levels[levels.size() - 3], 0, kShareAll,
      [&](size_t level, plat::FileHandle folder) {
        return level == 0 || Accepted(platform, admins, assessment, folder, levels[level], why);
      });
  if (Stopped(walked.reached, levels[walked.level], why)) return false;
  if (!walked.folder) return true;
  plat::UniqueFileHandle folder = std::move(walked.folder);
  if (!atRoot) {
    bool made = false;
    plat::Opened opened =
        OpenOrMake(platform.checked, folder.get(), plat::FileNameOf(text, install), &made);
    if (Stopped(opened.reached, install, why)) return false;
    if (!opened.handle) return true;
    if (!made && !Accepted(platform, admins, assessment, opened.handle.get(), install, why))
      return false;
    folder = std::move(opened.handle);
  }
  // The product sub-folder is an administrator's alone; one that cannot be made shows up as
  // failed copies into it.
  return OwnFolder(platform, folder.get(), full, ProgramFolderDescriptor(), why) || !*why;
}

}  // namespace protection
