#pragma once
// The program stopping in the middle of its work, as a deployment tool's time-out, Task
// Manager or a power cut stop it: armed with a number of writes, the simulated machine lets
// that many writes (registry or files, each call one) land and stops the program at the next
// one by throwing sim::Stopped through it. The machine keeps whatever had landed; a test then
// starts the program again on it.
#include <cstddef>
#include <string>

namespace sim {

struct Stopped {};

class StopSwitch {
 public:
  // Let `writes` more writes land, then stop (0: stop at the next). torn: a write of file
  // content that the stop meets lands its first half, as a write cut off by a power cut.
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
    if (armed_ && left_ == 0) Stop();
    Landed();
  }
  // Ahead of a write of file content: the bytes that land before the stop, when the stop is
  // torn and meets this write (then Stop() follows the partial write); otherwise all of them.
  bool TearsHere() const { return armed_ && left_ == 0 && torn_; }
  static std::string Torn(const std::string& bytes) { return bytes.substr(0, bytes.size() / 2); }
  [[noreturn]] void Stop() {
    armed_ = false;
    throw Stopped();
  }

 private:
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
