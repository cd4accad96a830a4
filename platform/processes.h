#pragma once
// Process seam: the executable file names of a snapshot of every process on the machine.
#include <string>
#include <vector>

namespace plat {

class Processes {
 public:
  virtual ~Processes() = default;
  // False when no snapshot can be taken; otherwise the names in the snapshot's order.
  virtual bool ExecutableNames(std::vector<std::string>* names) = 0;
};

}  // namespace plat
