#pragma once
// File-system seam: the kernel32 file calls the logic uses, with their Windows semantics
// (names compare without letter case; paths may be drive-relative such as "\\dir", resolved
// against the current directory's drive):
//  - FindFirst/FindNext list a folder (pattern "dir\\*.*") or probe one path (no wildcard),
//    in the file system's order, each entry with its attributes; "." and ".." come first;
//  - CopyFile replaces an existing file unless asked not to, and fails on a read-only or
//    hidden destination and on a missing destination folder;
//  - CreateDirectory creates one level; it fails when the entry exists or the parent is missing;
//  - DeleteFile refuses a read-only file and a folder; RemoveDirectory removes an empty,
//    writable folder only;
//  - WriteWholeFile creates or replaces a file with exactly the bytes given; it refuses an
//    existing read-only, hidden or system file and a missing folder;
//  - AppendToFile adds bytes at the end of a file as it then is (made when missing), so that
//    whatever another process appends meanwhile stays whole; with flush it has them on the disk
//    before it returns, so that no write that follows reaches the disk first (a process that
//    is killed loses nothing the system took; only a power cut needs the flush). It refuses a
//    read-only file, a folder and a missing folder, and takes a hidden file. CutFile keeps a
//    file's first bytes and drops the rest, and refuses what WriteWholeFile refuses;
//  - AppendToFileIf opens the file at path without following a junction or symbolic link at
//    its end, or makes it new (CREATE_NEW) when nothing stands there; it tells accept what it
//    opened, as the open file itself reports it, and appends (as AppendToFile does) only when
//    accept agrees; a folder it refuses;
//  - DeleteAtRestart leaves the file (or empty folder) in place and has the system delete it
//    when the machine next starts, in the order asked; it needs administrator rights.
//  - SetAccessList replaces the access list of an existing file or folder
//    (SetNamedSecurityInfo). A protected list takes nothing from the parent folder; its
//    inheritable entries reach what lies below, what is already there included.
//  - CreateDirectoryWith makes one level with the owner and access list given in the create
//    call itself, so that no one can open it under any other list; it fails as CreateDirectory
//    does, and when the owner given is not one the running account may give.
//  - ReadSecurity reads the owner and access list of a file or folder (GetNamedSecurityInfo),
//    following a junction or symbolic link at the end of the path; GetAttributes does not
//    follow it and tells it by kAttrReparsePoint.
//  - MoveFile renames a file or folder on its volume (MoveFileEx without flags); it fails when
//    the new name exists. What moves keeps its owner and access list.
//  - Every call is made with the rights of the running account, whose security identifier
//    RunningAccount gives.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

using FindHandle = std::uintptr_t;
constexpr FindHandle kNoFind = ~FindHandle{0};  // INVALID_HANDLE_VALUE

// What AppendToFileIf opened, read from the open file.
struct OpenedFile {
  bool made = false;        // nothing stood there: the file was made new
  uint32_t attributes = 0;  // kAttrReparsePoint for a junction or symbolic link itself
  uint32_t links = 0;       // the names the file has (hard links)
  std::string owner;        // SID text
};

struct FindEntry {
  std::string name;  // file name without its folder
  uint32_t attributes = 0;
  uint64_t size = 0;  // bytes of a file; 0 for a folder
};

// One entry of an access list (an ACE of a DACL): it allows, or denies, rights to one SID.
struct AccessEntry {
  std::string sid;     // string form, "S-1-5-18": account names differ with the language
  uint32_t rights = 0;  // access mask
  uint32_t flags = 0;   // ACE flags: kAceObjectInherit, kAceContainerInherit, kAceInherited ...
  bool deny = false;    // an access-denied entry
  bool operator==(const AccessEntry& o) const {
    return sid == o.sid && rights == o.rights && flags == o.flags && deny == o.deny;
  }
};

