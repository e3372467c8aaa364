// The process on Linux, standing in for Windows: commands run through /bin/sh,
// the system never counts as one of the NT family, and the console is standard
// output and error.
#include "platform/platform.h"

#include <errno.h>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/environment.h"

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
#ifdef __GLIBC__
  // Memory freed at the top of the heap goes back to the system past 128 KiB,
  // as glibc starts out. Left alone, glibc raises that threshold to the size
  // of the largest block freed (up to 64 MiB), and a program that frees large
  // blocks (qnReport's listings and tables) keeps it all.
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
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

void useUtf8Text() {}

const char* rawCommandLine() { return nullptr; }

// Linux has no error boxes: the mode is only kept, so that the program's own
// rules about it run the same here.
static uint32_t errorMode = 0;

uint32_t setErrorMode(uint32_t mode) {
  uint32_t before = errorMode;
  errorMode = mode;
  return before;
}

bool writeConsole(const char* text, size_t length) { return fwrite(text, 1, length, stdout) == length; }

bool flushConsole() { return fflush(stdout) == 0; }

void endProcess(int status) {
  fflush(stdout);
  fflush(stderr);
  _exit(status);
}

void writeErrorConsole(const char* text, size_t length) { fwrite(text, 1, length, stderr); }

bool errorConsoleIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace platform
