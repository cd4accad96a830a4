#pragma once
// What every deploy test stands on: a fresh machine and a scratch folder cleared first, with
// small file helpers over the seam so the same test runs on the sim and on real files.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/scripted_message_boxes.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"

namespace deploytest {

constexpr char kScratch[] = "C:\\velmar-deploy";

// Message boxes whose answer a test computes when the box is shown, so it can change the
// machine in between, as a user would before pressing Retry.
class ActingMessageBoxes : public plat::MessageBoxes {
 public:
  std::function<int(const sim::ShownMessage&)> answer;
  std::vector<sim::ShownMessage> shown;
  int Show(const std::string& text, const std::string& title, unsigned type) override {
    shown.push_back({text, title, type});
    return answer(shown.back());
  }
};

// What a package may be delivered on. Only the simulated machine has a write-protected medium.
struct PackageMedium {
  const char* name;
  bool writeProtected;
};
constexpr PackageMedium kPackageMedia[] = {{"PackageOnADisk", false},
                                           {"PackageOnAWriteProtectedStick", true}};

class DeployTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  plat::Platform& platform() { return machine->platform(); }
  plat::FileSystem& files() { return machine->platform().files; }
  // The machine with acting message boxes in place of the scripted ones.
  plat::Platform& acting();

  // Creates every missing level of path.
  void MakeFolders(const std::string& path);
  void Write(const std::string& path, const std::string& content);
  // Content of a file, or "<missing>".
  std::string Read(const std::string& path);
  uint32_t Attributes(const std::string& path) { return files().GetAttributes(path); }
  bool Exists(const std::string& path) { return Attributes(path) != plat::kInvalidAttributes; }
  // Names in a folder's listing order, without "." and "..".
  std::vector<std::string> List(const std::string& folder);
  // Copies the generated sample package's files into folder (which must exist).
  std::vector<std::string> SeedSamplePackage(const std::string& folder);
  // Read-only package files, each holding its own name, in diskPackage or on a write-protected
  // stick E: (then the setup program is started from there). Returns the package folder, or
  // "" when this machine has no such medium.
  std::string SeedReadOnlyPackage(const PackageMedium& medium, const std::string& diskPackage,
                                  const std::vector<std::string>& names);
  // Sets a variable of the environment the logic reads (null: unsets it), on either machine;
  // TearDown puts back what each variable was.
  void SetEnvironment(const std::string& name, const char* value);

  std::unique_ptr<TestMachine> machine;
  ActingMessageBoxes actingMessages;

 private:
  void PutEnvironment(const std::string& name, const char* value);

  std::unique_ptr<plat::Platform> acting_;
  struct SavedVariable {
    std::string name;
    bool set;
    std::string value;
  };
  std::vector<SavedVariable> savedEnvironment_;
};

}  // namespace deploytest
