#pragma once
// An in-memory file system with the semantics of platform/files.h, as Windows (and Wine)
// show them: drives, case-insensitive names, listings sorted like NTFS (or in creation order
// like FAT32) with "." and ".." first in every folder but a drive root, copies that refuse
// read-only and hidden destinations, drive-relative paths resolved against the current
// directory. Access lists follow Windows' inheritance: every drive root carries the list of a
// Windows system drive's root, and an entry without a list of its own takes what its folder
// passes on.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win_constants.h"

namespace sim {

class SimCodePage;

class SimFileSystem : public plat::FileSystem {
 public:
  explicit SimFileSystem(SimCodePage& text);
  ~SimFileSystem() override;

  bool ModuleFileName(std::string* path) override;
  plat::FindHandle FindFirst(const std::string& pattern, plat::FindEntry* entry) override;
  bool FindNext(plat::FindHandle find, plat::FindEntry* entry) override;
  void FindClose(plat::FindHandle find) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDirectory(const std::string& path) override;
  std::string CurrentDirectory() override;
  bool GetEnvironmentVariable(const std::string& name, std::string* value) override;
  bool ShellAppDataFolder(std::string* path) override;
  bool DeleteFile(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool ReadWholeFile(const std::string& path, std::string* bytes) override;
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override;
  bool AppendToFile(const std::string& path, const std::string& bytes) override;
  bool TempFolder(std::string* path) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool SetAccessList(const std::string& path, const plat::AccessList& list) override;

  // How a volume lists a folder. NTFS sorts the names (compared upper-cased); FAT32 and
  // exFAT, the usual formats of a USB stick, and many network shares list entries in the
  // order they were created. A replaced file keeps its place. (FAT's reuse of the slots of
  // deleted entries is not modelled: a new entry always comes last.)
  enum class ListingOrder { Sorted, Creation };

  // Setting up the machine. The machine starts with drive C: (sorted) and current directory
  // C:\. A drive that exists keeps its order.
  void AddDrive(char letter, ListingOrder order = ListingOrder::Sorted);
  // Creates every missing folder level (used for seeding, not by the logic).
  void MakeFolders(const std::string& path);
  // Writes a file (its folder must exist); false when it cannot.
  bool WriteFile(const std::string& path, const std::string& content,
                 uint32_t attributes = plat::kAttrArchive);
  bool ReadFile(const std::string& path, std::string* content);
  void Remove(const std::string& path);
  void SetModuleFileName(const std::string& path) { module_ = path; }
  void SetCurrentDirectory(const std::string& path) { current_ = path; }
  void SetEnvironment(const std::string& name, const std::string& value);
  void UnsetEnvironment(const std::string& name);
  void SetShellAppData(const std::string& path) { shellAppData_ = path; }
  // The temporary folder when neither TMP nor TEMP is set: the profile's, or for SYSTEM the
  // folder GetTempPath2 gives it.
  void SetTempFolder(const std::string& path) { temp_ = path; }
  // Carries out the deletions asked for at restart, in order, as the next start would.
  void Restart();
  const std::vector<std::string>& pendingDeletes() const { return atRestart_; }
  // Copies, folder creation and attribute changes in this folder (and below it) fail; on a
  // drive's root ("E:\\") it stands for a write-protected medium.
  void DenyWrite(const std::string& path);
  // SetAccessList on this entry fails (no right to change its access list).
  void DenyAccessChange(const std::string& path);
  // The access list as Windows reports it: the entry's own entries, then, unless protected,
  // those its folder passes on, marked inherited. False when the path does not exist.
  bool AccessListOf(const std::string& path, plat::AccessList* list);

  // Searches opened and not yet closed.
  int OpenFinds() const { return static_cast<int>(finds_.size()); }
  // Every folder and file of every drive, one line each with attributes and content.
  std::string Dump() const;

  struct Node;

 private:
  Node* Lookup(const std::string& path, Node** parent, std::string* leaf);
  static bool WriteDenied(const Node* folder);

  SimCodePage& text_;
  std::map<char, std::shared_ptr<Node>> drives_;
  std::map<plat::FindHandle, std::vector<plat::FindEntry>> finds_;
  std::map<plat::FindHandle, size_t> findPos_;
  plat::FindHandle nextFind_ = 0x100;
  std::string module_ = "C:\\Setup\\SetUp.exe";
  std::string current_ = "C:\\";
  std::string shellAppData_ = "C:\\users\\user\\AppData\\Roaming";
  std::string temp_ = "C:\\users\\user\\AppData\\Local\\Temp";
  std::vector<std::string> atRestart_;
  std::map<std::string, std::string> env_;
  std::vector<std::string> denyWrite_;
};

}  // namespace sim
