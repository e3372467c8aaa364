// Test helper for the Windows build under Wine: a process that holds the log,
// as any account that may read the log could.
//
//   qnLock far|all|read|none PATH
//
// far and all open PATH for reading only and lock, exclusively, either the
// byte far past its end (0x7FFFFFFF00000000) that earlier versions of qnUpdate
// locked to take turns (far) or every byte (all). read opens PATH for reading
// with read sharing only, as copy, xcopy and robocopy open what they copy;
// none opens it, a file or a directory, with no sharing at all. Prints
// "locked", or "error N", and holds PATH until its standard input ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

static bool lockRange(HANDLE file, bool everyByte) {
  OVERLAPPED range = {};
  DWORD lengthLow = 1;
  DWORD lengthHigh = 0;
  if (everyByte) {
    lengthLow = 0xFFFFFFFF;
    lengthHigh = 0xFFFFFFFF;
  } else {
    range.OffsetHigh = 0x7FFFFFFF;
  }
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, lengthLow,
                    lengthHigh, &range) != 0;
}

int main(int argc, char** argv) {
  const char* mode = argc == 3 ? argv[1] : "";
  bool locks = strcmp(mode, "far") == 0 || strcmp(mode, "all") == 0;
  bool shares = strcmp(mode, "read") == 0 || strcmp(mode, "none") == 0;
  if (!locks && !shares) {
    fprintf(stderr, "usage: qnLock far|all|read|none PATH\n");
    return 2;
  }
  DWORD sharing = strcmp(mode, "none") == 0 ? 0 : strcmp(mode, "read") == 0 ? FILE_SHARE_READ
                                                                            : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileA(argv[2], GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE || (locks && !lockRange(file, strcmp(mode, "all") == 0))) {
    printf("error %lu\n", GetLastError());
    return 1;
  }
  printf("locked\n");
  fflush(stdout);
  char buffer[64];
  DWORD count = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &count, nullptr) && count > 0) {
  }
  return 0;
}
