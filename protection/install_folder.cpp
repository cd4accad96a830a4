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

bool PrepareInstallFolder(plat::Platform& platform, const std::string& folder,
                          const std::string& product, const Assessment& assessment,
                          Finding* why) {
  const Administrators admins = Administrators::Of(platform.files);
  plat::CodePage& text = platform.text;
  ProtectThrough(platform, assessment.toProtect);
  std::string install, full;
  if (!plat::ResolvePath(text, FullPath(platform, product), &full)) return true;
  const std::vector<std::string> products = Levels(text, full);
  // An empty folder text names the drive's root, as "\" does.
  if (folder.empty() || !plat::ResolvePath(text, FullPath(platform, folder), &install))
    install = products[0];
  const std::vector<std::string> levels = Levels(text, install);
  plat::Opened root = platform.checked.OpenDrive(install[0], plat::kLevelAccess, kShareAll);
  if (Stopped(root.reached, levels[0], why)) return false;
  // A drive that is not there: its first level cannot be made.
  if (!root.handle && levels.size() > 1) *why = {Problem::kNotMade, levels[1], ""};
  if (!root.handle) return levels.size() == 1;
  plat::UniqueFileHandle at = std::move(root.handle);
  for (size_t level = 1; level < levels.size(); ++level) {
    bool made = false;
    plat::Opened opened =
        OpenOrMake(platform.checked, at.get(), plat::FileNameOf(text, levels[level]), &made);
    if (Stopped(opened.reached, levels[level], why)) return false;
    // Nothing is copied into a folder that is not there.
    if (!opened.handle) {
      *why = {Problem::kNotMade, levels[level], ""};
      return false;
    }
    if (!made && !Accepted(platform, admins, assessment, opened.handle.get(), levels[level], why))
      return false;
    at = std::move(opened.handle);
  }
  // The product sub-folder is an administrator's alone; one that cannot be made shows up as
  // failed copies into it.
  return OwnFolder(platform, at.get(), full, ProgramFolderDescriptor(), why) || !*why;
}

}  // namespace protection
