#include "uninstall/run_uninstall.h"

#include <algorithm>
#include <string>
#include <vector>

#include "deploy/running_host.h"
#include "uninstall/hand_over.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"
#include "uninstall/removal.h"

namespace uninstall {
namespace {

const char kTitle[] = "Velmar软件安装";
const char kAsk[] = "确定要卸载Velmar批打印软件吗 ?";
const char kCloseHostFirst[] = "请关闭AutoCAD后再进行卸载 !";
const char kNothingFoundText[] = "未找到Velmar批打印软件的卸载记录，没有删除任何内容 !";
const char kRemovedText[] = "Velmar批打印软件已卸载 !";
const char kRemovedInPartText[] = "Velmar批打印软件没有完全卸载，以下项目未能删除或恢复：";
const char kTryAgain[] = "请关闭正在使用这些文件的程序后再次卸载。";
const char kSettingsStay[] = "您的设置文件仍保留在：";
const char kKeptText[] = "以下文件在安装后被修改过，已保留：";
const char kAtRestart[] = "卸载程序本身将在重新启动计算机后删除。";
const char kUnrecordedText[] = "安装时以下更改未能记入卸载记录，仍保留在计算机上：";

bool Exists(plat::Platform& platform, const std::string& path) {
  return platform.files.GetAttributes(path) != plat::kInvalidAttributes;
}

// The records to undo: those beside the program; or, when there are none, or when the
// installed-programs entry names a newer installation elsewhere that reaches them, that
// installation's.
std::vector<FoundRecord> FindRecords(plat::Platform& platform, const std::string& here,
                                     const std::string& entryFolder, Outcome* outcome) {
  Outcome ownLoad, entryLoad;
  const bool hasOwn = Exists(platform, RecordPath(here));
  std::vector<FoundRecord> own;
  if (hasOwn) own = LoadRecords(platform, here, &ownLoad);
  std::vector<FoundRecord> entry;
  if (!entryFolder.empty() && !SamePath(platform.text, entryFolder, here))
    entry = LoadRecords(platform, entryFolder, &entryLoad);
  const bool reachesOwn = std::any_of(entry.begin(), entry.end(), [&](const FoundRecord& f) {
    return SamePath(platform.text, f.path, RecordPath(here));
  });
  const bool useEntry = !entry.empty() && (!hasOwn || reachesOwn);
  *outcome = useEntry ? entryLoad : ownLoad;
  return useEntry ? entry : own;
}

void Section(std::string* text, const char* heading, const std::vector<std::string>& items) {
  if (items.empty()) return;
  *text += std::string("\n\n") + heading;
  for (const std::string& item : items) *text += "\n" + item;
}

std::string FinalText(const Outcome& outcome, bool selfAtRestart) {
  const bool whole = outcome.failed.empty() && outcome.unrecorded.empty();
  std::string text = whole ? kRemovedText : kRemovedInPartText;
  for (const std::string& failed : outcome.failed) text += "\n" + failed;
  if (!outcome.failed.empty()) text += std::string("\n\n") + kTryAgain;
  Section(&text, kUnrecordedText, outcome.unrecorded);
  Section(&text, kKeptText, outcome.kept);
  Section(&text, kSettingsStay, outcome.settingsFiles);
  for (const std::string& note : outcome.notes) text += "\n\n" + note;
  if (selfAtRestart) text += std::string("\n\n") + kAtRestart;
  return text;
}

}  // namespace

UninstallResult RunUninstall(plat::Platform& platform, const UninstallOptions& options) {
  plat::CodePage& text = platform.text;
  const auto tell = [&](const std::string& message, unsigned type) {
    platform.messages.Show(message, kTitle, type);
  };
  std::string program;
  platform.files.ModuleFileName(&program);
  const std::string here = plat::FolderOf(text, program);

  std::string entryFolder;
  if (!ReadProgramEntryFolder(platform, &entryFolder) || !IsPlainPath(text, entryFolder))
    entryFolder.clear();
  Outcome outcome;
  const std::vector<FoundRecord> records = FindRecords(platform, here, entryFolder, &outcome);
  if (records.empty()) {
    std::string message = kNothingFoundText;
    for (const std::string& failed : outcome.failed) message += "\n\n" + failed;
    tell(message, plat::kMbOk | plat::kMbIconExclamation);
    return kNothingFound;
  }
  if (!options.silent &&
      platform.messages.Show(kAsk, kTitle, plat::kMbYesNo | plat::kMbIconQuestion) != plat::kIdYes)
    return kDeclined;
  if (IsHostRunning(platform)) {
    tell(kCloseHostFirst, plat::kMbOk);
    return kHostRunning;
  }

  UndoInstallations(platform, records, &outcome);
  bool selfAtRestart = false;
  if (outcome.failed.empty()) {
    const std::vector<std::string> left = RemoveOwnFiles(platform, records, program, &outcome);
    // The entry goes with the installation it names, or when it names one that is gone.
    const bool entryServed =
        entryFolder.empty() || !Exists(platform, RecordPath(entryFolder)) ||
        std::any_of(records.begin(), records.end(), [&](const FoundRecord& f) {
          return SamePath(text, f.record.folder, entryFolder);
        });
    if (outcome.failed.empty() && entryServed) {
      const long rc = RemoveProgramEntry(platform);
      if (rc != plat::kErrorSuccess)
        outcome.failed.push_back("无法删除“已安装的程序”中的条目：错误 " + std::to_string(rc));
    }
    const bool ours = std::any_of(records.begin(), records.end(), [&](const FoundRecord& f) {
      return SamePath(text, program, f.record.folder + "\\" + kUninstallerFileName);
    });
    if (ours || !left.empty()) selfAtRestart = !HandOver(platform, program, left, options.logPath);
  }
  const bool whole = outcome.failed.empty() && outcome.unrecorded.empty();
  tell(FinalText(outcome, selfAtRestart),
       plat::kMbOk | (whole ? plat::kMbIconInformation : plat::kMbIconExclamation));
  if (!whole) return kRemovedInPart;
  return selfAtRestart ? kRemovedAtRestart : kRemoved;
}

bool RemoveEarlierInstallation(plat::Platform& platform, const std::string& folder,
                               Outcome* outcome) {
  const std::vector<FoundRecord> records = LoadRecords(platform, folder, outcome);
  if (records.empty()) return false;
  UndoInstallations(platform, records, outcome);
  if (outcome->failed.empty()) RemoveOwnFiles(platform, records, "", outcome);
  return true;
}

}  // namespace uninstall
