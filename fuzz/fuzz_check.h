// Shared by the fuzz targets: a check that stops the fuzzer with a readable
// reason, and a model of how the program reads text files, written apart from
// the code under test so that the two can be compared.
#ifndef QN_FUZZ_FUZZ_CHECK_H
#define QN_FUZZ_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Stops the run (libFuzzer records the input as a crash) when `condition` fails.
#define FUZZ_CHECK(condition, what)                                               \
  do {                                                                           \
    if (!(condition)) {                                                          \
      fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", __FILE__, __LINE__, \
              what, #condition);                                                 \
      abort();                                                                   \
    }                                                                            \
  } while (0)

namespace model {

// The characters a text-mode reader sees: everything before the first 0x1A
// byte, with each CR LF pair read as one LF. A lone CR stays.
inline std::string textStream(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 0; i < size && data[i] != 0x1A; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text.push_back(static_cast<char>(data[i]));
  }
  return text;
}

// Takes the next piece from `text` at `*position`: at most `maxCharacters`
// characters, ending early after a line feed. False at the end of the text.
inline bool nextPiece(const std::string& text, size_t* position, size_t maxCharacters,
                      std::string* piece) {
  if (*position >= text.size()) return false;
  size_t lineEnd = text.find('\n', *position);
  size_t length = (lineEnd == std::string::npos ? text.size() : lineEnd + 1) - *position;
  if (length > maxCharacters) length = maxCharacters;
  *piece = text.substr(*position, length);
  *position += length;
  return true;
}

// A piece as C text: everything from its first NUL byte on is lost.
inline std::string asCText(const std::string& piece) { return piece.substr(0, piece.find('\0')); }

// True when `text` is nothing but whole lines, each ending with CR LF, and no
// line holds another LF.
inline bool wholeCrLfLines(const std::string& text) {
  if (text.empty()) return true;
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace model

#endif  // QN_FUZZ_FUZZ_CHECK_H
