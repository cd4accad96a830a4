#pragma once
// What an installation wrote, as the recording decorators see it at the platform seam. The
// uninstall's record and the unattended run's log are observers; the journal itself writes
// nothing and decides nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/registry.h"

namespace journal {

// A key below a predefined root, as the caller spelled it, without a trailing backslash.
struct KeyRef {
  plat::HKey root = plat::kNoKey;
  std::string path;
};

// A value as the wide registry call reads it: text types as stored, in UTF-16LE bytes.
struct ValueState {
  bool present = false;
  uint32_t type = 0;
  std::string bytes;
};

class Observer {
 public:
  virtual ~Observer() = default;
  // Ahead of every write, what it is about to do, while the machine is still as it was: an
  // observer that keeps a record can write it here, so that no write lands unrecorded. Each
  // try of a write announces itself again.
  virtual void BeforeFolder(const std::string& /*path*/) {}
  virtual void BeforeCopy(const std::string& /*source*/, const std::string& /*destination*/) {}
  // bytes: the file's whole content after the write.
  virtual void BeforeWrite(const std::string& /*path*/, const std::string& /*bytes*/) {}
  virtual void BeforeAttributes(const std::string& /*path*/, uint32_t /*attributes*/) {}
  // A file deleted, a folder removed, or either of them left for the next restart.
  virtual void BeforeDelete(const std::string& /*path*/) {}
  // The levels a create is about to make, from the top down (none when the key exists).
  virtual void BeforeKeys(const std::vector<KeyRef>& /*missing*/) {}
  virtual void BeforeKeyDelete(const KeyRef& /*key*/) {}
  // after: the value as the wide call will read it once the write is done.
  virtual void BeforeValue(const KeyRef& /*key*/, const std::string& /*name*/,
                           const ValueState& /*before*/, const ValueState& /*after*/) {}

  virtual void FolderMade(const std::string& /*path*/) {}
  virtual void FolderRemoved(const std::string& /*path*/) {}
  virtual void FileCopied(const std::string& /*source*/, const std::string& /*destination*/,
                          uint64_t /*bytes*/) {}
  virtual void FileWritten(const std::string& /*path*/, uint64_t /*bytes*/) {}
  virtual void FileDeleted(const std::string& /*path*/) {}
  // A file or folder renamed: what was at from is at to now.
  virtual void Moved(const std::string& /*from*/, const std::string& /*to*/) {}
  // Once for every level a create call made, from the top down.
  virtual void KeyCreated(const KeyRef& /*key*/) {}
  virtual void KeyDeleted(const KeyRef& /*key*/) {}
  virtual void ValueWritten(const KeyRef& /*key*/, const std::string& /*name*/,
                            const ValueState& /*before*/, const ValueState& /*after*/) {}
  virtual void ValueDeleted(const KeyRef& /*key*/, const std::string& /*name*/,
                            const ValueState& /*before*/) {}
  // A write that did not happen: what it was ("copy C:\\a -> D:\\b", "set HKCU\\...\\NAME")
  // and the registry's error code (0 for file calls, whose seam reports none).
  virtual void CallFailed(const std::string& /*what*/, long /*error*/) {}
};

// Hands every event to each observer added, in the order they were added.
class FanOut : public Observer {
 public:
  void Add(Observer& observer) { observers_.push_back(&observer); }

  void BeforeFolder(const std::string& path) override { Each(&Observer::BeforeFolder, path); }
  void BeforeCopy(const std::string& source, const std::string& destination) override {
    Each(&Observer::BeforeCopy, source, destination);
  }
  void BeforeWrite(const std::string& path, const std::string& bytes) override {
    Each(&Observer::BeforeWrite, path, bytes);
  }
  void BeforeAttributes(const std::string& path, uint32_t attributes) override {
    Each(&Observer::BeforeAttributes, path, attributes);
  }
  void BeforeDelete(const std::string& path) override { Each(&Observer::BeforeDelete, path); }
  void BeforeKeys(const std::vector<KeyRef>& missing) override {
    Each(&Observer::BeforeKeys, missing);
  }
  void BeforeKeyDelete(const KeyRef& key) override { Each(&Observer::BeforeKeyDelete, key); }
  void BeforeValue(const KeyRef& key, const std::string& name, const ValueState& before,
                   const ValueState& after) override {
    Each(&Observer::BeforeValue, key, name, before, after);
  }
  void FolderMade(const std::string& path) override { Each(&Observer::FolderMade, path); }
  void FolderRemoved(const std::string& path) override { Each(&Observer::FolderRemoved, path); }
  void FileCopied(const std::string& source, const std::string& destination,
                  uint64_t bytes) override {
    Each(&Observer::FileCopied, source, destination, bytes);
  }
  void FileWritten(const std::string& path, uint64_t bytes) override {
    Each(&Observer::FileWritten, path, bytes);
  }
  void FileDeleted(const std::string& path) override { Each(&Observer::FileDeleted, path); }
  void Moved(const std::string& from, const std::string& to) override {
    Each(&Observer::Moved, from, to);
  }
  void KeyCreated(const KeyRef& key) override { Each(&Observer::KeyCreated, key); }
  void KeyDeleted(const KeyRef& key) override { Each(&Observer::KeyDeleted, key); }
  void ValueWritten(const KeyRef& key, const std::string& name, const ValueState& before,
                    const ValueState& after) override {
    Each(&Observer::ValueWritten, key, name, before, after);
  }
  void ValueDeleted(const KeyRef& key, const std::string& name,
                    const ValueState& before) override {
    Each(&Observer::ValueDeleted, key, name, before);
  }
  void CallFailed(const std::string& what, long error) override {
    Each(&Observer::CallFailed, what, error);
  }

 private:
  template <typename... Params, typename... Args>
  void Each(void (Observer::*event)(Params...), const Args&... args) {
    for (Observer* observer : observers_) (observer->*event)(args...);
  }

  std::vector<Observer*> observers_;
};

// The value a write leaves, as the wide call reads it back: the system counts a text's
// terminator that the caller left out when one stands right after it, and keeps narrow text
// in UTF-16. data must hold one more character than size where a terminator could follow.
ValueState StoredValue(plat::CodePage& text, bool wide, uint32_t type, const void* data,
                       uint32_t size);

// "HKLM\\path" or "HKCU\\path": how a key is named in texts the observers write.
std::string KeyText(const KeyRef& key);

}  // namespace journal
