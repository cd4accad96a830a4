#include "uninstall/hand_over.h"

#include <cstdio>

#include "deploy/package_copy.h"
#include "protection/checked_levels.h"
#include "uninstall/record.h"
#include "uninstall/record_rules.h"

namespace uninstall {
namespace {

const char kHeader[] = "Velmar uninstall hand-over 1";
// Long enough for the user to read the uninstall's last message.
constexpr uint32_t kWaitMilliseconds = 60 * 60 * 1000;

std::string ListPath(const std::string& folder) { return folder + "\\" + kHandOverFileName; }

// Lines of "keyword text", code page text as both programs read it.
struct HandOverList {
  uint32_t wait = 0;
  std::vector<std::string> deletes;
  std::vector<std::string> removes;
};

bool ParseList(const std::string& bytes, HandOverList* list) {
  size_t at = 0;
  bool first = true;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      if (line != kHeader) return false;
      first = false;
    } else if (line.compare(0, 5, "wait ") == 0) {
      list->wait = static_cast<uint32_t>(std::strtoul(line.c_str() + 5, nullptr, 10));
    } else if (line.compare(0, 7, "delete ") == 0) {
      list->deletes.push_back(line.substr(7));
    } else if (line.compare(0, 7, "remove ") == 0) {
      list->removes.push_back(line.substr(7));
    } else if (!line.empty()) {
      return false;
    }
  }
  return !first;
}

// A folder of the helper's own in temp, made by this call under a name no one can guess, with
// the descriptor of the folders the program makes: no one else can put anything in it or
// change what is written there before the helper uses it, and a folder that was there already
// is never taken. None in a temporary folder on whose way someone else could replace a level.
bool MakeHelperFolder(plat::Platform& platform, const std::string& temp, std::string* folder) {
  constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
  const protection::SafeWalk walked =
      protection::WalkSafeFolder(platform, protection::FullPath(platform, temp), 0, kShareAll);
  uint64_t number = 0;
  if (!walked.walked.folder || !platform.files.RandomNumber(&number)) return false;
  char name[40];
  std::snprintf(name, sizeof name, "VelmarUninstall-%016llx",
                static_cast<unsigned long long>(number));
  *folder = temp + "\\" + name;
  return static_cast<bool>(platform.checked
                               .Make(walked.walked.folder.get(), name, true,
                                     protection::ProgramFolderDescriptor(), plat::kLevelAccess,
                                     kShareAll)
                               .handle);
}

}  // namespace

bool HandOver(plat::Platform& platform, const std::string& program,
              const std::vector<std::string>& folders, const std::string& logPath) {
  plat::FileSystem& files = platform.files;
  std::string temp, helperFolder;
  if (files.TempFolder(&temp)) plat::DropTrailingBackslash(platform.text, temp);
  if (!temp.empty() && MakeHelperFolder(platform, temp, &helperFolder)) {
    const uint32_t self = platform.processes.CurrentProcessId();
    const std::string helper = helperFolder + "\\" + kUninstallerFileName;
    std::string list = std::string(kHeader) + "\r\nwait " + std::to_string(self) + "\r\ndelete " +
                       program + "\r\n";
    for (const std::string& folder : folders) list += "remove " + folder + "\r\n";
    if (files.CopyFile(program, helper, false) &&
        files.WriteWholeFile(ListPath(helperFolder), list) &&
        platform.processes.Start("\"" + helper + "\" /S" +
                                 (logPath.empty() ? "" : " /LOG=\"" + logPath + "\"")) != 0) {
      return true;
    }
    files.DeleteFile(ListPath(helperFolder));
    files.DeleteFile(helper);
    files.RemoveDirectory(helperFolder);
  }
  files.DeleteAtRestart(program);
  for (const std::string& folder : folders) files.DeleteAtRestart(folder);
  return false;
}

bool IsHelperFolder(plat::Platform& platform, const std::string& folder) {
  return platform.files.GetAttributes(ListPath(folder)) != plat::kInvalidAttributes;
}

bool FinishHandOver(plat::Platform& platform, const std::string& folder, std::string* refused) {
  plat::FileSystem& files = platform.files;
  plat::CodePage& text = platform.text;
  std::string bytes;
  HandOverList list;
  protection::Finding why;
  // Only a list that an administrator alone can have written, as the uninstaller writes it. A
  // copy of the program started beside one that someone else put there touches nothing, not
  // even at the next restart, which would delete whatever a link made meanwhile leads to.
  if (!protection::ReadWrittenByAdministrators(platform, ListPath(folder), &bytes, &why)) {
    if (refused) *refused = why.path + ": " + protection::FindingLogText(why);
    return false;
  }
  if (!ParseList(bytes, &list)) {
    if (refused) *refused = ListPath(folder) + ": it is not a list as the uninstaller writes it";
    return false;
  }
  platform.processes.WaitForExit(list.wait, kWaitMilliseconds);
  bool later = false;
  for (const std::string& path : list.deletes) {
    // Only an uninstaller: the list is a file, and a file can be changed.
    const std::vector<std::string> names = PathNames(text, path);
    if (!IsPlainPath(text, path) || text.CompareNoCase(names.back(), kUninstallerFileName) != 0)
      continue;
    ClearReadOnly(files, path);
    if (!files.DeleteFile(path) && files.GetAttributes(path) != plat::kInvalidAttributes) {
      files.DeleteAtRestart(path);
      later = true;
    }
  }
  for (const std::string& path : list.removes) {
    // A folder that still holds someone's files stays.
    if (IsPlainPath(text, path) && !files.RemoveDirectory(path) && later)
      files.DeleteAtRestart(path);
  }
  files.DeleteFile(ListPath(folder));
  std::string self;
  if (files.ModuleFileName(&self)) files.DeleteAtRestart(self);
  files.DeleteAtRestart(folder);
  return true;
}

}  // namespace uninstall
