#pragma once
// Access lists as the Win32 security calls take and give them: a DACL made of one
// access-allowed entry a row, SIDs converted from and to their string form. Used by
// Win32FileSystem::SetAccessList and by the tests that read a list back.
#include "platform/win32/windows_api.h"

#include <vector>

#include "platform/files.h"

namespace win32 {

// The DACL for the list's entries, in their order, in a DWORD-aligned buffer. False when a
// SID text does not convert.
bool MakeAcl(const plat::AccessList& list, std::vector<DWORD>* acl);

// The entries of a DACL. False on an entry that is not an access-allowed one.
bool ReadAcl(const ACL& acl, std::vector<plat::AccessEntry>* entries);

// What SetNamedSecurityInfo is asked to replace: the DACL, protected or not.
SECURITY_INFORMATION DaclInformation(const plat::AccessList& list);

}  // namespace win32
