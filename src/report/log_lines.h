// Reading a log line by line, fast, by the rules that every qnUpdate's log
// needs: a line ends at LF, with the CR before it removed; NUL and 0x1A
// (Ctrl-Z) bytes are dropped wherever they stand, so that records after them
// (an old runtime's end-of-file mark, the NUL bytes a power loss can leave) are
// still read; a lone CR stays a character.
#ifndef QN_REPORT_LOG_LINES_H
#define QN_REPORT_LOG_LINES_H

#include <cstddef>

#include "platform/platform.h"

// Bytes read at a time; a line longer than this is given in pieces, each
// marked as cut.
constexpr size_t kLogReadSize = 64 * 1024;

struct LogLines {
  platform::FileHandle handle;
  bool ended;       // the end of the file was read
  bool readFailed;  // a read failed: the lines after it are lost
  bool skipping;    // the rest of a cut line is being skipped
  unsigned long lineNumber;  // of the line last given, from 1
  size_t next;
  size_t filled;
  char buffer[kLogReadSize];
};

// Opens a log. False when it cannot be opened.
bool openLogLines(LogLines* lines, const char* path);
void closeLogLines(LogLines* lines);

// The next line, without its line end, in `*line` and `*length` (the text lives
// in the reader's buffer until the next call). `*cut` is true when the line was
// longer than kLogReadSize and only its start is given; the rest is skipped.
// False at the end of the file or after a failed read.
bool nextLogLine(LogLines* lines, char** line, size_t* length, bool* cut);

#endif  // QN_REPORT_LOG_LINES_H
