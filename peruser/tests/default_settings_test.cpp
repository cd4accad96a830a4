#include "peruser/default_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "peruser/serve_user.h"
#include "platform/sim/sim_machine.h"

namespace {

using peruser::Given;

const std::string kFolder = "C:\\Velmar\\Velmar批打印软件";
const std::string kDefault = kFolder + "\\VelmarDefault.Ini";
const std::string kAppData = "C:\\users\\user\\AppData\\Roaming";
const std::string kOwn = kAppData + "\\Velmar\\Velmar.Ini";
const std::string kDefaultBytes = "[Plot]\r\nPrinter=DWG To PDF.pc3\r\n";

std::string Read(sim::Machine& m, const std::string& path) {
  std::string bytes;
  return m.files.ReadFile(path, &bytes) ? bytes : "<none>";
}

const std::string kMine("[Plot]\r\nPrinter=Mine\0\xFF", 22);

// At each user's logon: a user without settings gets the default copy, to change as they like;
// whatever a user has stays byte for byte; nothing is made where there is nothing to give.
TEST(DefaultSettings, GivenOnlyToAUserWithout) {
  const std::string none = "<none>", folder = "<folder>";
  const struct Row {
    const char* what;
    bool hasDefault;
    uint32_t defaultAttributes;
    bool hasAppData;           // false: APPDATA unset, and the shell names no folder either
    const std::string* mine;   // what the user has at Velmar\Velmar.Ini; null: nothing
    Given given;
    const std::string& after;  // what the user has then
  } rows[] = {
      {"no settings yet", true, plat::kAttrArchive, true, nullptr, Given::kGiven, kDefaultBytes},
      {"read-only default copy", true, plat::kAttrReadOnly, true, nullptr, Given::kGiven,
       kDefaultBytes},
      {"own settings", true, plat::kAttrArchive, true, &kMine, Given::kUserHasOwn, kMine},
      {"a folder of that name", true, plat::kAttrArchive, true, &folder, Given::kUserHasOwn,
       none},
      {"no default copy", false, 0, true, nullptr, Given::kNoDefault, none},
      {"no application-data folder", true, plat::kAttrArchive, false, nullptr,
       Given::kNoSettingsFolder, none},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    sim::Machine m;
    m.files.MakeFolders(kFolder);
    if (row.hasDefault) m.files.WriteFile(kDefault, kDefaultBytes, row.defaultAttributes);
    if (!row.hasAppData) {
      m.files.UnsetEnvironment("APPDATA");
      m.files.SetShellAppData("");
    }
    if (row.mine == &folder) {
      m.files.MakeFolders(kOwn);
    } else if (row.mine) {
      m.files.MakeFolders(kAppData + "\\Velmar");
      m.files.WriteFile(kOwn, *row.mine);
    }
    EXPECT_EQ(peruser::GiveDefaultSettings(m.platform(), kFolder), row.given);
    EXPECT_EQ(Read(m, kOwn), row.after);
    if (row.given == Given::kGiven) {
      EXPECT_EQ(m.files.GetAttributes(kOwn) & plat::kAttrReadOnly, 0u);
      // The next logon finds the user's own.
      m.files.WriteFile(kOwn, kMine);
      EXPECT_EQ(peruser::GiveDefaultSettings(m.platform(), kFolder), Given::kUserHasOwn);
      EXPECT_EQ(Read(m, kOwn), kMine);
    }
    if (!row.hasDefault) {
      EXPECT_EQ(m.files.GetAttributes(kAppData + "\\Velmar"), plat::kInvalidAttributes);
    }
    EXPECT_EQ(Read(m, kDefault), row.hasDefault ? kDefaultBytes : none);
  }
}

// The per-user program as Active Setup starts it gives the copy along with the trust.
TEST(DefaultSettings, GivenByThePerUserProgram) {
  sim::Machine m;
  m.files.MakeFolders(kFolder);
  m.files.WriteFile(kFolder + "\\VelmarTrust.exe", "program");
  m.files.WriteFile(kDefault, kDefaultBytes);
  const std::string line = "\"" + kFolder + "\\VelmarTrust.exe\" \"" + kFolder + "\"";
  EXPECT_EQ(peruser::ServeUser(m.platform(), m.text.ToUtf16(line)), peruser::kServed);
  EXPECT_EQ(Read(m, kOwn), kDefaultBytes);
}

// Where the copy cannot go, the user's folder is left as it was.
TEST(DefaultSettings, NothingWhereNoCopyCanGo) {
  sim::Machine m;
  m.files.MakeFolders(kFolder);
  m.files.WriteFile(kDefault, kDefaultBytes);
  m.files.WriteFile(kAppData + "\\Velmar", "a file where the folder would be");
  EXPECT_EQ(peruser::GiveDefaultSettings(m.platform(), kFolder), Given::kNotWritten);
  EXPECT_EQ(Read(m, kAppData + "\\Velmar"), "a file where the folder would be");
}

// Settings the user's own programs write while the folder is being made are theirs: the copy
// does not go over them.
TEST(DefaultSettings, NeverOverSettingsThatAppearMeanwhile) {
  struct Racing : sim::SimFileSystem {
    using sim::SimFileSystem::SimFileSystem;
    bool CreateDirectory(const std::string& path) override {
      const bool made = sim::SimFileSystem::CreateDirectory(path);
      WriteFile(kOwn, kMine);
      return made;
    }
  };
  sim::Machine m;
  Racing files(m.text);
  files.MakeFolders(kFolder);
  files.WriteFile(kDefault, kDefaultBytes);
  plat::Platform platform{m.registry, files, m.processes, m.messages, m.text, m.checked};
  EXPECT_EQ(peruser::GiveDefaultSettings(platform, kFolder), Given::kNotWritten);
  std::string after;
  EXPECT_TRUE(files.ReadFile(kOwn, &after));
  EXPECT_EQ(after, kMine);
}

// After an installation: the package's file, wherever the package lies, as the default copy;
// an older read-only copy is replaced; without the package's file, no copy and no message.
TEST(DefaultSettings, KeptFromThePackage) {
  const struct Row {
    const char* what;
    const char* package;   // the folder that holds the package's files
    bool packageHasIni;
    bool olderReadOnlyCopy;
    bool folderInTheWay;  // a folder of the copy's name
    bool kept;
  } rows[] = {
      {"Data beside the program", "C:\\Setup\\Data", true, false, false, true},
      {"the program's own folder", "C:\\Setup", true, false, false, true},
      {"over an older read-only copy", "C:\\Setup\\Data", true, true, false, true},
      {"no settings file in the package", "C:\\Setup\\Data", false, false, false, false},
      {"no package", nullptr, false, false, false, false},
      {"a folder where the copy would go", "C:\\Setup\\Data", true, false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    sim::Machine m;
    m.files.MakeFolders("C:\\Setup");
    m.files.WriteFile("C:\\Setup\\SetUp.exe", "setup");
    m.files.SetModuleFileName("C:\\Setup\\SetUp.exe");
    m.files.MakeFolders(kFolder);
    if (row.package) {
      m.files.MakeFolders(row.package);
      m.files.WriteFile(std::string(row.package) + "\\VL_BatchPlot2010.arx", "module");
      if (row.packageHasIni)
        m.files.WriteFile(std::string(row.package) + "\\Velmar.ini", kDefaultBytes,
                          plat::kAttrReadOnly);
    }
    if (row.olderReadOnlyCopy) m.files.WriteFile(kDefault, "older", plat::kAttrReadOnly);
    if (row.folderInTheWay) m.files.MakeFolders(kDefault);
    EXPECT_EQ(peruser::KeepDefaultSettings(m.platform(), kFolder), row.kept);
    EXPECT_EQ(Read(m, kDefault), row.kept ? kDefaultBytes : "<none>");
    if (row.kept) {
      EXPECT_EQ(m.files.GetAttributes(kDefault) & plat::kAttrReadOnly, 0u);
    }
    EXPECT_TRUE(m.messages.shown().empty());
  }
}

}  // namespace
