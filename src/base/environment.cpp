#include "base/environment.h"

#include <cstring>

#include "base/ascii.h"

const char* matchEnvironmentEntry(const char* entry, const char* name) {
  size_t length = strlen(name);
  if (!equalsIgnoringAsciiCase(entry, name, length) || entry[length] != '=') return nullptr;
  return entry + length + 1;
}
