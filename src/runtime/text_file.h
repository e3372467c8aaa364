// Text files read and written by one set of rules on every system: a CR LF pair
// is one line end, a lone CR is an ordinary character, and a 0x1A byte ends a
// file being read. The rules are applied here over raw bytes, not left to the C
// runtime, whose versions differ on them.
#ifndef QN_RUNTIME_TEXT_FILE_H
#define QN_RUNTIME_TEXT_FILE_H

#include <cstddef>

#include "platform/platform.h"

constexpr size_t kTextBufferSize = 4096;

struct TextFile {
  platform::FileHandle handle;
  bool ended;  // end of file, a 0x1A byte, or a read failure was met
  // Line feeds read so far: the next piece is on line lineFeeds + 1.
  unsigned long lineFeeds;
  size_t next;
  size_t filled;
  unsigned char buffer[kTextBufferSize];
};

// Opens an existing file for reading. False when it cannot be opened.
bool openTextFile(TextFile* file, const char* path);
void closeTextFile(TextFile* file);

// Reads like fgets: stores characters into `buffer` until a line feed (which is
// kept), the end of the file, or `size` - 1 characters, and terminates the text.
// NUL bytes are stored like any other character. Returns the number of
// characters stored, or -1 when the file ended before any was.
int readTextPiece(TextFile* file, char* buffer, size_t size);

// Goes on reading after the 0x1A byte that ended the file, as if it were not
// there; the line count goes on too. False, changing nothing, when the file did
// not end at a 0x1A byte. Only the script checker looks past the end this way.
bool resumeAfterCtrlZ(TextFile* file);

// Copies `text` into `out` with every LF written as CR LF. Returns the number of
// bytes, or 0 when `out` is too small (or `text` is empty).
size_t toFileLineEnds(const char* text, char* out, size_t outSize);

#endif  // QN_RUNTIME_TEXT_FILE_H
