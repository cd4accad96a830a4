#pragma once
// Access lists and descriptors as the Win32 security calls take and give them: a DACL made of
// one access-allowed or access-denied entry a row, SIDs converted from and to their string
// form. Used by Win32FileSystem and by the tests that read a list back.
#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"

namespace win32 {

// The DACL for the list's entries, in their order, in a DWORD-aligned buffer. False when a
// SID text does not convert.
bool MakeAcl(const plat::AccessList& list, std::vector<DWORD>* acl);

// The entries of a DACL. False on an entry that is neither an access-allowed nor an
// access-denied one.
bool ReadAcl(const ACL& acl, std::vector<plat::AccessEntry>* entries);

// An absolute security descriptor with its owner and DACL, for a create call.
class SecurityDescriptor {
 public:
  SecurityDescriptor() = default;
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
  // False when a SID text does not convert.
  bool Make(const plat::Descriptor& descriptor);
  PSECURITY_DESCRIPTOR get() { return &descriptor_; }

 private:
  SECURITY_DESCRIPTOR descriptor_{};
  UniqueLocal owner_;
  std::vector<DWORD> acl_;
};

// The owner and DACL GetNamedSecurityInfo gave; a null DACL (everyone may do everything) reads
// as one entry giving everyone full control.
bool ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, PSID owner, PACL dacl,
                    plat::Descriptor* out);

// The string form of a SID.
bool SidText(PSID sid, std::string* text);

// What SetNamedSecurityInfo is asked to replace: the DACL, protected or not.
SECURITY_INFORMATION DaclInformation(const plat::AccessList& list);

}  // namespace win32
