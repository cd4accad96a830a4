#pragma once
// A file, folder or link of the simulated file system, shared by the calls by name and those
// on handles (platform/sim/sim_files.cpp, sim_checked_files.cpp).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_files.h"
#include "platform/win_constants.h"

namespace sim {

struct SimFileSystem::Node {
  std::string name;
  std::string fold;  // the name as NTFS orders and matches it
  uint32_t attributes = plat::kAttrDirectory;
  std::string content;
  bool denyWrite = false;
  bool creationOrder = false;  // on a drive's root: the volume lists in creation order
  plat::Descriptor security;
  std::string link;  // a junction or symbolic link: the path it leads to
  uint32_t links = 1;  // a file's names (hard links)
  uint64_t id = 0;  // its number on the volume
  bool deletePending = false;  // goes when its last handle closes
  bool gone = false;  // its name is gone; open handles still reach it
  Node* parent = nullptr;
  std::vector<std::shared_ptr<Node>> children;  // in the volume's listing order

  bool IsFolder() const { return (attributes & plat::kAttrDirectory) != 0; }
};

}  // namespace sim
