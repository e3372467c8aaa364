#include "report/read/log_lines.h"

#include <cstring>

bool openLogLines(LogLines* lines, const char* path) {
  lines->handle = platform::openForReading(path);
  lines->ended = false;
  lines->readFailed = false;
  lines->skipping = false;
  lines->lineNumber = 0;
  lines->lineEnds = 0;
  lines->lineOffset = 0;
  lines->bufferOffset = 0;
  lines->next = 0;
  lines->filled = 0;
  return lines->handle != platform::kNoFile;
}

void closeLogLines(LogLines* lines) {
  if (lines->handle != platform::kNoFile) platform::closeFile(lines->handle);
  lines->handle = platform::kNoFile;
}

// Moves the unread bytes to the front and reads more after them.
static void refill(LogLines* lines) {
  size_t kept = lines->filled - lines->next;
  lines->bufferOffset += lines->next;
  memmove(lines->buffer, lines->buffer + lines->next, kept);
  lines->next = 0;
  lines->filled = kept;
  long count = platform::readFile(lines->handle, lines->buffer + kept, sizeof lines->buffer - kept);
  if (count <= 0) {
    lines->ended = true;
    lines->readFailed = count < 0;
    return;
  }
  lines->filled += static_cast<size_t>(count);
}

// The first NUL or 0x1A byte in text[0, length), or null.
static const char* firstMark(const char* text, size_t length) {
  const char* nul = static_cast<const char*>(memchr(text, '\0', length));
  const char* ctrlZ = static_cast<const char*>(memchr(text, 0x1A, nul != nullptr ? nul - text : length));
  return ctrlZ != nullptr ? ctrlZ : nul;
}

bool nextLogLine(LogLines* lines, char** line, size_t* length, bool* whole) {
  for (;;) {
    char* start = lines->buffer + lines->next;
    size_t available = lines->filled - lines->next;
    const char* lineFeed = static_cast<const char*>(memchr(start, '\n', available));
    size_t span = lineFeed != nullptr ? static_cast<size_t>(lineFeed - start) : available;
    const char* mark = firstMark(start, span);
    size_t end;
    bool ended;  // by its line end
    if (mark != nullptr) {
      end = static_cast<size_t>(mark - start);
      ended = false;
      lines->next += end + 1;
    } else if (lineFeed != nullptr) {
      end = span;
      ended = true;
      lines->next += end + 1;
    } else if (available < sizeof lines->buffer && !lines->ended) {
      refill(lines);  // it moves the unread bytes: look again from the top
      continue;
    } else if (lines->readFailed || available == 0) {
      return false;
    } else {
      end = available;  // the last line without a line end, or the start of a long one
      ended = lines->ended;
      lines->next += end;
    }
    lines->lineNumber = lines->lineEnds + 1;
    lines->lineOffset = lines->bufferOffset + static_cast<uint64_t>(start - lines->buffer);
    if (lineFeed != nullptr && mark == nullptr) ++lines->lineEnds;
    bool wasSkipping = lines->skipping;
    lines->skipping = !ended && mark == nullptr;  // a long line: skip to its end
    if (wasSkipping) continue;
    if (ended && end > 0 && start[end - 1] == '\r' && lineFeed != nullptr) --end;
    *line = start;
    *length = end;
    *whole = ended;
    return true;
  }
}
