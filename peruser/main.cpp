// VelmarTrust.exe: run by Active Setup at a user's logon, as that user. It opens no window
// and shows no message; its exit code says what it did (peruser::ExitCode).
#include "platform/win32/windows_api.h"

#include <cwchar>
#include <string>

#include "peruser/serve_user.h"
#include "platform/platform.h"
#include "platform/win32/win32_checked_files.h"
#include "platform/win32/win32_codepage.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "unattended/silent_message_boxes.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  win32::Win32CodePage text;
  win32::Win32Registry registry;
  win32::Win32FileSystem files;
  win32::Win32Processes processes;
  unattended::SilentMessageBoxes messages;
  win32::Win32CheckedFiles checked;
  plat::Platform platform{registry, files, processes, messages, text, checked};
  const wchar_t* line = ::GetCommandLineW();
  const std::u16string commandLine = line ? std::u16string(line, line + ::wcslen(line)) : u"";
  return peruser::ServeUser(platform, commandLine);
}
