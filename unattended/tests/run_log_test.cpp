#include "unattended/run_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace std::string_literals;

#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_files.h"
#include "platform/win_constants.h"
#include "unattended/log_file.h"
#include "unattended/time_text.h"

namespace {

// UTF-16LE bytes of a text, with its terminator, as the wide registry call reads it.
std::string Wide(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text + u'\0') {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

journal::ValueState Text(const std::u16string& text, uint32_t type = plat::kRegSz) {
  return {true, type, Wide(text)};
}

// Each event as the log line it becomes: root and view, key, value name, type, bytes, and
// texts in UTF-8, even where code page 936 has no form for a character.
TEST(RunLog, LinesOfEvents) {
  sim::SimCodePage text;
  const journal::KeyRef profile{plat::kHkeyCurrentUser,
                                "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\"
                                "机械制图\\Variables"};
  const journal::KeyRef wow{plat::kHkeyLocalMachine,
                            "Software\\WOW6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804"};
  const uint32_t two = 2;
  const struct {
    std::function<void(unattended::RunLog&)> event;
    const char* line;
  } rows[] = {
      {[&](unattended::RunLog& log) {
         log.ValueWritten(profile, "TRUSTEDPATHS", Text(u"d:\\한글;c:\\lisp"),
                          Text(u"D:\\한글;C:\\LISP;C:\\VELMAR"));
       },
       u8"value written: HKCU 64-bit view, key SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\"
       u8"ACAD-3001:804\\Profiles\\机械制图\\Variables, value TRUSTEDPATHS, REG_SZ, 48 bytes; "
       u8"old \"d:\\한글;c:\\lisp\"; new \"D:\\한글;C:\\LISP;C:\\VELMAR\""},
      {[&](unattended::RunLog& log) {
         log.ValueWritten(wow, "LOADCTRLS", {},
                          {true, plat::kRegDword, std::string(reinterpret_cast<const char*>(&two), 4)});
       },
       u8"value written: HKLM 32-bit view, key Software\\WOW6432Node\\Autodesk\\AutoCAD\\R17.1\\"
       u8"ACAD-6001:804, value LOADCTRLS, REG_DWORD, 4 bytes; old (none); new 2"},
      {[&](unattended::RunLog& log) {
         log.ValueWritten({plat::kHkeyLocalMachine, "SOFTWARE\\X"}, "", {},
                          Text(u"a\0b"s, plat::kRegMultiSz));
       },
       u8"value written: HKLM 64-bit view, key SOFTWARE\\X, value (default), REG_MULTI_SZ, "
       u8"8 bytes; old (none); new \"a | b\""},
      // A text stored without its terminator keeps its last character.
      {[&](unattended::RunLog& log) {
         log.ValueWritten({plat::kHkeyLocalMachine, "SOFTWARE\\X"}, "V", {},
                          {true, plat::kRegSz, "a\0b\0"s});
       },
       u8"value written: HKLM 64-bit view, key SOFTWARE\\X, value V, REG_SZ, 4 bytes; old (none); "
       u8"new \"ab\""},
      {[&](unattended::RunLog& log) { log.FileDeleted("C:\\Velmar\\Uninstall.exe"); },
       u8"file deleted: C:\\Velmar\\Uninstall.exe"},
      {[&](unattended::RunLog& log) { log.KeyCreated(wow); },
       u8"key created: HKLM 32-bit view, key Software\\WOW6432Node\\Autodesk\\AutoCAD\\R17.1\\"
       u8"ACAD-6001:804"},
      {[&](unattended::RunLog& log) {
         log.FileCopied("C:\\下载\\Data\\Velmar.prt7", "C:\\Velmar\\Velmar批打印软件\\itextsharp.dll",
                        1234);
       },
       u8"file copied: C:\\下载\\Data\\Velmar.prt7 -> C:\\Velmar\\Velmar批打印软件\\itextsharp.dll "
       u8"(1234 bytes)"},
      {[&](unattended::RunLog& log) { log.CallFailed("set HKLM\\SOFTWARE\\X\\Y", 5); },
       u8"skipped: set HKLM\\SOFTWARE\\X\\Y did not succeed (error 5)"},
      {[&](unattended::RunLog& log) {
         log.Unshown({"拷贝文件 C:\\a 失败\n\n1", "Velmar软件安装", plat::kMbAbortRetryIgnore,
                      plat::kIdAbort});
       },
       u8"message not shown, answered Abort: 拷贝文件 C:\\a 失败\\n\\n1"},
  };
  for (const auto& row : rows) {
    unattended::RunLog log(text);
    row.event(log);
    EXPECT_EQ(log.text(), std::string(row.line) + "\r\n");
  }
}

// Each line is headed by the local time and its offset from UTC, east and west, in whole
// hours and not; a file name takes the time in an order that sorts.
TEST(RunLog, TimeOfEachLine) {
  const struct {
    plat::LocalTime time;
    const char* stamp;
    const char* fileName;
  } rows[] = {
      {{2024, 4, 26, 10, 15, 0, 480}, "2024-04-26 10:15:00 +08:00", "20240426-101500"},
      {{2025, 12, 31, 23, 59, 59, 0}, "2025-12-31 23:59:59 +00:00", "20251231-235959"},
      {{2024, 1, 2, 3, 4, 5, -300}, "2024-01-02 03:04:05 -05:00", "20240102-030405"},
      {{2024, 11, 3, 1, 30, 0, -210}, "2024-11-03 01:30:00 -03:30", "20241103-013000"},
      {{2024, 6, 9, 7, 8, 9, 345}, "2024-06-09 07:08:09 +05:45", "20240609-070809"},
      {{2024, 6, 9, 7, 8, 9, -30}, "2024-06-09 07:08:09 -00:30", "20240609-070809"},
  };
  sim::SimCodePage text;
  for (const auto& row : rows) {
    EXPECT_EQ(unattended::TimeStamp(row.time), row.stamp);
    EXPECT_EQ(unattended::FileNameTime(row.time), row.fileName);
    sim::SimClock clock;
    clock.now = row.time;
    unattended::RunLog log(text, &clock);
    log.Line("result: exit code 0, done");
    EXPECT_EQ(log.text(), std::string(row.stamp) + "  result: exit code 0, done\r\n");
  }
}

// A machine that gives no temporary folder gives no log of the run's own, and no path.
TEST(RunLog, NoTemporaryFolderNoLogOfItsOwn) {
  struct NoTemp : sim::SimFileSystem {
    using sim::SimFileSystem::SimFileSystem;
    bool TempFolder(std::string*) override { return false; }
  };
  sim::SimCodePage text;
  NoTemp files(text);
  std::string path = "unchanged";
  EXPECT_FALSE(unattended::DefaultLogPath(files, {2024, 4, 26, 10, 15, 0, 480}, false,
                                          &path));
  EXPECT_EQ(path, "unchanged");
}

}  // namespace
