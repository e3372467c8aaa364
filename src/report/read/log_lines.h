// Reading a log line by line, fast, by the rules of the log that qnUpdate
// appends to: a line ends at LF, with the CR before it removed; a lone CR stays
// a character. NUL and 0x1A (Ctrl-Z) bytes are no text: an old runtime's
// end-of-file mark, or the NUL bytes that a power loss leaves where a record
// was being written. They end the line before them, which is then torn, and
// the text after them starts a new line, so that a torn record never joins
// the whole record after it.
//
// A log is read whatever saved it: as qnUpdate writes it, as UTF-8 with a
// byte-order mark (a Windows editor's "UTF-8"), or as UTF-16 with one
// (PowerShell 5.1's Get-Content ... > FILE, Notepad's "Unicode"), which is
// turned into UTF-8 as it is read.
#ifndef QN_REPORT_READ_LOG_LINES_H
#define QN_REPORT_READ_LOG_LINES_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

// Bytes read at a time; a line longer than this is given as its start, marked
// as not whole, and the rest of it is skipped.
constexpr size_t kLogReadSize = 64 * 1024;

// How a log's text is saved.
enum LogEncoding { kLogBytes, kLogUtf16LittleEndian, kLogUtf16BigEndian };

struct LogLines {
  platform::FileHandle handle;
  LogEncoding encoding;  // told by the log's first bytes
  bool started;     // its first bytes have been read
  bool ended;       // the end of the file was read
  bool readFailed;  // a read failed: the lines after it are lost
  bool skipping;    // the rest of a cut line is being skipped
  unsigned long lineNumber;  // of the line last given, from 1, counted by line ends
  unsigned long lineEnds;    // line ends passed
  uint64_t lineOffset;       // where the line last given starts in the log's text (as
                             // UTF-8, after any byte-order mark)
  uint64_t bufferOffset;     // where buffer[0] stands in that text
  size_t next;
  size_t filled;
  // A UTF-16 log: the bytes read after the last whole unit (or pair of
  // surrogates), and the UTF-8 made of the others, from `textNext` on not yet
  // in `buffer`.
  std::string raw;
  std::string text;
  size_t textNext;
  char buffer[kLogReadSize];
};

// Opens a log. False when it cannot be opened.
bool openLogLines(LogLines* lines, const char* path);
void closeLogLines(LogLines* lines);

// The next line, without its line end, in `*line` and `*length` (the text lives
// in the reader's buffer until the next call; it may be empty). `*whole` is
// true for a line that ended with its line end, and for the file's last line;
// false for one that NUL or 0x1A bytes cut short, or that was longer than
// kLogReadSize. False at the end of the file or after a failed read.
bool nextLogLine(LogLines* lines, char** line, size_t* length, bool* whole);

#endif  // QN_REPORT_READ_LOG_LINES_H
