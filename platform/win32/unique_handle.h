#pragma once
// Owner types for the kernel handles the adapters and tests hold themselves. Each kind has its
// own "no handle" value and close call; an owner closes its handle exactly once.
#include "platform/win32/windows_api.h"

#include <utility>

namespace win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  explicit UniqueHandle(Handle handle = Traits::Invalid()) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_;
};

// CreateToolhelp32Snapshot and CreateFileA answer INVALID_HANDLE_VALUE on failure.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

// FindFirstFileA answers INVALID_HANDLE_VALUE; its handle is closed with FindClose, not CloseHandle.
struct FindFileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::FindClose(handle); }
};

// CreateProcessA's process and thread handles, and OpenProcess's, are null when there are none.
struct ProcessTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

// Memory the security calls allocate for their answers (a SID, a security descriptor, a
// SID's text) is freed with LocalFree; no answer is null.
struct LocalMemoryTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle memory) { ::LocalFree(memory); }
};

// LoadLibraryExW answers null; a loaded module is released with FreeLibrary.
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle module) { ::FreeLibrary(module); }
};
// OpenProcessToken gives no handle as null, like the process handles.
struct TokenTraits : ProcessTraits {};
// CreateFileMappingW and OpenFileMappingW answer null on failure.
struct MappingTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

struct SnapshotTraits : KernelHandleTraits {};
struct FileTraits : KernelHandleTraits {};

using UniqueSnapshot = UniqueHandle<SnapshotTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFindFile = UniqueHandle<FindFileTraits>;
using UniqueProcess = UniqueHandle<ProcessTraits>;
using UniqueLocal = UniqueHandle<LocalMemoryTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueToken = UniqueHandle<TokenTraits>;
using UniqueMapping = UniqueHandle<MappingTraits>;

}  // namespace win32
