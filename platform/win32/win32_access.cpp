#include "platform/win32/win32_access.h"

#include <sddl.h>

namespace win32 {

bool MakeAcl(const plat::AccessList& list, std::vector<DWORD>* acl) {
  std::vector<UniqueLocal> sids;
  DWORD size = sizeof(ACL);
  for (const plat::AccessEntry& entry : list.entries) {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidA(entry.sid.c_str(), &sid)) return false;
    sids.emplace_back(sid);
    size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
  }
  acl->assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  PACL header = reinterpret_cast<PACL>(acl->data());
  if (!::InitializeAcl(header, size, ACL_REVISION)) return false;
  for (std::size_t i = 0; i < sids.size(); ++i) {
    const plat::AccessEntry& entry = list.entries[i];
    const BOOL added =
        entry.deny
            ? ::AddAccessDeniedAceEx(header, ACL_REVISION, entry.flags, entry.rights, sids[i].get())
            : ::AddAccessAllowedAceEx(header, ACL_REVISION, entry.flags, entry.rights,
                                      sids[i].get());
    if (!added) return false;
  }
  return true;
}

bool ReadAcl(const ACL& acl, std::vector<plat::AccessEntry>* entries) {
  entries->clear();
  for (DWORD i = 0; i < acl.AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(const_cast<PACL>(&acl), i, &ace)) return false;
    // Both kinds of entry have the same layout.
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    const BYTE type = allowed->Header.AceType;
    if (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_DENIED_ACE_TYPE) return false;
    std::string text;
    if (!SidText(const_cast<DWORD*>(&allowed->SidStart), &text)) return false;
    entries->push_back(
        {text, allowed->Mask, allowed->Header.AceFlags, type == ACCESS_DENIED_ACE_TYPE});
  }
  return true;
}

bool SidText(PSID sid, std::string* text) {
  char* converted = nullptr;
  if (!::ConvertSidToStringSidA(sid, &converted)) return false;
  UniqueLocal owned(converted);
  *text = converted;
  return true;
}

bool SecurityDescriptor::Make(const plat::Descriptor& descriptor) {
  PSID owner = nullptr;
  if (!::ConvertStringSidToSidA(descriptor.owner.c_str(), &owner)) return false;
  owner_.reset(owner);
  if (!MakeAcl(descriptor.dacl, &acl_)) return false;
  const SECURITY_DESCRIPTOR_CONTROL protect = descriptor.dacl.isProtected ? SE_DACL_PROTECTED : 0;
  return ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
         ::SetSecurityDescriptorOwner(&descriptor_, owner, FALSE) &&
         ::SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_.data()),
                                     FALSE) &&
         ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, protect);
}

bool ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, PSID owner, PACL dacl,
                    plat::Descriptor* out) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!owner || !SidText(owner, &out->owner) ||
      !::GetSecurityDescriptorControl(descriptor, &control, &revision))
    return false;
  out->dacl.isProtected = (control & SE_DACL_PROTECTED) != 0;
  if (!dacl) {
    out->dacl.entries = {{"S-1-1-0", FILE_ALL_ACCESS, 0}};
    return true;
  }
  return ReadAcl(*dacl, &out->dacl.entries);
}

SECURITY_INFORMATION DaclInformation(const plat::AccessList& list) {
  return DACL_SECURITY_INFORMATION | (list.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
}

}  // namespace win32
