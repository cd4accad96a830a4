#pragma once
// Process seam: the executable file names of a snapshot of every process on the machine;
// starting a program and waiting for a process to end.
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

class Processes {
 public:
  virtual ~Processes() = default;
  // False when no snapshot can be taken; otherwise the names in the snapshot's order.
  virtual bool ExecutableNames(std::vector<std::string>* names) = 0;
  // GetCurrentProcessId.
  virtual uint32_t CurrentProcessId() = 0;
  // CreateProcessA with this command line (the program's path first, quoted when it holds
  // blanks) and no handles inherited: the new process's id, or 0 when it did not start.
  virtual uint32_t Start(const std::string& commandLine) = 0;
  // Waits at most milliseconds for the process to end: true when it has ended, or no process
  // of that id is left to wait for.
  virtual bool WaitForExit(uint32_t id, uint32_t milliseconds) = 0;
};

}  // namespace plat
