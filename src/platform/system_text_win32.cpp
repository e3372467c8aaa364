// Conversions through UTF-16 with kernel32's code page functions; CP_UTF8 is
// known to them from Windows NT 4.0 on.
#include "platform/system_text.h"

#include <windows.h>

#include <vector>

#include "base/utf8_text.h"
#include "platform/win32_names.h"

namespace platform {

static std::vector<wchar_t> wideFrom(UINT codePage, const char* text, size_t length) {
  std::vector<wchar_t> wide;
  int count = length > 0 ? MultiByteToWideChar(codePage, 0, text, static_cast<int>(length),
                                                nullptr, 0)
                         : 0;
  if (count <= 0) return wide;
  wide.resize(static_cast<size_t>(count));
  MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), wide.data(), count);
  return wide;
}

static std::string narrowFrom(UINT codePage, const std::vector<wchar_t>& wide) {
  std::string out;
  int count = wide.empty() ? 0
                           : WideCharToMultiByte(codePage, 0, wide.data(),
                                                 static_cast<int>(wide.size()), nullptr, 0,
                                                 nullptr, nullptr);
  if (count <= 0) return out;
  out.resize(static_cast<size_t>(count));
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &out[0], count,
                      nullptr, nullptr);
  return out;
}

std::string utf8FromAnsi(const char* text, size_t length) {
  return narrowFrom(CP_UTF8, wideFrom(CP_ACP, text, length));
}

std::string utf8FromSystemText(const char* text, size_t length) {
  return isUtf8(text, length) ? std::string(text, length) : utf8FromAnsi(text, length);
}

std::string systemTextFromUtf8(const char* text, size_t length) {
  if (namesAreUtf8()) return std::string(text, length);
  return narrowFrom(CP_ACP, wideFrom(CP_UTF8, text, length));
}

std::string foldedName(const char* name, size_t length) {
  if (namesAreUtf8()) {
    std::vector<wchar_t> wide = wideFrom(CP_UTF8, name, length);
    if (!wide.empty()) {
      LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                   wide.data(), static_cast<int>(wide.size()));
    }
    return narrowFrom(CP_UTF8, wide);
  }
  std::string folded(name, length);
  if (length > 0) {
    LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, name, static_cast<int>(length),
                 &folded[0], static_cast<int>(length));
  }
  return folded;
}

}  // namespace platform
