// Files on Linux, standing in for Windows: only regular files are opened, and
// an open never waits.
#include "platform/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix_modes.h"

namespace platform {

// Copies the bytes of one open file into another, in the kernel where it can.
static bool copyBytes(int source, int target) {
  for (;;) {
    ssize_t copied = copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
    if (copied == 0) return true;
    if (copied < 0) break;
  }
  if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return false;
  char buffer[64 * 1024];
  for (;;) {
    ssize_t count = read(source, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < count;) {
      ssize_t written = write(target, buffer + done, static_cast<size_t>(count - done));
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += written;
    }
  }
}

// Opens `path` for reading without waiting: a FIFO with no writer would block
// the open for good, and a terminal must not become the controlling one. Only a
// regular file is kept, its status in `info`; on those O_NONBLOCK changes nothing.
static int openRegularFile(const char* path, struct stat* info) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
    close(fd);
    errno = EINVAL;  // no regular file: no reason that lastFileFailure names
    return -1;
  }
  return fd;
}

bool copyFile(const char* source, const char* target, uint64_t* sourceSize) {
  struct stat info;
  int in = openRegularFile(source, &info);
  if (in < 0) return false;
  *sourceSize = static_cast<uint64_t>(info.st_size);
  // Ordinary, writable permissions; a program file stays runnable.
  mode_t mode = (info.st_mode & S_IXUSR) ? 0777 : 0666;
  int out = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (out < 0) {
    close(in);
    return false;
  }
  bool copied = copyBytes(in, out);
  close(in);
  return close(out) == 0 && copied;
}

bool getFileSize(const char* path, uint64_t* size) {
  struct stat info;
  int fd = openRegularFile(path, &info);
  if (fd < 0) return false;
  close(fd);
  *size = static_cast<uint64_t>(info.st_size);
  return true;
}

// The mode that lets the owner change and delete a file, or empty a directory.
static mode_t normalMode(const struct stat& info) {
  return (info.st_mode & 0777) | (S_ISDIR(info.st_mode) ? kOwnerMayEmpty : S_IRUSR | S_IWUSR);
}

// Changes the mode of the entry `path` itself, never of what a link that took
// its place leads to. An entry that its owner may read is opened without
// following a link and changed through that descriptor. The C library's own
// way, fchmodat with AT_SYMLINK_NOFOLLOW, needs /proc (glibc 2.36 changes the
// mode through /proc/self/fd): it is left for an entry that its owner may not
// read, which without /proc keeps its mode.
static bool changeEntryMode(const char* path, const struct stat& listed, mode_t mode) {
  if (S_ISDIR(listed.st_mode) || S_ISREG(listed.st_mode)) {
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
      struct stat opened;
      bool changed = fstat(fd, &opened) == 0 &&
                     (opened.st_mode & S_IFMT) == (listed.st_mode & S_IFMT) &&
                     fchmod(fd, mode) == 0;
      close(fd);
      return changed;
    }
    if (errno != EACCES) return false;
  }
  return fchmodat(AT_FDCWD, path, mode, AT_SYMLINK_NOFOLLOW) == 0;
}

bool setFileAttributesNormal(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0 || S_ISLNK(info.st_mode)) return false;
  // A fresh copy normally has that mode already: no chmod needed then.
  if ((info.st_mode & 07777) == normalMode(info)) return true;
  return changeEntryMode(path, info, normalMode(info));
}

bool openForAttributes(const char* path, AttributeHandle* file) {
  int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd < 0) return false;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  file->handle = fd;
  file->links = static_cast<uint32_t>(info.st_nlink);
  file->attributes = info.st_mode & 07777;
  return true;
}

bool clearAttributes(const AttributeHandle& file) {
  return fchmod(static_cast<int>(file.handle), (file.attributes & 0777) | S_IRUSR | S_IWUSR) == 0;
}

bool restoreAttributes(const AttributeHandle& file) {
  return fchmod(static_cast<int>(file.handle), file.attributes) == 0;
}

void closeAttributeHandle(const AttributeHandle& file) { close(static_cast<int>(file.handle)); }

bool deleteFile(const char* path) { return unlink(path) == 0; }

FileHandle openForReading(const char* path) {
  struct stat info;
  int fd = openRegularFile(path, &info);
  return fd < 0 ? kNoFile : fd;
}

long readFile(FileHandle file, void* buffer, size_t size) {
  for (;;) {
    ssize_t count = read(static_cast<int>(file), buffer, size);
    if (count >= 0 || errno != EINTR) return static_cast<long>(count);
  }
}

FileFailure lastFileFailure() {
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
      return kFileNotFound;
    case EACCES:
    case EPERM:
      return kFileAccessDenied;
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNREFUSED:
      return kFileNetworkPathNotFound;
    case ETIMEDOUT:
      return kFileTimedOut;
    default:
      return kFileFailed;
  }
}

bool writeFile(FileHandle file, const void* data, size_t size) {
  ssize_t written = write(static_cast<int>(file), data, size);
  return written >= 0 && static_cast<size_t>(written) == size;
}

bool closeFile(FileHandle file) { return close(static_cast<int>(file)) == 0; }

FileHandle openForWriting(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd < 0 ? kNoFile : fd;
}

}  // namespace platform
