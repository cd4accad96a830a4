#include "deploy/tests/deploy_test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "protection/rules.h"

#ifdef _WIN32
#include "platform/win32/windows_api.h"
#endif

namespace deploytest {

void DeployTest::SetUp() {
  machine = TestMachine::Create();
  machine->RemoveTree(kScratch);
  ASSERT_TRUE(files().CreateDirectory(kScratch));
  // An administrator's alone, as Wine reports every folder it makes: the settings folder below
  // it is judged as a profile's would be. The folders others may change are the attack table's.
  if (sim::Machine* simulated = machine->simulated())
    simulated->files.SetDescriptor(kScratch, protection::ProgramFolderDescriptor());
  actingMessages.answer = [](const sim::ShownMessage&) { return plat::kIdAbort; };
}

void DeployTest::TearDown() {
  for (auto saved = savedEnvironment_.rbegin(); saved != savedEnvironment_.rend(); ++saved)
    PutEnvironment(saved->name, saved->set ? saved->value.c_str() : nullptr);
  savedEnvironment_.clear();
  machine->RemoveTree(kScratch);
}

std::string DeployTest::SeedReadOnlyPackage(const PackageMedium& medium,
                                            const std::string& diskPackage,
                                            const std::vector<std::string>& names) {
  sim::Machine* simulated = machine->simulated();
  if (medium.writeProtected && !simulated) return {};
  std::string package = diskPackage;
  if (medium.writeProtected) {
    simulated->files.AddDrive('E');
    package = "E:\\Data";
    machine->SetModuleFileName("E:\\SetUp.exe");
  }
  MakeFolders(package);
  for (const std::string& name : names) {
    Write(package + "\\" + name, name);
    EXPECT_TRUE(files().SetAttributes(package + "\\" + name, plat::kAttrReadOnly)) << name;
  }
  if (medium.writeProtected) simulated->files.DenyWrite("E:\\");
  return package;
}

void DeployTest::SetEnvironment(const std::string& name, const char* value) {
  SavedVariable saved{name, false, {}};
  saved.set = files().GetEnvironmentVariable(name, &saved.value);
  savedEnvironment_.push_back(saved);
  PutEnvironment(name, value);
}

void DeployTest::PutEnvironment(const std::string& name, const char* value) {
  if (sim::Machine* simulated = machine->simulated()) {
    if (value) simulated->files.SetEnvironment(name, value);
    else simulated->files.UnsetEnvironment(name);
    return;
  }
#ifdef _WIN32
  ::SetEnvironmentVariableA(name.c_str(), value);
#endif
}

plat::Platform& DeployTest::acting() {
  plat::Platform& p = platform();
  acting_.reset(
      new plat::Platform{p.registry, p.files, p.processes, actingMessages, p.text, p.checked});
  return *acting_;
}

void DeployTest::MakeFolders(const std::string& path) {
  if (Exists(path)) return;
  const std::size_t slash = platform().text.LastBackslash(path);
  if (slash != std::string::npos && slash > 2) MakeFolders(path.substr(0, slash));
  ASSERT_TRUE(files().CreateDirectory(path)) << path;
}

void DeployTest::Write(const std::string& path, const std::string& content) {
  machine->WriteFile(path, content);
}

std::string DeployTest::Read(const std::string& path) {
  std::string content;
  return machine->ReadFile(path, &content) ? content : "<missing>";
}

std::vector<std::string> DeployTest::List(const std::string& folder) {
  std::vector<std::string> names;
  plat::FindEntry entry;
  plat::UniqueFind find(files(), files().FindFirst(folder + "\\*.*", &entry));
  if (!find) return names;
  do {
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  } while (files().FindNext(find.get(), &entry));
  return names;
}

std::vector<std::string> DeployTest::SeedSamplePackage(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(VELMAR_SAMPLE_PACKAGE)) {
    std::ifstream in(item.path(), std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    const std::string name = item.path().filename().string();
    Write(folder + "\\" + name, content);
    names.push_back(name);
  }
  return names;
}

}  // namespace deploytest

