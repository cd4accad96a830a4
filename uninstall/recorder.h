#pragma once
// Keeps the record of an installation while it runs, ahead of each change: the journal tells
// every write before it happens, and what the uninstall will need to undo it is on the disk
// (the record's entry, the host file it replaces saved) before the write goes on. So an
// installation stopped at any point can be undone, and one that runs again knows what the
// stopped one placed. A write that changes nothing adds nothing. A write the record cannot
// hold is noted in the record (the uninstall names it as staying) and told to the user.
#include <string>
#include <vector>

#include "journal/observer.h"
#include "platform/platform.h"
#include "uninstall/removal.h"

namespace uninstall {

class Recorder : public journal::Observer {
 public:
  // machine: the machine's own calls. The record, the backups and their folder are written
  // past the journal: heard, the recorder would write down its own writes.
  explicit Recorder(plat::Platform& machine);

  // The install folder is made: opens its record (made when missing; a stopped run's cut-off
  // last entry cut away) and takes in the folders this run made before it existed. False when
  // no record can be kept there; the writes that follow are then told as unrecorded.
  bool Open(const std::string& folder);
  // What comes after this is no part of the installation.
  void Stop() { listening_ = false; }

  bool opened() const { return open_; }
  // Open made the record: there was none in the folder.
  bool madeRecord() const { return madeRecord_; }
  // No record this run knows of names anything, and this run recorded nothing but folders.
  bool NothingButFolders() const;
  // Every file placed by this run and by the installations of the records Open found.
  std::vector<std::string> PlacedFiles() const;
  // This run's writes that no record holds, one text each.
  const std::vector<std::string>& unrecorded() const { return unrecorded_; }

  void BeforeFolder(const std::string& path) override;
  void BeforeCopy(const std::string& source, const std::string& destination) override;
  void BeforeWrite(const std::string& path, const std::string& bytes) override;
  void BeforeAttributes(const std::string& path, uint32_t attributes) override;
  void BeforeDelete(const std::string& path) override;
  void BeforeKeys(const std::vector<journal::KeyRef>& missing) override;
  void BeforeKeyDelete(const journal::KeyRef& key) override;
  void BeforeValue(const journal::KeyRef& key, const std::string& name,
                   const journal::ValueState& before, const journal::ValueState& after) override;
  void FileCopied(const std::string& source, const std::string& destination,
                  uint64_t bytes) override;
  void FileWritten(const std::string& path, uint64_t bytes) override;
  void ValueWritten(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before, const journal::ValueState& after) override;

 private:
  enum class Place { kOwn, kInstalled, kHost, kSettings, kOther };
  Place Where(const std::string& path);
  // flush: the change that follows cannot be taken back without the entry.
  bool Append(Installation entries, bool flush = false);
  void Done(const std::string& path);
  bool CutShort(const std::string& path) const;
  void Unrecorded(const std::string& what);
  void Placing(const std::string& path, const std::string& bytes);
  plat::Reached ReadChecked(const std::string& path, std::string* bytes,
                            uint32_t* attributes = nullptr);
  plat::UniqueFileHandle BackupFolder();
  bool SaveOriginal(const std::string& path);
  bool Placed(const std::string& path, const FileContent& content) const;
  bool MadeKey(const RegKey& key) const;
  const ValueChange* Newest(const RegKey& key, const std::string& name) const;
  std::vector<const Installation*> Installations() const;

  plat::Platform& machine_;
  bool listening_ = true;
  bool open_ = false;
  bool madeRecord_ = false;
  bool opening_ = true;  // this run's installation line is still to come
  std::string folder_;   // as resolved
  std::string recordPath_;
  std::vector<std::string> packageFolders_;
  std::vector<std::string> madeAhead_;  // folders made before the record existed, in order
  std::vector<FoundRecord> known_;
  Installation run_;  // what this run has recorded so far
  std::string pending_;  // the file whose write the last entry announced, until it is done
  uint64_t retract_ = 0;  // the record's size before that entry, when it goes again once done
  bool retractOpening_ = false;  // that entry began the installation's lines
  std::vector<std::string> unsaved_;  // host files whose old content could not be saved
  std::vector<std::string> unrecorded_;
  bool valueAhead_ = false;  // the value write under way has its entry
  journal::ValueState expected_;
};

}  // namespace uninstall
