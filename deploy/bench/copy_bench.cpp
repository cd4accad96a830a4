// Times the package read once and copied, on the real machine:
//   copy_bench [--raw] SETUP_FOLDER INSTALL_FOLDER
// SETUP_FOLDER holds the package in its Data folder. Prints the milliseconds of the copy
// alone, without Wine's start-up, for run-copy-bench to compare with cp. --raw times a bare
// FindFirstFileA/CopyFileA loop over the same files instead: what the platform costs alone.
#include <windows.h>

#include <cstdio>
#include <string>

#include "deploy/package_copy.h"
#include "platform/sim/sim_progress.h"
#include "tests/support/test_machine.h"

namespace {

bool RawCopy(const std::string& from, const std::string& to) {
  ::CreateDirectoryA(to.c_str(), nullptr);
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((from + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool copied = true;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    copied &= ::CopyFileA((from + "\\" + data.cFileName).c_str(),
                          (to + "\\" + data.cFileName).c_str(), FALSE) != FALSE;
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return copied;
}

}  // namespace

int main(int argc, char** argv) {
  const bool raw = argc == 4 && std::string(argv[1]) == "--raw";
  if (raw) ++argv, --argc;
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_bench [--raw] SETUP_FOLDER INSTALL_FOLDER\n");
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
  const bool copied = raw ? RawCopy(std::string(argv[1]) + "\\Data", argv[2])
                          : CopyPackage(machine->platform(),
                                        deploy::ReadPackage(machine->platform()), job);
  ::QueryPerformanceCounter(&end);

  if (!copied || !machine->messages().shown().empty()) {
    std::fprintf(stderr, "copy_bench: the copy failed\n");
    return 1;
  }
  std::printf("%.1f\n", 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
  return 0;
}
