#include "platform/win32/win32_access.h"

#include <sddl.h>

#include <string>

#include "platform/win32/unique_handle.h"

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
    if (!::AddAccessAllowedAceEx(header, ACL_REVISION, entry.flags, entry.rights, sids[i].get())) {
      return false;
    }
  }
  return true;
}

bool ReadAcl(const ACL& acl, std::vector<plat::AccessEntry>* entries) {
  entries->clear();
  for (DWORD i = 0; i < acl.AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(const_cast<PACL>(&acl), i, &ace)) return false;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
    char* text = nullptr;
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (!::ConvertSidToStringSidA(sid, &text)) return false;
    UniqueLocal owned(text);
    entries->push_back({text, allowed->Mask, allowed->Header.AceFlags});
  }
  return true;
}

SECURITY_INFORMATION DaclInformation(const plat::AccessList& list) {
  return DACL_SECURITY_INFORMATION | (list.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
}

}  // namespace win32
