#pragma once
// The real machine: every seam over the Win32 API and the C runtime, bundled for SetUp.exe.
#include "platform/platform.h"
#include "platform/win32/win32_audience.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_checked_files.h"
#include "platform/win32/win32_codepage.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_boxes.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"

namespace win32 {

class Machine {
 public:
  Machine() : platform_{registry, files, processes, messages, text, checked} {}
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  plat::Platform& platform() { return platform_; }

  Win32CodePage text;
  Win32Registry registry;
  Win32FileSystem files;
  Win32CheckedFiles checked;
  Win32Processes processes;
  Win32MessageBoxes messages;
  // Beside the platform: what only start-up uses.
  Win32Clock clock;
  Win32Audience audience;

 private:
  plat::Platform platform_;
};

}  // namespace win32
