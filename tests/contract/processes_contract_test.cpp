// Starting a program and waiting for a process, on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_machine.h"

namespace {

TEST(ProcessesContract, StartsAProgramAndWaitsForItsEnd) {
  std::unique_ptr<TestMachine> machine = TestMachine::Create();
  plat::Platform& platform = machine->platform();
  plat::Processes& processes = platform.processes;
  ASSERT_NE(processes.CurrentProcessId(), 0u);
  // The running program does not end while it waits for itself.
  EXPECT_FALSE(processes.WaitForExit(processes.CurrentProcessId(), 50));

  // This test program, asked for no test at all, ends at once.
  std::string self;
  ASSERT_TRUE(platform.files.ModuleFileName(&self));
  if (platform.files.GetAttributes(self) == 0xFFFFFFFFu) machine->WriteFile(self, "stand-in");
  const uint32_t id = processes.Start("\"" + self + "\" --gtest_filter=None");
  ASSERT_NE(id, 0u);
  EXPECT_NE(id, processes.CurrentProcessId());
  EXPECT_TRUE(processes.WaitForExit(id, 30000));

  EXPECT_EQ(processes.Start("\"C:\\vc-no such folder\\none.exe\" /S"), 0u);
}

}  // namespace
