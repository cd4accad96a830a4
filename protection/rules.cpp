#include "protection/rules.h"

namespace protection {

plat::Descriptor ProgramFolderDescriptor() {
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  return {plat::kSidAdministrators,
          {true,
           {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
            {plat::kSidAdministrators, plat::kFileAllAccess, kBelow},
            {plat::kSidUsers, plat::kFileReadExecute, kBelow}}}};
}

plat::Descriptor AdministratorsOnlyDescriptor() {
  constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
  return {plat::kSidAdministrators,
          {true,
           {{plat::kSidLocalSystem, plat::kFileAllAccess, kBelow},
            {plat::kSidAdministrators, plat::kFileAllAccess, kBelow}}}};
}

Administrators Administrators::Of(plat::FileSystem& files) {
  std::string running;
  if (!files.RunningAccount(&running)) running.clear();
  return Administrators(running);
}

bool Administrators::Include(const std::string& sid) const {
  return sid == plat::kSidLocalSystem || sid == plat::kSidAdministrators ||
         sid == plat::kSidTrustedInstaller || (!running_.empty() && sid == running_);
}

std::string OtherWith(const Administrators& admins, const plat::Descriptor& descriptor,
                      uint32_t rights) {
  if (!admins.Include(descriptor.owner)) return descriptor.owner;
  for (const plat::AccessEntry& e : descriptor.dacl.entries) {
    if (e.deny || (e.flags & plat::kAceInheritOnly) || (e.rights & rights) == 0) continue;
    // OWNER RIGHTS stands for the owner, an administrator by now; an entry for CREATOR OWNER
    // that is not inherit-only grants no one anything.
    if (e.sid == plat::kSidOwnerRights || e.sid == plat::kSidCreatorOwner) continue;
    if (!admins.Include(e.sid)) return e.sid;
  }
  return std::string();
}

}  // namespace protection
