// UTF-8 text: checking it, folding its case, and making it from the other
// encodings that Windows writes (UTF-16 with a byte-order mark, Windows-1252).
// The same code on every system, so that names compare and sort alike on both
// builds.
#ifndef QN_BASE_UTF8_TEXT_H
#define QN_BASE_UTF8_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool isUtf8(const char* text, size_t length);

// Appends a code point as UTF-8 (a lone surrogate or a value past U+10FFFF as
// U+FFFD).
void appendUtf8(uint32_t codePoint, std::string* out);

// The text folded for comparing without regard to case: every UTF-8 character
// by Unicode simple case folding (Latin-1, Latin Extended-A, Greek, Cyrillic
// and the other bicameral letters of the Basic Multilingual Plane's first
// blocks), every byte that is not part of well-formed UTF-8 as it stands, with
// ASCII letters folded.
std::string foldedUtf8(const char* text, size_t length);

// UTF-16 bytes (no byte-order mark) as UTF-8; an odd last byte is dropped and
// unpaired surrogates become U+FFFD.
std::string utf8FromUtf16(const char* bytes, size_t length, bool bigEndian);

// Windows-1252 text as UTF-8 (its five unassigned bytes as the C1 controls of
// the same value, as Windows reads them).
std::string utf8FromWindows1252(const char* text, size_t length);

// The columns that text takes on a terminal, for lining up columns: East Asian
// wide and full-width characters take two, combining marks none, any other
// character one, and so does each byte that is not part of well-formed UTF-8.
size_t displayWidth(const char* text, size_t length);

#endif  // QN_BASE_UTF8_TEXT_H
