#pragma once
// Listens to the journal while an installation runs, and keeps what its record needs: the
// folders made, the files placed, the host files a copy is about to replace (with their old
// bytes, read at the last moment they exist), the keys made, and each value with its first
// state before and its last state after.
#include <string>
#include <vector>

#include "journal/observer.h"
#include "platform/platform.h"
#include "uninstall/record.h"

namespace uninstall {

class InstallationRecorder : public journal::Observer {
 public:
  struct Replaced {
    std::string path;
    std::string bytes;
  };

  InstallationRecorder(plat::FileSystem& files, plat::CodePage& text)
      : files_(files), text_(text) {}

  // What comes after this is the uninstall support's own writing, no part of the installation.
  void Stop() { listening_ = false; }

  const std::vector<std::string>& foldersMade() const { return folders_; }
  const std::vector<std::string>& filesPlaced() const { return files_placed_; }
  const std::vector<Replaced>& hostFilesReplaced() const { return replaced_; }
  const std::vector<RegKey>& keysMade() const { return keys_; }
  const std::vector<ValueChange>& values() const { return values_; }

  void FolderMade(const std::string& path) override;
  void BeforeReplace(const std::string& destination) override;
  void FileCopied(const std::string& source, const std::string& destination,
                  uint64_t bytes) override;
  void FileWritten(const std::string& path, uint64_t bytes) override;
  void KeyCreated(const journal::KeyRef& key) override;
  void ValueWritten(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before, const journal::ValueState& after) override;
  void ValueDeleted(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before) override;

 private:
  void Placed(const std::string& path);
  void Changed(const RegKey& key, const std::string& name, const RegValue& before,
               const RegValue& after);

  plat::FileSystem& files_;
  plat::CodePage& text_;
  bool listening_ = true;
  std::vector<std::string> folders_;
  std::vector<std::string> files_placed_;
  std::vector<Replaced> replaced_;
  std::vector<RegKey> keys_;
  std::vector<ValueChange> values_;
};

}  // namespace uninstall
