#include "uninstall/recorder.h"

#include <algorithm>

#include "deploy/package_copy.h"
#include "platform/registry_values.h"
#include "protection/levels.h"
#include "protection/rules.h"
#include "uninstall/checked_file.h"
#include "uninstall/installed_programs.h"
#include "uninstall/record_rules.h"
#include "uninstall/record_store.h"

namespace uninstall {
namespace {

// Where a damaged record is kept for a person to look at, when a new one replaces it.
const char kDamagedRecordName[] = "Uninstall-damaged.txt";

bool SameValue(const RegValue& a, const RegValue& b) {
  return a.present == b.present && (!a.present || (a.type == b.type && a.bytes == b.bytes));
}

bool SameContent(const FileContent& a, const FileContent& b) {
  return a.size == b.size && a.hash == b.hash;
}

bool SameKey(plat::CodePage& text, const RegKey& a, const RegKey& b) {
  return a.root == b.root && SamePath(text, a.path, b.path);
}

// The installed-programs entry is the uninstall's own, and so are the keys Windows keeps it in.
bool IsProgramEntry(plat::CodePage& text, const RegKey& key) {
  return key.root == plat::kHkeyLocalMachine && (SamePath(text, key.path, kProgramEntryKey) ||
                                                 IsBelow(text, key.path, kProgramEntryKey));
}

}  // namespace

Recorder::Recorder(plat::Platform& machine) : machine_(machine) {
  run_.format = 2;
  std::string module;
  if (machine_.files.ModuleFileName(&module)) {
    const std::string own = plat::FolderOf(machine_.text, module);
    packageFolders_ = {own, own + "\\Data"};
  }
}

// The settings file goes to "%APPDATA%\\Velmar" under its package name; its folder is the
// user's as well.
Recorder::Place Recorder::Where(const std::string& path) {
  plat::CodePage& text = machine_.text;
  if (!IsPlainPath(text, path)) return Place::kOther;
  const std::string folder = plat::FolderOf(text, path);
  for (const std::string& package : packageFolders_) {
    if (SamePath(text, folder, package)) return Place::kOwn;
  }
  // The uninstall's own files, which it removes itself.
  for (const char* own : {kUninstallerFileName, kRecordFileName, kDamagedRecordName}) {
    if (SamePath(text, path, folder_ + "\\" + own)) return Place::kOwn;
  }
  switch (KindOfFile(text, folder_, path)) {
    case FileKind::kInstalled:
      return Place::kInstalled;
    case FileKind::kHostFile:
      return Place::kHost;
    case FileKind::kOther:
      break;
  }
  std::string appData;
  if (machine_.files.GetEnvironmentVariable("APPDATA", &appData) &&
      (SamePath(text, path, appData + "\\Velmar") ||
       SamePath(text, path, appData + "\\Velmar\\Velmar.Ini")))
    return Place::kSettings;
  return Place::kOther;
}

std::vector<const Installation*> Recorder::Installations() const {
  std::vector<const Installation*> all = {&run_};
  for (const FoundRecord& found : known_) {
    for (const Installation& inst : found.record.installations) all.push_back(&inst);
  }
  return all;
}

// Some installation placed exactly this content at path, and its write was over: the file is
// ours, not the host's.
bool Recorder::Placed(const std::string& path, const FileContent& content) const {
  for (const Installation* inst : Installations()) {
    for (const PlacedFile& file : inst->files) {
      // An entry that saved what stood there names the host's content, not ours.
      const bool saved = !file.backup.empty() && SameContent(file.content, file.backupContent);
      if (!saved && file.done && SamePath(machine_.text, file.path, path) &&
          SameContent(file.content, content))
        return true;
    }
  }
  return false;
}

// Some installation's write to path may have been cut short: whatever stands there is ours,
// whole, torn or of the length of a few bytes.
bool Recorder::CutShort(const std::string& path) const {
  for (const Installation* inst : Installations()) {
    for (const PlacedFile& file : inst->files) {
      if (file.backup.empty() && !file.done && SamePath(machine_.text, file.path, path))
        return true;
    }
  }
  return false;
}

bool Recorder::MadeKey(const RegKey& key) const {
  for (const Installation* inst : Installations()) {
    for (const RegKey& made : inst->keysMade) {
      if (SameKey(machine_.text, made, key)) return true;
    }
  }
  return false;
}

// The newest entry for the value: this run's, else the latest installation's.
const ValueChange* Recorder::Newest(const RegKey& key, const std::string& name) const {
  const ValueChange* newest = nullptr;
  int number = -1;
  for (const Installation* inst : Installations()) {
    const int rank = inst == &run_ ? 1 << 30 : inst->number;
    for (const ValueChange& change : inst->values) {
      if (rank >= number && SameKey(machine_.text, change.key, key) &&
          machine_.text.CompareNoCase(change.name, name) == 0) {
        newest = &change;
        number = rank;
      }
    }
  }
  return newest;
}

// Adds entries to the record and to what this run knows it recorded. False when the record
// cannot take them: the write they announce is then one no record holds.
bool Recorder::Append(Installation entries, bool flush) {
  if (!open_) return false;
  entries.number = run_.number;
  entries.format = run_.format;
  if (opening_) entries.earlierRecords = run_.earlierRecords;
  const std::string lines = FormatEntries(machine_.text, entries, opening_);
  if (!machine_.files.AppendToFile(recordPath_, lines, flush)) return false;
  opening_ = false;
  run_.foldersMade.insert(run_.foldersMade.end(), entries.foldersMade.begin(),
                          entries.foldersMade.end());
  run_.files.insert(run_.files.end(), entries.files.begin(), entries.files.end());
  run_.settingsFiles.insert(run_.settingsFiles.end(), entries.settingsFiles.begin(),
                            entries.settingsFiles.end());
  run_.keysMade.insert(run_.keysMade.end(), entries.keysMade.begin(), entries.keysMade.end());
  run_.values.insert(run_.values.end(), entries.values.begin(), entries.values.end());
  return true;
}

void Recorder::Unrecorded(const std::string& what) {
  if (std::find(unrecorded_.begin(), unrecorded_.end(), what) != unrecorded_.end()) return;
  unrecorded_.push_back(what);
  Installation entry;
  entry.unrecorded = {what};
  Append(entry);
}

bool Recorder::Open(const std::string& folder) {
  plat::FileSystem& files = machine_.files;
  plat::CodePage& text = machine_.text;
  if (!IsPlainPath(text, folder)) return false;
  ResolvePath(text, folder, &folder_);
  recordPath_ = RecordPath(folder);

  // The folder's record: whole, or cut back to its last whole entry; one that is no record
  // at all is set aside for a person to look at, and a new one begun.
  const std::string fresh = FormatRecord(text, Record{folder_, {}});
  std::string bytes;
  Record record;
  std::string why;
  size_t whole = 0;
  const bool exists = files.ReadWholeFile(recordPath_, &bytes);
  // One that someone else could have written is no record of ours, whatever it says.
  const bool trusted =
      !exists || !protection::CheckWrittenByAdministrators(
                     machine_, protection::Administrators::Of(files), recordPath_);
  bool usable = exists && trusted && ParseRecord(text, bytes, &record, &why, &whole) &&
                CheckRecord(text, record, folder, &why);
  if (usable && whole < bytes.size()) {
    ClearReadOnly(files, recordPath_);
    usable = files.CutFile(recordPath_, whole);
  }
  if (!usable) {
    // A record cut off within its first lines is begun again.
    if (exists && fresh.compare(0, bytes.size(), bytes) != 0)
      files.WriteWholeFile(folder + "\\" + kDamagedRecordName, bytes);
    ClearReadOnly(files, recordPath_);
    // Written over, someone else's file would keep its owner and list; ours is made anew.
    if (!trusted) files.DeleteFile(recordPath_);
  }
  madeRecord_ = !exists;

  // Every installation known: this folder's, and those of the installation the
  // installed-programs entry names when that lies elsewhere; its record stays reachable.
  Outcome unused;
  if (usable) known_ = LoadRecords(machine_, folder, &unused);
  std::string previous;
  if (ReadProgramEntryFolder(machine_, &previous) && IsPlainPath(text, previous) &&
      !SamePath(text, previous, folder)) {
    for (FoundRecord& found : LoadRecords(machine_, previous, &unused)) {
      if (SamePath(text, found.path, RecordPath(previous)))
        run_.earlierRecords.push_back(RecordPath(previous));
      const bool seen = std::any_of(known_.begin(), known_.end(), [&](const FoundRecord& k) {
        return SamePath(text, k.path, found.path);
      });
      if (!seen) known_.push_back(std::move(found));
    }
  }
  for (const FoundRecord& found : known_) {
    for (const Installation& earlier : found.record.installations)
      run_.number = std::max(run_.number, earlier.number);
  }
  ++run_.number;

  // The folders this run made before the record existed, the levels on the way to it. A new
  // record is begun with them in one write: a stop leaves either no record, or one that names
  // them.
  Installation made;
  std::vector<std::string> off;
  for (const std::string& path : madeAhead_) {
    std::string resolved;
    if (files.GetAttributes(path) == plat::kInvalidAttributes) continue;
    if (IsPlainPath(text, path) && (SamePath(text, path, folder_) || IsBelow(text, path, folder_)) &&
        ResolvePath(text, path, &resolved)) {
      made.foldersMade.push_back(resolved);
    } else {
      off.push_back("create folder " + path);
    }
  }
  madeAhead_.clear();
  if (!usable) {
    made.number = run_.number;
    made.format = run_.format;
    made.earlierRecords = run_.earlierRecords;
    const bool opening = !made.foldersMade.empty();
    if (!files.WriteWholeFile(recordPath_,
                              fresh + (opening ? FormatEntries(text, made, true) : "")))
      return false;
    open_ = true;
    opening_ = !opening;
    run_.foldersMade = made.foldersMade;
  } else {
    open_ = true;
    if (!made.foldersMade.empty() && !Append(made)) {
      for (const std::string& path : made.foldersMade) off.push_back("create folder " + path);
    }
  }
  for (const std::string& what : off) Unrecorded(what);
  return true;
}

bool Recorder::NothingButFolders() const {
  const bool earlier = std::any_of(known_.begin(), known_.end(), [](const FoundRecord& found) {
    return !found.record.installations.empty();
  });
  return !earlier && run_.files.empty() && run_.settingsFiles.empty() && run_.keysMade.empty() &&
         run_.values.empty() && run_.unrecorded.empty() && unrecorded_.empty() &&
         unsaved_.empty();
}

std::vector<std::string> Recorder::PlacedFiles() const {
  std::vector<std::string> paths;
  for (const Installation* inst : Installations()) {
    for (const PlacedFile& file : inst->files) paths.push_back(file.path);
  }
  return paths;
}

void Recorder::BeforeFolder(const std::string& path) {
  plat::CodePage& text = machine_.text;
  if (!listening_ || machine_.files.GetAttributes(path) != plat::kInvalidAttributes) return;
  if (!open_) return madeAhead_.push_back(path);
  const Place place = Where(path);
  if (place == Place::kSettings || place == Place::kOwn) return;
  const std::string backups = folder_ + "\\" + kBackupFolderName;
  const bool fits = IsPlainPath(text, path) &&
                    (SamePath(text, path, folder_) || IsBelow(text, path, folder_) ||
                     SamePath(text, path, backups));
  std::string resolved;
  Installation made;
  if (fits && ResolvePath(text, path, &resolved)) made.foldersMade = {resolved};
  if (!fits || !Append(made)) Unrecorded("create folder " + path);
}

void Recorder::BeforeCopy(const std::string& source, const std::string& destination) {
  std::string bytes;
  if (!listening_ || !machine_.files.ReadWholeFile(source, &bytes)) return;
  Placing(destination, bytes);
}

void Recorder::BeforeWrite(const std::string& path, const std::string& bytes) {
  if (listening_) Placing(path, bytes);
}

void Recorder::Placing(const std::string& path, const std::string& bytes) {
  pending_.clear();
  retract_ = 0;
  std::string now;
  const bool same = ReadChecked(path, &now) == plat::Reached::kFile && now == bytes;
  std::string resolved;
  const Place place = Where(path);
  const FileContent content = ContentOf(bytes);
  // What changes nothing adds nothing; but the settings file is named once for the user to
  // hear where it stays.
  if (place == Place::kOwn || (same && place == Place::kOther)) return;
  if (place == Place::kOther || !ResolvePath(machine_.text, path, &resolved))
    return Unrecorded("write " + path);
  // The same bytes once more are written all the same, and a stop can cut them short: the entry
  // says so while the write lasts, and is taken back once it is over. A host's own file that
  // holds them is saved as any other.
  if (same && place != Place::kSettings &&
      (place != Place::kHost || Placed(path, content) || CutShort(path))) {
    plat::FindEntry record;
    plat::UniqueFind find(machine_.files, machine_.files.FindFirst(recordPath_, &record));
    Installation entry;
    entry.files = {PlacedFile{resolved, content, "", {}, 0, false}};
    const bool opening = opening_;
    if (!find || !Append(entry)) return;
    run_.files.pop_back();
    pending_ = resolved;
    retract_ = record.size;
    retractOpening_ = opening;
    return;
  }
  Installation entry;
  if (place == Place::kSettings) {
    for (const Installation* inst : Installations()) {
      for (const std::string& known : inst->settingsFiles) {
        if (SamePath(machine_.text, known, path)) return;
      }
    }
    entry.settingsFiles = {resolved};
    if (!Append(entry)) Unrecorded("write " + path);
    return;
  }
  if (place == Place::kHost && !SaveOriginal(path)) return;
  // Once this run has saved the file, its own entries must name what it places there: the
  // uninstall undoes its installations one at a time.
  const bool savedHere = std::any_of(run_.files.begin(), run_.files.end(), [&](const PlacedFile& f) {
    return !f.backup.empty() && SamePath(machine_.text, f.path, path);
  });
  const auto placedHere = std::find_if(run_.files.rbegin(), run_.files.rend(), [&](const PlacedFile& f) {
    return SamePath(machine_.text, f.path, path) && SameContent(f.content, content);
  });
  // Tried again: the entry before waits for its mark still.
  if (placedHere != run_.files.rend()) {
    if (!placedHere->done) pending_ = resolved;
    return;
  }
  if (!savedHere && Placed(path, content)) return;
  entry.files = {PlacedFile{resolved, content, "", {}, 0, false}};
  if (!Append(entry)) return Unrecorded("write " + path);
  pending_ = resolved;
}

void Recorder::FileCopied(const std::string&, const std::string& destination, uint64_t) {
  Done(destination);
}

void Recorder::FileWritten(const std::string& path, uint64_t) { Done(path); }

// The write the last entry announced is over; nothing was appended since.
void Recorder::Done(const std::string& path) {
  if (pending_.empty() || !SamePath(machine_.text, path, pending_)) return;
  pending_.clear();
  if (retract_) {
    // Back as it was, the installation's own line with it when the entry brought that.
    if (machine_.files.CutFile(recordPath_, std::exchange(retract_, 0))) opening_ = retractOpening_;
    return;
  }
  if (!machine_.files.AppendToFile(recordPath_, FormatDone(), false)) return;
  for (auto file = run_.files.rbegin(); file != run_.files.rend(); ++file) {
    if (SamePath(machine_.text, file->path, path)) {
      file->done = true;
      return;
    }
  }
}

// What stands at path, read through a checked handle: a link on the way or at its end is never
// read, nor a file with a second name, which could be any file of the volume. Shared for all,
// since the write it is told of ahead may hold the file open already.
plat::Reached Recorder::ReadChecked(const std::string& path, std::string* bytes,
                                    uint32_t* attributes) {
  CheckedFile host = OpenChecked(machine_, path, plat::kFileGenericRead,
                                 plat::kShareRead | plat::kShareWrite | plat::kShareDelete);
  plat::FileFacts facts;
  if (host.reached != plat::Reached::kFile) return host.reached;
  if (!machine_.checked.Facts(host.file.get(), &facts) || facts.links != 1 ||
      !machine_.checked.ReadAll(host.file.get(), bytes))
    return plat::Reached::kDenied;
  if (attributes) *attributes = facts.attributes;
  return plat::Reached::kFile;
}

// The folder the host files are saved in, made when missing (named in the record first), which
// administrators alone may read: a host file may be one that users may not.
plat::UniqueFileHandle Recorder::BackupFolder() {
  constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
  plat::CheckedFiles& checked = machine_.checked;
  const plat::Descriptor saved = protection::AdministratorsOnlyDescriptor();
  plat::Walked product = plat::WalkFolders(checked, machine_.text, folder_, 0, kShareAll);
  if (!product.folder) return {};
  const uint32_t access = plat::kLevelAccess | plat::kFileWriteData | plat::kWriteDac;
  plat::Opened backups = checked.Open(product.folder.get(), kBackupFolderName, access, kShareAll);
  if (backups.reached == plat::Reached::kFolder) {
    // Made by a version that let users read it.
    checked.SetAccessList(backups.handle.get(), saved.dacl);
    return std::move(backups.handle);
  }
  Installation made;
  made.foldersMade = {folder_ + "\\" + kBackupFolderName};
  if (backups.reached != plat::Reached::kMissing || !Append(made)) return {};
  return std::move(
      checked.Make(product.folder.get(), kBackupFolderName, true, saved, access, kShareAll).handle);
}

// A host file about to change is saved first, unless it is an earlier installation's copy or
// already saved. False when it could not be saved: the uninstall then leaves what stands there.
bool Recorder::SaveOriginal(const std::string& path) {
  plat::CodePage& text = machine_.text;
  const auto known = [&](const std::vector<std::string>& paths) {
    return std::any_of(paths.begin(), paths.end(),
                       [&](const std::string& p) { return SamePath(text, p, path); });
  };
  if (known(unsaved_)) return false;
  for (const PlacedFile& file : run_.files) {
    if (!file.backup.empty() && SamePath(text, file.path, path)) return true;
  }
  uint32_t attributes = 0;
  std::string old;
  const plat::Reached found = ReadChecked(path, &old, &attributes);
  if (found == plat::Reached::kMissing || found == plat::Reached::kNotFolder) return true;
  const auto unsaved = [&] {
    unsaved_.push_back(path);
    Unrecorded("replace " + path);
    return false;
  };
  if (found != plat::Reached::kFile) return unsaved();
  if (Placed(path, ContentOf(old)) || CutShort(path)) return true;

  plat::UniqueFileHandle backups = BackupFolder();
  int saved = 1;
  for (const PlacedFile& file : run_.files) saved += file.backup.empty() ? 0 : 1;
  const std::string name = std::to_string(run_.number) + "-" + std::to_string(saved) + " " +
                           plat::FileNameOf(text, path);
  PlacedFile entry{"", ContentOf(old), folder_ + "\\" + kBackupFolderName + "\\" + name,
                   ContentOf(old), attributes, false};
  ResolvePath(text, path, &entry.path);
  Installation save;
  save.files = {entry};
  // The entry first: a backup the record does not name would stay behind for good. The backup
  // and its mark are on the disk before the host's file is replaced: the host's own is gone then.
  if (!backups) return unsaved();
  plat::CheckedFiles& checked = machine_.checked;
  const bool fresh = checked.Open(backups.get(), name, plat::kFileReadAttributes,
                                  plat::kShareRead).reached == plat::Reached::kMissing;
  if (!fresh || !Append(save)) return unsaved();
  plat::Opened backup = checked.Make(backups.get(), name, false,
                                     protection::AdministratorsOnlyDescriptor(),
                                     plat::kFileGenericWrite, plat::kShareRead);
  if (!backup.handle || !checked.Append(backup.handle.get(), old, true) ||
      !machine_.files.AppendToFile(recordPath_, FormatDone(), true))
    return unsaved();
  run_.files.back().done = true;
  return true;
}

void Recorder::BeforeAttributes(const std::string& path, uint32_t attributes) {
  if (!listening_) return;
  const uint32_t now = machine_.files.GetAttributes(path);
  if (now == plat::kInvalidAttributes || now == attributes) return;
  switch (Where(path)) {
    case Place::kHost:
      SaveOriginal(path);
      return;
    case Place::kOther:
      return Unrecorded("attributes " + path);
    default:
      return;  // goes with the file, or is not the installation's to give back
  }
}

void Recorder::BeforeDelete(const std::string& path) {
  if (!listening_ || machine_.files.GetAttributes(path) == plat::kInvalidAttributes) return;
  if (Where(path) != Place::kOwn) Unrecorded("delete " + path);
}

void Recorder::BeforeKeys(const std::vector<journal::KeyRef>& missing) {
  if (!listening_) return;
  Installation made;
  for (const journal::KeyRef& key : missing) {
    if (IsProgramEntry(machine_.text, key) || MadeKey(key)) continue;
    if (KindOfKey(machine_.text, key) == KeyKind::kOther) {
      Unrecorded("create " + KeyText(key));
      continue;
    }
    made.keysMade.push_back(key);
  }
  if (!made.keysMade.empty() && !Append(made)) {
    for (const RegKey& key : made.keysMade) Unrecorded("create " + KeyText(key));
  }
}

// A key deleted takes its values with it: each value the record can name is a change to
// none; a key with others cannot be given back whole.
void Recorder::BeforeKeyDelete(const journal::KeyRef& key) {
  if (!listening_ || MadeKey(key)) return;
  plat::Registry& reg = machine_.registry;
  plat::UniqueKey handle(reg);
  if (reg.OpenKeyRead(key.root, key.path, handle.put()) != plat::kErrorSuccess) return;
  uint32_t values = 0, named = 0;
  reg.QueryValueCount(handle.get(), &values);
  for (const char* name : {"LOADCTRLS", "LOADER"}) {
    RegValue before;
    if (plat::ReadValue(reg, handle.get(), machine_.text.ToUtf16(name), &before.type,
                        &before.bytes) != plat::kErrorSuccess)
      continue;
    before.present = true;
    ++named;
    BeforeValue(key, name, before, RegValue());
  }
  if (values > named || KindOfKey(machine_.text, key) != KeyKind::kAutoLoad)
    Unrecorded("delete " + KeyText(key));
}

void Recorder::BeforeValue(const journal::KeyRef& key, const std::string& name,
                                       const journal::ValueState& before,
                                       const journal::ValueState& after) {
  valueAhead_ = false;
  if (!listening_ || SameValue(before, after) || IsProgramEntry(machine_.text, key)) return;
  const std::string what = "set " + KeyText(key) + "\\" + name;
  if (KindOfValue(machine_.text, key, name) == ValueKind::kOther) return Unrecorded(what);
  // What an earlier installation left it as: its entry gives the value back already.
  const ValueChange* newest = Newest(key, name);
  if (newest && SameValue(newest->after, after)) return;
  Installation entry;
  entry.values = {ValueChange{key, name, before, after}};
  // Overwritten, the value before is in the record alone.
  if (!Append(entry, before.present)) return Unrecorded(what);
  valueAhead_ = true;
  expected_ = after;
}

// A value that came out other than foreseen: one more entry, which merges with the first.
void Recorder::ValueWritten(const journal::KeyRef& key, const std::string& name,
                                        const journal::ValueState&,
                                        const journal::ValueState& after) {
  if (!std::exchange(valueAhead_, false) || SameValue(after, expected_)) return;
  Installation entry;
  entry.values = {ValueChange{key, name, expected_, after}};
  if (!Append(entry)) Unrecorded("set " + KeyText(key) + "\\" + name);
}

}  // namespace uninstall
