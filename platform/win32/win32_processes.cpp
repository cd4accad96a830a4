#include "platform/win32/win32_processes.h"

#include "platform/win32/windows_api.h"
#include <tlhelp32.h>

#include "platform/win32/unique_handle.h"

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

}  // namespace win32
