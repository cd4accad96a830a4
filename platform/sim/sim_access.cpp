#include "platform/sim/sim_access.h"

#include <algorithm>

#include "platform/win_constants.h"

namespace sim {
namespace {

using plat::AccessEntry;
using plat::AccessList;
using plat::Descriptor;

constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
constexpr uint32_t kIo = plat::kAceInheritOnly;
constexpr uint32_t kGenericRights =
    plat::kGenericAll | plat::kGenericRead | plat::kGenericWrite | plat::kGenericExecute;
const char kAllAppPackages[] = "S-1-15-2-1";
const char kAllRestrictedAppPackages[] = "S-1-15-2-2";

bool Effective(const AccessEntry& e) { return (e.flags & kIo) == 0; }

// What one entry of a folder's list passes on to an entry made in it.
void PassOn(const AccessEntry& e, bool isFolder, const std::string& owner,
            std::vector<AccessEntry>* out) {
  const bool files = (e.flags & plat::kAceObjectInherit) != 0;
  const bool folders = (e.flags & plat::kAceContainerInherit) != 0;
  const bool stop = (e.flags & plat::kAceNoPropagateInherit) != 0;
  const bool creator = e.sid == plat::kSidCreatorOwner;
  const AccessEntry effective{creator ? owner : e.sid, MapGeneric(e.rights), plat::kAceInherited,
                              e.deny};
  if (!isFolder) {
    if (files) out->push_back(effective);
    return;
  }
  if (folders) {
    if (stop) {
      out->push_back(effective);
      return;
    }
    const bool asIs = !creator && MapGeneric(e.rights) == e.rights;
    if (asIs) {
      out->push_back({e.sid, e.rights, (e.flags & kBelow) | plat::kAceInherited, e.deny});
      return;
    }
    out->push_back(effective);
    out->push_back({e.sid, e.rights, (e.flags & kBelow) | kIo | plat::kAceInherited, e.deny});
  } else if (files && !stop) {
    out->push_back({e.sid, e.rights, plat::kAceObjectInherit | kIo | plat::kAceInherited, e.deny});
  }
}

void AppendPassedOn(const AccessList& folder, bool isFolder, const std::string& owner,
                    AccessList* list) {
  if (list->isProtected) return;
  for (const AccessEntry& e : folder.entries) PassOn(e, isFolder, owner, &list->entries);
}

Descriptor Protected(const std::string& owner, std::vector<AccessEntry> entries) {
  return Descriptor{owner, AccessList{true, std::move(entries)}};
}

}  // namespace

bool Identity::Has(const std::string& sid) const {
  return sid == user || std::find(groups.begin(), groups.end(), sid) != groups.end();
}

bool Identity::MayOwnAs(const std::string& sid) const {
  return sid == user || (sid == plat::kSidAdministrators && Has(plat::kSidAdministrators));
}

Identity Identity::StandardUser() {
  return {"S-1-5-21-1004336348-1177238915-682003330-1002",
          {plat::kSidEveryone, plat::kSidUsers, plat::kSidInteractive,
           plat::kSidAuthenticatedUsers},
          "S-1-5-21-1004336348-1177238915-682003330-1002"};
}

Identity Identity::Administrator() {
  return {"S-1-5-21-1004336348-1177238915-682003330-1001",
          {plat::kSidEveryone, plat::kSidAdministrators, plat::kSidUsers, plat::kSidInteractive,
           plat::kSidAuthenticatedUsers},
          plat::kSidAdministrators};
}

Identity Identity::System() {
  return {plat::kSidLocalSystem,
          {plat::kSidEveryone, plat::kSidAdministrators, plat::kSidAuthenticatedUsers},
          plat::kSidLocalSystem};
}

uint32_t MapGeneric(uint32_t rights) {
  uint32_t mapped = rights & ~kGenericRights;
  if (rights & plat::kGenericRead) mapped |= plat::kFileGenericRead;
  if (rights & plat::kGenericWrite) mapped |= plat::kFileGenericWrite;
  if (rights & plat::kGenericExecute) mapped |= plat::kFileGenericExecute;
  if (rights & plat::kGenericAll) mapped |= plat::kFileAllAccess;
  return mapped;
}

uint32_t GrantedAccess(const Descriptor& descriptor, const Identity& who) {
  const std::vector<AccessEntry>& entries = descriptor.dacl.entries;
  const bool owner = who.Has(descriptor.owner);
  // An entry for OWNER RIGHTS takes the place of the owner's implicit rights.
  const bool ownerRights = std::any_of(entries.begin(), entries.end(), [](const AccessEntry& e) {
    return Effective(e) && e.sid == plat::kSidOwnerRights;
  });
  uint32_t granted = owner && !ownerRights ? plat::kReadControl | plat::kWriteDac : 0;
  uint32_t denied = 0;
  for (const AccessEntry& e : entries) {
    if (!Effective(e)) continue;
    if (!who.Has(e.sid) && !(owner && e.sid == plat::kSidOwnerRights)) continue;
    const uint32_t rights = MapGeneric(e.rights);
    if (e.deny) {
      denied |= rights & ~granted;
    } else {
      granted |= rights & ~denied;
    }
  }
  return granted;
}

AccessList InheritedList(const AccessList& folder, bool isFolder, const std::string& owner,
                         const AccessList* given) {
  AccessList list;
  if (given) list = *given;
  AppendPassedOn(folder, isFolder, owner, &list);
  return list;
}

AccessList Reinherited(const AccessList& folder, bool isFolder, const std::string& owner,
                       const AccessList& current) {
  AccessList list{current.isProtected, {}};
  for (const AccessEntry& e : current.entries) {
    if (!(e.flags & plat::kAceInherited)) list.entries.push_back(e);
  }
  AppendPassedOn(folder, isFolder, owner, &list);
  return list;
}

Descriptor DriveRootDescriptor() {
  return Protected(plat::kSidTrustedInstaller,
                   {{plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                    {plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                    {plat::kSidUsers, plat::kFileReadExecute, kBelow},
                    // Every signed-in user may change whatever is made below the root...
                    {plat::kSidAuthenticatedUsers, plat::kFileModify, kBelow | kIo},
                    // ... and make folders in it.
                    {plat::kSidAuthenticatedUsers, plat::kFileAppendData, 0}});
}

Descriptor SecondDriveDescriptor() {
  return Protected(plat::kSidAdministrators,
                   {{plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                    {plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                    {plat::kSidAuthenticatedUsers, plat::kFileModify, kBelow | kIo},
                    {plat::kSidAuthenticatedUsers, plat::kFileAppendData, 0},
                    {plat::kSidUsers, plat::kFileReadExecute, kBelow}});
}

Descriptor SystemFolderDescriptor() {
  const uint32_t readExecute = plat::kGenericRead | plat::kGenericExecute;
  return Protected(plat::kSidTrustedInstaller,
                   {{plat::kSidCreatorOwner, plat::kGenericAll, kBelow | kIo},
                    {plat::kSidLocalSystem, plat::kGenericAll, kBelow | kIo},
                    {plat::kSidLocalSystem, plat::kFileModify, 0},
                    {plat::kSidAdministrators, plat::kGenericAll, kBelow | kIo},
                    {plat::kSidAdministrators, plat::kFileModify, 0},
                    {plat::kSidUsers, readExecute, kBelow | kIo},
                    {plat::kSidUsers, plat::kFileReadExecute, 0},
                    {plat::kSidTrustedInstaller, plat::kGenericAll,
                     plat::kAceContainerInherit | kIo},
                    {plat::kSidTrustedInstaller, plat::kFileAllAccess, 0},
                    {kAllAppPackages, plat::kFileReadExecute, 0},
                    {kAllAppPackages, readExecute, kBelow | kIo},
                    {kAllRestrictedAppPackages, plat::kFileReadExecute, 0},
                    {kAllRestrictedAppPackages, readExecute, kBelow | kIo}});
}

Descriptor WindowsTempDescriptor() {
  // Users may make files and folders here, and not list or open what others made.
  constexpr uint32_t kMakeAndTraverse = 0x100000 | plat::kFileWriteData | plat::kFileAppendData |
                                        0x20;
  return Protected(plat::kSidLocalSystem,
                   {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                    {plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                    {plat::kSidUsers, kMakeAndTraverse, plat::kAceContainerInherit},
                    {plat::kSidCreatorOwner, plat::kFileAllAccess, kBelow | kIo}});
}

Descriptor UsersFolderDescriptor() {
  const uint32_t readExecute = plat::kGenericRead | plat::kGenericExecute;
  return Protected(plat::kSidLocalSystem,
                   {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                    {plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                    {plat::kSidUsers, plat::kFileReadExecute, 0},
                    {plat::kSidUsers, readExecute, kBelow | kIo},
                    {plat::kSidEveryone, plat::kFileReadExecute, 0},
                    {plat::kSidEveryone, readExecute, kBelow | kIo}});
}

Descriptor ProfileDescriptor(const std::string& user) {
  return Protected(user, {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
                          {plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
                          {user, plat::kFileAllAccess, kBelow}});
}

}  // namespace sim
