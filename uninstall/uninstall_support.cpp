#include "uninstall/uninstall_support.h"

#include <algorithm>

#include "deploy/package_copy.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"

namespace uninstall {
namespace {

const char kTitle[] = "Velmar软件安装";
const char kUnrecordedText[] =
    "以下更改未能记入卸载记录，卸载时无法撤销：";

// The bytes the installation leaves in folder and the hosts: the files of every installation
// of the records, each counted once, with what they hold now.
uint64_t InstalledBytes(plat::Platform& platform, const std::vector<FoundRecord>& records,
                        const std::vector<std::string>& own) {
  std::vector<std::string> paths = own;
  for (const FoundRecord& found : records) {
    for (const Installation& inst : found.record.installations) {
      for (const PlacedFile& file : inst.files) paths.push_back(file.path);
    }
  }
  uint64_t bytes = 0;
  std::vector<std::string> counted;
  for (const std::string& path : paths) {
    if (std::any_of(counted.begin(), counted.end(),
                    [&](const std::string& c) { return SamePath(platform.text, c, path); }))
      continue;
    counted.push_back(path);
    plat::FindEntry entry;
    plat::UniqueFind find(platform.files, platform.files.FindFirst(path, &entry));
    if (find) bytes += entry.size;
  }
  return bytes;
}

}  // namespace

void UninstallSupport::WriteEntry() {
  Outcome unused;
  const std::vector<FoundRecord> records = LoadRecords(machine_, folder_, &unused);
  const std::string uninstaller = folder_ + "\\" + kUninstallerFileName;
  WriteProgramEntry(machine_, folder_, version_,
                    InstalledBytes(machine_, records, {uninstaller, RecordPath(folder_)}));
}

void UninstallSupport::Prepared(plat::Platform&, const std::string& installFolder) {
  folder_ = installFolder;
  if (!recorder_.Open(folder_)) return;
  plat::FileSystem& files = machine_.files;
  const std::string uninstaller = folder_ + "\\" + kUninstallerFileName;
  std::string module, now, ours, earlier;
  entryBefore_ = ReadProgramEntryFolder(machine_, &earlier);
  uninstallerBefore_ = files.GetAttributes(uninstaller) != plat::kInvalidAttributes;
  if (files.ModuleFileName(&module) && !SamePath(machine_.text, module, uninstaller) &&
      !(files.ReadWholeFile(uninstaller, &now) && files.ReadWholeFile(module, &ours) &&
        now == ours)) {
    ClearReadOnly(files, uninstaller);
    files.CopyFile(module, uninstaller, false);
  }
  ownFiles_ = {RecordPath(folder_)};
  if (files.GetAttributes(uninstaller) != plat::kInvalidAttributes)
    ownFiles_.insert(ownFiles_.begin(), uninstaller);
  WriteEntry();
}

void UninstallSupport::Abandoned(plat::Platform&) {
  recorder_.Stop();
  if (!recorder_.opened()) return recorder_.ForgetFoldersNeverMade();
  if (entryBefore_ || uninstallerBefore_ || !recorder_.madeRecord() ||
      !recorder_.NothingButFolders()) {
    WriteEntry();  // what stays is uninstalled as any installation
    return;
  }
  // Nothing of the installation reached the machine but its folders, which stay, empty, as
  // they would for any installation that never began: there is nothing to uninstall, so no
  // uninstaller, record or entry says there is.
  ClearReadOnly(machine_.files, folder_ + "\\" + kUninstallerFileName);
  machine_.files.DeleteFile(folder_ + "\\" + kUninstallerFileName);
  machine_.files.DeleteFile(RecordPath(folder_));
  RemoveProgramEntry(machine_);
  ownFiles_.clear();
}

void UninstallSupport::Run(plat::Platform& platform, const InstallCatalogue&,
                           const ReleaseFlags&) {
  recorder_.Stop();
  if (recorder_.opened()) WriteEntry();
  if (recorder_.unrecorded().empty()) return;
  std::string text = kUnrecordedText;
  for (const std::string& what : recorder_.unrecorded()) text += "\n" + what;
  platform.messages.Show(text, kTitle, plat::kMbOk | plat::kMbIconExclamation);
}

}  // namespace uninstall
