#pragma once
#include <string>
#include <vector>

#include "platform/processes.h"

namespace sim {

class SimProcesses : public plat::Processes {
 public:
  bool ExecutableNames(std::vector<std::string>* names) override {
    if (failSnapshot) return false;
    *names = running;
    return true;
  }
  std::vector<std::string> running = {"System", "smss.exe", "explorer.exe"};
  bool failSnapshot = false;
};

}  // namespace sim
