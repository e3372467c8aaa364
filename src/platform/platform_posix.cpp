// The platform services on Linux, standing in for Windows: the system volume is
// the directory named by "systemdrive" (or "/"), commands run through /bin/sh,
// and the system never counts as one of the NT family.
#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/environment.h"

extern char** environ;

namespace platform {

const char kPathSeparator = '/';
const char kConsoleLineEnd[] = "\n";

// Does nothing: a write whose reader has gone then fails with EPIPE, which a
// console line ignores. Caught rather than ignored, because execve puts a caught
// signal back at its default: every command starts with SIGPIPE at its default,
// as from a shell, and nothing needs undoing between vfork and execve.
static void ignoreSignal(int) {}

void prepareProcess() {
  // A closed standard handle is opened on /dev/null (or, without one, on the
  // root directory, which refuses writes): a file opened later would take its
  // number, and console lines, or a command's output, would land in that file.
  // The numbers below are open, so the one opened is the lowest free: this one.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (open("/dev/null", O_RDWR) < 0) open("/", O_RDONLY);
  }
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = ignoreSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGPIPE, &action, nullptr);
  // Ignored, ended children are reaped by the kernel and waitpid cannot give
  // their status.
  signal(SIGCHLD, SIG_DFL);
}

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

// What the owner of a directory needs to empty it.
static constexpr mode_t kOwnerMayEmpty = S_IRWXU;

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

static int nextEntry(DIR* stream, DirectoryEntry* entry) {
  errno = 0;
  struct dirent* item = readdir(stream);
  if (item == nullptr) return errno == 0 ? kNoMoreEntries : kListingFailed;
  if (!copyText(entry->name, sizeof entry->name, item->d_name)) return kListingFailed;
  describeEntry(stream, item, entry);
  return kFoundEntry;
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
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
  if (nextEntry(stream, entry) != kFoundEntry) {
    closedir(stream);
    return kNoFind;
  }
  return reinterpret_cast<FindHandle>(stream);
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  return nextEntry(reinterpret_cast<DIR*>(find), entry);
}

void findClose(FindHandle find) { closedir(reinterpret_cast<DIR*>(find)); }

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

bool copyFile(const char* source, const char* target) {
  struct stat info;
  int in = openRegularFile(source, &info);
  if (in < 0) return false;
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

bool setFileAttributesNormal(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0 || S_ISLNK(info.st_mode)) return false;
  // A fresh copy normally has that mode already: no chmod needed then.
  if ((info.st_mode & 07777) == normalMode(info)) return true;
  // The C library changes the entry itself (through O_PATH), refusing a link
  // that took its place meanwhile.
  return fchmodat(AT_FDCWD, path, normalMode(info), AT_SYMLINK_NOFOLLOW) == 0;
}

bool holdFile(const char* path, HeldFile* held) {
  int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd < 0) return false;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  held->handle = fd;
  held->links = static_cast<uint32_t>(info.st_nlink);
  held->attributes = info.st_mode & 07777;
  return true;
}

bool clearHeldFileAttributes(const HeldFile& held) {
  return fchmod(static_cast<int>(held.handle), (held.attributes & 0777) | S_IRUSR | S_IWUSR) == 0;
}

bool restoreHeldFileAttributes(const HeldFile& held) {
  return fchmod(static_cast<int>(held.handle), held.attributes) == 0;
}

void releaseFile(const HeldFile& held) { close(static_cast<int>(held.handle)); }

bool deleteFile(const char* path) { return unlink(path) == 0; }

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

// Linux is not of the NT family: the request is answered, with no NT platform id.
bool getVersion(VersionInfo* info, bool) {
  info->major = 0;
  info->minor = 0;
  info->platformId = 0;
  info->suiteMask = 0;
  return true;
}

Wow64Probe findWow64Probe() { return nullptr; }

bool callWow64Probe(Wow64Probe) { return false; }

int32_t runCommand(char*, const char* line) {
  fflush(stdout);
  char shell[] = "/bin/sh";
  char option[] = "-c";
  char* arguments[] = {shell, option, const_cast<char*>(line), nullptr};
  // vfork and execve, as dash does: the child borrows this process's memory and
  // stack until execve and reports a failed start through startError. glibc's
  // posix_spawn, which maps and unmaps a stack for every child, cost measurably
  // more per command.
  volatile int startError = 0;
  pid_t child = vfork();
  if (child == 0) {
    execve(shell, arguments, environ);
    startError = errno;
    _exit(127);
  }
  if (child < 0) return errno;
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return kExitCodeUnreadable;
  }
  if (startError != 0) return startError;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return kExitCodeUnreadable;
}

void getLocalTime(LocalTime* now) {
  time_t seconds = time(nullptr);
  struct tm local;
  localtime_r(&seconds, &local);
  now->year = local.tm_year + 1900;
  now->month = local.tm_mon + 1;
  now->day = local.tm_mday;
  now->hour = local.tm_hour;
  now->minute = local.tm_min;
  now->second = local.tm_sec;
}

bool getUtcOffset(int* minutes) {
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) return false;
  *minutes = static_cast<int>(local.tm_gmtoff / 60);
  return true;
}

void sleepMilliseconds(uint32_t milliseconds) {
  struct timespec pause = {static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

const char* findEnvironment(const char* name) {
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* value = matchEnvironmentEntry(*entry, name);
    if (value != nullptr) return value;
  }
  return nullptr;
}

const char* rawCommandLine() { return nullptr; }

void writeConsole(const char* text, size_t length) { fwrite(text, 1, length, stdout); }

void flushConsole() { fflush(stdout); }

void writeErrorConsole(const char* text, size_t length) { fwrite(text, 1, length, stderr); }

bool errorConsoleIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace platform
