#pragma once
// An in-memory file system with the semantics of platform/files.h, as Windows (and Wine)
// show them: drives, case-insensitive names, listings sorted like NTFS (or in creation order
// like FAT32) with "." and ".." first in every folder but a drive root, copies that refuse
// read-only and hidden destinations, drive-relative paths resolved against the current
// directory. Every call is made by one account (an elevated administrator unless a test says
// otherwise) and checked as Windows checks it (platform/sim/sim_access.h): an entry gets its
// owner and list when it is made, from the create call and from its folder; deleting or
// renaming needs DELETE on the entry or FILE_DELETE_CHILD on its folder. Drive roots, Windows'
// own folders and the user's profile carry the lists Windows gives them; a drive other than
// C: carries what Windows gives a second drive. A junction leads the path on to the folder it
// names. What the checked-handle seam (platform/sim/sim_checked_files.h) holds open counts as
// Windows counts it: an open keeps its file wherever its name goes, and what another open does
// not share is refused (FILE_SHARE_*), by name as through a handle.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/checked_files.h"
#include "platform/files.h"
#include "platform/sim/stop_switch.h"
#include "platform/sim/sim_access.h"
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
  bool AppendToFile(const std::string& path, const std::string& bytes, bool flush) override;
  bool AppendToFileIf(const std::string& path, const std::string& bytes,
                      const std::function<bool(const plat::OpenedFile&)>& accept) override;
  bool CutFile(const std::string& path, uint64_t size) override;
  bool TempFolder(std::string* path) override;
  bool DeleteAtRestart(const std::string& path) override;
  bool SetAccessList(const std::string& path, const plat::AccessList& list) override;
  bool CreateDirectoryWith(const std::string& path, const plat::Descriptor& descriptor) override;
  bool ReadSecurity(const std::string& path, plat::Descriptor* descriptor) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool RunningAccount(std::string* sid) override;
  bool RandomNumber(uint64_t* number) override;

  // How a volume lists a folder. NTFS sorts the names (compared upper-cased); FAT32 and
  // exFAT, the usual formats of a USB stick, and many network shares list entries in the
  // order they were created. A replaced file keeps its place. (FAT's reuse of the slots of
  // deleted entries is not modelled: a new entry always comes last.)
  enum class ListingOrder { Sorted, Creation };

  // Setting up the machine. The machine starts with drive C: (sorted) and current directory
  // C:\. A drive that exists keeps its order.
  void AddDrive(char letter, ListingOrder order = ListingOrder::Sorted);
  // The account every call is made with from now on.
  void SetCaller(const Identity& who) { caller_ = who; }
  const Identity& caller() const { return caller_; }

  // Seeding, not checked against the caller's rights; what is made belongs to the caller.
  // Creates every missing folder level (used for seeding, not by the logic).
  void MakeFolders(const std::string& path);
  // Writes a file (its folder must exist); false when it cannot.
  bool WriteFile(const std::string& path, const std::string& content,
                 uint32_t attributes = plat::kAttrArchive);
  // Gives an existing entry this owner and list (the list reaches what lies below).
  void SetDescriptor(const std::string& path, const plat::Descriptor& descriptor);
  // The descriptor of the entry itself, a link's own included; false when it is missing.
  bool DescriptorOf(const std::string& path, plat::Descriptor* descriptor);
  bool ReadFile(const std::string& path, std::string* content);
  void Remove(const std::string& path);
  // A program started from path: the file that stands there when the machine is first asked
  // about it is the running program's, which may be renamed, but not written or deleted, until
  // the next program starts or the machine restarts.
  void SetModuleFileName(const std::string& path) {
    module_ = path;
    image_.reset();
    running_ = true;
  }
  void SetCurrentDirectory(const std::string& path) { current_ = path; }
  void SetEnvironment(const std::string& name, const std::string& value);
  void UnsetEnvironment(const std::string& name);
  void SetShellAppData(const std::string& path) { shellAppData_ = path; }
  // The temporary folder when neither TMP nor TEMP is set: the profile's, or for SYSTEM the
  // folder GetTempPath2 gives it.
  void SetTempFolder(const std::string& path) { temp_ = path; }

  // A junction (folder) or symbolic link (file) at path leading to target, made as the
  // caller makes a folder or file there; false when the caller may not. The target need not
  // exist. (A symbolic link takes a privilege standard users lack unless the machine is in
  // developer mode; the model does not ask for it.)
  bool MakeLink(const std::string& path, const std::string& target, bool folder = true);
  // A second name for an existing file (CreateHardLink), made as the caller makes a file.
  bool MakeHardLink(const std::string& path, const std::string& existing);
  // The object manager's directory, where every user may make symbolic links. A junction
  // whose target is kRpcControl leads a path into it; a link made there under name then leads
  // the path on to target, any file or folder.
  static constexpr char kRpcControl[] = "\\RPC Control";
  bool MakeObjectLink(const std::string& name, const std::string& target);

  // What another process does between a check and the action that follows: hook runs inside
  // the machine before each file call of the program, by name or on a handle, with the
  // call's name and its number (from 1). What the hook calls does not run it again.
  using CallHook = std::function<void(const std::string& call, int number)>;
  void BeforeEachCall(CallHook hook) {
    hook_ = std::move(hook);
    calls_ = 0;
  }
  // Carries out the deletions asked for at restart, in order, as the next start would.
  void Restart();
  const std::vector<std::string>& pendingDeletes() const { return atRestart_; }
  // Copies, folder creation and attribute changes in this folder (and below it) fail; on a
  // drive's root ("E:\\") it stands for a write-protected medium.
  void DenyWrite(const std::string& path, bool deny = true);
  // The access list as Windows reports it: the entry's own entries, then, unless protected,
  // those its folder passes on, marked inherited. False when the path does not exist.
  bool AccessListOf(const std::string& path, plat::AccessList* list);

  // The switch every write of the logic consults first (the seeding calls above do not).
  void UseStopSwitch(StopSwitch* stop) { stop_ = stop; }

  // Searches, and handles of the checked-handle seam, opened and not yet closed.
  int OpenFinds() const { return static_cast<int>(finds_.size()); }
  int OpenHandles() const { return static_cast<int>(held_.size()); }
  // Every folder and file of every drive, one line each with attributes and content.
  std::string Dump() const;

  struct Node;

 private:
  friend class SimCheckedFiles;
  struct Held {
    std::shared_ptr<Node> node;
    uint32_t access;
    uint32_t share;
  };

  Node* Lookup(const std::string& path, Node** parent, std::string* leaf, bool follow = false,
               int depth = 0);
  Node* Follow(Node* link, int depth);
  static bool WriteDenied(const Node* folder);
  void BeforeWrite() {
    if (stop_) stop_->Before();
  }
  // The file at path made new and empty, or an existing one cut to nothing, as CreateFile's
  // CREATE_ALWAYS leaves it; null when it may not be.
  Node* Emptied(const std::string& path);
  // Writes bytes at the end of a file already made; a stop can fall within.
  void Fill(Node* file, const std::string& bytes);
  bool May(const Node* node, uint32_t rights) const;
  bool MayDelete(const Node* node) const;
  Node* Make(Node* folder, const std::string& leaf, uint32_t attributes,
             const std::string& content, const plat::Descriptor* given);
  bool MakeFolder(const std::string& path, const plat::Descriptor* given, bool checked);
  std::shared_ptr<Node> Child(Node* folder, const std::string& name);
  std::shared_ptr<Node> Owning(Node* node);
  void Move(Node* node, Node* folder, const std::string& name);
  void SetList(Node* node, const plat::AccessList& list);
  static void SetNodeAttributes(Node* node, uint32_t attributes);
  static void Detach(Node* node);
  // No open of the node, the running program's included, keeps an open with this access and
  // sharing out.
  bool Shares(Node* node, uint32_t access, uint32_t share);
  Node* Image();
  void Race(const char* call);

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
  StopSwitch* stop_ = nullptr;
  Identity caller_ = Identity::Administrator();
  uint64_t random_ = 0x5EED;
  uint64_t nextId_ = 1;
  std::map<plat::FileHandle, Held> held_;
  plat::FileHandle nextHeld_ = 0x4000;
  std::weak_ptr<Node> image_;
  bool running_ = true;
  std::map<std::string, std::string> objectLinks_;  // upper-cased name: target
  CallHook hook_;
  int calls_ = 0;
  bool inHook_ = false;
};

}  // namespace sim
