// Files in a held directory on POSIX: each is opened with openat relative to a
// directory opened with O_NOFOLLOW, and never through a symbolic link.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/held_directory.h"

namespace platform {

// POSIX has no share modes: only the lock can be busy.
int holdDirectory(const char* path, DirectoryHandle* directory) {
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return kOpenFailed;
  *directory = fd;
  return kOpened;
}

void releaseDirectory(DirectoryHandle directory) { close(static_cast<int>(directory)); }

// Opens `name` in `directory` with `flags`, creating it with mode 0600, and
// keeps it only when it is a plain file with no other name; its status in
// `info`. The open never waits (a FIFO) and never takes a terminal.
static int openOwnersFile(DirectoryHandle directory, const char* name, int flags,
                          struct stat* info) {
  int fd = openat(static_cast<int>(directory), name,
                  flags | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode) || info->st_nlink > 1) {
    close(fd);
    return -1;
  }
  return fd;
}

int takeLockFile(DirectoryHandle directory, const char* name, FileHandle* lock) {
  struct stat info;
  int fd = openOwnersFile(directory, name, O_RDONLY, &info);
  if (fd < 0) return kOpenFailed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? kOpenBusy : kOpenFailed;
  }
  *lock = fd;
  return kOpened;
}

int openForAppending(DirectoryHandle directory, const char* name, FileHandle* file) {
  struct stat info;
  int fd = openOwnersFile(directory, name, O_RDWR | O_APPEND, &info);
  if (fd < 0) return kOpenFailed;
  unsigned char last = 0;
  if (info.st_size > 0 && pread(fd, &last, 1, info.st_size - 1) == 1 && last == 0x1A &&
      ftruncate(fd, info.st_size - 1) != 0) {
    close(fd);
    return kOpenFailed;
  }
  *file = fd;
  return kOpened;
}

// Advisory locks never refuse a write here.
int appendToFile(FileHandle file, const void* data, size_t size) {
  ssize_t written = write(static_cast<int>(file), data, size);
  return written >= 0 && static_cast<size_t>(written) == size ? kAppended : kAppendFailed;
}

}  // namespace platform