struct AccessList {
  bool isProtected = false;  // nothing is inherited from the parent folder
  std::vector<AccessEntry> entries;  // in the order they are checked
  bool operator==(const AccessList& o) const {
    return isProtected == o.isProtected && entries == o.entries;
  }
};

// The parts of a file's security descriptor that decide who may change it: its owner, who
// may always rewrite the list, and its access list. A descriptor without a list (which lets
// everyone do everything) reads as one entry giving everyone full control.
struct Descriptor {
  std::string owner;  // SID text
  AccessList dacl;
  bool operator==(const Descriptor& o) const { return owner == o.owner && dacl == o.dacl; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Full path of the running program (GetModuleFileNameA); false when the system gives none.
  virtual bool ModuleFileName(std::string* path) = 0;
  virtual FindHandle FindFirst(const std::string& pattern, FindEntry* entry) = 0;
  virtual bool FindNext(FindHandle find, FindEntry* entry) = 0;
  virtual void FindClose(FindHandle find) = 0;
  // kInvalidAttributes when the path does not exist or cannot be read.
  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;
  virtual std::string CurrentDirectory() = 0;
  // False when the variable is unset; otherwise its whole value.
  virtual bool GetEnvironmentVariable(const std::string& name, std::string* value) = 0;
  // The user's application-data folder as the shell reports it (CSIDL_APPDATA); false if none.
  virtual bool ShellAppDataFolder(std::string* path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool RemoveDirectory(const std::string& path) = 0;
  virtual bool ReadWholeFile(const std::string& path, std::string* bytes) = 0;
  virtual bool WriteWholeFile(const std::string& path, const std::string& bytes) = 0;
  virtual bool AppendToFile(const std::string& path, const std::string& bytes, bool flush) = 0;
  virtual bool AppendToFileIf(const std::string& path, const std::string& bytes,
                              const std::function<bool(const OpenedFile&)>& accept) = 0;
  // False also when the file is shorter than size.
  virtual bool CutFile(const std::string& path, uint64_t size) = 0;
  // The folder Windows gives this process for temporary files, with its trailing backslash:
  // GetTempPath2W where Windows has it (for SYSTEM a folder only administrators may use),
  // else GetTempPathW (TMP, TEMP, the profile, the Windows folder). False when there is none,
  // or when the code page cannot hold its path.
  virtual bool TempFolder(std::string* path) = 0;
  // MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT).
  virtual bool DeleteAtRestart(const std::string& path) = 0;
  // False when the path does not exist or its access list may not be changed.
  virtual bool SetAccessList(const std::string& path, const AccessList& list) = 0;
  virtual bool CreateDirectoryWith(const std::string& path, const Descriptor& descriptor) = 0;
  // False when the path does not exist or its descriptor may not be read.
  virtual bool ReadSecurity(const std::string& path, Descriptor* descriptor) = 0;
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  virtual bool RunningAccount(std::string* sid) = 0;
  // A number from the system's random generator (RtlGenRandom), for names no one can guess.
  virtual bool RandomNumber(uint64_t* number) = 0;
};

// Owns one directory search and closes it exactly once.
class UniqueFind {
 public:
  explicit UniqueFind(FileSystem& fs, FindHandle find = kNoFind) : fs_(&fs), find_(find) {}
  UniqueFind(UniqueFind&& other) noexcept : fs_(other.fs_), find_(other.release()) {}
  UniqueFind& operator=(UniqueFind&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      fs_ = other.fs_;
    }
    return *this;
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  ~UniqueFind() { reset(); }

  FindHandle get() const { return find_; }
  explicit operator bool() const { return find_ != kNoFind; }
  FindHandle release() { return std::exchange(find_, kNoFind); }
  void reset(FindHandle find = kNoFind) {
    if (find_ != kNoFind) fs_->FindClose(find_);
    find_ = find;
  }

 private:
  FileSystem* fs_;
  FindHandle find_;
};

}  // namespace plat
