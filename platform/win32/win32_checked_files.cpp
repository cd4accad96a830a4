#include "platform/win32/win32_checked_files.h"

#include "platform/win32/windows_api.h"

#include <aclapi.h>
#include <winternl.h>

#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_access.h"

namespace win32 {
namespace {

// Opening each level relative to the handle of the one above (NtCreateFile with a root
// directory) leaves nothing to resolve by name again: no level can be swapped for a link
// after it was checked, whether or not anyone may rename it. ntdll is in every process.
using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                        PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                        ULONG, PVOID, ULONG);
using NtQueryDirectoryFileFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK,
                                                PVOID, ULONG, FILE_INFORMATION_CLASS, BOOLEAN,
                                                PUNICODE_STRING, BOOLEAN);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS);
using NtAreMappedFilesTheSameFn = NTSTATUS(NTAPI*)(PVOID, PVOID);

template <typename Fn>
Fn FromNtdll(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS kDeletePending = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kInvalidOwner = static_cast<NTSTATUS>(0xC000005A);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103);
constexpr ULONG kOpenOptions = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT;
constexpr FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr FILE_INFORMATION_CLASS kFileDirectoryInformation =
    static_cast<FILE_INFORMATION_CLASS>(1);
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// NtCreateFile gives no handle as null.
struct NtFileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using UniqueNtFile = UniqueHandle<NtFileTraits>;

HANDLE ToHandle(plat::FileHandle file) { return reinterpret_cast<HANDLE>(file); }

std::wstring Widen(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// A name relative to a folder handle (or a full NT path without one).
struct NtName {
  NtName(HANDLE folder, const std::wstring& name, PSECURITY_DESCRIPTOR security = nullptr)
      : text(name) {
    string.Buffer = &text[0];
    string.Length = string.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    InitializeObjectAttributes(&attributes, &string, OBJ_CASE_INSENSITIVE, folder, security);
  }
  NtName(const NtName&) = delete;
  NtName& operator=(const NtName&) = delete;
  std::wstring text;
  UNICODE_STRING string;
  OBJECT_ATTRIBUTES attributes;
};

plat::Reached FromStatus(NTSTATUS status) {
  switch (status) {
    case kNameNotFound:
    case kPathNotFound:
      return plat::Reached::kMissing;
    case kNameCollision:
      return plat::Reached::kExists;
    case kNotADirectory:
      return plat::Reached::kNotFolder;
    case kAccessDenied:
    case kDeletePending:
    case kInvalidOwner:
      return plat::Reached::kDenied;
    case kSharingViolation:
      return plat::Reached::kInUse;
    default:
      return plat::Reached::kFailed;
  }
}

NTSTATUS NtCreate(NtName& name, uint32_t access, uint32_t share, ULONG disposition,
                  ULONG options, HANDLE* handle) {
  static const auto create = FromNtdll<NtCreateFileFn>("NtCreateFile");
  IO_STATUS_BLOCK io;
  return create(handle, access | SYNCHRONIZE, &name.attributes, &io, nullptr,
                FILE_ATTRIBUTE_NORMAL, share, disposition, kOpenOptions | options, nullptr, 0);
}

plat::Opened Create(plat::CheckedFiles& files, NtName& name, uint32_t access, uint32_t share,
                    ULONG disposition, ULONG options) {
  HANDLE handle = nullptr;
  const NTSTATUS status = NtCreate(name, access, share, disposition, options, &handle);
  if (status != 0) return {{}, FromStatus(status)};
  plat::Opened opened{{files, reinterpret_cast<plat::FileHandle>(handle)}, plat::Reached::kFile};
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return {{}, plat::Reached::kFailed};
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return {{}, plat::Reached::kLink};
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) opened.reached = plat::Reached::kFolder;
  return opened;
}

