#include "activesetup/active_setup.h"

#include <array>
#include <cstdint>
#include <vector>

#include "deploy/package_copy.h"
#include "platform/registry_values.h"

namespace activesetup {
namespace {

using Version = std::array<unsigned long, 4>;

// "a,b,c[,d]": up to four decimal parts; anything else reads as 0,0,0,0, older than any
// version this program writes.
Version ParseVersion(const std::string& text) {
  Version parts{};
  std::size_t part = 0;
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9' && parts[part] < 100000000) {
      parts[part] = parts[part] * 10 + static_cast<unsigned long>(c - '0');
      digit = true;
    } else if (c == ',' && digit && part + 1 < parts.size()) {
      ++part;
      digit = false;
    } else {
      return Version{};
    }
  }
  return digit ? parts : Version{};
}

std::string VersionText(const Version& v) {
  std::string text = std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]);
  if (v[3] != 0) text += "," + std::to_string(v[3]);
  return text;
}

// A REG_SZ text with its terminator counted, as a value of this program's own.
long SetText(plat::Registry& reg, plat::HKey key, const std::string& name,
             const std::string& value) {
  return reg.SetValue(key, name, plat::kRegSz, value.c_str(),
                      static_cast<uint32_t>(value.size() + 1));
}

// A text value of the component as this program writes one (REG_SZ); empty otherwise.
std::string ReadText(plat::Platform& platform, plat::HKey key, const std::string& name) {
  std::u16string units;
  uint32_t type = 0;
  std::string text;
  if (plat::ReadText(platform.registry, key, platform.text.ToUtf16(name), &units, &type) ==
          plat::kErrorSuccess &&
      type == plat::kRegSz)
    platform.text.FromUtf16(units, &text);
  return text;
}

}  // namespace

std::string StubPathFor(const std::string& installFolder) {
  return "\"" + installFolder + "\\" + kPerUserProgram + "\" \"" + installFolder + "\"";
}

std::string VersionToWrite(const std::string& oldVersion, bool stubUnchanged) {
  const Version build = ParseVersion(kBuildVersion);
  const Version old = ParseVersion(oldVersion);
  if (old < build) return kBuildVersion;
  if (stubUnchanged) return VersionText(old);
  Version raised = old;
  ++raised[3];
  return VersionText(raised);
}

Outcome Register(plat::Platform& platform, const std::string& installFolder,
                 const std::string& program) {
  plat::Registry& reg = platform.registry;
  const std::string programPath = installFolder + "\\" + kPerUserProgram;
  // A build without the program carries no bytes of it; an empty file would be no program.
  if (program.empty()) return Outcome::kProgramNotWritten;
  ClearReadOnly(platform.files, programPath);
  // A stub that names a program which is not there would fail at every user's logon.
  if (!platform.files.WriteWholeFile(programPath, program)) return Outcome::kProgramNotWritten;

  const std::string stub = StubPathFor(installFolder);
  std::string oldVersion, oldStub;
  uint32_t wasInstalled = 0;
  {
    plat::UniqueKey existing(reg);
    if (reg.OpenKeyRead(plat::kHkeyLocalMachine, kComponentKey, existing.put()) ==
        plat::kErrorSuccess) {
      oldVersion = ReadText(platform, existing.get(), kVersion);
      oldStub = ReadText(platform, existing.get(), kStubPath);
      if (plat::ReadDword(reg, existing.get(), platform.text.ToUtf16(kIsInstalled),
                          &wasInstalled) != plat::kErrorSuccess)
        wasInstalled = 0;
    }
  }
  // After an uninstall the users who lost the entry (the one who uninstalled) must be served
  // again as well, even by the same stub.
  const bool unchanged = wasInstalled == 1 && platform.text.CompareNoCase(oldStub, stub) == 0;
  const std::string version = VersionToWrite(oldVersion, unchanged);

  plat::UniqueKey component(reg);
  if (reg.CreateKey(plat::kHkeyLocalMachine, kComponentKey, component.put()) !=
      plat::kErrorSuccess) {
    return Outcome::kNotRegistered;
  }
  const uint32_t installed = 1;
  // The stub and the version first: a component that says it is installed runs its stub.
  const long results[] = {
      SetText(reg, component.get(), "", kDisplayName),
      SetText(reg, component.get(), kStubPath, stub),
      SetText(reg, component.get(), kVersion, version),
      reg.SetValue(component.get(), kIsInstalled, plat::kRegDword, &installed, sizeof installed),
  };
  for (long rc : results) {
    if (rc != plat::kErrorSuccess) return Outcome::kNotRegistered;
  }
  // The user who installs has been served already; without this mark the stub would run at
  // their next logon too, and write their TRUSTEDPATHS once more (upper-cased by the rules).
  plat::UniqueKey served(reg);
  if (reg.CreateKey(plat::kHkeyCurrentUser, kComponentKey, served.put()) == plat::kErrorSuccess) {
    SetText(reg, served.get(), kVersion, version);
  }
  return Outcome::kRegistered;
}

}  // namespace activesetup
