// Files on Windows, over kernel32.
#include "platform/platform.h"

#include <windows.h>

#include <cstring>

#include "platform/win32_names.h"
#include "platform/win32_native.h"

namespace platform {

static bool sizeOf(HANDLE file, uint64_t* size) {
  DWORD high = 0;
  // A size whose low part is all ones is told from a failure by the last error.
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(file, &high);
  bool known = low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR;
  if (known) *size = (static_cast<uint64_t>(high) << 32) | low;
  return known;
}

static HANDLE openForSize(const char* path, DWORD access) {
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool copyFile(const char* source, const char* target, uint64_t* sourceSize) {
  // Held for reading without delete sharing (share modes bind only a handle
  // that reads, writes or deletes), the source cannot be renamed or replaced
  // before CopyFileA, which reads it too, has opened it.
  HANDLE held = openForSize(source, GENERIC_READ);
  if (held == INVALID_HANDLE_VALUE) return false;
  bool copied = sizeOf(held, sourceSize) && CopyFileA(source, target, FALSE) != 0;
  CloseHandle(held);
  return copied;
}

bool getFileSize(const char* path, uint64_t* size) {
  // No access beyond the file's attributes is asked for, so that no other
  // process's sharing can refuse the open.
  HANDLE file = openForSize(path, 0);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool known = sizeOf(file, size);
  CloseHandle(file);
  return known;
}

bool setFileAttributesNormal(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0;
}

bool deleteFile(const char* path) { return DeleteFileA(path) != 0; }

// The attributes that can be set on a file; the others (compressed,
// encrypted, sparse, reparse point) are the file system's own.
static constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool openForAttributes(const char* path, AttributeHandle* file) {
  // Delete sharing lets the name be deleted while the file is held.
  HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, volumeHasReparsePoints(path) ? FILE_FLAG_OPEN_REPARSE_POINT : 0,
                            nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (!GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & notAFile) != 0) {
    CloseHandle(handle);
    return false;
  }
  file->handle = reinterpret_cast<FileHandle>(handle);
  file->links = information.nNumberOfLinks;
  file->attributes = information.dwFileAttributes & kSettableAttributes;
  return true;
}

bool clearAttributes(const AttributeHandle& file) {
  return setAttributesThrough(reinterpret_cast<HANDLE>(file.handle), FILE_ATTRIBUTE_NORMAL);
}

bool restoreAttributes(const AttributeHandle& file) {
  // Zero would leave them unchanged: no attribute at all is "normal".
  DWORD attributes = file.attributes != 0 ? file.attributes : FILE_ATTRIBUTE_NORMAL;
  return setAttributesThrough(reinterpret_cast<HANDLE>(file.handle), attributes);
}

void closeAttributeHandle(const AttributeHandle& file) { CloseHandle(reinterpret_cast<HANDLE>(file.handle)); }

// CreateFileA, or CreateFileW for UTF-8 names.
static HANDLE createFile(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
  if (namesAreUtf8()) {
    return CreateFileW(wideFromUtf8(path).c_str(), access, sharing, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  return CreateFileA(path, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileHandle openForReading(const char* path) {
  HANDLE file = createFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

long readFile(FileHandle file, void* buffer, size_t size) {
  DWORD count = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(size), &count, nullptr)) {
    return -1;
  }
  return static_cast<long>(count);
}

FileFailure lastFileFailure() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return kFileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOGON_FAILURE:
    case ERROR_ACCOUNT_RESTRICTION:
    case ERROR_NETWORK_ACCESS_DENIED:
      return kFileAccessDenied;
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_REM_NOT_LIST:
    case ERROR_NETNAME_DELETED:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
      return kFileNetworkPathNotFound;
    case ERROR_SEM_TIMEOUT:
      return kFileTimedOut;
    default:
      return kFileFailed;
  }
}

bool writeFile(FileHandle file, const void* data, size_t size) {
  // An offset of all ones asks the system to write at the file's current end.
  OVERLAPPED atEnd = {};
  atEnd.Offset = 0xFFFFFFFF;
  atEnd.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  return WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(size), &written, &atEnd) &&
         written == size;
}

bool closeFile(FileHandle file) { return CloseHandle(reinterpret_cast<HANDLE>(file)) != 0; }

FileHandle openForWriting(const char* path) {
  HANDLE file = createFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

}  // namespace platform
