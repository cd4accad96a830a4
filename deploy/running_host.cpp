#include "deploy/running_host.h"

#include <string>
#include <vector>

bool IsHostRunning(plat::Platform& platform) {
  std::vector<std::string> names;
  if (!platform.processes.ExecutableNames(&names)) return false;
  const std::string host = platform.text.Lower("acad.exe");
  for (const std::string& name : names) {
    if (platform.text.Find(platform.text.Lower(name), host) != std::string::npos) return true;
  }
  return false;
}
