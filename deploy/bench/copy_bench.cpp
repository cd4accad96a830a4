// Times CopyPackage on the real machine: copy_bench SETUP_FOLDER INSTALL_FOLDER
// SETUP_FOLDER holds the package in its Data folder. Prints the milliseconds of the copy
// alone, without Wine's start-up, for run-copy-bench to compare with cp.
#include <windows.h>

#include <cstdio>

#include "deploy/package_copy.h"
#include "platform/sim/sim_progress.h"
#include "tests/support/test_machine.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_bench SETUP_FOLDER INSTALL_FOLDER\n");
    return 2;
  }
  auto machine = TestMachine::Create();
  machine->SetModuleFileName(std::string(argv[1]) + "\\SetUp.exe");
  sim::RecordingProgress progress;
  progress.SetRange(0, 50);
  progress.SetStep(1);

  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  PackageCopyJob job(machine->platform().text, argv[2], progress);
  const bool copied = CopyPackage(machine->platform(), job);
  ::QueryPerformanceCounter(&end);

  if (!copied || !machine->messages().shown().empty()) {
    std::fprintf(stderr, "copy_bench: the copy failed\n");
    return 1;
  }
  std::printf("%.1f\n", 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
  return 0;
}
