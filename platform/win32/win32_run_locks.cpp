#include "platform/win32/win32_run_locks.h"

#include "platform/win32/windows_api.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform/win32/win32_access.h"

namespace win32 {
namespace {

std::wstring GlobalName(const std::string& name) {
  return L"Global\\" + std::wstring(name.begin(), name.end());  // names are ASCII
}

std::string OwnerOf(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  UniqueLocal ownedDescriptor(descriptor);
  char* text = nullptr;
  if (!owner || !::ConvertSidToStringSidA(owner, &text)) return {};
  UniqueLocal ownedText(text);
  return text;
}

}  // namespace

plat::LockAttempt Win32RunLocks::Make(const std::string& name, const std::string& ownerSid,
                                      const plat::AccessList& access) {
  std::vector<DWORD> acl;
  PSID owner = nullptr;
  if (!MakeAcl(access, &acl) || !::ConvertStringSidToSidA(ownerSid.c_str(), &owner)) return {};
  UniqueLocal ownedOwner(owner);
  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorOwner(&descriptor, owner, FALSE) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE)) {
    return {};
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  ::SetLastError(ERROR_SUCCESS);
  UniqueMapping mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READONLY, 0,
                                             1, GlobalName(name).c_str()));
  const DWORD error = ::GetLastError();
  if (!mapping) {
    return {error == ERROR_ACCESS_DENIED ? plat::LockAnswer::kDenied : plat::LockAnswer::kFailed,
            ""};
  }
  if (error == ERROR_ALREADY_EXISTS) return {plat::LockAnswer::kExists, OwnerOf(mapping.get())};
  held_.push_back(std::move(mapping));
  return {plat::LockAnswer::kMade, ""};
}

bool Win32RunLocks::Hold(const std::string& name) {
  UniqueMapping mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, GlobalName(name).c_str()));
  if (!mapping) return false;
  held_.push_back(std::move(mapping));
  return true;
}

}  // namespace win32
