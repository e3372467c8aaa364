// Test helper for the Windows build under Wine: a process that holds a lock on
// the log, as any account that may read the log could.
//
//   qnLock far|all PATH
//
// Opens PATH for reading only and locks, exclusively, either the byte far
// past its end (0x7FFFFFFF00000000) that earlier versions of qnUpdate locked
// to take turns (far) or every byte (all). Prints "locked", or "error N", and
// holds the lock until its standard input ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3 || (strcmp(argv[1], "far") != 0 && strcmp(argv[1], "all") != 0)) {
    fprintf(stderr, "usage: qnLock far|all PATH\n");
    return 2;
  }
  HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  OVERLAPPED range = {};
  DWORD lengthLow = 1;
  DWORD lengthHigh = 0;
  if (strcmp(argv[1], "far") == 0) {
    range.OffsetHigh = 0x7FFFFFFF;
  } else {
    lengthLow = 0xFFFFFFFF;
    lengthHigh = 0xFFFFFFFF;
  }
  if (file == INVALID_HANDLE_VALUE ||
      !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, lengthLow, lengthHigh,
                  &range)) {
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
