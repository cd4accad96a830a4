#include "uninstall/uninstall_support.h"

#include <algorithm>

#include "deploy/package_copy.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"

namespace uninstall {
namespace {

// Where a damaged record is kept for a person to look at, when a new one replaces it.
const char kDamagedRecordName[] = "Uninstall-damaged.txt";

std::string FileName(plat::CodePage& text, const std::string& path) {
  const size_t slash = text.LastBackslash(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The settings file goes to "%APPDATA%\\Velmar" under its package name.
bool IsSettingsFile(plat::CodePage& text, const std::string& path) {
  const std::vector<std::string> names = PathNames(text, path);
  return IsPlainPath(text, path) && names.size() >= 3 &&
         text.CompareNoCase(names.back(), "Velmar.Ini") == 0 &&
         text.CompareNoCase(names[names.size() - 2], "Velmar") == 0;
}

// Some installation placed exactly this content at path: the file is ours, not the host's.
bool PlacedBefore(plat::CodePage& text, const std::vector<FoundRecord>& known,
                  const std::string& path, const FileContent& content) {
  for (const FoundRecord& found : known) {
    for (const Installation& inst : found.record.installations) {
      for (const PlacedFile& file : inst.files) {
        if (SamePath(text, file.path, path) && file.content.size == content.size &&
            file.content.hash == content.hash)
          return true;
      }
    }
  }
  return false;
}

void AddKnown(plat::CodePage& text, std::vector<FoundRecord> more,
              std::vector<FoundRecord>* known) {
  for (FoundRecord& found : more) {
    const bool seen = std::any_of(known->begin(), known->end(), [&](const FoundRecord& k) {
      return SamePath(text, k.path, found.path);
    });
    if (!seen) known->push_back(std::move(found));
  }
}

// The bytes the installation leaves in folder and the hosts: the files of every installation
// of the record, each counted once, with what they hold now.
uint64_t InstalledBytes(plat::Platform& platform, const Record& record,
                        const std::vector<std::string>& own) {
  std::vector<std::string> paths = own;
  for (const Installation& inst : record.installations) {
    for (const PlacedFile& file : inst.files) paths.push_back(file.path);
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

void RecordInstallation(plat::Platform& platform, const std::string& folder,
                        const InstallationRecorder& recorder, int version) {
  plat::FileSystem& files = platform.files;
  plat::CodePage& text = platform.text;
  if (!IsPlainPath(text, folder)) return;  // no record could name anything in it
  const std::string recordPath = RecordPath(folder);

  // The folder's record from earlier installations, to merge into; a damaged one is set
  // aside, since nothing of it can be undone anyway.
  Record record{folder, {}};
  FoundRecord own;
  std::string why;
  switch (LoadRecord(platform, recordPath, &own, &why)) {
    case Loaded::kRecord:
      record = own.record;
      break;
    case Loaded::kDamaged:
    case Loaded::kUnsafe: {
      std::string bytes;
      if (files.ReadWholeFile(recordPath, &bytes))
        files.WriteWholeFile(folder + "\\" + kDamagedRecordName, bytes);
      break;
    }
    case Loaded::kMissing:
      break;
  }

  // Every installation known: this folder's, and those of the installation the
  // installed-programs entry names when that lies elsewhere; its record stays reachable.
  Outcome unused;
  std::vector<FoundRecord> known;
  AddKnown(text, LoadRecords(platform, folder, &unused), &known);
  Installation inst;
  std::string previous;
  if (ReadProgramEntryFolder(platform, &previous) && IsPlainPath(text, previous) &&
      !SamePath(text, previous, folder)) {
    std::vector<FoundRecord> theirs = LoadRecords(platform, previous, &unused);
    if (!theirs.empty())
      inst.earlierRecords.push_back(RecordPath(previous));
    AddKnown(text, std::move(theirs), &known);
  }
  for (const FoundRecord& found : known) {
    for (const Installation& earlier : found.record.installations)
      inst.number = std::max(inst.number, earlier.number);
  }
  ++inst.number;

  for (const std::string& made : recorder.foldersMade()) {
    if (SamePath(text, made, folder) || IsBelow(text, made, folder)) inst.foldersMade.push_back(made);
  }

  // A host file replaced is saved unless it was an earlier installation's own copy. One that
  // cannot be saved is left out of the record, so that the uninstall never removes the only
  // thing that stands where the host's file stood.
  const std::string backups = folder + "\\" + kBackupFolderName;
  std::vector<PlacedFile> saved;
  std::vector<std::string> unsaved;
  for (const InstallationRecorder::Replaced& replaced : recorder.hostFilesReplaced()) {
    const FileContent old = ContentOf(replaced.bytes);
    if (PlacedBefore(text, known, replaced.path, old)) continue;
    if (files.CreateDirectory(backups)) inst.foldersMade.push_back(backups);
    const std::string backup = backups + "\\" + std::to_string(inst.number) + "-" +
                               std::to_string(saved.size() + 1) + " " +
                               FileName(text, replaced.path);
    if (files.WriteWholeFile(backup, replaced.bytes)) {
      saved.push_back(PlacedFile{replaced.path, {}, backup, old});
    } else {
      unsaved.push_back(replaced.path);
    }
  }

  for (const std::string& path : recorder.filesPlaced()) {
    if (KindOfFile(text, folder, path) == FileKind::kOther) {
      if (IsSettingsFile(text, path)) inst.settingsFiles.push_back(path);
      continue;
    }
    const bool lost = std::any_of(unsaved.begin(), unsaved.end(),
                                  [&](const std::string& u) { return SamePath(text, u, path); });
    std::string bytes;
    if (lost || !files.ReadWholeFile(path, &bytes)) continue;
    PlacedFile file{path, ContentOf(bytes), "", {}};
    for (const PlacedFile& s : saved) {
      if (SamePath(text, s.path, path)) {
        file.backup = s.backup;
        file.backupContent = s.backupContent;
      }
    }
    inst.files.push_back(file);
  }
  for (const RegKey& key : recorder.keysMade()) {
    if (KindOfKey(text, key) != KeyKind::kOther) inst.keysMade.push_back(key);
  }
  for (const ValueChange& change : recorder.values()) {
    if (KindOfValue(text, change.key, change.name) != ValueKind::kOther)
      inst.values.push_back(change);
  }

  const std::string uninstaller = folder + "\\" + kUninstallerFileName;
  std::string module;
  if (files.ModuleFileName(&module) && !SamePath(text, module, uninstaller)) {
    ClearReadOnly(files, uninstaller);
    files.CopyFile(module, uninstaller, false);
  }
  record.installations.push_back(inst);
  ClearReadOnly(files, recordPath);
  if (!files.WriteWholeFile(recordPath, FormatRecord(text, record))) return;
  WriteProgramEntry(platform, folder, version,
                    InstalledBytes(platform, record, {uninstaller, recordPath}));
}

void UninstallSupport::Run(plat::Platform& platform, const InstallCatalogue& catalogue,
                           const ReleaseFlags&) {
  recorder_.Stop();
  RecordInstallation(platform, catalogue.installFolder, recorder_, version_);
}

}  // namespace uninstall
