// qnThreads: tells whether this Wine runs a 32-bit program's threads at all.
// Eight threads each open and read this program's own file a few times, as
// qnReport's readers do; the exit status is 0 when every one of them finished.
// Where Wine's 32-bit loader runs under qemu-i386 (a kernel without IA-32
// emulation), qemu 7.2 crashes such a process, whatever program it is.
#include <windows.h>

static volatile LONG finished = 0;
static char self[MAX_PATH];

static DWORD WINAPI readSelf(void*) {
  char buffer[4096];
  for (int i = 0; i < 20; ++i) {
    HANDLE file = CreateFileA(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
  }
  InterlockedIncrement(&finished);
  return 0;
}

int main() {
  const int kThreads = 8;
  if (GetModuleFileNameA(nullptr, self, sizeof self) == 0) return 2;
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(nullptr, 65536, readSelf, nullptr, 0, nullptr);
    if (threads[i] == nullptr) return 2;
  }
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  return finished == kThreads ? 0 : 1;
}
