#include "deploy/running_host.h"

#include "deploy/tests/deploy_test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace deploytest {
namespace {

#ifdef _WIN32
// A real process under the given executable name: the stand-in program copied to that name.
class RunningProcess {
 public:
  RunningProcess(plat::Platform& platform, const std::string& name) {
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string standIn(self, length);
    standIn = standIn.substr(0, platform.text.LastBackslash(standIn)) + "\\host_stand_in.exe";
    const std::string image = std::string(kScratch) + "\\" + name;
    if (!::CopyFileA(standIn.c_str(), image.c_str(), FALSE)) {
      ADD_FAILURE() << "cannot copy " << standIn << " to " << image;
      return;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + image + "\"";
    if (!::CreateProcessA(image.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process_)) {
      ADD_FAILURE() << "cannot start " << image << ": error " << ::GetLastError();
      return;
    }
    // Started is not yet listed: wait until the snapshot shows the name.
    for (int tries = 0; tries < 100 && !Listed(platform, name); ++tries) ::Sleep(50);
    EXPECT_TRUE(Listed(platform, name)) << name << " never showed in the snapshot";
  }
  ~RunningProcess() {
    if (!process_.hProcess) return;
    ::TerminateProcess(process_.hProcess, 0);
    ::WaitForSingleObject(process_.hProcess, 10 * 1000);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;

 private:
  static bool Listed(plat::Platform& platform, const std::string& name) {
    std::vector<std::string> names;
    if (!platform.processes.ExecutableNames(&names)) return false;
    for (const std::string& listed : names)
      if (platform.text.CompareNoCase(listed, name) == 0) return true;
    return false;
  }
  PROCESS_INFORMATION process_{};
};
#endif

// Runs check while a process of the given executable name runs on the machine.
template <typename Check>
void WhileRunning(TestMachine& machine, const std::string& name, Check check) {
  if (sim::Machine* simulated = machine.simulated()) {
    simulated->processes.running.push_back(name);
    check();
    simulated->processes.running.pop_back();
    return;
  }
#ifdef _WIN32
  RunningProcess process(machine.platform(), name);
  check();
#endif
}

class RunningHostTest : public DeployTest {};

TEST_F(RunningHostTest, HostFoundByContainmentInAnyLetterCase) {
  const struct {
    const char* name;
    bool host;
  } kCases[] = {
      {"ACAD.EXE", true},
      {"Acad.Exe", true},
      {"myacad.exe.bak", true},
      {"acadlt.exe", false},
      {"acad.exx", false},
      // A double-byte character 81 61 followed by "cad.exe": the bytes "acad.exe" start
      // inside the character, which is no occurrence.
      {"\x81" "acad.exe", false},
      {"\x81" "ACAD.EXE", false},
  };
  ASSERT_FALSE(IsHostRunning(platform())) << "a host already runs on this machine";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string matched = "unchanged";
    WhileRunning(*machine, c.name, [&] {
      EXPECT_EQ(IsHostRunning(platform()), c.host);
      EXPECT_EQ(FindRunningHost(platform(), &matched), c.host);
    });
    // A copy onto the earlier one keeps its file's name, "ACAD.EXE", which is what is listed.
    EXPECT_EQ(platform().text.CompareNoCase(matched, c.host ? c.name : "unchanged"), 0);
  }
  EXPECT_FALSE(IsHostRunning(platform()));
}

TEST_F(RunningHostTest, SimulatedProcessLists) {
  sim::Machine* simulated = machine->simulated();
  if (!simulated) GTEST_SKIP() << "process lists are set on the simulated machine only; "
                                  "HostFoundByContainmentInAnyLetterCase runs real processes";
  simulated->processes.running = {"System", "explorer.exe", "notepad.exe", "ACAD.EXE"};
  EXPECT_TRUE(IsHostRunning(platform())) << "the host listed last is still found";
  simulated->processes.running = {"explorer.exe", "Acad.exe", "ACAD.EXE"};
  std::string matched;
  EXPECT_TRUE(FindRunningHost(platform(), &matched));
  EXPECT_EQ(matched, "Acad.exe") << "the first host listed is named, as listed";
  simulated->processes.running.clear();
  EXPECT_FALSE(IsHostRunning(platform()));
  simulated->processes.running = {"acad.exe"};
  simulated->processes.failSnapshot = true;
  EXPECT_FALSE(IsHostRunning(platform())) << "no snapshot counts as no host";
}

}  // namespace
}  // namespace deploytest
