#include "unattended/log_file.h"

#include "platform/win_constants.h"
#include "protection/levels.h"
#include "protection/rules.h"
#include "unattended/time_text.h"

namespace unattended {

bool LogFile::Open(const std::string& path) {
  plat::FileSystem& files = machine_.files;
  const std::string full = protection::FullPath(machine_, path);
  const std::vector<std::string> levels = protection::Levels(machine_.text, full);
  // From below the drive's root (or share), which no one replaces; Wine reports the root of
  // its Z: drive, the Unix root, as a link.
  for (size_t at = 1; at < levels.size(); ++at) {
    const uint32_t attributes = files.GetAttributes(levels[at]);
    if (attributes != plat::kInvalidAttributes && (attributes & plat::kAttrReparsePoint))
      return false;
  }
  const bool earlier = files.GetAttributes(full) != plat::kInvalidAttributes;
  if (!Write(full, earlier ? "\r\n" : "")) return false;
  path_ = full;
  return true;
}

bool LogFile::Append(const std::string& text) { return isOpen() && Write(path_, text); }

bool LogFile::Write(const std::string& path, const std::string& text) {
  const protection::Administrators admins = protection::Administrators::Of(machine_.files);
  return machine_.files.AppendToFileIf(path, text, [&](const plat::OpenedFile& opened) {
    return !(opened.attributes & (plat::kAttrReparsePoint | plat::kAttrDirectory)) &&
           opened.links == 1 && admins.Include(opened.owner);
  });
}

bool DefaultLogPath(plat::FileSystem& files, const plat::LocalTime& now, uint32_t processId,
                    bool uninstall, std::string* path) {
  std::string folder;
  if (!files.TempFolder(&folder)) return false;
  *path = folder + (uninstall ? "VelmarUninstall-" : "VelmarSetup-") + FileNameTime(now) + "-" +
          std::to_string(processId) + ".log";
  return true;
}

}  // namespace unattended