// Wine opens what a Unix symbolic link leads to even with FILE_OPEN_REPARSE_POINT, while its
// listing of the folder marks a link to a folder; on Windows the handle alone tells. The folder
// is opened anew for the listing, since a search takes its name only on a handle's first.
bool ListedAsLink(HANDLE folder, const std::wstring& name) {
  NtName self(folder, L"");
  HANDLE listing = nullptr;
  if (NtCreate(self, FILE_LIST_DIRECTORY, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE, &listing))
    return false;
  UniqueNtFile owned(listing);
  static const auto query = FromNtdll<NtQueryDirectoryFileFn>("NtQueryDirectoryFile");
  alignas(8) unsigned char entry[sizeof(FILE_DIRECTORY_INFORMATION) + 512 * sizeof(WCHAR)];
  NtName mask(nullptr, name);
  IO_STATUS_BLOCK io;
  return query(listing, nullptr, nullptr, nullptr, &io, entry, sizeof(entry),
               kFileDirectoryInformation, TRUE, &mask.string, TRUE) == 0 &&
         (reinterpret_cast<FILE_DIRECTORY_INFORMATION*>(entry)->FileAttributes &
          FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Every byte, however many calls WriteFile takes for them; at the end of the file as it then
// is when asked (both offsets all ones).
bool WriteAll(HANDLE file, const std::string& bytes, bool atEnd) {
  DWORD done = 0;
  for (std::size_t at = 0; at < bytes.size(); at += done) {
    OVERLAPPED end{};
    end.Offset = end.OffsetHigh = 0xFFFFFFFF;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - at);
    if (!::WriteFile(file, bytes.data() + at, chunk, &done, atEnd ? &end : nullptr) || done == 0)
      return false;
  }
  return true;
}

bool Rewind(HANDLE file) {
  LARGE_INTEGER start{};
  return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

struct ViewTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle view) { ::UnmapViewOfFile(view); }
};

}  // namespace

plat::Opened Win32CheckedFiles::OpenDrive(char letter, uint32_t access, uint32_t share) {
  const auto drive = static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(letter)));
  NtName root(nullptr, std::wstring(L"\\??\\") + drive + L":\\");
  // A drive's root is never a link on Windows; Wine shows the root of its Z: drive, the Unix
  // root, as one. So the root's own reparse attribute is not looked at.
  HANDLE handle = nullptr;
  const NTSTATUS status = NtCreate(root, access, share, FILE_OPEN, FILE_DIRECTORY_FILE, &handle);
  if (status != 0) return {{}, FromStatus(status)};
  return {{*this, reinterpret_cast<plat::FileHandle>(handle)}, plat::Reached::kFolder};
}

plat::Opened Win32CheckedFiles::Open(plat::FileHandle folder, const std::string& name,
                                     uint32_t access, uint32_t share) {
  const std::wstring wide = Widen(name);
  NtName relative(ToHandle(folder), wide);
  plat::Opened opened = Create(*this, relative, access, share, FILE_OPEN, 0);
  // Wine's listing marks a link to a folder only: for a file it would tell nothing more.
  if (opened.reached == plat::Reached::kFolder && ListedAsLink(ToHandle(folder), wide))
    return {{}, plat::Reached::kLink};
  return opened;
}

plat::Opened Win32CheckedFiles::Make(plat::FileHandle folder, const std::string& name,
                                     bool isFolder, const plat::Descriptor& descriptor,
                                     uint32_t access, uint32_t share) {
  SecurityDescriptor security;
  const bool given = !descriptor.owner.empty();
  if (given && !security.Make(descriptor)) return {{}, plat::Reached::kFailed};
  NtName relative(ToHandle(folder), Widen(name), given ? security.get() : nullptr);
  return Create(*this, relative, access, share, FILE_CREATE,
                isFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
}

bool Win32CheckedFiles::Facts(plat::FileHandle file, plat::FileFacts* facts) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(ToHandle(file), &info)) return false;
  facts->attributes = info.dwFileAttributes;
  facts->links = info.nNumberOfLinks;
  facts->size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  facts->volume = info.dwVolumeSerialNumber;
  facts->id = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool Win32CheckedFiles::ReadSecurity(plat::FileHandle file, plat::Descriptor* descriptor) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR security = nullptr;
  if (::GetSecurityInfo(ToHandle(file), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &security) != ERROR_SUCCESS)
    return false;
  UniqueLocal owned(security);
  return ReadDescriptor(security, owner, dacl, descriptor);
}

