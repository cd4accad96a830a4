#include "uninstall/removal.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "activesetup/active_setup.h"
#include "deploy/package_copy.h"
#include "platform/registry_values.h"
#include "registration/trusted_entries.h"
#include "uninstall/checked_file.h"
#include "uninstall/record_rules.h"

namespace uninstall {
namespace {

std::string ErrorText(long error) {
  if (error == plat::kErrorAccessDenied) return "拒绝访问";
  return "错误 " + std::to_string(error);
}

// One installation and the folder its record lies in.
struct Step {
  const Installation* inst;
  const std::string* folder;
};

class Undo {
 public:
  Undo(plat::Platform& platform, Outcome* outcome)
      : platform_(platform),
        reg_(platform.registry),
        checked_(platform.checked),
        text_(platform.text),
        out_(*outcome) {}

  void Run(const Step& step) {
    folder_ = *step.folder;
    Installation inst = *step.inst;
    inst.values = Merged(inst.values);
    UndoAutoLoad(inst);
    bool activeSetup = false;
    for (const ValueChange& change : inst.values) {
      const ValueKind kind = KindOfValue(text_, change.key, change.name);
      if (kind == ValueKind::kTrustedPaths) UndoTrustedPaths(change);
      if (kind == ValueKind::kServed) UndoIfAsWritten(change);
      if (kind == ValueKind::kActiveSetup && !std::exchange(activeSetup, true))
        SwitchOffActiveSetup(change.key);
    }
    // Parents were made first, so the deepest key goes first.
    for (auto key = inst.keysMade.rbegin(); key != inst.keysMade.rend(); ++key) RemoveKey(*key);
    for (size_t i = 0; i < inst.files.size(); ++i) {
      const bool seen = std::any_of(inst.files.begin(), inst.files.begin() + i,
                                    [&](const PlacedFile& f) {
                                      return SamePath(text_, f.path, inst.files[i].path);
                                    });
      if (!seen) UndoFile(inst, inst.files[i].path);
    }
    for (const std::string& path : inst.settingsFiles) NoteSettings(path);
    for (const std::string& what : inst.unrecorded) out_.unrecorded.push_back(what);
  }

 private:
  // Reads a value whole through the wide call; absent when the key has none.
  bool Read(plat::HKey key, const std::string& name, RegValue* value, long* error) {
    *value = RegValue();
    *error = plat::ReadValue(reg_, key, text_.ToUtf16(name), &value->type, &value->bytes);
    value->present = *error == plat::kErrorSuccess;
    return value->present || *error == plat::kErrorFileNotFound;
  }

  long Write(plat::HKey key, const std::string& name, const RegValue& value) {
    if (!value.present) {
      const long rc = reg_.DeleteValue(key, name);
      return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
    }
    return reg_.SetValueW(key, text_.ToUtf16(name), value.type, value.bytes.data(),
                          static_cast<uint32_t>(value.bytes.size()));
  }

  void Failed(const std::string& what, long error) {
    out_.failed.push_back(what + "：" + ErrorText(error));
  }

  // Opens a key for writing; false (and nothing to do) when it is gone.
  bool Open(const RegKey& key, plat::UniqueKey* handle) {
    const long rc = reg_.OpenKey(key.root, key.path, handle->put());
    if (rc == plat::kErrorSuccess) return true;
    if (rc != plat::kErrorFileNotFound) Failed("无法打开注册表项 " + KeyText(key), rc);
    return false;
  }

  // LOADER names a file in the install folder.
  bool PointsHere(const RegValue& loader) {
    if (!loader.present || (loader.type != plat::kRegSz && loader.type != plat::kRegExpandSz))
      return false;
    bool terminated = false;
    const std::u16string units = Units(loader, &terminated);
    std::string path;
    if (units.find(u'\0') != std::u16string::npos || !text_.FromUtf16(units, &path)) return false;
    const std::vector<std::string> names = PathNames(text_, path);
    return IsBelow(text_, folder_, path) && names.size() == PathNames(text_, folder_).size() + 1;
  }

