#include "deploy/running_host.h"

#include <vector>

bool IsHostRunning(plat::Platform& platform) { return FindRunningHost(platform, nullptr); }

bool FindRunningHost(plat::Platform& platform, std::string* name) {
  std::vector<std::string> names;
  if (!platform.processes.ExecutableNames(&names)) return false;
  const std::string host = platform.text.Lower("acad.exe");
  for (const std::string& listed : names) {
    if (platform.text.Find(platform.text.Lower(listed), host) != std::string::npos) {
      if (name) *name = listed;
      return true;
    }
  }
  return false;
}
