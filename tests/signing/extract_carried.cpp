// velmar_extract_carried SETUP.EXE OUT.EXE: writes the per-user program SetUp.exe carries (the
// file an installation places as VelmarTrust.exe) to OUT.EXE, taken out by Windows' own
// resource calls. Exit code 0 when written, 1 otherwise, 2 for a wrong command line.
#include <cstdio>
#include <string>

#include "peruser/program_resource.h"
#include "platform/win32/windows_api.h"
#include "versioninfo/tests/program_file.h"

#include <shellapi.h>

int main() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!args || count != 3) {
    std::fprintf(stderr, "usage: velmar_extract_carried SETUP.EXE OUT.EXE\n");
    return 2;
  }
  const std::wstring setup = args[1];
  const std::wstring out = args[2];
  ::LocalFree(args);
  std::string error;
  if (!versioninfo::ExtractResource(setup, IDR_PERUSER_PROGRAM, out, &error)) {
    std::fprintf(stderr, "velmar_extract_carried: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
