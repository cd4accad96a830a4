#include "uninstall/installed_programs.h"

#include "platform/registry_values.h"
#include "uninstall/record.h"

namespace uninstall {
namespace {

const char kDisplayName[] = "Velmar批打印软件";
const char kPublisher[] = "Velmar";

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
  plat::Registry& reg = platform.registry;
  // Texts through the wide call, counted with their terminator, as Settings reads them.
  const auto text = [&](const char16_t* name, const std::string& narrow) {
    return plat::WriteText(reg, key.get(), name, platform.text.ToUtf16(narrow));
  };
  const long results[] = {
      text(u"DisplayName", kDisplayName),
      text(u"DisplayVersion", shown),
      text(u"Publisher", kPublisher),
      text(u"InstallLocation", folder),
      text(u"DisplayIcon", uninstaller + ",0"),
      text(u"UninstallString", "\"" + uninstaller + "\""),
      text(u"QuietUninstallString", "\"" + uninstaller + "\" /S"),
      plat::WriteDword(reg, key.get(), u"NoModify", 1),
      plat::WriteDword(reg, key.get(), u"NoRepair", 1),
      plat::WriteDword(reg, key.get(), u"EstimatedSize",
                       static_cast<uint32_t>(kb > UINT32_MAX ? UINT32_MAX : kb)),
  };
  for (long result : results) {
    if (result != plat::kErrorSuccess) return result;
  }
  return plat::kErrorSuccess;
}

bool ReadProgramEntryFolder(plat::Platform& platform, std::string* folder) {
  plat::UniqueKey key(platform.registry);
  uint32_t type = 0;
  std::u16string units;
  // As written: plain text; an expandable one would name another folder.
  return platform.registry.OpenKeyRead(plat::kHkeyLocalMachine, kProgramEntryKey, key.put()) ==
             plat::kErrorSuccess &&
         plat::ReadText(platform.registry, key.get(), u"InstallLocation", &units, &type) ==
             plat::kErrorSuccess &&
         type == plat::kRegSz && !units.empty() && platform.text.FromUtf16(units, folder);
}

long RemoveProgramEntry(plat::Platform& platform) {
  const long rc = platform.registry.DeleteKey(plat::kHkeyLocalMachine, kProgramEntryKey);
  return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
}

}  // namespace uninstall
