#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"

namespace {

class SimTestMachine : public TestMachine {
 public:
  plat::Platform& platform() override { return machine_.platform(); }
  plat::CheckedFiles& checked() override { return machine_.checked; }
  sim::ScriptedMessageBoxes& messages() override { return machine_.messages; }
  sim::Machine* simulated() override { return &machine_; }

  void WriteFile(const std::string& path, const std::string& content) override {
    std::string folder = path.substr(0, machine_.text.LastBackslash(path));
    machine_.files.MakeFolders(folder);
    machine_.files.WriteFile(path, content);
  }
  bool ReadFile(const std::string& path, std::string* content) override {
    return machine_.files.ReadFile(path, content);
  }
  void RemoveTree(const std::string& path) override { machine_.files.Remove(path); }
  bool MakeFolderLink(const std::string& path, const std::string& target) override {
    return machine_.files.MakeLink(path, target);
  }
  void SetModuleFileName(const std::string& path) override {
    machine_.files.SetModuleFileName(path);
  }
  bool ReadAccessList(const std::string& path, plat::AccessList* list) override {
    return machine_.files.AccessListOf(path, list);
  }
  bool KeepsAccessLists() override { return true; }

 private:
  sim::Machine machine_;
};

}  // namespace

std::unique_ptr<TestMachine> TestMachine::Create() { return std::make_unique<SimTestMachine>(); }
