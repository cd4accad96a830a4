#pragma once
// Acting on files and folders through handles that were checked. A path is reached from its
// drive's root one level at a time: each level is opened relative to the handle of the level
// above, never following a junction or symbolic link, and is checked on its own handle to be a
// plain folder. Whatever is then done to a file or folder (read, write, attributes, access
// list, delete, rename) goes through the handle that was checked, so that nothing put in
// place of a name after the check is ever reached.
//
// Rights are those of files and folders (platform/win_constants.h); each call needs on its
// handle the right it names. Names are single names in the code page, never paths.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/win_constants.h"

namespace plat {

using FileHandle = std::uintptr_t;
constexpr FileHandle kNoFileHandle = 0;

// Sharing asked of an open (FILE_SHARE_*): what other opens of the same file may do meanwhile.
constexpr uint32_t kShareRead = 0x1;
constexpr uint32_t kShareWrite = 0x2;
constexpr uint32_t kShareDelete = 0x4;  // without it no one renames or deletes the file while held

// What an open reached. Only kFile and kFolder come with a handle.
enum class Reached {
  kFile,
  kFolder,
  kLink,       // a junction, symbolic link or other reparse point: never opened
  kMissing,    // nothing of that name
  kExists,     // (making) something of that name is there already
  kNotFolder,  // (walking) a level is a file
  kDenied,     // the account may not open it so, or it is being deleted
  kInUse,      // an open of it held meanwhile does not share what was asked
  kRefused,    // (walking) the caller's check of a level said no
  kFailed,     // anything else
};

// What an open file or folder tells of itself (GetFileInformationByHandle).
struct FileFacts {
  uint32_t attributes = 0;
  uint32_t links = 0;   // its names (hard links)
  uint64_t size = 0;
  uint32_t volume = 0;  // serial number of its volume
  uint64_t id = 0;      // its number on that volume: the same volume and id are the same file
};

class CheckedFiles;

// Owns one open file or folder of CheckedFiles and closes it exactly once.
class UniqueFileHandle {
 public:
  UniqueFileHandle() = default;
  UniqueFileHandle(CheckedFiles& files, FileHandle handle) : files_(&files), handle_(handle) {}
  UniqueFileHandle(UniqueFileHandle&& other) noexcept
      : files_(other.files_), handle_(other.release()) {}
  UniqueFileHandle& operator=(UniqueFileHandle&& other) noexcept {
    if (this != &other) {
      reset();
      files_ = other.files_;
      handle_ = other.release();
    }
    return *this;
  }
  UniqueFileHandle(const UniqueFileHandle&) = delete;
  UniqueFileHandle& operator=(const UniqueFileHandle&) = delete;
  ~UniqueFileHandle() { reset(); }

  FileHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != kNoFileHandle; }
  FileHandle release() { return std::exchange(handle_, kNoFileHandle); }
  inline void reset(FileHandle handle = kNoFileHandle);

 private:
  CheckedFiles* files_ = nullptr;
  FileHandle handle_ = kNoFileHandle;
};

struct Opened {
  UniqueFileHandle handle;  // open for kFile and kFolder
  Reached reached = Reached::kFailed;
};

// A file's bytes and attributes as they were read through its handle, and the path it was read
// at, which those who record what is done name as the source of a copy.
struct FileCopy {
  std::string source;
  std::string bytes;
  uint32_t attributes = 0;
};

class CheckedFiles {
 public:
  virtual ~CheckedFiles() = default;
  // The root folder of a drive ('C').
  virtual Opened OpenDrive(char letter, uint32_t access, uint32_t share) = 0;
  // What stands under name in an open folder, as it is itself: a junction or symbolic link
  // there is answered kLink and not opened.
  virtual Opened Open(FileHandle folder, const std::string& name, uint32_t access,
                      uint32_t share) = 0;
  // A new file or folder under name, made with the owner and access list given in the create
  // call itself (CREATE_NEW): kExists when anything stands there, a link included. The handle
  // has the access asked for, whatever the list says. A descriptor without an owner gives none:
  // the new entry gets what the system gives it, the account's own owner and what the folder
  // passes on.
  virtual Opened Make(FileHandle folder, const std::string& name, bool isFolder,
                      const Descriptor& descriptor, uint32_t access, uint32_t share) = 0;

