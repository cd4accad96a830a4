#include "versioninfo/tests/program_file.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/win32/unique_handle.h"

namespace versioninfo {
namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// GetProcAddress answers a generic function pointer; void (*)() is the type it may be cast
// through to the function's own.
template <typename Function>
Function Find(HMODULE dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(dll, name)));
}

bool Fail(std::string* error, const std::string& step) {
  *error = step + " failed (error " + std::to_string(::GetLastError()) + ")";
  return false;
}

}  // namespace

bool ReadFileVersion(const std::wstring& path, const std::vector<std::wstring>& names,
                     FileVersion* version, std::string* error) {
  // version.dll is not among the DLLs Windows only ever takes from System32: a copy planted
  // beside the program would be loaded instead, were it imported or loaded by name alone.
  win32::UniqueModule dll(::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!dll) return Fail(error, "loading version.dll from System32");
  const auto getSize = Find<GetSizeFn>(dll.get(), "GetFileVersionInfoSizeW");
  const auto getInfo = Find<GetInfoFn>(dll.get(), "GetFileVersionInfoW");
  const auto query = Find<QueryFn>(dll.get(), "VerQueryValueW");
  if (!getSize || !getInfo || !query) return Fail(error, "GetProcAddress in version.dll");

  DWORD ignored = 0;
  const DWORD size = getSize(path.c_str(), &ignored);
  if (size == 0) return Fail(error, "GetFileVersionInfoSizeW");
  std::vector<BYTE> block(size);
  if (!getInfo(path.c_str(), 0, size, block.data())) return Fail(error, "GetFileVersionInfoW");

  void* data = nullptr;
  UINT length = 0;
  if (!query(block.data(), L"\\", &data, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return Fail(error, "VerQueryValueW of the fixed part");
  }
  std::memcpy(&version->fixed, data, sizeof(VS_FIXEDFILEINFO));

  if (!query(block.data(), L"\\VarFileInfo\\Translation", &data, &length)) {
    return Fail(error, "VerQueryValueW of the translations");
  }
  const WORD* pairs = static_cast<const WORD*>(data);
  for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
    version->translations.emplace_back(pairs[i], pairs[i + 1]);
  }
  if (version->translations.empty()) return Fail(error, "finding a translation");

  // Explorer finds the texts in the block its translation names.
  wchar_t prefix[40];
  std::swprintf(prefix, sizeof prefix / sizeof *prefix, L"\\StringFileInfo\\%04x%04x\\",
                version->translations[0].first, version->translations[0].second);
  for (const std::wstring& name : names) {
    if (!query(block.data(), (prefix + name).c_str(), &data, &length)) continue;
    const wchar_t* text = static_cast<const wchar_t*>(data);
    version->texts[name].assign(text, ::wcsnlen(text, length));
  }
  return true;
}

bool ExtractResource(const std::wstring& module, int id, const std::wstring& out,
                     std::string* error) {
  win32::UniqueModule image(::LoadLibraryExW(
      module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!image) return Fail(error, "loading the program as a data file");
  HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  if (!found) return Fail(error, "FindResourceW of RT_RCDATA " + std::to_string(id));
  HGLOBAL loaded = ::LoadResource(image.get(), found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(image.get(), found);
  if (!bytes || size == 0) return Fail(error, "LoadResource");

  win32::UniqueFile file(::CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Fail(error, "CreateFileW of the copy");
  DWORD written = 0;
  if (!::WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) {
    return Fail(error, "WriteFile of the copy");
  }
  return true;
}

}  // namespace versioninfo
