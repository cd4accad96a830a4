#pragma once
// The working buffers the deployment shares with the platform's narrow-string file calls:
// a path must fit 260 bytes with its terminator, or it is not used at all (never cut short).
#include <cstddef>
#include <string>

namespace deploy {

constexpr std::size_t kPathBuffer = 260;

inline bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBuffer; }

// "%s\\%s"
inline std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + "\\" + name;
}

// Title of every message the deployment shows.
constexpr char kSetupTitle[] = "Velmar软件安装";

}  // namespace deploy
