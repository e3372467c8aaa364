#include "platform/environment.h"

namespace platform {

static char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

const char* matchEnvironmentEntry(const char* entry, const char* name) {
  while (*name != '\0') {
    if (lowerAscii(*entry) != lowerAscii(*name)) return nullptr;
    ++entry;
    ++name;
  }
  return *entry == '=' ? entry + 1 : nullptr;
}

}  // namespace platform
