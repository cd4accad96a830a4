#include "uninstall/uninstaller.h"

#include <algorithm>
#include <vector>

#include "deploy/checked_folder.h"
#include "deploy/package_copy.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"

namespace uninstall {
namespace {

const char kTitle[] = "Velmar软件安装";
const char kUnrecordedText[] = "以下更改未能记入卸载记录，卸载时无法撤销：";

// The bytes the installations leave in the folder and the hosts, each file counted once, as
// they are now.
void WriteEntry(plat::Platform& platform, const Recorder& recorder, const std::string& folder,
                int version) {
  std::vector<std::string> paths = {folder + "\\" + kUninstallerFileName, RecordPath(folder)};
  const std::vector<std::string> placed = recorder.PlacedFiles();
  paths.insert(paths.end(), placed.begin(), placed.end());
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
  WriteProgramEntry(platform, folder, version, bytes);
}

}  // namespace

Prepared PrepareUninstall(plat::Platform& platform, Recorder& recorder,
                          const std::string& folder, int version, plat::FileHandle image) {
  Prepared prepared;
  if (!recorder.Open(folder)) return prepared;
  plat::FileSystem& files = platform.files;
  plat::CheckedFiles& checked = platform.checked;
  const std::string uninstaller = folder + "\\" + kUninstallerFileName;
  std::string earlier;
  prepared.entryBefore = ReadProgramEntryFolder(platform, &earlier);
  prepared.uninstallerBefore = files.GetAttributes(uninstaller) != plat::kInvalidAttributes;
  plat::FileCopy program;
  deploy::CheckedFolder product(platform, folder);
  const plat::FileHandle at = product.Get();
  if (files.ModuleFileName(&program.source) &&
      !SamePath(platform.text, program.source, uninstaller) && at != plat::kNoFileHandle &&
      checked.ReadAll(image, &program.bytes)) {
    plat::FileFacts facts;
    if (checked.Facts(image, &facts)) program.attributes = facts.attributes;
    plat::Opened now =
        checked.Open(at, kUninstallerFileName, plat::kFileReadData, plat::kShareRead);
    std::string bytes;
    if (!(now.handle && checked.ReadAll(now.handle.get(), &bytes) && bytes == program.bytes)) {
      now.handle.reset();
      deploy::ClearReadOnlyIn(checked, at, kUninstallerFileName);
      checked.CopyInto(at, kUninstallerFileName, program);
    }
  }
  WriteEntry(platform, recorder, folder, version);
  return prepared;
}

void AbandonUninstall(plat::Platform& platform, Recorder& recorder, const std::string& folder,
                      const Prepared& prepared, int version) {
  recorder.Stop();
  if (!recorder.opened()) return;
  if (prepared.entryBefore || prepared.uninstallerBefore || !recorder.madeRecord() ||
      !recorder.NothingButFolders()) {
    WriteEntry(platform, recorder, folder, version);  // what stays is uninstalled as any installation
    return;
  }
  // Nothing of the installation reached the machine but its folders, which stay, empty, as
  // they would for any installation that never began: there is nothing to uninstall.
  ClearReadOnly(platform.files, folder + "\\" + kUninstallerFileName);
  platform.files.DeleteFile(folder + "\\" + kUninstallerFileName);
  platform.files.DeleteFile(RecordPath(folder));
  RemoveProgramEntry(platform);
}

void FinishUninstall(plat::Platform& platform, Recorder& recorder, const std::string& folder,
                     int version) {
  recorder.Stop();
  if (recorder.opened()) WriteEntry(platform, recorder, folder, version);
  if (recorder.unrecorded().empty()) return;
  std::string text = kUnrecordedText;
  for (const std::string& what : recorder.unrecorded()) text += "\n" + what;
  platform.messages.Show(text, kTitle, plat::kMbOk | plat::kMbIconExclamation);
}

}  // namespace uninstall
