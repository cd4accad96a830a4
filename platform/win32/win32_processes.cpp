#include "platform/win32/win32_processes.h"

#include "platform/win32/windows_api.h"
#include <tlhelp32.h>

#include "platform/win32/unique_handle.h"

#include <vector>

namespace win32 {

bool Win32Processes::ExecutableNames(std::vector<std::string>* names) {
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  names->clear();
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry)) {
    names->push_back(entry.szExeFile);
  }
  return true;
}

uint32_t Win32Processes::CurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t Win32Processes::Start(const std::string& commandLine) {
  // CreateProcessA may write into the command line it is given.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    return 0;
  }
  UniqueProcess process(started.hProcess), thread(started.hThread);
  return started.dwProcessId;
}

bool Win32Processes::WaitForExit(uint32_t id, uint32_t milliseconds) {
  UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, id));
  if (!process) return true;
  return ::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
}

}  // namespace win32
