#pragma once
// The machine a test runs on: natively the simulated one; in the Windows build, run under
// Wine, the real Win32 API over the throwaway prefix's registry and files. Message boxes are
// scripted on both. Tests start by clearing the keys and folders they use.
#include <memory>
#include <ostream>
#include <string>

#include "platform/checked_files.h"
#include "platform/platform.h"
#include "platform/sim/scripted_message_boxes.h"

namespace sim {
class Machine;
}

class TestMachine {
 public:
  static std::unique_ptr<TestMachine> Create();
  virtual ~TestMachine() = default;

  virtual plat::Platform& platform() = 0;
  virtual plat::CheckedFiles& checked() = 0;
  virtual sim::ScriptedMessageBoxes& messages() = 0;
  // The simulated machine, or null on the real API (for sim-only faults and handle counts).
  virtual sim::Machine* simulated() = 0;

  // Files, through the test's own means (the seam has no file writing).
  virtual void WriteFile(const std::string& path, const std::string& content) = 0;
  // Content of a file; false when it cannot be read.
  virtual bool ReadFile(const std::string& path, std::string* content) = 0;
  // Removes a file or a folder with everything below it; attributes do not stop it, and a
  // link goes itself, never what it leads to.
  virtual void RemoveTree(const std::string& path) = 0;
  // A link to a folder at path: natively a junction; under Wine, which makes none itself, a
  // Unix symbolic link; on Windows a symbolic link.
  virtual bool MakeFolderLink(const std::string& path, const std::string& target) = 0;
  // The path FileSystem::ModuleFileName answers from now on (the test's stand-in SetUp.exe).
  virtual void SetModuleFileName(const std::string& path) = 0;
  // The access list of a file or folder as the system reports it; false when it cannot.
  virtual bool ReadAccessList(const std::string& path, plat::AccessList* list) = 0;
  // False under Wine, which keeps no access list it is given: it answers every file's list
  // from the Unix mode bits (see the files contract).
  virtual bool KeepsAccessLists() = 0;
};

namespace plat {
// How a failed check shows an access list.
inline void PrintTo(const AccessList& list, std::ostream* out) {
  *out << (list.isProtected ? "protected" : "inheriting");
  for (const AccessEntry& e : list.entries) {
    *out << " (" << e.sid << std::hex << " 0x" << e.rights << " 0x" << e.flags << std::dec << ")";
  }
}
}  // namespace plat

// Registry helpers over the seam, for seeding and checking on either machine.
namespace regtest {
// Deletes a key and everything below it; a missing key is fine.
void DeleteTree(plat::Registry& reg, plat::HKey root, const std::string& path);
// Creates the key path (every level) and sets a REG_SZ with its terminator counted.
void SetString(plat::Registry& reg, plat::HKey root, const std::string& path,
               const std::string& name, const std::string& value);
void SetDword(plat::Registry& reg, plat::HKey root, const std::string& path,
              const std::string& name, uint32_t value);
void CreatePath(plat::Registry& reg, plat::HKey root, const std::string& path);
bool KeyExists(plat::Registry& reg, plat::HKey root, const std::string& path);
struct RawValue {
  bool found = false;
  uint32_t type = 0;
  std::string bytes;  // exactly the bytes the registry answers, terminator included if stored
};
// The bytes the registry holds for a REG_SZ text (its terminator stored) and for a REG_DWORD.
inline std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }
inline std::string Dword(uint32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
RawValue ReadRaw(plat::Registry& reg, plat::HKey root, const std::string& path,
                 const std::string& name);
}  // namespace regtest
