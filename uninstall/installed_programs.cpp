#include "uninstall/installed_programs.h"

#include "uninstall/record.h"

namespace uninstall {
namespace {

const char kDisplayName[] = "Velmar批打印软件";
const char kPublisher[] = "Velmar";

long SetText(plat::Platform& platform, plat::HKey key, const char* name,
             const std::string& narrow) {
  std::u16string units = platform.text.ToUtf16(narrow);
  units.push_back(0);  // counted, as the wide readers expect
  return platform.registry.SetValueW(key, platform.text.ToUtf16(name), plat::kRegSz,
                                     units.data(), static_cast<uint32_t>(units.size() * 2));
}

long SetDword(plat::Platform& platform, plat::HKey key, const char* name, uint32_t value) {
  return platform.registry.SetValueW(key, platform.text.ToUtf16(name), plat::kRegDword, &value,
                                     sizeof value);
}

}  // namespace

long WriteProgramEntry(plat::Platform& platform, const std::string& folder, int version,
                       uint64_t bytes) {
  plat::UniqueKey key(platform.registry);
  long rc = platform.registry.CreateKey(plat::kHkeyLocalMachine, kProgramEntryKey, key.put());
  if (rc != plat::kErrorSuccess) return rc;
  const std::string uninstaller = folder + "\\" + kUninstallerFileName;
  const std::string shown = std::to_string(version / 10000) + "." +
                            std::to_string(version % 10000 / 100) + "." +
                            std::to_string(version % 100);
  const uint64_t kb = (bytes + 1023) / 1024;
  const long results[] = {
      SetText(platform, key.get(), "DisplayName", kDisplayName),
      SetText(platform, key.get(), "DisplayVersion", shown),
      SetText(platform, key.get(), "Publisher", kPublisher),
      SetText(platform, key.get(), "InstallLocation", folder),
      SetText(platform, key.get(), "DisplayIcon", uninstaller + ",0"),
      SetText(platform, key.get(), "UninstallString", "\"" + uninstaller + "\""),
      SetText(platform, key.get(), "QuietUninstallString", "\"" + uninstaller + "\" /S"),
      SetDword(platform, key.get(), "NoModify", 1),
      SetDword(platform, key.get(), "NoRepair", 1),
      SetDword(platform, key.get(), "EstimatedSize",
               static_cast<uint32_t>(kb > UINT32_MAX ? UINT32_MAX : kb)),
  };
  for (long result : results) {
    if (result != plat::kErrorSuccess) return result;
  }
  return plat::kErrorSuccess;
}

bool ReadProgramEntryFolder(plat::Platform& platform, std::string* folder) {
  plat::UniqueKey key(platform.registry);
  if (platform.registry.OpenKeyRead(plat::kHkeyLocalMachine, kProgramEntryKey, key.put()) !=
      plat::kErrorSuccess)
    return false;
  const std::u16string name = platform.text.ToUtf16("InstallLocation");
  uint32_t type = 0, size = 0;
  if (platform.registry.QueryValueW(key.get(), name, &type, nullptr, &size) !=
          plat::kErrorSuccess ||
      type != plat::kRegSz || size < 2 || size > 4096 || size % 2 != 0)
    return false;  // an odd count is no UTF-16 text, and would not fit the units read into
  std::u16string units(size / 2, u'\0');
  if (platform.registry.QueryValueW(key.get(), name, &type,
                                    reinterpret_cast<unsigned char*>(&units[0]), &size) !=
      plat::kErrorSuccess)
    return false;
  units.resize(size / 2);
  while (!units.empty() && units.back() == 0) units.pop_back();
  return !units.empty() && platform.text.FromUtf16(units, folder);
}

long RemoveProgramEntry(plat::Platform& platform) {
  const long rc = platform.registry.DeleteKey(plat::kHkeyLocalMachine, kProgramEntryKey);
  return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
}

}  // namespace uninstall
