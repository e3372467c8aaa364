#include "platform/system_text.h"

#include "base/utf8_text.h"

namespace platform {

std::string utf8FromAnsi(const char* text, size_t length) {
  return utf8FromWindows1252(text, length);
}

std::string utf8FromSystemText(const char* text, size_t length) {
  return isUtf8(text, length) ? std::string(text, length) : utf8FromWindows1252(text, length);
}

std::string systemTextFromUtf8(const char* text, size_t length) { return std::string(text, length); }

std::string foldedName(const char* name, size_t length) { return foldedUtf8(name, length); }

}  // namespace platform
