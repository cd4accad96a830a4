#pragma once
// Who may change what the elevated program loads, runs or acts on. The program runs as an
// administrator or as SYSTEM while standard users share the machine; a folder on the way to
// what it installs, or to a record it acts on, must be one that no one else can replace.
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/win_constants.h"

namespace protection {

// What the program gives every folder it makes, in the create call itself: owned by
// Administrators; SYSTEM and Administrators full control, Users reading and running; passed
// on to everything below; nothing taken from the folder above, so that a folder made where
// every user may change things (a drive's root) is not theirs to change.
plat::Descriptor ProgramFolderDescriptor();
// ... and what the folder of saved host files gets: the same without Users, since a host
// file saved there may be one that users may not read.
plat::Descriptor AdministratorsOnlyDescriptor();

// The accounts that count as administrators, as owners and in entries: SYSTEM,
// Administrators, TrustedInstaller (the owner of Windows' own folders), and the account the
// program runs as, which is an administrator since the program runs elevated (Wine reports
// that account as the owner of every file).
class Administrators {
 public:
  explicit Administrators(std::string runningAccount) : running_(std::move(runningAccount)) {}
  // The running account as the file system reports it; SYSTEM and the groups only when it
  // reports none.
  static Administrators Of(plat::FileSystem& files);
  bool Include(const std::string& sid) const;

 private:
  std::string running_;
};

// Rights with which someone could put another folder in one's place: delete or rename it,
// rewrite its list or take it over, delete or rename what lies in it.
constexpr uint32_t kReplaceRights = plat::kDelete | plat::kWriteDac | plat::kWriteOwner |
                                    plat::kFileDeleteChild | plat::kGenericAll;
// ... and with which someone could add to it or change what it holds.
constexpr uint32_t kChangeRights = kReplaceRights | plat::kFileWriteData | plat::kFileAppendData |
                                   plat::kFileWriteEa | plat::kFileWriteAttributes |
                                   plat::kGenericWrite;

// Someone who is not an administrator and holds one of rights on an object of this
// descriptor: its owner, who may always rewrite the list, or the SID of an entry that allows
// such a right. Empty when there is no one. Deny entries are not counted on: a list that gives
// a right and takes it back is not one to rely on.
std::string OtherWith(const Administrators& admins, const plat::Descriptor& descriptor,
                      uint32_t rights);

}  // namespace protection
