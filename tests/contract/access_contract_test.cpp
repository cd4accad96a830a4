// Who may do what with an object of a given descriptor: the simulated machine's access check
// held against Windows' AccessCheck, which Wine's advapi32 computes on a descriptor in memory.
// The caller is the running account, an elevated administrator on both machines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win_constants.h"
#include "tests/contract/contract_machine.h"
#include "tests/support/test_machine.h"

namespace {

using plat::AccessEntry;

constexpr uint32_t kReadData = plat::kFileReadData;
const char kSelf[] = "self";  // the running account, whatever its SID on the machine

TEST(AccessContract, DecidesAsWindowsAccessCheckDoes) {
  const bool wine = contract::UnderWine();
  struct Row {
    const char* what;
    const char* owner;
    std::vector<AccessEntry> entries;
    uint32_t rights;
    bool windows;
    bool wine;  // where Wine's advapi32 answers otherwise
  };
  const Row rows[] = {
      {"administrators' full control", plat::kSidLocalSystem,
       {{plat::kSidAdministrators, plat::kFileAllAccess, 0}}, plat::kDelete, true, true},
      {"read and execute only", plat::kSidLocalSystem,
       {{plat::kSidAdministrators, plat::kFileReadExecute, 0}}, plat::kDelete, false, false},
      {"read and execute reads", plat::kSidLocalSystem,
       {{plat::kSidUsers, plat::kFileReadExecute, 0}}, kReadData, true, true},
      {"every right asked for", plat::kSidLocalSystem,
       {{plat::kSidUsers, plat::kFileReadExecute, 0}}, kReadData | plat::kFileWriteData, false,
       false},
      {"rights from two entries add up", plat::kSidLocalSystem,
       {{plat::kSidUsers, kReadData, 0}, {plat::kSidEveryone, plat::kFileWriteData, 0}},
       kReadData | plat::kFileWriteData, true, true},
      {"a deny entry first wins", plat::kSidLocalSystem,
       {{plat::kSidEveryone, plat::kDelete, 0, true},
        {plat::kSidAdministrators, plat::kFileAllAccess, 0}},
       plat::kDelete, false, false},
      {"a deny entry after the allow comes too late", plat::kSidLocalSystem,
       {{plat::kSidAdministrators, plat::kFileAllAccess, 0},
        {plat::kSidEveryone, plat::kDelete, 0, true}},
       plat::kDelete, true, true},
      {"an inherit-only entry grants nothing here", plat::kSidLocalSystem,
       {{plat::kSidEveryone, plat::kFileAllAccess,
         plat::kAceObjectInherit | plat::kAceContainerInherit | plat::kAceInheritOnly}},
       kReadData, false, false},
      {"an entry for someone else", plat::kSidLocalSystem,
       {{plat::kSidLocalSystem, plat::kFileAllAccess, 0}}, kReadData, false, false},
      {"an empty list grants nothing", plat::kSidLocalSystem, {}, kReadData, false, false},
      {"delete-child is a right of its own", plat::kSidLocalSystem,
       {{plat::kSidUsers, plat::kFileDeleteChild, 0}}, plat::kDelete, false, false},
      {"the owner may rewrite the list", kSelf, {{plat::kSidEveryone, kReadData, 0}},
       plat::kWriteDac | plat::kReadControl, true, true},
      {"whatever a deny entry says", kSelf, {{plat::kSidEveryone, plat::kWriteDac, 0, true}},
       plat::kWriteDac, true, true},
      // Wine gives the owner every standard right, DELETE and WRITE_OWNER included.
      {"the owner may not delete for being the owner", kSelf, {{plat::kSidEveryone, kReadData, 0}},
       plat::kDelete, false, true},
      {"nor take ownership", kSelf, {{plat::kSidEveryone, kReadData, 0}}, plat::kWriteOwner,
       false, true},
      {"an owner who is someone else", plat::kSidLocalSystem, {{plat::kSidEveryone, kReadData, 0}},
       plat::kWriteDac, false, false},
  };
  std::unique_ptr<TestMachine> machine = TestMachine::Create();
  std::string self;
  ASSERT_TRUE(machine->platform().files.RunningAccount(&self));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const plat::Descriptor descriptor{row.owner == std::string(kSelf) ? self : row.owner,
                                      {true, row.entries}};
    EXPECT_EQ(contract::Allows(*machine, descriptor, row.rights), wine ? row.wine : row.windows);
  }
}

}  // namespace
