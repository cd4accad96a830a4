#pragma once
// The file a run's log goes to, and the one place that writes it. A run only ever appends:
// an earlier run's log in the same file stays whole, and so do the lines of another run that
// writes to it at the same time. The run is elevated, and a log path may lie where every user
// may make files (%WINDIR%\Temp): so the log is made new, or appended to only when it is a
// plain file of one name that an administrator (or the running account) owns, in a folder
// reached through no junction or symbolic link, none of whose levels anyone but an
// administrator may replace. Anything else someone could have put there (their own file, a
// link to a file of Windows', a second name of one) is never written. The file is opened once,
// through a checked walk, and every line goes through that one handle: a level swapped for a
// link between two lines is never reached.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/platform.h"
#include "protection/levels.h"

namespace unattended {

class LogFile {
 public:
  explicit LogFile(plat::Platform& machine) : machine_(machine) {}

  // Begins this run's part of the file at path, a full path on a drive, making the file if it
  // is missing; a file that holds earlier runs gets a blank line after them. fresh: the file
  // must be made now (CREATE_NEW). False when nothing can be written there, or it is not a
  // file the log may go to: WhyText and WhyLogText then say why.
  bool Open(const std::string& path, bool fresh = false);
  // Appends text (whole lines), on the disk before it returns; false when the log is not open
  // or the file refused it.
  bool Append(const std::string& text);
  bool isOpen() const { return static_cast<bool>(file_); }
  const std::string& path() const { return path_; }

  // Why Open refused: for the message ("文件夹不存在"), and for the log line ("its folder does
  // not exist").
  std::string WhyText() const;
  std::string WhyLogText() const;

 private:
  enum class Why { kNone, kNetwork, kFolderMissing, kLevel, kLink, kSecondName, kNotOurs,
                   kFolder, kTaken, kUnwritable };
  bool Refuse(Why why);

  plat::Platform& machine_;
  std::string path_;
  plat::UniqueFileHandle file_;
  Why why_ = Why::kNone;
  protection::Finding level_;  // kLevel: the level and what is wrong with it
};

// The log of a quiet run that names none: "VelmarSetup-20240426-101500-<16 hex digits>.log"
// (or VelmarUninstall-...) in the folder Windows gives the process for temporary files: the
// time for a person to find it, and a random number, so that no one can make it first. False
// when there is no temporary folder.
bool DefaultLogPath(plat::FileSystem& files, const plat::LocalTime& now, bool uninstall,
                    std::string* path);

}  // namespace unattended
