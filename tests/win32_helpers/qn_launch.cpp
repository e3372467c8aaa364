// Test launcher for the Windows build under Wine. Wine hands only the low 8
// bits of an exit status to Linux, and re-quotes the arguments it is given, so
// this starts the exact command line in QN_LAUNCH_COMMAND, waits for it, and
// writes its full 32-bit exit code in decimal to the file QN_LAUNCH_STATUS.
// With QN_LAUNCH_NO_CONSOLE set (not empty), the program starts as some services
// and schedulers start it: without a console, and with invalid standard handles.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
  char commandLine[32768];
  char statusPath[MAX_PATH];
  if (!GetEnvironmentVariableA("QN_LAUNCH_COMMAND", commandLine, sizeof commandLine) ||
      !GetEnvironmentVariableA("QN_LAUNCH_STATUS", statusPath, sizeof statusPath)) {
    fprintf(stderr, "qnLaunch: set QN_LAUNCH_COMMAND and QN_LAUNCH_STATUS\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  DWORD flags = 0;
  char noConsole[8];
  if (GetEnvironmentVariableA("QN_LAUNCH_NO_CONSOLE", noConsole, sizeof noConsole)) {
    flags = DETACHED_PROCESS;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = INVALID_HANDLE_VALUE;
    startup.hStdError = INVALID_HANDLE_VALUE;
  }
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                      &process)) {
    fprintf(stderr, "qnLaunch: cannot start (error %lu)\n", GetLastError());
    return 3;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  FILE* status = fopen(statusPath, "w");
  if (status == nullptr) return 4;
  fprintf(status, "%lu\n", static_cast<unsigned long>(exitCode));
  fclose(status);
  return 0;
}
