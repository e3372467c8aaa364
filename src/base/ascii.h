// ASCII text compared without regard to the case of its letters, as Windows
// compares the names it defines (environment variables, switches, folder names
// such as QNLOG): only A to Z and a to z are folded; every other byte is
// compared as it is.
#ifndef QN_BASE_ASCII_H
#define QN_BASE_ASCII_H

#include <cstddef>

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the first `length` bytes of `a` and `b` are equal but for the case
// of ASCII letters; the comparison stops at the first difference, so a shorter
// text ended by its NUL is never read past.
bool equalsIgnoringAsciiCase(const char* a, const char* b, size_t length);
// The same for two whole texts ended by NUL.
bool equalsIgnoringAsciiCase(const char* a, const char* b);

#endif  // QN_BASE_ASCII_H
