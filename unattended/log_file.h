#pragma once
// The file a run's log goes to, and the one place that writes it. A run only ever appends:
// an earlier run's log in the same file stays whole, and so do the lines of another run that
// writes to it at the same time. The run is elevated, and a log path may lie where every user
// may make files (%WINDIR%\Temp): so the log is made new, or appended to only when it is a
// plain file of one name that an administrator (or the running account) owns, reached
// through no junction or symbolic link. Anything else someone could have put there (their own
// file, a link to a file of Windows', a second name of one) is never written.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/platform.h"

namespace unattended {

class LogFile {
 public:
  explicit LogFile(plat::Platform& machine) : machine_(machine) {}

  // Begins this run's part of the file at path, making the file if it is missing; a file
  // that holds earlier runs gets a blank line after them. False when nothing can be
  // written there, or is not a file the log may go to.
  bool Open(const std::string& path);
  // Appends text (whole lines); false when the log is not open or the file refused it.
  bool Append(const std::string& text);
  bool isOpen() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  bool Write(const std::string& path, const std::string& text);

  plat::Platform& machine_;
  std::string path_;
};

// The log of a quiet run that names none: "VelmarSetup-20240426-101500-4242.log" (or
// VelmarUninstall-...) in the folder Windows gives the process for temporary files, after
// the time and the process id, so that no two runs share one. False when there is no
// temporary folder.
bool DefaultLogPath(plat::FileSystem& files, const plat::LocalTime& now, uint32_t processId,
                    bool uninstall, std::string* path);

}  // namespace unattended
