// A stand-in for a running host: the tests copy it to names such as ACAD.EXE and start it,
// and end it themselves. It ends on its own after a minute should a test die first.
#include <windows.h>

int main() {
  ::Sleep(60 * 1000);
  return 0;
}
