// Directories on Linux, standing in for Windows: the system volume is the
// directory named by "systemdrive" (or "/"), and a listing describes its
// entries as Windows would list them.
#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/posix_modes.h"

namespace platform {

// Copies `text` into `buffer` whole, or returns false and leaves an empty text.
static bool copyText(char* buffer, size_t size, const char* text) {
  size_t length = strlen(text);
  if (length + 1 > size) {
    if (size > 0) buffer[0] = '\0';
    return false;
  }
  memcpy(buffer, text, length + 1);
  return true;
}

// The directory that stands for the system volume: "systemdrive" when set and
// not empty, otherwise the file system's root.
static const char* systemVolumeDirectory() {
  const char* value = findEnvironment("systemdrive");
  return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

void systemRoot(char* buffer, size_t size) {
  const char* directory = systemVolumeDirectory();
  if (directory == nullptr) directory = "/";
  size_t length = strlen(directory);
  bool needsSeparator = directory[length - 1] != '/';
  if (length + (needsSeparator ? 1 : 0) + 1 > size) {
    if (size > 0) buffer[0] = '\0';
    return;
  }
  memcpy(buffer, directory, length);
  if (needsSeparator) buffer[length++] = '/';
  buffer[length] = '\0';
}

bool logVolume(char* buffer, size_t size) {
  const char* directory = systemVolumeDirectory();
  return copyText(buffer, size, directory != nullptr ? directory : "");
}

bool getCurrentDirectory(char* buffer, size_t size) {
  char path[PATH_MAX];
  if (getcwd(path, sizeof path) == nullptr) return false;
  if (strlen(path) + 1 > size) return false;
  memcpy(buffer, path, strlen(path) + 1);
  return true;
}

bool setCurrentDirectory(const char* path) { return chdir(path) == 0; }

bool isDirectory(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathExists(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0;
}

bool createDirectory(const char* path) { return mkdir(path, 0777) == 0; }

bool createPrivateDirectory(const char* path) { return mkdir(path, 0700) == 0; }

// rmdir refuses a symbolic link; the link itself is removed, never its target.
bool removeDirectory(const char* path) {
  if (rmdir(path) == 0) return true;
  struct stat info;
  return errno == ENOTDIR && lstat(path, &info) == 0 && S_ISLNK(info.st_mode) && unlink(path) == 0;
}

// Describes an entry as Windows would list it: a symbolic link is a reparse
// point, and also a directory when it leads to one, so that the copy follows it
// as Windows' listing does, while the removal never enters it. A directory
// whose owner may not empty it is read-only. A file's size is that of what it
// leads to, which is what a copy takes.
static void describeEntry(DIR* stream, const struct dirent* item, DirectoryEntry* entry) {
  entry->attributes = item->d_type == DT_DIR ? kAttributeDirectory : 0;
  entry->size = 0;
  struct stat info;
  if (fstatat(dirfd(stream), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    bool mayEmpty = (info.st_mode & kOwnerMayEmpty) == kOwnerMayEmpty;
    entry->attributes = kAttributeDirectory | (mayEmpty ? 0 : kAttributeReadOnly);
    return;
  }
  if (S_ISLNK(info.st_mode)) {
    entry->attributes = kAttributeReparsePoint;
    if (fstatat(dirfd(stream), item->d_name, &info, 0) != 0) return;
  }
  if (S_ISDIR(info.st_mode)) {
    entry->attributes |= kAttributeDirectory;
  } else {
    entry->size = static_cast<uint64_t>(info.st_size);
  }
}

// With `kindsOnly`, a directory or a regular file is described by the kind
// that the listing gives, without a look-up; other entries (a link, or any
// on a file system whose listings give no kinds) as describeEntry does.
static int nextEntry(DIR* stream, DirectoryEntry* entry, bool kindsOnly) {
  errno = 0;
  struct dirent* item = readdir(stream);
  if (item == nullptr) return errno == 0 ? kNoMoreEntries : kListingFailed;
  if (!copyText(entry->name, sizeof entry->name, item->d_name)) return kListingFailed;
  if (kindsOnly && (item->d_type == DT_DIR || item->d_type == DT_REG)) {
    entry->attributes = item->d_type == DT_DIR ? kAttributeDirectory : 0;
    entry->size = 0;
  } else {
    describeEntry(stream, item, entry);
  }
  return kFoundEntry;
}

static FindHandle startFind(const char* pattern, DirectoryEntry* entry, bool kindsOnly) {
  static const char kWildcard[] = "*.*";
  size_t length = strlen(pattern);
  size_t wildcardLength = sizeof kWildcard - 1;
  if (length < wildcardLength || strcmp(pattern + length - wildcardLength, kWildcard) != 0) {
    return kNoFind;
  }
  char directory[kPathBufferSize];
  size_t directoryLength = length - wildcardLength;
  if (directoryLength + 1 > sizeof directory) return kNoFind;
  memcpy(directory, pattern, directoryLength);
  directory[directoryLength] = '\0';
  DIR* stream = opendir(directoryLength == 0 ? "." : directory);
  if (stream == nullptr) return kNoFind;
  if (nextEntry(stream, entry, kindsOnly) != kFoundEntry) {
    closedir(stream);
    return kNoFind;
  }
  return reinterpret_cast<FindHandle>(stream);
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
  return startFind(pattern, entry, false);
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  return nextEntry(reinterpret_cast<DIR*>(find), entry, false);
}

FindHandle findFirstName(const char* pattern, DirectoryEntry* entry) {
  return startFind(pattern, entry, true);
}

int findNextName(FindHandle find, DirectoryEntry* entry) {
  return nextEntry(reinterpret_cast<DIR*>(find), entry, true);
}

void findClose(FindHandle find) { closedir(reinterpret_cast<DIR*>(find)); }

bool getTempFileName(const char* directory, const char* prefix, char* buffer, size_t size) {
  char stem[4] = {0};
  for (int i = 0; i < 3 && prefix[i] != '\0'; ++i) stem[i] = prefix[i];
  unsigned start = static_cast<unsigned>(getpid() ^ time(nullptr)) & 0xFFFF;
  for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
    unsigned number = (start + attempt) & 0xFFFF;
    if (number == 0) continue;
    char path[2 * kPathBufferSize];
    int length = snprintf(path, sizeof path, "%s%s%X.tmp", directory, stem, number);
    if (length < 0 || static_cast<size_t>(length) + 1 > size) return false;
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      memcpy(buffer, path, static_cast<size_t>(length) + 1);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool getDiskFreeSpace(const char* root, DiskSpace* space) {
  struct statvfs info;
  if (statvfs(root, &info) != 0) return false;
  space->sectorsPerCluster = 1;
  space->bytesPerSector = static_cast<uint32_t>(info.f_frsize);
  space->freeClusters = info.f_bavail > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(info.f_bavail);
  return true;
}

}  // namespace platform
