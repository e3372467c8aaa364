#include "platform/win32_names.h"

#include <cwchar>

#include "platform/platform.h"

namespace platform {

static bool utf8Text = false;

// The command line, kept for the life of the process.
static std::string commandLine;

bool namesAreUtf8() { return utf8Text; }

void useUtf8Text() {
  utf8Text = true;
  commandLine = utf8FromWide(GetCommandLineW());
  startUnicodeConsole();
}

const char* rawCommandLine() { return utf8Text ? commandLine.c_str() : GetCommandLineA(); }

std::wstring wideFromUtf8(const char* text, size_t length) {
  std::wstring wide;
  int count = length > 0 ? MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0)
                         : 0;
  if (count <= 0) return wide;
  wide.resize(static_cast<size_t>(count));
  MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), &wide[0], count);
  return wide;
}

std::wstring wideFromUtf8(const char* text) { return wideFromUtf8(text, strlen(text)); }

std::string utf8FromWide(const wchar_t* text, size_t length) {
  std::string utf8;
  int count = length > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                               nullptr, nullptr)
                         : 0;
  if (count <= 0) return utf8;
  utf8.resize(static_cast<size_t>(count));
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &utf8[0], count, nullptr, nullptr);
  return utf8;
}

std::string utf8FromWide(const wchar_t* text) { return utf8FromWide(text, wcslen(text)); }

}  // namespace platform
