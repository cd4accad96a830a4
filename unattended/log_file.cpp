#include "unattended/log_file.h"

#include "platform/win_constants.h"
#include "unattended/time_text.h"

namespace unattended {

bool LogFile::Open(const std::string& path) {
  const bool earlier = files_.GetAttributes(path) != plat::kInvalidAttributes;
  if (!files_.AppendToFile(path, earlier ? "\r\n" : "")) return false;
  path_ = path;
  return true;
}

bool LogFile::Append(const std::string& text) {
  return isOpen() && files_.AppendToFile(path_, text);
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
