#include "deploy/checked_folder.h"

#include <vector>

#include "platform/paths.h"
#include "protection/levels.h"

namespace deploy {
namespace {

constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;

// "D:\\Program Files" for level 1 of "D:\\Program Files\\AutoCAD 2020\\Fonts".
std::string LevelOf(plat::CodePage& text, const std::string& path, size_t level) {
  std::string resolved;
  plat::ResolvePath(text, path, &resolved);
  const std::vector<std::string> names = plat::PathNames(text, resolved);
  std::string at = names[0] + "\\";
  for (size_t n = 1; n <= level && n < names.size(); ++n) at += (n > 1 ? "\\" : "") + names[n];
  return at;
}

}  // namespace

plat::FileHandle CheckedFolder::Get() {
  if (folder_) return folder_.get();
  link_.clear();
  plat::CodePage& text = platform_.text;
  plat::CheckedFiles& files = platform_.checked;
  const std::string full = protection::FullPath(platform_, path_);
  std::string walked = made_ ? plat::FolderOf(text, full) : full;
  if (walked.size() == 2) walked += "\\";  // a drive's root
  plat::Walked way = plat::WalkFolders(files, text, walked, 0, kShareAll, accept_);
  if (way.reached == plat::Reached::kLink) link_ = LevelOf(text, walked, way.level);
  if (way.reached != plat::Reached::kFolder) return plat::kNoFileHandle;
  if (!made_) {
    folder_ = std::move(way.folder);
    return folder_.get();
  }
  const std::string leaf = plat::FileNameOf(text, full);
  plat::Opened last = files.Open(way.folder.get(), leaf, plat::kLevelAccess, kShareAll);
  if (last.reached == plat::Reached::kMissing)
    last = files.Make(way.folder.get(), leaf, true, {}, plat::kLevelAccess, kShareAll);
  if (last.reached == plat::Reached::kLink) link_ = full;
  if (last.reached != plat::Reached::kFolder) return plat::kNoFileHandle;
  folder_ = std::move(last.handle);
  return folder_.get();
}

void ClearReadOnlyIn(plat::CheckedFiles& files, plat::FileHandle folder, const std::string& name) {
  if (folder == plat::kNoFileHandle) return;
  plat::Opened file =
      files.Open(folder, name, plat::kFileReadAttributes | plat::kFileWriteAttributes, kShareAll);
  plat::FileFacts facts;
  if (file.reached != plat::Reached::kFile || !files.Facts(file.handle.get(), &facts) ||
      !(facts.attributes & plat::kAttrReadOnly))
    return;
  files.SetAttributes(file.handle.get(), facts.attributes & ~plat::kAttrReadOnly);
}

}  // namespace deploy
