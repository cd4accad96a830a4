// The access list the adapter hands to SetNamedSecurityInfo, decoded again with the real
// security calls. Wine keeps no list set on a file, so this is where its arguments show.
#include "platform/win32/win32_access.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <memory>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_files.h"
#include "platform/win_constants.h"
#include "tests/support/test_machine.h"

namespace {

constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;

TEST(Win32Access, TheDaclHoldsTheListsEntriesInOrder) {
  const std::vector<plat::AccessList> lists = {
      {true,
       {{"S-1-5-18", plat::kFileAllAccess, kBelow},
        {"S-1-5-32-544", plat::kFileAllAccess, kBelow},
        {"S-1-5-32-545", plat::kFileReadExecute, kBelow}}},
      {false,
       {{"S-1-5-11", plat::kFileModify, kBelow | plat::kAceInheritOnly},
        {"S-1-5-11", plat::kFileAppendData, 0}}},
      {true, {}},
  };
  for (const plat::AccessList& list : lists) {
    SCOPED_TRACE(testing::PrintToString(list));
    std::vector<DWORD> acl;
    ASSERT_TRUE(win32::MakeAcl(list, &acl));
    const ACL& header = *reinterpret_cast<const ACL*>(acl.data());
    EXPECT_TRUE(::IsValidAcl(const_cast<PACL>(&header)));
    EXPECT_EQ(header.AceCount, list.entries.size());
    EXPECT_LE(header.AclSize, acl.size() * sizeof(DWORD));
    plat::AccessList back;
    ASSERT_TRUE(win32::ReadAcl(header, &back.entries));
    back.isProtected = list.isProtected;
    EXPECT_EQ(back, list);
  }
}

TEST(Win32Access, TheSidTextsAreTheWellKnownGroups) {
  struct Case {
    const char* text;
    WELL_KNOWN_SID_TYPE type;
  };
  const Case cases[] = {{"S-1-5-18", WinLocalSystemSid},
                        {"S-1-5-32-544", WinBuiltinAdministratorsSid},
                        {"S-1-5-32-545", WinBuiltinUsersSid}};
  for (const Case& c : cases) {
    PSID sid = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidA(c.text, &sid)) << c.text;
    win32::UniqueLocal owned(sid);
    DWORD known[SECURITY_MAX_SID_SIZE / sizeof(DWORD)];
    DWORD size = sizeof known;
    ASSERT_TRUE(::CreateWellKnownSid(c.type, nullptr, known, &size)) << c.text;
    EXPECT_TRUE(::EqualSid(sid, known)) << c.text;
  }
}

TEST(Win32Access, ProtectedOrNotIsAskedFor) {
  EXPECT_EQ(win32::DaclInformation({true, {}}),
            static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION |
                                              PROTECTED_DACL_SECURITY_INFORMATION));
  EXPECT_EQ(win32::DaclInformation({false, {}}),
            static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION |
                                              UNPROTECTED_DACL_SECURITY_INFORMATION));
}

TEST(Win32Access, ASidTextThatDoesNotConvertSetsNothing) {
  const plat::AccessList bad = {true, {{"S-1-5-18", plat::kFileAllAccess, kBelow},
                                       {"Administrators", plat::kFileAllAccess, kBelow}}};
  std::vector<DWORD> acl;
  EXPECT_FALSE(win32::MakeAcl(bad, &acl));
  std::unique_ptr<TestMachine> machine = TestMachine::Create();
  const std::string folder = "C:\\vc-access-bad";
  machine->RemoveTree(folder);
  ASSERT_TRUE(machine->platform().files.CreateDirectory(folder));
  EXPECT_FALSE(machine->platform().files.SetAccessList(folder, bad));
  machine->RemoveTree(folder);
}

}  // namespace
