#include "peruser/serve_user.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_machine.h"
#include "platform/unicode.h"
#include "tests/support/test_machine.h"

namespace {

const char kProfile[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
const char kFolder[] = "C:\\Velmar\\Velmar批打印软件";

struct Row {
  const char16_t* commandLine;
  bool folderExists;
  int code;
  const char* trustedAfter;  // null: the value is left as it was
};

// The program is started by Active Setup with the folder quoted; by hand, maybe without it.
const Row kRows[] = {
    {u"\"C:\\Velmar\\Velmar批打印软件\\VelmarTrust.exe\" \"C:\\Velmar\\Velmar批打印软件\"", true,
     peruser::kServed, "C:\\DATA;C:\\VELMAR\\VELMAR批打印软件"},
    {u"VelmarTrust.exe \"C:\\Velmar\\Velmar批打印软件\\\"", true, peruser::kServed,
     "C:\\DATA;C:\\VELMAR\\VELMAR批打印软件"},
    {u"\"C:\\Velmar\\Velmar批打印软件\\VelmarTrust.exe\"", true, peruser::kServed,
     "C:\\DATA;C:\\VELMAR\\VELMAR批打印软件"},
    {u"VelmarTrust.exe \"C:\\Velmar\\Velmar批打印软件\"", false, peruser::kNoInstallFolder,
     nullptr},
    {u"VelmarTrust.exe C:\\Velmar\\Velmar批打印软件\\VelmarTrust.exe", true,
     peruser::kNoInstallFolder, nullptr},
    {u"VelmarTrust.exe C:\\Velmar\\Velmar批打印软件 /S", true, peruser::kWrongCommandLine,
     nullptr},
    {u"VelmarTrust.exe \"C:\\Velmar", true, peruser::kWrongCommandLine, nullptr},
    {u"VelmarTrust.exe D:\\한글", true, peruser::kWrongCommandLine, nullptr},
};

TEST(ServeUser, Table) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(plat::Utf16ToUtf8(row.commandLine));
    sim::Machine machine;
    machine.files.SetModuleFileName(std::string(kFolder) + "\\VelmarTrust.exe");
    if (row.folderExists) {
      machine.files.MakeFolders(kFolder);
      machine.files.WriteFile(std::string(kFolder) + "\\VelmarTrust.exe", "program");
    }
    regtest::SetString(machine.registry, plat::kHkeyCurrentUser, kProfile, "TRUSTEDPATHS",
                       "c:\\data");

    EXPECT_EQ(peruser::ServeUser(machine.platform(), row.commandLine), row.code);
    const std::string after =
        regtest::ReadRaw(machine.registry, plat::kHkeyCurrentUser, kProfile, "TRUSTEDPATHS")
            .bytes;
    EXPECT_EQ(after, regtest::Sz(row.trustedAfter ? row.trustedAfter : "c:\\data"));
    // A second logon's run adds nothing.
    if (row.code == peruser::kServed) {
      EXPECT_EQ(peruser::ServeUser(machine.platform(), row.commandLine), row.code);
      EXPECT_EQ(
          regtest::ReadRaw(machine.registry, plat::kHkeyCurrentUser, kProfile, "TRUSTEDPATHS")
              .bytes,
          after);
    }
    EXPECT_TRUE(machine.messages.shown().empty());
  }
}

}  // namespace
