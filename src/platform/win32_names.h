// The text of names on Windows. qnUpdate and qnCheck take names in the ANSI
// code page, through the A functions, as Windows NT 4.0's programs do. qnReport
// calls useUtf8Text() first: from then on its names, paths, command line and
// console lines are UTF-8, through the W functions (all of them present on
// Windows NT 4.0), so that every name the file system holds is read as it is
// and none is changed into another by a best-fit conversion.
#ifndef QN_PLATFORM_WIN32_NAMES_H
#define QN_PLATFORM_WIN32_NAMES_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace platform {

// True once useUtf8Text() was called.
bool namesAreUtf8();

// Finds out whether standard output and error are consoles, to be written as
// Unicode: called once by useUtf8Text().
void startUnicodeConsole();

// UTF-8 as UTF-16, terminated; and UTF-16 as UTF-8.
std::wstring wideFromUtf8(const char* text, size_t length);
std::wstring wideFromUtf8(const char* text);
std::string utf8FromWide(const wchar_t* text, size_t length);
std::string utf8FromWide(const wchar_t* text);

}  // namespace platform

#endif  // QN_PLATFORM_WIN32_NAMES_H
