// Files in a held directory on Windows: the directory is opened as itself and
// held without delete sharing, and its files are opened relative to that handle
// (NtCreateFile), never by a path that could be redirected meanwhile.
#include <windows.h>

#include "platform/held_directory.h"
#include "platform/win32_native.h"
#include "platform/win32_security.h"

namespace platform {

// Enough to open files relative to the directory and to ask what it is.
static constexpr DWORD kDirectoryAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

int holdDirectory(const char* path, DirectoryHandle* held) {
  DWORD asItself = volumeHasReparsePoints(path) ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
  HANDLE directory = CreateFileA(path, kDirectoryAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | asItself, nullptr);
  if (directory == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? kOpenBusy : kOpenFailed;
  }
  BY_HANDLE_FILE_INFORMATION information;
  bool plain = GetFileInformationByHandle(directory, &information) &&
               (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
               (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
               isListedAs(directory, path);
  if (!plain) {
    CloseHandle(directory);
    return kOpenFailed;
  }
  *held = reinterpret_cast<DirectoryHandle>(directory);
  return kOpened;
}

void releaseDirectory(DirectoryHandle directory) { CloseHandle(reinterpret_cast<HANDLE>(directory)); }

// A file reached through a link, or with another name elsewhere, would let
// whoever made that name choose what the program writes to.
static bool isOnlyName(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(file, &information) && information.nNumberOfLinks <= 1 &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Opens `name` in `directory` into `*file`, for its owners only when it is
// created. Busy when another handle's sharing shuts this open out.
static int openOwnersFile(DirectoryHandle directory, const char* name, ACCESS_MASK access,
                          ULONG share, HANDLE* file) {
  OwnersSecurity security;
  if (!buildOwnersOnlySecurity(kThisObjectOnly, &security)) return kOpenFailed;
  NativeStatus status = createFileIn(reinterpret_cast<HANDLE>(directory), name,
                                     access | SYNCHRONIZE, share, &security.descriptor, file);
  if (status == kStatusSharingViolation) return kOpenBusy;
  if (status < 0) return kOpenFailed;
  if (!isOnlyName(*file)) {
    CloseHandle(*file);
    return kOpenFailed;
  }
  return kOpened;
}

int takeLockFile(DirectoryHandle directory, const char* name, FileHandle* lock) {
  HANDLE file = INVALID_HANDLE_VALUE;
  int opened = openOwnersFile(directory, name, GENERIC_READ, 0, &file);
  if (opened == kOpened) *lock = reinterpret_cast<FileHandle>(file);
  return opened;
}

int openForAppending(DirectoryHandle directory, const char* name, FileHandle* opened) {
  HANDLE file = INVALID_HANDLE_VALUE;
  int result = openOwnersFile(directory, name, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &file);
  if (result != kOpened) return result;
  DWORD size = GetFileSize(file, nullptr);
  if (size != INVALID_FILE_SIZE && size > 0) {
    unsigned char last = 0;
    DWORD count = 0;
    bool truncated = true;
    if (SetFilePointer(file, -1, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, &last, 1, &count, nullptr) && count == 1 && last == 0x1A) {
      truncated = SetFilePointer(file, -1, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                  SetEndOfFile(file);
    }
    if (!truncated) {
      CloseHandle(file);
      return kOpenFailed;
    }
  }
  *opened = reinterpret_cast<FileHandle>(file);
  return kOpened;
}

int appendToFile(FileHandle file, const void* data, size_t size) {
  // An offset of all ones asks the system to write at the file's current end.
  OVERLAPPED atEnd = {};
  atEnd.Offset = 0xFFFFFFFF;
  atEnd.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  if (WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(size), &written, &atEnd)) {
    return written == size ? kAppended : kAppendFailed;
  }
  return GetLastError() == ERROR_LOCK_VIOLATION ? kAppendLockedOut : kAppendFailed;
}

}  // namespace platform