  virtual bool Facts(FileHandle file, FileFacts* facts) = 0;
  // The owner and list (GetSecurityInfo): needs kReadControl.
  virtual bool ReadSecurity(FileHandle file, Descriptor* descriptor) = 0;
  // SetSecurityInfo: needs kWriteDac. A protected list takes nothing from the folder above;
  // the inheritable entries reach what lies below.
  virtual bool SetAccessList(FileHandle file, const AccessList& list) = 0;
  // The whole content: needs kFileReadData.
  virtual bool ReadAll(FileHandle file, std::string* bytes) = 0;
  // The content becomes bytes: needs kFileWriteData.
  virtual bool Replace(FileHandle file, const std::string& bytes) = 0;
  // Bytes at the end as it then is: needs kFileAppendData (or kFileWriteData). flush: on the
  // disk before the answer, so that no write that follows reaches the disk first.
  virtual bool Append(FileHandle file, const std::string& bytes, bool flush) = 0;
  // Read-only, hidden, system and archive; 0 clears them (FILE_ATTRIBUTE_NORMAL): needs
  // kFileWriteAttributes.
  virtual bool SetAttributes(FileHandle file, uint32_t attributes) = 0;
  // Marks the file or empty folder for deletion (FileDispositionInfo): it goes when its last
  // handle closes. Needs kDelete; fails on a read-only file, a folder with anything in it, and
  // the file of a running program.
  virtual bool Delete(FileHandle file) = 0;
  // Moves it to name in an open folder of the same volume (FileRenameInfo relative to that
  // folder), never over anything that stands there: needs kDelete.
  virtual bool Rename(FileHandle file, FileHandle folder, const std::string& name) = 0;
  virtual void Close(FileHandle file) = 0;
  // The running program's own file, opened for reading and shared for reading only, so that
  // no one writes, renames or deletes it while it is held; kFailed when the file at the
  // program's path is not the one the system loaded the program from.
  virtual Opened OwnImage() = 0;

  // What CopyFile does to name in folder, with from's bytes and its hidden and system bits (and
  // the archive bit; never read-only, which every copy clears after it): a plain file of one name
  // there, neither read-only nor hidden, is written in place and keeps its owner and list; with
  // nothing there one is made new, as Make makes it without a descriptor. A folder, a link, a
  // second name of some other file, or a read-only or hidden file stays as it is: false. Made of
  // the calls above; a decorator that tells what is done tells it as one copy.
  virtual bool CopyInto(FileHandle folder, const std::string& name, const FileCopy& from);
};

inline void UniqueFileHandle::reset(FileHandle handle) {
  if (handle_ != kNoFileHandle) files_->Close(handle_);
  handle_ = handle;
}

// Rights of each level a walk opens on its way: enough to check it and to open below it.
constexpr uint32_t kLevelAccess = kReadControl | kFileReadAttributes | kFileExecute;

struct Walked {
  UniqueFileHandle folder;  // the last level, open with kLevelAccess and the access asked for
  Reached reached = Reached::kFailed;  // kFolder, or why the walk stopped
  size_t level = 0;  // the level it stopped at: 0 the drive's root, 1 its first name, ...
};

// Walks a full path ("D:\\Program Files\\AutoCAD 2020\\Fonts", resolved as the system
// resolves it) from its drive's root. Every level must be a plain folder; accept, when given,
// is asked of each level in turn, with its handle open, and stops the walk with kRefused when
// it says no. The levels above the last are shared for everything.
using LevelCheck = std::function<bool(size_t level, FileHandle folder)>;
Walked WalkFolders(CheckedFiles& files, CodePage& text, const std::string& path,
                   uint32_t access, uint32_t share, const LevelCheck& accept = nullptr);

// The whole content of one open file written over another's.
bool CopyContent(CheckedFiles& files, FileHandle from, FileHandle to);

}  // namespace plat
