// Directories on Windows, over kernel32 and advapi32: the system volume, the
// current directory, creating, removing and listing directories.
#include "platform/platform.h"

#include <windows.h>

#include <cstring>

#include "platform/win32_security.h"

namespace platform {

// The system directory as the run reads it: a 256-byte buffer.
static constexpr DWORD kSystemDirectorySize = 256;

// msvcrt on NT 4.0 has no strnlen.
static size_t boundedLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

void systemRoot(char* buffer, size_t size) {
  char directory[kSystemDirectorySize] = {0};
  GetSystemDirectoryA(directory, kSystemDirectorySize);
  size_t length = boundedLength(directory, 3);
  if (length + 1 > size) length = 0;
  memcpy(buffer, directory, length);
  buffer[length] = '\0';
}

bool logVolume(char* buffer, size_t size) {
  const char* value = findEnvironment("systemdrive");
  char drive[3] = {0};
  if (value == nullptr) {
    // Without the variable, the drive of the system directory.
    char directory[kSystemDirectorySize] = {0};
    GetSystemDirectoryA(directory, kSystemDirectorySize);
    memcpy(drive, directory, boundedLength(directory, 2));
    value = drive;
  }
  size_t length = strlen(value);
  if (length + 1 > size) return false;
  memcpy(buffer, value, length + 1);
  return true;
}

bool getCurrentDirectory(char* buffer, size_t size) {
  char path[MAX_PATH + 1];
  DWORD length = GetCurrentDirectoryA(sizeof path, path);
  if (length == 0 || length >= sizeof path || length + 1 > size) return false;
  memcpy(buffer, path, length + 1);
  return true;
}

bool setCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool isDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool createDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool createPrivateDirectory(const char* path) {
  OwnersSecurity security;
  return buildOwnersOnlySecurity(kInheritedByContents, &security) &&
         CreateDirectoryA(path, &security.attributes) != 0;
}

bool removeDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

static void toEntry(const WIN32_FIND_DATAA& data, DirectoryEntry* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  size_t length = boundedLength(data.cFileName, sizeof entry->name - 1);
  memcpy(entry->name, data.cFileName, length);
  entry->name[length] = '\0';
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return kNoFind;
  toEntry(data, entry);
  return reinterpret_cast<FindHandle>(find);
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &data)) {
    return GetLastError() == ERROR_NO_MORE_FILES ? kNoMoreEntries : kListingFailed;
  }
  toEntry(data, entry);
  return kFoundEntry;
}

// The listing gives every attribute at no extra cost.
FindHandle findFirstName(const char* pattern, DirectoryEntry* entry) { return findFirstFile(pattern, entry); }

int findNextName(FindHandle find, DirectoryEntry* entry) { return findNextFile(find, entry); }

void findClose(FindHandle find) { FindClose(reinterpret_cast<HANDLE>(find)); }

bool getTempFileName(const char* directory, const char* prefix, char* buffer, size_t size) {
  char name[MAX_PATH + 1] = {0};
  if (GetTempFileNameA(directory, prefix, 0, name) == 0) return false;
  size_t length = boundedLength(name, MAX_PATH);
  if (length + 1 > size) return false;
  memcpy(buffer, name, length + 1);
  return true;
}

bool getDiskFreeSpace(const char* root, DiskSpace* space) {
  DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return false;
  }
  space->sectorsPerCluster = sectorsPerCluster;
  space->bytesPerSector = bytesPerSector;
  space->freeClusters = freeClusters;
  return true;
}

}  // namespace platform