bool Win32CheckedFiles::SetAccessList(plat::FileHandle file, const plat::AccessList& list) {
  std::vector<DWORD> acl;
  return MakeAcl(list, &acl) &&
         ::SetSecurityInfo(ToHandle(file), SE_FILE_OBJECT, DaclInformation(list), nullptr,
                           nullptr, reinterpret_cast<PACL>(acl.data()), nullptr) == ERROR_SUCCESS;
}

bool Win32CheckedFiles::ReadAll(plat::FileHandle file, std::string* bytes) {
  if (!Rewind(ToHandle(file))) return false;
  bytes->clear();
  char buffer[64 * 1024];
  DWORD got = 0;
  do {
    if (!::ReadFile(ToHandle(file), buffer, sizeof(buffer), &got, nullptr)) return false;
    bytes->append(buffer, got);
  } while (got > 0);
  return true;
}

bool Win32CheckedFiles::Replace(plat::FileHandle file, const std::string& bytes) {
  return Rewind(ToHandle(file)) && WriteAll(ToHandle(file), bytes, false) &&
         ::SetEndOfFile(ToHandle(file)) != FALSE;
}

bool Win32CheckedFiles::Append(plat::FileHandle file, const std::string& bytes, bool flush) {
  return WriteAll(ToHandle(file), bytes, true) &&
         (!flush || ::FlushFileBuffers(ToHandle(file)) != FALSE);
}

bool Win32CheckedFiles::SetAttributes(plat::FileHandle file, uint32_t attributes) {
  FILE_BASIC_INFO basic{};  // times of zero stay as they are; so would attributes of zero
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(ToHandle(file), FileBasicInfo, &basic, sizeof(basic)) !=
         FALSE;
}

bool Win32CheckedFiles::Delete(plat::FileHandle file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return ::SetFileInformationByHandle(ToHandle(file), FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}

bool Win32CheckedFiles::Rename(plat::FileHandle file, plat::FileHandle folder,
                               const std::string& name) {
  // FILE_RENAME_INFORMATION straight to ntdll: Wine's SetFileInformationByHandle turns the new
  // name into a full path first, which a root directory then makes invalid.
  struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG nameLength;
    WCHAR name[1];
  };
  const std::wstring wide = Widen(name);
  const std::size_t nameBytes = wide.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(offsetof(RenameInformation, name) + nameBytes + sizeof(WCHAR));
  auto* info = reinterpret_cast<RenameInformation*>(buffer.data());
  info->replaceIfExists = FALSE;
  info->rootDirectory = ToHandle(folder);
  info->nameLength = static_cast<ULONG>(nameBytes);
  wide.copy(info->name, wide.size());
  static const auto set = FromNtdll<NtSetInformationFileFn>("NtSetInformationFile");
  IO_STATUS_BLOCK io;
  return set(ToHandle(file), &io, info, static_cast<ULONG>(buffer.size()),
             kFileRenameInformation) == 0;
}

void Win32CheckedFiles::Close(plat::FileHandle file) { ::CloseHandle(ToHandle(file)); }

plat::Opened Win32CheckedFiles::OwnImage() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {{}, plat::Reached::kFailed};
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  HANDLE file = ::CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {{}, plat::Reached::kFailed};
  plat::Opened opened{{*this, reinterpret_cast<plat::FileHandle>(file)}, plat::Reached::kFile};
  // The file at the path is the program's only if a view of it maps the same file as the
  // image the loader mapped: the question the loader itself asks of a DLL loaded twice.
  UniqueMapping mapping(::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return {{}, plat::Reached::kFailed};
  UniqueHandle<ViewTraits> view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  static const auto same = FromNtdll<NtAreMappedFilesTheSameFn>("NtAreMappedFilesTheSame");
  if (!view || !same || same(::GetModuleHandleW(nullptr), view.get()) != 0)
    return {{}, plat::Reached::kFailed};
  return opened;
}

}  // namespace win32
