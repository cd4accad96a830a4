#include "protection/install_folder.h"

#include <cstdio>

#include "platform/paths.h"
#include "protection/checked_levels.h"

namespace protection {
namespace {

std::string ParentOf(plat::CodePage& text, const std::string& path) {
  const size_t slash = text.LastBackslash(path);
  return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string Hex(uint64_t number) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(number));
  return digits;
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

// name in the open folder, opened for the rights given; made with the program's descriptor in
// the create call when nothing stands there. made: this call made it.
plat::Opened OpenOrMake(plat::CheckedFiles& files, plat::FileHandle folder,
                        const std::string& name, uint32_t access, bool* made) {
  *made = false;
  plat::Opened opened = files.Open(folder, name, access, kShareAll);
  if (opened.reached != plat::Reached::kMissing) return opened;
  opened = files.Make(folder, name, true, ProgramFolderDescriptor(), access, kShareAll);
  *made = static_cast<bool>(opened.handle);
  // Something came to stand there since: it is judged as what was there before.
  if (opened.reached == plat::Reached::kExists) return files.Open(folder, name, access, kShareAll);
  return opened;
}

// The product sub-folder, an administrator's alone: made, given the program's list when it is
// an administrator's already, or else moved aside whole and made anew.
bool PrepareProduct(plat::Platform& platform, const Administrators& admins,
                    plat::FileHandle install, const std::string& product, Finding* why) {
  plat::CheckedFiles& files = platform.checked;
  const std::string name = plat::FileNameOf(platform.text, product);
  const plat::Descriptor program = ProgramFolderDescriptor();
  bool made = false;
  plat::Opened opened =
      OpenOrMake(files, install, name, plat::kLevelAccess | plat::kWriteDac, &made);
  if (made) return true;
  if (opened.reached == plat::Reached::kLink) {
    *why = {Problem::kLink, product, ""};
    return false;
  }
  Finding found = {Problem::kUnreadable, product, ""};
  if (opened.reached == plat::Reached::kFolder) {
    found = CheckOpen(files, admins, opened.handle.get(), product, kChangeRights,
                      Problem::kOthersMayChange);
    if (!found) return files.SetAccessList(opened.handle.get(), program.dacl);
  } else if (opened.reached != plat::Reached::kFile && opened.reached != plat::Reached::kDenied) {
    return true;  // not made and not there: the copy into it tells
  }
  // Rewriting the list of someone else's folder would leave them what they hold open in it and
  // the files they own there; so it goes aside whole, under a name no one can take first, and
  // the product sub-folder is made anew.
  opened.handle.reset();
  uint64_t number = 0;
  plat::Opened aside = files.Open(install, name, plat::kDelete, kShareAll);
  if (aside.handle && platform.files.RandomNumber(&number) &&
      files.Rename(aside.handle.get(), install, name + "-" + Hex(number))) {
    aside.handle.reset();
    plat::Opened anew = files.Make(install, name, true, program, plat::kLevelAccess, kShareAll);
    if (anew.handle) return true;
  }
  *why = aside.reached == plat::Reached::kLink ? Finding{Problem::kLink, product, ""} : found;
  return false;
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
    plat::Opened opened = OpenOrMake(platform.checked, folder.get(),
                                     plat::FileNameOf(text, install), plat::kLevelAccess, &made);
    if (Stopped(opened.reached, install, why)) return false;
    if (!opened.handle) return true;
    if (!made && !Accepted(platform, admins, assessment, opened.handle.get(), install, why))
      return false;
    folder = std::move(opened.handle);
  }
  return PrepareProduct(platform, admins, folder.get(), full, why);
}

}  // namespace protection
