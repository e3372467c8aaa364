// The system's own text: names as the file system lists them and as logs
// written on Windows hold them. On Windows that is the ANSI code page; on POSIX
// names are UTF-8, and other text is taken as Windows-1252, the code page of
// the logs and lists that Windows machines write.
#ifndef QN_PLATFORM_SYSTEM_TEXT_H
#define QN_PLATFORM_SYSTEM_TEXT_H

#include <cstddef>
#include <string>

namespace platform {

// ANSI text (Windows: the ANSI code page; POSIX: Windows-1252) as UTF-8.
std::string utf8FromAnsi(const char* text, size_t length);

// The system's text as UTF-8, as the reports write names and values: text that
// is well-formed UTF-8 already stays as it is (Linux names; a log written as
// UTF-8); any other is taken as ANSI text (utf8FromAnsi).
std::string utf8FromSystemText(const char* text, size_t length);

// UTF-8 text in the encoding the system's names use: the ANSI code page on
// Windows (a character it lacks becomes what Windows makes of it, often '?');
// unchanged on POSIX.
std::string systemTextFromUtf8(const char* text, size_t length);

// A name folded so that two names that the system takes for one compare equal:
// Windows upper-cases it as the system does for the ANSI code page
// (LCMapStringA); POSIX folds UTF-8 by Unicode simple case folding, and other
// bytes as they stand, with ASCII letters folded.
std::string foldedName(const char* name, size_t length);

}  // namespace platform

#endif  // QN_PLATFORM_SYSTEM_TEXT_H
