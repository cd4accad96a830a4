#include "protection/rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kBelow = plat::kAceObjectInherit | plat::kAceContainerInherit;
const char kRunning[] = "S-1-5-21-1-2-3-1001";
const char kUser[] = "S-1-5-21-1-2-3-1002";

// Who, not an administrator, could put another folder in its place (replace) or change what
// it holds (change).
TEST(ProtectionRules, FindsWhoElseMayReplaceOrChangeAFolder) {
  struct Row {
    const char* what;
    const char* owner;
    std::vector<plat::AccessEntry> entries;
    const char* replace;
    const char* change;
  };
  const Row rows[] = {
      {"the program folder's own list", plat::kSidAdministrators,
       protection::ProgramFolderDescriptor().dacl.entries, "", ""},
      {"an owner who is a user rewrites the list", kUser, {}, kUser, kUser},
      {"the owner Windows gives its own folders", plat::kSidTrustedInstaller,
       {{plat::kSidTrustedInstaller, plat::kFileAllAccess, 0}}, "", ""},
      {"the running account's folder", kRunning, {{kRunning, plat::kFileAllAccess, kBelow}}, "",
       ""},
      {"modify lets users delete", plat::kSidAdministrators,
       {{plat::kSidUsers, plat::kFileReadExecute, kBelow},
        {plat::kSidAuthenticatedUsers, plat::kFileModify, kBelow}},
       plat::kSidAuthenticatedUsers, plat::kSidAuthenticatedUsers},
      {"what a drive's root gives users below it only", plat::kSidTrustedInstaller,
       {{plat::kSidAuthenticatedUsers, plat::kFileModify, kBelow | plat::kAceInheritOnly},
        {plat::kSidAuthenticatedUsers, plat::kFileAppendData, 0}},
       "", plat::kSidAuthenticatedUsers},
      {"delete-child on a folder", plat::kSidLocalSystem, {{kUser, plat::kFileDeleteChild, 0}},
       kUser, kUser},
      {"a list of its own to rewrite", plat::kSidLocalSystem, {{kUser, plat::kWriteDac, 0}}, kUser,
       kUser},
      {"generic all", plat::kSidLocalSystem, {{plat::kSidEveryone, plat::kGenericAll, 0}},
       plat::kSidEveryone, plat::kSidEveryone},
      {"generic write changes but does not delete", plat::kSidLocalSystem,
       {{plat::kSidEveryone, plat::kGenericWrite, 0}}, "", plat::kSidEveryone},
      {"a deny entry is not relied on", plat::kSidAdministrators,
       {{plat::kSidUsers, plat::kDelete, 0, true}, {plat::kSidUsers, plat::kFileModify, 0}},
       plat::kSidUsers, plat::kSidUsers},
      {"a deny entry grants nothing", plat::kSidAdministrators,
       {{plat::kSidUsers, plat::kFileAllAccess, 0, true}}, "", ""},
      {"OWNER RIGHTS stand for the owner", plat::kSidAdministrators,
       {{plat::kSidOwnerRights, plat::kFileAllAccess, 0}}, "", ""},
      {"CREATOR OWNER grants no one here", plat::kSidAdministrators,
       {{plat::kSidCreatorOwner, plat::kFileAllAccess, 0}}, "", ""},
  };
  const protection::Administrators admins(kRunning);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const plat::Descriptor descriptor{row.owner, {true, row.entries}};
    EXPECT_EQ(protection::OtherWith(admins, descriptor, protection::kReplaceRights), row.replace);
    EXPECT_EQ(protection::OtherWith(admins, descriptor, protection::kChangeRights), row.change);
  }
  // With no running account known, only the well-known accounts count.
  const protection::Administrators unknown{std::string()};
  EXPECT_FALSE(unknown.Include(""));
  EXPECT_TRUE(unknown.Include(plat::kSidLocalSystem));
  EXPECT_FALSE(unknown.Include(kRunning));
}

}  // namespace
