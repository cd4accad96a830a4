#include "platform/checked_files.h"

#include <vector>

#include "platform/paths.h"

namespace plat {

Walked WalkFolders(CheckedFiles& files, CodePage& text, const std::string& path,
                   uint32_t access, uint32_t share, const LevelCheck& accept) {
  Walked walked;
  std::string resolved;
  if (!ResolvePath(text, path, &resolved)) return walked;
  std::vector<std::string> names = PathNames(text, resolved);
  if (names.back().empty()) names.pop_back();  // the root's own backslash
  constexpr uint32_t kShareAll = kShareRead | kShareWrite | kShareDelete;
  for (size_t level = 0; level < names.size(); ++level) {
    walked.level = level;
    const bool last = level + 1 == names.size();
    const uint32_t rights = last ? access | kLevelAccess : kLevelAccess;
    const uint32_t sharing = last ? share : kShareAll;
    Opened opened = level == 0 ? files.OpenDrive(names[0][0], rights, sharing)
                               : files.Open(walked.folder.get(), names[level], rights, sharing);
    walked.reached = opened.reached;
    if (opened.reached == Reached::kFile) walked.reached = Reached::kNotFolder;
    if (walked.reached != Reached::kFolder) {
      walked.folder.reset();
      return walked;
    }
    walked.folder = std::move(opened.handle);
    if (accept && !accept(level, walked.folder.get())) {
      walked.folder.reset();
      walked.reached = Reached::kRefused;
      return walked;
    }
  }
  return walked;
}

bool CheckedFiles::CopyInto(FileHandle folder, const std::string& name, const FileCopy& from) {
  constexpr uint32_t kWriting = kFileWriteData | kFileWriteAttributes | kFileReadAttributes;
  Opened there = Open(folder, name, kWriting, 0);
  if (there.reached == Reached::kMissing) there = Make(folder, name, false, {}, kWriting, 0);
  FileFacts facts;
  if (there.reached != Reached::kFile || !Facts(there.handle.get(), &facts) || facts.links != 1 ||
      (facts.attributes & (kAttrReadOnly | kAttrHidden)))
    return false;
  constexpr uint32_t kCopied = kAttrHidden | kAttrSystem;
  return Replace(there.handle.get(), from.bytes) &&
         SetAttributes(there.handle.get(), (from.attributes & kCopied) | kAttrArchive);
}

bool CopyContent(CheckedFiles& files, FileHandle from, FileHandle to) {
  std::string bytes;
  return files.ReadAll(from, &bytes) && files.Replace(to, bytes);
}

}  // namespace plat
