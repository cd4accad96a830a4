#include "uninstall/checked_file.h"

#include "platform/paths.h"
#include "protection/checked_levels.h"

namespace uninstall {

CheckedFile OpenChecked(plat::Platform& platform, const std::string& path, uint32_t access,
                        uint32_t share) {
  constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
  CheckedFile checked;
  const std::string folder = protection::FolderToWalk(platform.text, path);
  plat::Walked walked = plat::WalkFolders(platform.checked, platform.text, folder, 0, kShareAll);
  checked.reached = walked.reached;
  if (walked.reached == plat::Reached::kLink)
    checked.link = protection::LevelPath(platform.text, folder, walked.level);
  if (!walked.folder) return checked;
  checked.folder = std::move(walked.folder);
  plat::Opened opened = platform.checked.Open(checked.folder.get(),
                                              plat::FileNameOf(platform.text, path), access, share);
  checked.reached = opened.reached;
  if (opened.reached == plat::Reached::kLink) checked.link = path;
  checked.file = std::move(opened.handle);
  return checked;
}

std::string UnreachedText(const CheckedFile& file) {
  return protection::FindingText({protection::Problem::kLink, file.link, ""});
}

}  // namespace uninstall
