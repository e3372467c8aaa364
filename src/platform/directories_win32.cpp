// Directories on Windows, over kernel32 and advapi32: the system volume, the
// current directory, creating, removing and listing directories.
#include "platform/platform.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win32_names.h"
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
  if (namesAreUtf8()) {
    wchar_t wide[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, wide);
    if (length == 0 || length > MAX_PATH) return false;
    std::string path = utf8FromWide(wide, length);
    if (path.size() + 1 > size) return false;
    memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
  }
  char path[MAX_PATH + 1];
  DWORD length = GetCurrentDirectoryA(sizeof path, path);
  if (length == 0 || length >= sizeof path || length + 1 > size) return false;
  memcpy(buffer, path, length + 1);
  return true;
}

bool setCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

static DWORD attributesOf(const char* path) {
  return namesAreUtf8() ? GetFileAttributesW(wideFromUtf8(path).c_str()) : GetFileAttributesA(path);
}

bool isDirectory(const char* path) {
  DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(const char* path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool createDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool createPrivateDirectory(const char* path) {
  OwnersSecurity security;
  return buildOwnersOnlySecurity(kInheritedByContents, &security) &&
         CreateDirectoryA(path, &security.attributes) != 0;
}

bool removeDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

static void toEntry(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const std::string& name,
                    DirectoryEntry* entry) {
  entry->attributes = attributes;
  entry->size = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  size_t length = name.size() < sizeof entry->name ? name.size() : sizeof entry->name - 1;
  memcpy(entry->name, name.data(), length);
  entry->name[length] = '\0';
}

static void toEntry(const WIN32_FIND_DATAA& data, DirectoryEntry* entry) {
  toEntry(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
          std::string(data.cFileName, boundedLength(data.cFileName, MAX_PATH)), entry);
}

static void toEntry(const WIN32_FIND_DATAW& data, DirectoryEntry* entry) {
  toEntry(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, utf8FromWide(data.cFileName),
          entry);
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
  HANDLE find;
  if (namesAreUtf8()) {
    WIN32_FIND_DATAW data;
    find = FindFirstFileW(wideFromUtf8(pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) toEntry(data, entry);
  } else {
    WIN32_FIND_DATAA data;
    find = FindFirstFileA(pattern, &data);
    if (find != INVALID_HANDLE_VALUE) toEntry(data, entry);
  }
  return find == INVALID_HANDLE_VALUE ? kNoFind : reinterpret_cast<FindHandle>(find);
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  BOOL found;
  if (namesAreUtf8()) {
    WIN32_FIND_DATAW data;
    found = FindNextFileW(reinterpret_cast<HANDLE>(find), &data);
    if (found) toEntry(data, entry);
  } else {
    WIN32_FIND_DATAA data;
    found = FindNextFileA(reinterpret_cast<HANDLE>(find), &data);
    if (found) toEntry(data, entry);
  }
  if (!found) return GetLastError() == ERROR_NO_MORE_FILES ? kNoMoreEntries : kListingFailed;
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
