#include "deploy/package.h"

#include <functional>

#include "deploy/package_copy.h"
#include "deploy/sha256.h"
#include "deploy/tests/deploy_test_support.h"
#include "platform/sim/sim_progress.h"

namespace deploytest {
namespace {

using deploy::Difference;

// FIPS 180-2's examples (one block, a padding of two, many blocks) and NIST's long message.
TEST(Sha256, StandardVectors) {
  const struct {
    std::string bytes;
    const char* hash;
  } kVectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
       "lmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& v : kVectors) EXPECT_EQ(deploy::Sha256Hex(v.bytes), v.hash) << v.bytes.size();
}

TEST(PackageFileName, NoPathOfIt) {
  const struct {
    const char* name;
    bool usable;
  } kNames[] = {{"Velmar.prt7", true}, {"淺.arx", true},  // 淺 = 9C 5C: its 5C is no backslash
                {"..\\Uninstall.exe", false}, {"a/b.dll", false}, {"C:x.dll", false}};
  sim::SimCodePage text;
  for (const auto& n : kNames)
    EXPECT_EQ(deploy::IsPackageFileName(text, n.name), n.usable) << n.name;
}

const std::string kSetupFolder = std::string(kScratch) + "\\Setup";
const std::string kPackage = kSetupFolder + "\\Data";
const std::string kInstall = std::string(kScratch) + "\\Install";
const char* const kNames[] = {"VL_BatchPlot2019.arx", "Velmar.prt7", "Velmar.Ini"};

class PackageTest : public DeployTest {
 protected:
  void SetUp() override {
    DeployTest::SetUp();
    for (size_t n = 0; n < 3; ++n) {
      Write(kPackage + "\\" + kNames[n], std::string("file ") + kNames[n]);
      hashes_[n] = deploy::Sha256Hex(std::string("file ") + kNames[n]);
      listed_[n] = {kNames[n], hashes_[n].c_str()};
    }
    Write(kSetupFolder + "\\SetUp.exe", "setup");
    machine->SetModuleFileName(kSetupFolder + "\\SetUp.exe");
  }

  std::string hashes_[3];
  deploy::ListedFile listed_[3];
  const deploy::PackageList list{listed_, 3};
};

// A package that differs from the list in any file is refused, naming that file; without a
// list any package serves, as it always has.
TEST_F(PackageTest, DiffersFromTheList) {
  const struct {
    const char* what;
    std::function<void()> change;
    Difference difference;
    const char* file;
  } kRows[] = {
      {"as listed", [] {}, Difference::kNone, ""},
      {"a file changed", [this] { Write(kPackage + "\\Velmar.prt7", "theirs"); },
       Difference::kChanged, "Velmar.prt7"},
      {"a file added", [this] { Write(kPackage + "\\version.dll", "theirs"); },
       Difference::kAdded, "version.dll"},
      {"a file missing", [this] { machine->RemoveTree(kPackage + "\\Velmar.Ini"); },
       Difference::kMissing, "Velmar.Ini"},
      // The copy passes a sub-folder over, and so does the check.
      {"a folder added", [this] { MakeFolders(kPackage + "\\Sub"); },
       Difference::kNone, ""},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    row.change();
    const deploy::Package package = deploy::ReadPackage(platform());
    ASSERT_TRUE(package.found());
    const deploy::Verdict verdict = deploy::CheckPackage(platform().text, package, &list);
    EXPECT_EQ(verdict.difference, row.difference);
    if (verdict) {
      EXPECT_EQ(verdict.path, kPackage + "\\" + row.file);
    }
    EXPECT_FALSE(deploy::CheckPackage(platform().text, package, nullptr));
  }
}

// What lands is what was checked: a file replaced, or one added, once the package was read
// reaches nothing.
TEST_F(PackageTest, WhatLandsIsWhatWasChecked) {
  const deploy::Package package = deploy::ReadPackage(platform());
  ASSERT_FALSE(deploy::CheckPackage(platform().text, package, &list));
  Write(kPackage + "\\VL_BatchPlot2019.arx", "theirs");
  Write(kPackage + "\\version.dll", "theirs");
  MakeFolders(kInstall);
  sim::RecordingProgress progress;
  const PackageCopyJob job(platform().text, kInstall, progress);
  ASSERT_TRUE(CopyPackage(platform(), package, job));
  EXPECT_EQ(Read(kInstall + "\\VL_BatchPlot2019.arx"), "file VL_BatchPlot2019.arx");
  EXPECT_FALSE(Exists(kInstall + "\\version.dll"));
}

}  // namespace
}  // namespace deploytest
