#pragma once
// Windows' access rules for files and folders, as the simulated machine applies them: who a
// call is made by, the access check of a descriptor, the descriptor an entry gets from its
// folder when it is made, and the lists Windows gives its own folders.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace sim {

// The account a call is made with: its SID, its groups, and the owner it gives what it makes.
struct Identity {
  std::string user;
  std::vector<std::string> groups;
  std::string defaultOwner;
  bool Has(const std::string& sid) const;
  // An owner it may give in a create call: itself, or Administrators when it is one.
  bool MayOwnAs(const std::string& sid) const;

  // A standard user signed in at the machine.
  static Identity StandardUser();
  // The account whose profile the machine has ("user"), elevated: what it makes belongs to
  // Administrators.
  static Identity Administrator();
  // The system account, as deployment tools run a program.
  static Identity System();
};

// The generic rights of a mask mapped to the rights of files and folders.
uint32_t MapGeneric(uint32_t rights);

// What who may do with an object of this descriptor (AccessCheck with MAXIMUM_ALLOWED): the
// owner may read and rewrite the list; the entries count in their order, each right decided by
// the first entry that names it; inherit-only entries do not count.
uint32_t GrantedAccess(const plat::Descriptor& descriptor, const Identity& who);
inline bool Allows(const plat::Descriptor& descriptor, const Identity& who, uint32_t wanted) {
  return (MapGeneric(wanted) & ~GrantedAccess(descriptor, who)) == 0;
}

// The list an entry made in a folder with this list gets: the entries given in the create call
// (its own, first), then, unless those are protected, what the folder passes on. CREATOR OWNER
// becomes the new entry's owner, and generic rights are mapped, on the entry that applies to
// it; a folder keeps the original too, inherit-only, to pass it on.
plat::AccessList InheritedList(const plat::AccessList& folder, bool isFolder,
                               const std::string& owner, const plat::AccessList* given);
// The entry's own (not inherited) entries, then what the folder passes on now, unless its
// list is protected: how a list set on a folder reaches what lies below it.
plat::AccessList Reinherited(const plat::AccessList& folder, bool isFolder,
                             const std::string& owner, const plat::AccessList& current);

// The descriptors Windows gives its system drive's root, C:\Windows and C:\Program Files,
// C:\Windows\Temp, C:\Users, and a user's profile folder.
plat::Descriptor DriveRootDescriptor();
plat::Descriptor SystemFolderDescriptor();
plat::Descriptor WindowsTempDescriptor();
plat::Descriptor UsersFolderDescriptor();
plat::Descriptor ProfileDescriptor(const std::string& user);
// The root of a second drive as Windows formats it (D:\): the same rights as the system
// drive's root, owned by Administrators. What an administrator's installer makes below it,
// such as D:\Program Files, is every signed-in user's to change.
plat::Descriptor SecondDriveDescriptor();

}  // namespace sim
