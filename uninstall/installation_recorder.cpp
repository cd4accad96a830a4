#include "uninstall/installation_recorder.h"

#include <algorithm>

#include "uninstall/record_rules.h"

namespace uninstall {
namespace {

template <typename Items, typename Same>
bool Contains(const Items& items, Same same) {
  return std::any_of(items.begin(), items.end(), same);
}

}  // namespace

void InstallationRecorder::FolderMade(const std::string& path) {
  if (listening_) folders_.push_back(path);
}

// Only host files are kept for a backup: what a copy replaces in the install folder is an
// earlier installation's, and the settings file stays the user's whatever happens.
void InstallationRecorder::BeforeReplace(const std::string& destination) {
  if (!listening_ || KindOfFile(text_, "", destination) != FileKind::kHostFile) return;
  // A copy retried, or a host folder served twice: the first content is the host's own.
  if (Contains(replaced_, [&](const Replaced& r) { return SamePath(text_, r.path, destination); }))
    return;
  Replaced replaced{destination, {}};
  if (files_.ReadWholeFile(destination, &replaced.bytes)) replaced_.push_back(replaced);
}

void InstallationRecorder::FileCopied(const std::string&, const std::string& destination,
                                      uint64_t) {
  Placed(destination);
}

void InstallationRecorder::FileWritten(const std::string& path, uint64_t) { Placed(path); }

void InstallationRecorder::Placed(const std::string& path) {
  if (!listening_ ||
      Contains(files_placed_, [&](const std::string& p) { return SamePath(text_, p, path); }))
    return;
  files_placed_.push_back(path);
}

void InstallationRecorder::KeyCreated(const journal::KeyRef& key) {
  if (!listening_ || key.root == plat::kNoKey) return;
  if (Contains(keys_, [&](const RegKey& k) {
        return k.root == key.root && SamePath(text_, k.path, key.path);
      }))
    return;
  keys_.push_back(key);
}

void InstallationRecorder::ValueWritten(const journal::KeyRef& key, const std::string& name,
                                        const journal::ValueState& before,
                                        const journal::ValueState& after) {
  Changed(key, name, before, after);
}

void InstallationRecorder::ValueDeleted(const journal::KeyRef& key, const std::string& name,
                                        const journal::ValueState& before) {
  Changed(key, name, before, RegValue());
}

// The first state before and the last after: what the whole installation did to the value.
void InstallationRecorder::Changed(const RegKey& key, const std::string& name,
                                   const RegValue& before, const RegValue& after) {
  if (!listening_ || key.root == plat::kNoKey) return;
  for (ValueChange& change : values_) {
    if (change.key.root == key.root && SamePath(text_, change.key.path, key.path) &&
        text_.CompareNoCase(change.name, name) == 0) {
      change.after = after;
      return;
    }
  }
  values_.push_back(ValueChange{key, name, before, after});
}

}  // namespace uninstall
