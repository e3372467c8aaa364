#include "report/return_codes.h"

#include <cstdio>

const char* stateName(MachineState state) {
  static const char* const kNames[kStateCount] = {"installed", "restart", "failed",
                                                        "superseded", "no record", "unreadable"};
  return kNames[state];
}

MachineState stateOfCode(int32_t code) {
  if (code == 0) return kInstalled;
  if (code == 3010 || code == 1641) return kRestart;
  return kFailed;
}

struct KnownCode {
  uint32_t code;
  const char* meaning;
};

// qnUpdate's own results, Windows Installer's and the usual ways a process
// crashes (NTSTATUS exception codes).
static const KnownCode kKnownCodes[] = {
    {0, "success"},
    {1, "current directory unreadable, or a command returned 1"},
    {9, "no qnInst.cfg, no section for this Windows, or a command returned 9"},
    {1602, "cancelled by the user"},
    {1603, "fatal error during installation"},
    {1618, "another installation is in progress"},
    {1619, "installation package could not be opened"},
    {1620, "installation package is not valid"},
    {1633, "platform not supported by the package"},
    {1641, "installed, restart started"},
    {3010, "installed, restart required"},
    {0xFFFFFFFFu, "exit code unreadable"},
    {0x80000003u, "breakpoint"},
    {0xC0000005u, "access violation"},
    {0xC0000006u, "in-page error"},
    {0xC0000017u, "out of memory"},
    {0xC000001Du, "illegal instruction"},
    {0xC0000025u, "noncontinuable exception"},
    {0xC000007Bu, "invalid program image"},
    {0xC000008Cu, "array bounds exceeded"},
    {0xC000008Eu, "floating-point division by zero"},
    {0xC0000094u, "integer division by zero"},
    {0xC0000095u, "integer overflow"},
    {0xC0000096u, "privileged instruction"},
    {0xC00000FDu, "stack overflow"},
    {0xC0000135u, "DLL not found"},
    {0xC0000139u, "entry point not found"},
    {0xC000013Au, "ended by Ctrl+C"},
    {0xC0000142u, "DLL initialisation failed"},
    {0xC0000374u, "heap corruption"},
    {0xC0000409u, "stack buffer overrun"},
    {0xC0000417u, "invalid C runtime parameter"},
    {0xE0434352u, "unhandled .NET exception"},
    {0xE06D7363u, "unhandled C++ exception"},
};

void describeCode(int32_t code, char* out, size_t size) {
  uint32_t bits = static_cast<uint32_t>(code);
  const char* meaning = "";
  for (const KnownCode& known : kKnownCodes) {
    if (known.code == bits) meaning = known.meaning;
  }
  if (code >= 0) {
    snprintf(out, size, "%s", meaning);
  } else {
    snprintf(out, size, "0x%08lX%s%s", static_cast<unsigned long>(bits),
             meaning[0] != '\0' ? ", " : "", meaning);
  }
}
