#include "platform/win32/win32_files.h"

#include "platform/win32/windows_api.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <shlobj.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_access.h"

#include <string>
#include <vector>

namespace win32 {
namespace {

HANDLE ToHandle(plat::FindHandle find) { return reinterpret_cast<HANDLE>(find); }

std::wstring Widen(const std::string& text) {
  int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const wchar_t* text, int count) {
  int length = ::WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, count, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

void Fill(const WIN32_FIND_DATAA& data, plat::FindEntry* entry) {
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  entry->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Every byte, however many calls WriteFile takes for them.
bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD done = 0;
  for (std::size_t at = 0; at < bytes.size(); at += done) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() - at);
    if (!::WriteFile(file, bytes.data() + at, chunk, &done, nullptr) || done == 0) return false;
  }
  return true;
}

}  // namespace

bool Win32FileSystem::ModuleFileName(std::string* path) {
  // The answer is truncated (length == buffer size) when the path does not fit; grow and ask again.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      path->assign(buffer.data(), length);
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

plat::FindHandle Win32FileSystem::FindFirst(const std::string& pattern, plat::FindEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) Fill(data, entry);
  return reinterpret_cast<plat::FindHandle>(find);
}

bool Win32FileSystem::FindNext(plat::FindHandle find, plat::FindEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!::FindNextFileA(ToHandle(find), &data)) return false;
  Fill(data, entry);
  return true;
}

void Win32FileSystem::FindClose(plat::FindHandle find) { ::FindClose(ToHandle(find)); }

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return ::CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

std::string Win32FileSystem::CurrentDirectory() {
  // Asked with too small a buffer, the call answers the size needed, terminator included.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length);
  }
}

bool Win32FileSystem::GetEnvironmentVariable(const std::string& name, std::string* value) {
  // GetEnvironmentVariableA is GetEnvironmentVariableW converted to the ANSI code page, and
  // so it is done here: Wine's A form sizes the result in UTF-16 units and cuts one byte off
  // the end for every double-byte character in the value.
  std::wstring wideName = Widen(name);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    // A set but empty variable answers 0 like an unset one; only the last error tells them apart.
    ::SetLastError(ERROR_SUCCESS);
    DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value->clear();
      return true;
    }
    if (length < buffer.size()) {
      *value = Narrow(buffer.data(), static_cast<int>(length));
      return true;
    }
    // Too small: length is the size needed, terminator included. The value may grow meanwhile.
    buffer.resize(length);
  }
}

bool Win32FileSystem::ShellAppDataFolder(std::string* path) {
  char buffer[MAX_PATH];
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    return false;
  }
  *path = buffer;
  return true;
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) {
  return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

bool Win32FileSystem::ReadWholeFile(const std::string& path, std::string* bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  for (std::size_t at = 0; at < bytes->size(); at += done) {
    const DWORD chunk = static_cast<DWORD>(bytes->size() - at);
    if (!::ReadFile(file.get(), &(*bytes)[at], chunk, &done, nullptr) || done == 0) return false;
  }
  return true;
}

bool Win32FileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.get(), bytes);
}

bool Win32FileSystem::AppendToFile(const std::string& path, const std::string& bytes,
                                   bool flush) {
  // FILE_APPEND_DATA alone: every write lands at the end as it is then, whoever else appends.
  UniqueFile file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.get(), bytes) && (!flush || ::FlushFileBuffers(file.get()) != FALSE);
}

bool Win32FileSystem::AppendToFileIf(const std::string& path, const std::string& bytes,
                                     const std::function<bool(const plat::OpenedFile&)>& accept) {
  const DWORD access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  // A link itself is opened, never what it leads to; a folder does not open without backup
  // semantics.
  plat::OpenedFile opened;
  UniqueFile file(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
    // Fails when anything has come to stand there meanwhile.
    file.reset(::CreateFileA(path.c_str(), access, share, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    opened.made = static_cast<bool>(file);
  }
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file.get(), &info)) return false;
  opened.attributes = info.dwFileAttributes;
  opened.links = info.nNumberOfLinks;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR security = nullptr;
  if (::GetSecurityInfo(file.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &security) != ERROR_SUCCESS)
    return false;
  UniqueLocal owned(security);
  if (!owner || !SidText(owner, &opened.owner) || !accept(opened)) return false;
  return WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get()) != FALSE;
}

bool Win32FileSystem::CutFile(const std::string& path, uint64_t size) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER length;
  if (!::GetFileSizeEx(file.get(), &length) || static_cast<uint64_t>(length.QuadPart) < size)
    return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get()) &&
         ::FlushFileBuffers(file.get());
}

bool Win32FileSystem::TempFolder(std::string* path) {
  // Windows 11 and the updated Windows 10 have GetTempPath2W; kernel32 is loaded already.
  using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
  const auto temp2 = reinterpret_cast<GetTempPath2>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = temp2 ? temp2(MAX_PATH + 1, buffer) : ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return false;
  BOOL lost = FALSE;
  const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer,
                                         static_cast<int>(length), nullptr, 0, nullptr, &lost);
  if (size == 0 || lost) return false;
  *path = Narrow(buffer, static_cast<int>(length));
  return true;
}

bool Win32FileSystem::DeleteAtRestart(const std::string& path) {
  return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool Win32FileSystem::SetAccessList(const std::string& path, const plat::AccessList& list) {
  std::vector<DWORD> acl;
  if (!MakeAcl(list, &acl)) return false;
  std::string name = path;  // the call takes a writable text
  return ::SetNamedSecurityInfoA(&name[0], SE_FILE_OBJECT, DaclInformation(list), nullptr,
                                 nullptr, reinterpret_cast<PACL>(acl.data()),
                                 nullptr) == ERROR_SUCCESS;
}

bool Win32FileSystem::CreateDirectoryWith(const std::string& path,
                                          const plat::Descriptor& descriptor) {
  SecurityDescriptor security;
  if (!security.Make(descriptor)) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security.get(), FALSE};
  return ::CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}

bool Win32FileSystem::ReadSecurity(const std::string& path, plat::Descriptor* descriptor) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR security = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &security) != ERROR_SUCCESS) {
    return false;
  }
  UniqueLocal owned(security);
  return ReadDescriptor(security, owner, dacl, descriptor);
}

bool Win32FileSystem::MoveFile(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
}

bool Win32FileSystem::RunningAccount(std::string* sid) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  UniqueToken owned(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
  if (!::GetTokenInformation(token, TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size)) {
    return false;
  }
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid);
}

bool Win32FileSystem::RandomNumber(uint64_t* number) {
  return ::RtlGenRandom(number, sizeof(*number)) != FALSE;
}

}  // namespace win32