  // An auto-load key stays whole when its LOADER no longer names this installation's module:
  // another installation has taken it over since.
  void UndoAutoLoad(const Installation& inst) {
    std::vector<const RegKey*> done;
    for (const ValueChange& change : inst.values) {
      if (KindOfValue(text_, change.key, change.name) != ValueKind::kAutoLoad) continue;
      const bool seen = std::any_of(done.begin(), done.end(), [&](const RegKey* k) {
        return k->root == change.key.root && SamePath(text_, k->path, change.key.path);
      });
      if (seen) continue;
      done.push_back(&change.key);
      plat::UniqueKey key(reg_);
      // A key an installation deleted and had not made again yet: what it held comes back.
      const bool held = std::any_of(inst.values.begin(), inst.values.end(), [&](const ValueChange& v) {
        return v.before.present && SameKey(v.key, change.key);
      });
      if (!(held && reg_.OpenKeyRead(change.key.root, change.key.path, key.put()) ==
                        plat::kErrorFileNotFound
                ? reg_.CreateKey(change.key.root, change.key.path, key.put()) ==
                      plat::kErrorSuccess
                : Open(change.key, &key)))
        continue;
      RegValue loader;
      long error = 0;
      if (!Read(key.get(), "LOADER", &loader, &error)) {
        Failed("无法读取 " + KeyText(change.key) + "\\LOADER", error);
        continue;
      }
      // Gone, or still this installation's: no other installation has taken the key over.
      if (loader.present && !PointsHere(loader)) continue;
      for (const ValueChange& value : inst.values) {
        if (!SameKey(value.key, change.key)) continue;
        const long rc = Write(key.get(), value.name, value.before);
        if (rc != plat::kErrorSuccess) Failed("无法删除 " + KeyText(value.key) + "\\" + value.name, rc);
      }
    }
  }

  // One change for each value: the first state before, the last after.
  std::vector<ValueChange> Merged(const std::vector<ValueChange>& values) {
    std::vector<ValueChange> merged;
    for (const ValueChange& change : values) {
      auto same = std::find_if(merged.begin(), merged.end(), [&](const ValueChange& m) {
        return SameKey(m.key, change.key) && text_.CompareNoCase(m.name, change.name) == 0;
      });
      if (same == merged.end()) {
        merged.push_back(change);
      } else {
        same->after = change.after;
      }
    }
    return merged;
  }

  bool SameKey(const RegKey& a, const RegKey& b) {
    return a.root == b.root && SamePath(text_, a.path, b.path);
  }

  // Opens the change's key and reads the value as it is now. False when there is nothing to
  // undo there; a read that fails is told.
  bool ReadNow(const ValueChange& change, plat::UniqueKey* key, RegValue* current) {
    if (!Open(change.key, key)) return false;
    long error = 0;
    if (Read(key->get(), change.name, current, &error)) return true;
    Failed("无法读取 " + KeyText(change.key) + "\\" + change.name, error);
    return false;
  }

  // Still exactly as written: back to the value before; changed since: left as it is.
  void UndoIfAsWritten(const ValueChange& change) {
    plat::UniqueKey key(reg_);
    RegValue current;
    if (!ReadNow(change, &key, &current)) return;
    const std::string what = KeyText(change.key) + "\\" + change.name;
    if (current.present != change.after.present ||
        (current.present && (current.type != change.after.type || current.bytes != change.after.bytes)))
      return;
    const long rc = Write(key.get(), change.name, change.before);
    if (rc != plat::kErrorSuccess) Failed("无法恢复 " + what, rc);
  }

  // Still exactly as written: back to the value before. Changed since: only the install
  // folder's entry goes, if this installation added it.
  void UndoTrustedPaths(const ValueChange& change) {
    plat::UniqueKey key(reg_);
    RegValue current;
    if (!ReadNow(change, &key, &current) || !current.present) return;
    const std::string what = KeyText(change.key) + "\\" + change.name;
    if (current.type == change.after.type && current.bytes == change.after.bytes &&
        change.after.present) {
      const long rc = Write(key.get(), change.name, change.before);
      if (rc != plat::kErrorSuccess) Failed("无法恢复 " + what, rc);
      return;
    }
    if ((current.type != plat::kRegSz && current.type != plat::kRegExpandSz) ||
        current.bytes.size() % 2 != 0)
      return;
    bool terminated = false;
    if (change.before.present && IsTrusted(text_, Units(change.before, &terminated), folder_))
      return;
    std::u16string units = Units(current, &terminated);
    if (!RemoveFolderEntry(text_, &units, folder_)) return;
    RegValue changed = current;
    if (terminated) units.push_back(0);
    changed.bytes = plat::Utf16Bytes(units);
    const long rc = Write(key.get(), change.name, changed);
    if (rc != plat::kErrorSuccess) Failed("无法从 " + what + " 中删除安装文件夹", rc);
  }

