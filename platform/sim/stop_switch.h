#pragma once
// The program stopping in the middle of its work, as a deployment tool's time-out, Task
// Manager or a power cut stop it: armed with a number of writes, the simulated machine lets
// that many writes land and stops the program at the next one by throwing sim::Stopped
// through it. The machine keeps whatever had landed; a test then starts the program again on it.
//
// A write is a step another process could see the machine between: one registry or file call,
// but two where Windows makes something before it fills it, and a kill can fall in between.
// CopyFile and WriteWholeFile make the destination (new and empty, or an existing one cut to
// nothing) and then write its bytes: CopyFileEx tells its progress routine that both files
// are open before the first byte goes, and Wine's copy opens the destination CREATE_ALWAYS,
// then writes it 64 KiB at a time (a SetUp.exe /S that tests/e2e/scenarios/killed-install.sh
// kills during a copy leaves what was written so far: none yet, or some 64 KiB blocks).
// AppendToFile and AppendToFileIf make a missing file before they write to it. RegCreateKey
// makes a missing path one key at a time (the kernel makes one key a call); Wine's server
// makes it at once. An access list's passing on to what lies below is taken as one write:
// nothing the uninstall gives back.
#include <cstddef>
#include <string>

namespace sim {

struct Stopped {};

class StopSwitch {
 public:
  // Let `writes` more writes land, then stop (0: stop at the next). torn: a stop that meets the
  // bytes of a file lets their first half land, as a power cut cuts a write off (or a kill
  // falls between two of a copy's writes).
  void Arm(int writes, bool torn = false) {
    left_ = writes;
    armed_ = true;
    torn_ = torn;
  }
  void Disarm() { armed_ = false; }
  // Writes that landed since the machine was made.
  int writes() const { return writes_; }

  // Called ahead of every write; throws when the write does not land.
  void Before() {
    if (Meets()) Stop();
    Landed();
  }
  // Ahead of writing `size` bytes into a file already made: how many of them land. Fewer than
  // all when the stop meets this write (none, or torn the first half): the caller puts those
  // in place, then calls Stop().
  size_t Filling(size_t size) {
    if (Meets()) return torn_ ? size / 2 : 0;
    Landed();
    return size;
  }
  [[noreturn]] void Stop() {
    armed_ = false;
    throw Stopped();
  }

 private:
  bool Meets() const { return armed_ && left_ == 0; }
  void Landed() {
    ++writes_;
    if (armed_) --left_;
  }

  bool armed_ = false;
  bool torn_ = false;
  int left_ = 0;
  int writes_ = 0;
};

}  // namespace sim
