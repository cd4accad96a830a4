#include "unattended/log_file.h"

#include <cstdio>

#include "platform/paths.h"
#include "platform/win_constants.h"
#include "protection/checked_levels.h"
#include "protection/rules.h"
#include "unattended/time_text.h"

namespace unattended {

bool LogFile::Refuse(Why why) {
  why_ = why;
  file_.reset();
  return false;
}

bool LogFile::Open(const std::string& path, bool fresh) {
  constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
  // Shared for reading and appending, as other runs may append to it too; no one renames or
  // deletes it while it is held.
  constexpr uint32_t kShare = plat::kShareRead | plat::kShareWrite;
  constexpr uint32_t kAccess =
      plat::kFileAppendData | plat::kReadControl | plat::kFileReadAttributes;
  plat::CheckedFiles& checked = machine_.checked;
  file_.reset();
  why_ = Why::kNone;
  const std::string full = protection::FullPath(machine_, path);
  if (full.compare(0, 2, "\\\\") == 0) return Refuse(Why::kNetwork);
  const std::string name = plat::FileNameOf(machine_.text, full);
  protection::SafeWalk folder =
      protection::WalkSafeFolder(machine_, protection::FolderToWalk(machine_.text, full), 0,
                                 kShareAll);
  level_ = folder.finding;
  if (level_) return Refuse(Why::kLevel);
  if (folder.walked.reached == plat::Reached::kMissing) return Refuse(Why::kFolderMissing);
  if (!folder.walked.folder || name.empty()) return Refuse(Why::kUnwritable);
  const plat::FileHandle at = folder.walked.folder.get();
  plat::Opened opened = checked.Open(at, name, kAccess, kShare);
  bool made = false;
  if (opened.reached == plat::Reached::kMissing) {
    // Owned by the administrators, with what the folder passes on.
    opened = checked.Make(at, name, false, {plat::kSidAdministrators, {}}, kAccess, kShare);
    made = static_cast<bool>(opened.handle);
    if (!made && !fresh && opened.reached == plat::Reached::kExists)
      opened = checked.Open(at, name, kAccess, kShare);
  }
  switch (opened.reached) {
    case plat::Reached::kFile:
      break;
    case plat::Reached::kLink:
      return Refuse(Why::kLink);
    case plat::Reached::kFolder:
      return Refuse(Why::kFolder);
    case plat::Reached::kExists:
      return Refuse(Why::kTaken);
    default:
      return Refuse(Why::kUnwritable);
  }
  if (fresh && !made) return Refuse(Why::kTaken);
  plat::FileFacts facts;
  plat::Descriptor descriptor;
  if (!checked.Facts(opened.handle.get(), &facts) ||
      !checked.ReadSecurity(opened.handle.get(), &descriptor))
    return Refuse(Why::kUnwritable);
  if (facts.links != 1) return Refuse(Why::kSecondName);
  if (!protection::Administrators::Of(machine_.files).Include(descriptor.owner))
    return Refuse(Why::kNotOurs);
  file_ = std::move(opened.handle);
  path_ = full;
  if (!made && !Append("\r\n")) return Refuse(Why::kUnwritable);
  return true;
}

bool LogFile::Append(const std::string& text) {
  return isOpen() && machine_.checked.Append(file_.get(), text, true);
}

std::string LogFile::WhyText() const {
  switch (why_) {
    case Why::kNone:
      break;
    case Why::kNetwork:
      return "日志文件在网络共享上，无法逐级检查它所在的文件夹";
    case Why::kFolderMissing:
      return "日志文件所在的文件夹不存在";
    case Why::kLevel:
      return protection::FindingText(level_);
    case Why::kLink:
      return "日志文件是一个链接（符号链接）";
    case Why::kSecondName:
      return "日志文件还有另一个名称（硬链接）";
    case Why::kNotOurs:
      return "日志文件的所有者不是管理员";
    case Why::kFolder:
      return "这个名称是一个文件夹";
    case Why::kTaken:
      return "同名的文件已经存在";
    case Why::kUnwritable:
      return "无法打开或写入日志文件";
  }
  return std::string();
}

std::string LogFile::WhyLogText() const {
  switch (why_) {
    case Why::kNone:
      break;
    case Why::kNetwork:
      return "it lies on a network share, whose folders cannot be checked level by level";
    case Why::kFolderMissing:
      return "its folder does not exist";
    case Why::kLevel:
      return "the folder " + level_.path + " on its way is not safe: " +
             protection::FindingLogText(level_);
    case Why::kLink:
      return "it is a symbolic link";
    case Why::kSecondName:
      return "it is a second name (a hard link) of another file";
    case Why::kNotOurs:
      return "it is someone else's file: its owner is not an administrator";
    case Why::kFolder:
      return "it is a folder";
    case Why::kTaken:
      return "a file of that name is there already";
    case Why::kUnwritable:
      return "it cannot be opened or written";
  }
  return std::string();
}

bool DefaultLogPath(plat::FileSystem& files, const plat::LocalTime& now, bool uninstall,
                    std::string* path) {
  std::string folder;
  uint64_t number = 0;
  if (!files.TempFolder(&folder) || !files.RandomNumber(&number)) return false;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(number));
  *path = folder + (uninstall ? "VelmarUninstall-" : "VelmarSetup-") + FileNameTime(now) + "-" +
          hex + ".log";
  return true;
}

}  // namespace unattended