  // Every unit of a text value, a zero inside it included; one terminator at its end is
  // taken off and told apart.
  static std::u16string Units(const RegValue& value, bool* terminated) {
    std::u16string units = plat::Utf16Units(value.bytes);
    *terminated = !units.empty() && units.back() == 0;
    if (*terminated) units.pop_back();
    return units;
  }

  // The component stays registered, switched off: no user's logon runs its stub any more.
  // The per-user program it ran goes with the install folder's files.
  void SwitchOffActiveSetup(const RegKey& component) {
    plat::UniqueKey key(reg_);
    if (!Open(component, &key)) return;
    const RegValue off{true, plat::kRegDword, std::string(4, '\0')};
    const long rc = Write(key.get(), activesetup::kIsInstalled, off);
    if (rc != plat::kErrorSuccess) Failed("无法关闭 " + KeyText(component) + "\\IsInstalled", rc);
  }

  // A key this installation made goes when nothing is left in it.
  void RemoveKey(const RegKey& made) {
    if (KindOfKey(text_, made) == KeyKind::kActiveSetup) return;  // stays, switched off
    {
      plat::UniqueKey key(reg_);
      if (reg_.OpenKeyRead(made.root, made.path, key.put()) != plat::kErrorSuccess) return;
      uint32_t values = 1, keys = 1;
      if (reg_.QueryValueCount(key.get(), &values) != plat::kErrorSuccess ||
          reg_.QuerySubKeyCount(key.get(), &keys) != plat::kErrorSuccess || values || keys)
        return;
    }
    const long rc = reg_.DeleteKey(made.root, made.path);
    if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound)
      Failed("无法删除注册表项 " + KeyText(made), rc);
  }

  enum class Found { kMissing, kFile, kUnreadable, kRefused };

  // A file of the record, held from its check to what is done to it: reached through a checked
  // walk, open for reading and deleting, and shared for reading only, so that no one changes,
  // renames or deletes it meanwhile. Delete and put back act on this handle and its folder's.
  struct Held {
    CheckedFile at;
    Found found = Found::kMissing;
    std::string bytes;
    FileContent content;
  };

  Held Hold(const std::string& path) {
    Held held;
    held.at = OpenChecked(platform_, path,
                          plat::kFileGenericRead | plat::kDelete | plat::kFileWriteAttributes,
                          plat::kShareRead);
    switch (held.at.reached) {
      case plat::Reached::kMissing:
      case plat::Reached::kNotFolder:
        held.found = Found::kMissing;
        break;
      case plat::Reached::kFile:
        held.found = checked_.ReadAll(held.at.file.get(), &held.bytes) ? Found::kFile
                                                                       : Found::kUnreadable;
        held.content = ContentOf(held.bytes);
        break;
      case plat::Reached::kLink:
      case plat::Reached::kDenied:
      case plat::Reached::kInUse:
        held.found = Found::kRefused;
        break;
      default:
        held.found = Found::kUnreadable;
    }
    return held;
  }

  // Why a file could not be held: a link on the way or at its end, or an open that the system
  // or another program refused.
  void NotHeld(const Held& held, const std::string& path) {
    if (held.at.reached == plat::Reached::kLink) {
      out_.failed.push_back("无法删除或恢复 " + path + "：" + UnreachedText(held.at));
    } else if (held.found == Found::kRefused) {
      out_.failed.push_back("无法删除文件 " + path + "：文件可能正在使用，或没有权限");
    } else {
      out_.failed.push_back("无法读取文件 " + path);
    }
  }

  static bool Same(const FileContent& a, const FileContent& b) {
    return a.size == b.size && a.hash == b.hash;
  }

