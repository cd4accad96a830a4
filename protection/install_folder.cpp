#include "protection/install_folder.h"

#include <cstdio>

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

bool PrepareProduct(plat::Platform& platform, const Administrators& admins,
                    const std::string& product, Finding* why) {
  plat::FileSystem& files = platform.files;
  const plat::Descriptor program = ProgramFolderDescriptor();
  if (files.CreateDirectoryWith(product, program)) return true;
  // Not made and not there: the copy into it tells.
  if (files.GetAttributes(product) == plat::kInvalidAttributes) return true;
  const Finding found =
      CheckEntry(files, admins, product, kChangeRights, Problem::kOthersMayChange);
  if (found.problem == Problem::kLink) {
    *why = found;
    return false;
  }
  if (!found) {
    files.SetAccessList(product, program.dacl);
    return true;
  }
  // Rewriting the list of someone else's folder would leave them what they hold open in it and
  // the files they own there; so it goes aside whole, under a name no one can take first, and
  // the product sub-folder is made anew.
  uint64_t number = 0;
  if (files.RandomNumber(&number) && files.MoveFile(product, product + "-" + Hex(number)) &&
      files.CreateDirectoryWith(product, program)) {
    return true;
  }
  *why = found;
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

bool PrepareInstallFolder(plat::Platform& platform, const std::string& folder,
                          const std::string& product, const Assessment& assessment,
                          Finding* why) {
  const Administrators admins = Administrators::Of(platform.files);
  Protect(platform.files, assessment.toProtect);
  // Every missing level, from the drive's root down, each under the program's list: nothing is
  // copied into a folder that is not there.
  if (!folder.empty()) {
    const std::vector<std::string> levels = Levels(platform.text, FullPath(platform, folder));
    for (size_t at = 1; at < levels.size(); ++at) {
      if (platform.files.GetAttributes(levels[at]) != plat::kInvalidAttributes) continue;
      if (!platform.files.CreateDirectoryWith(levels[at], ProgramFolderDescriptor())) {
        *why = {Problem::kNotMade, levels[at], ""};
        return false;
      }
    }
  }
  // Whatever else the user accepted, never a link, made since the assessment or not.
  const std::string fullProduct = FullPath(platform, product);
  const Finding link =
      CheckLevels(platform, admins, ParentOf(platform.text, fullProduct), {}, nullptr);
  if (link.problem == Problem::kLink) {
    *why = link;
    return false;
  }
  return PrepareProduct(platform, admins, product, why);
}

}  // namespace protection
