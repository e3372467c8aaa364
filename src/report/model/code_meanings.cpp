#include "report/model/code_meanings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

bool isDeclared(const std::vector<int32_t>& codes, int32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

struct KnownCode {
  uint32_t code;
  const char* meaning;
};

// qnUpdate's own results, the system's errors that a command or its start
// gives most often, cmd's, Windows Installer's, and the usual ways a process
// crashes (NTSTATUS exception codes).
static const KnownCode kKnownCodes[] = {
    {0, "success"},
    {1, "current directory unreadable, or a command returned 1"},
    {2, "file not found"},
    {3, "path not found"},
    {5, "access denied"},
    {9, "no qnInst.cfg, no section for this Windows, or a command returned 9"},
    {1602, "cancelled by the user"},
    {1603, "fatal error during installation"},
    {1618, "another installation is in progress"},
    {1619, "installation package could not be opened"},
    {1620, "installation package is not valid"},
    {1633, "platform not supported by the package"},
    {1638, "another version of the product is installed"},
    {1641, "restart started by the installer"},
    {1642, "upgrade not applicable"},
    {1707, "success"},
    {3010, "installed, restart required"},
    {9009, "cmd: program not found"},
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

std::string describeCode(int32_t code, const CodeRules& rules) {
  uint32_t bits = static_cast<uint32_t>(code);
  std::string meaning;
  if (code < 0) {
    char hex[16];
    snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(bits));
    meaning = hex;
  }
  for (const KnownCode& known : kKnownCodes) {
    if (known.code == bits) meaning += (meaning.empty() ? "" : ", ") + std::string(known.meaning);
  }
  const char* note = isDeclared(rules.success, code)   ? "declared success"
                     : isDeclared(rules.restart, code) ? "declared restart"
                                                     : nullptr;
  if (note != nullptr) meaning += (meaning.empty() ? "" : "; ") + std::string(note);
  return meaning;
}

std::string declaredCodesText(const CodeRules& rules) {
  std::string text;
  const std::pair<const char*, const std::vector<int32_t>*> lists[] = {
      {"success", &rules.success}, {"restart", &rules.restart}};
  for (const auto& list : lists) {
    if (list.second->empty()) continue;
    text += text.empty() ? list.first : std::string("; ") + list.first;
    for (size_t i = 0; i < list.second->size(); ++i) {
      text += (i == 0 ? " " : ", ") + std::to_string((*list.second)[i]);
    }
  }
  return text;
}

bool parseCodeList(const char* text, std::vector<int32_t>* codes) {
  const char* p = text;
  for (;;) {
    while (*p == ',' || *p == ' ') ++p;
    if (*p == '\0') return true;
    bool negative = *p == '-';
    if (negative) ++p;
    int base = (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) ? 16 : 10;
    if (base == 16) p += 2;
    int64_t value = 0;
    const char* digits = p;
    for (; *p != '\0' && *p != ',' && *p != ' '; ++p) {
      int digit = (*p >= '0' && *p <= '9')   ? *p - '0'
                  : (*p >= 'a' && *p <= 'f') ? *p - 'a' + 10
                  : (*p >= 'A' && *p <= 'F') ? *p - 'A' + 10
                                             : 99;
      if (digit >= base || p - digits >= 10) return false;
      value = value * base + digit;
    }
    if (p == digits) return false;
    if (negative) value = -value;
    // Hexadecimal gives the code's 32 bits (0xC0000005); decimal its signed value.
    if (base == 16 && !negative && value <= UINT32_MAX) value = static_cast<int32_t>(value);
    if (value < INT32_MIN || value > INT32_MAX) return false;
    codes->push_back(static_cast<int32_t>(value));
  }
}
