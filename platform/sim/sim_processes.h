#pragma once
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/processes.h"

namespace sim {

// Programs started here run at once to their end, unless a test keeps them running. A
// program starts when its file exists on the simulated drives.
class SimProcesses : public plat::Processes {
 public:
  explicit SimProcesses(plat::FileSystem* files = nullptr) : files_(files) {}
  bool ExecutableNames(std::vector<std::string>* names) override {
    if (onSnapshot) onSnapshot();
    if (failSnapshot) return false;
    *names = running;
    return true;
  }
  uint32_t CurrentProcessId() override { return ownId; }
  uint32_t Start(const std::string& commandLine) override {
    if (beforeStart) beforeStart(commandLine);
    if (failStart || (files_ && files_->GetAttributes(Program(commandLine)) == 0xFFFFFFFFu))
      return 0;
    started.push_back(commandLine);
    return nextId++;
  }
  bool WaitForExit(uint32_t id, uint32_t) override {
    waitedFor.push_back(id);
    return id != ownId && std::find(alive.begin(), alive.end(), id) == alive.end();
  }

  std::vector<std::string> running = {"System", "smss.exe", "explorer.exe"};
  bool failSnapshot = false;
  uint32_t ownId = 4242;
  bool failStart = false;
  // What another process does while a snapshot is taken, or as a program is about to start.
  std::function<void()> onSnapshot;
  std::function<void(const std::string&)> beforeStart;
  std::vector<std::string> started;  // command lines, in order
  std::vector<uint32_t> alive;       // ids that do not end
  std::vector<uint32_t> waitedFor;
  uint32_t nextId = 5000;

 private:
  // The first word of a command line: up to the closing quote, or to the first blank.
  static std::string Program(const std::string& line) {
    if (!line.empty() && line[0] == '"') return line.substr(1, line.find('"', 1) - 1);
    return line.substr(0, line.find(' '));
  }
  plat::FileSystem* files_;
};

}  // namespace sim