  // The held file goes once its handle closes, its read-only attribute cleared first.
  bool Delete(Held& held, const std::string& path) {
    plat::FileFacts facts;
    const plat::FileHandle file = held.at.file.get();
    if (checked_.Facts(file, &facts) && (facts.attributes & plat::kAttrReadOnly))
      checked_.SetAttributes(file, facts.attributes & ~plat::kAttrReadOnly);
    const bool deleted = checked_.Delete(file);
    held.at.file.reset();
    if (deleted) {
      deleted_.push_back(path);
      return true;
    }
    out_.failed.push_back("无法删除文件 " + path + "：文件可能正在使用，或没有权限");
    return false;
  }

  // A backup that is there goes, whatever it holds.
  void DeleteBackup(const std::string& backup) {
    Held held = Hold(backup);
    if (held.found == Found::kMissing) return;
    if (!held.at.file) return NotHeld(held, backup);
    Delete(held, backup);
  }

  // The saved content back in the host's folder, as a new file in the folder held: what stood
  // there (this installation's copy) is gone by now, or was gone before.
  bool PutBack(Held& target, const std::string& content, const PlacedFile& file) {
    plat::Opened made = checked_.Make(
        target.at.folder.get(), plat::FileNameOf(text_, file.path), false,
        {plat::kSidAdministrators, {}}, plat::kFileGenericWrite | plat::kFileWriteAttributes, 0);
    if (!made.handle || !checked_.Append(made.handle.get(), content, true)) {
      out_.failed.push_back("无法恢复 " + file.path + "：文件可能正在使用，或没有权限");
      return false;
    }
    PutBackAttributes(made.handle.get(), file);
    return true;
  }

  // Every entry an installation has for one path: it placed any of their contents, and the
  // first backup among them holds what stood there before.
  void UndoFile(const Installation& inst, const std::string& path) {
    // A newer installation found the file changed since it placed it: it is the user's now,
    // whatever an older one's entry says.
    if (std::any_of(changed_.begin(), changed_.end(),
                    [&](const std::string& c) { return SamePath(text_, c, path); }))
      return;
    std::vector<FileContent> placed;
    const PlacedFile* file = nullptr;
    bool cutShort = false;  // a write to path that a stop may have cut short
    for (const PlacedFile& f : inst.files) {
      if (!SamePath(text_, f.path, path)) continue;
      if (!file && !f.backup.empty()) file = &f;
      if (!f.backup.empty() && Same(f.content, f.backupContent)) continue;  // what stood there
      placed.push_back(f.content);
      cutShort = cutShort || !f.done;
    }
    // The host's file is replaced only once its backup is whole: a backup a stop cut short
    // holds nothing the host needs.
    if (file && !file->done) {
      DeleteBackup(file->backup);
      file = nullptr;
    }
    Held target = Hold(path);
    const Found found = target.found;
    const FileContent& now = target.content;
    if (found == Found::kUnreadable || found == Found::kRefused) return NotHeld(target, path);
    // Whatever stands where a write may have been cut short is the installation's, whole or
    // torn; elsewhere only what it placed is.
    const bool ours = found == Found::kFile &&
                      (cutShort || std::any_of(placed.begin(), placed.end(),
                                               [&](const FileContent& c) { return Same(now, c); }));
    if (!file) {
      if (ours) {
        Delete(target, path);
      } else if (found == Found::kFile) {
        out_.kept.push_back(path + "（安装后已被修改）");
        changed_.push_back(path);
      }
      return;
    }
    if (found == Found::kFile && Same(now, file->backupContent)) {
      // Never replaced, or put back already (an uninstall that ran before and stopped short);
      // the backup, whole or cut short by a stop while it was made, holds nothing else.
      PutBackAttributes(target.at.file.get(), *file);
      DeleteBackup(file->backup);
      return;
    }
    Held saved = Hold(file->backup);
    const bool backupIntact =
        saved.found == Found::kFile && Same(saved.content, file->backupContent);
    if (!ours && found == Found::kFile) {
      // A backup that was never written whole (the installation could not save the original)
      // is not named as holding it.
      out_.kept.push_back(path + (backupIntact ? "（安装后已被修改；原来的文件保存在 " + file->backup + "）"
                                               : std::string("（安装后已被修改）")));
      changed_.push_back(path);
      return;
    }
    // Gone since the installation (deleted, or its host removed), and not by this uninstall:
    // nothing is put back where nothing is.
    const bool deletedHere =
        std::any_of(deleted_.begin(), deleted_.end(),
                    [&](const std::string& d) { return SamePath(text_, d, path); });
    if (found == Found::kMissing && (!deletedHere || !target.at.folder)) {
      out_.kept.push_back(file->backup + "（" + path + " 已不存在，未恢复）");
      return;
    }
    if (!backupIntact) {
      out_.failed.push_back("无法恢复 " + path + "：备份 " + file->backup + " 已丢失或已改变");
      return;
    }
    if (found == Found::kFile && !Delete(target, path)) return;
    if (PutBack(target, saved.bytes, *file)) Delete(saved, file->backup);
  }

