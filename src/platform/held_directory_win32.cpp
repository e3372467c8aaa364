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

DirectoryHandle holdDirectory(const char* path) {
  HANDLE directory =
      CreateFileA(path, kDirectoryAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | (hasReparsePoints() ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                  nullptr);
  if (directory == INVALID_HANDLE_VALUE) return kNoDirectory;
  BY_HANDLE_FILE_INFORMATION information;
  bool plain = GetFileInformationByHandle(directory, &information) &&
               (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
               (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
               isListedAs(directory, path);
  if (!plain) {
    CloseHandle(directory);
    return kNoDirectory;
  }
  return reinterpret_cast<DirectoryHandle>(directory);
}

void releaseDirectory(DirectoryHandle directory) { CloseHandle(reinterpret_cast<HANDLE>(directory)); }

// A file reached through a link, or with another name elsewhere, would let
// whoever made that name choose what the program writes to.
static bool isOnlyName(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(file, &information) && information.nNumberOfLinks <= 1 &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Opens `name` in `directory`, for its owners only when it is created.
// INVALID_HANDLE_VALUE, with the reason in `*status`, when it cannot.
static HANDLE openOwnersFile(DirectoryHandle directory, const char* name, ACCESS_MASK access,
                             ULONG share, NativeStatus* status) {
  OwnersSecurity security;
  HANDLE file = INVALID_HANDLE_VALUE;
  *status = -1;
  if (!buildOwnersOnlySecurity(kThisObjectOnly, &security)) return INVALID_HANDLE_VALUE;
  *status = createFileIn(reinterpret_cast<HANDLE>(directory), name, access | SYNCHRONIZE, share,
                         &security.descriptor, &file);
  if (*status < 0) return INVALID_HANDLE_VALUE;
  if (!isOnlyName(file)) {
    CloseHandle(file);
    *status = -1;
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

int takeLockFile(DirectoryHandle directory, const char* name, FileHandle* lock) {
  NativeStatus status;
  HANDLE file = openOwnersFile(directory, name, GENERIC_READ, 0, &status);
  if (file == INVALID_HANDLE_VALUE) {
    return status == kStatusSharingViolation ? kLockBusy : kLockFailed;
  }
  *lock = reinterpret_cast<FileHandle>(file);
  return kLockTaken;
}

FileHandle openForAppending(DirectoryHandle directory, const char* name) {
  NativeStatus status;
  HANDLE file = openOwnersFile(directory, name, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &status);
  if (file == INVALID_HANDLE_VALUE) return kNoFile;
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
      return kNoFile;
    }
  }
  return reinterpret_cast<FileHandle>(file);
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