  void PutBackAttributes(plat::FileHandle at, const PlacedFile& file) {
    plat::FileFacts facts;
    if (file.backupAttributes && checked_.Facts(at, &facts) &&
        facts.attributes != file.backupAttributes &&
        !checked_.SetAttributes(at, file.backupAttributes))
      out_.failed.push_back("无法恢复 " + file.path + " 的文件属性");
  }

  void NoteSettings(const std::string& path) {
    for (const std::string& known : out_.settingsFiles) {
      if (SamePath(text_, known, path)) return;
    }
    out_.settingsFiles.push_back(path);
  }

  plat::Platform& platform_;
  plat::Registry& reg_;
  plat::CheckedFiles& checked_;
  plat::CodePage& text_;
  Outcome& out_;
  std::string folder_;
  std::vector<std::string> deleted_;  // by this uninstall, a newer installation's copy first
  std::vector<std::string> changed_;  // kept as changed since a newer installation placed them
};

}  // namespace

void UndoInstallations(plat::Platform& platform, const std::vector<FoundRecord>& records,
                       Outcome* outcome) {
  std::vector<Step> steps;
  for (const FoundRecord& found : records) {
    for (const Installation& inst : found.record.installations)
      steps.push_back({&inst, &found.record.folder});
  }
  std::stable_sort(steps.begin(), steps.end(),
                   [](const Step& a, const Step& b) { return a.inst->number > b.inst->number; });
  Undo undo(platform, outcome);
  for (const Step& step : steps) undo.Run(step);
}

std::vector<std::string> RemoveOwnFiles(plat::Platform& platform,
                                        const std::vector<FoundRecord>& records,
                                        const std::string& keep, Outcome* outcome) {
  plat::FileSystem& files = platform.files;
  plat::CodePage& text = platform.text;
  std::vector<std::string> folders;
  for (const FoundRecord& found : records) {
    const std::string uninstaller = found.record.folder + "\\" + kUninstallerFileName;
    for (const std::string& path : {found.path, uninstaller}) {
      if (SamePath(text, path, keep) || files.GetAttributes(path) == plat::kInvalidAttributes)
        continue;
      ClearReadOnly(files, path);
      if (!files.DeleteFile(path))
        outcome->failed.push_back("无法删除文件 " + path + "：文件可能正在使用，或没有权限");
    }
    for (const Installation& inst : found.record.installations)
      folders.insert(folders.end(), inst.foldersMade.begin(), inst.foldersMade.end());
  }
  // Deepest first, so that a folder is empty by the time it is tried.
  std::stable_sort(folders.begin(), folders.end(), [&](const std::string& a, const std::string& b) {
    return PathNames(text, a).size() > PathNames(text, b).size();
  });
  // Other users' profiles trust the product folder until their next logon and after, and any
  // user could make a folder of that name where it stood: it stays, empty and protected.
  std::vector<std::string> left;
  for (const std::string& folder : folders) {
    const auto same = [&](const std::string& l) { return SamePath(text, l, folder); };
    if (std::any_of(left.begin(), left.end(), same) ||
        std::any_of(records.begin(), records.end(),
                    [&](const FoundRecord& found) { return same(found.record.folder); }))
      continue;
    if (!keep.empty() && IsBelow(text, folder, keep)) {
      left.push_back(folder);
      continue;
    }
    files.RemoveDirectory(folder);  // a folder that still holds someone's files stays
  }
  return left;
}

}  // namespace uninstall
