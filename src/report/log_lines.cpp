#include "report/log_lines.h"

#include <cstring>

bool openLogLines(LogLines* lines, const char* path) {
  lines->handle = platform::openForReading(path);
  lines->ended = false;
  lines->readFailed = false;
  lines->skipping = false;
  lines->lineNumber = 0;
  lines->next = 0;
  lines->filled = 0;
  return lines->handle != platform::kNoFile;
}

void closeLogLines(LogLines* lines) {
  if (lines->handle != platform::kNoFile) platform::closeFile(lines->handle);
  lines->handle = platform::kNoFile;
}

// Moves the unread bytes to the front and reads more after them. False when
// nothing more could be read.
static bool refill(LogLines* lines) {
  if (lines->ended) return false;
  size_t kept = lines->filled - lines->next;
  memmove(lines->buffer, lines->buffer + lines->next, kept);
  lines->next = 0;
  lines->filled = kept;
  long count = platform::readFile(lines->handle, lines->buffer + kept, sizeof lines->buffer - kept);
  if (count <= 0) {
    lines->ended = true;
    lines->readFailed = count < 0;
    return false;
  }
  lines->filled += static_cast<size_t>(count);
  return true;
}

// Removes NUL and 0x1A bytes from a line in place; returns its new length.
static size_t dropMarks(char* text, size_t length) {
  if (memchr(text, '\0', length) == nullptr && memchr(text, 0x1A, length) == nullptr) {
    return length;
  }
  size_t kept = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '\0' && text[i] != 0x1A) text[kept++] = text[i];
  }
  return kept;
}

bool nextLogLine(LogLines* lines, char** line, size_t* length, bool* cut) {
  for (;;) {
    char* start = lines->buffer + lines->next;
    size_t available = lines->filled - lines->next;
    char* lineFeed = static_cast<char*>(memchr(start, '\n', available));
    size_t end;
    bool complete = lineFeed != nullptr;
    if (complete) {
      end = static_cast<size_t>(lineFeed - start);
    } else if (available < sizeof lines->buffer && refill(lines)) {
      continue;
    } else if (lines->readFailed || available == 0) {
      return false;
    } else {
      end = available;  // the last line without a line end, or a piece of a long one
    }
    lines->next += complete ? end + 1 : end;
    if (lines->skipping) {
      lines->skipping = !complete;
      continue;
    }
    ++lines->lineNumber;
    *cut = !complete && !lines->ended;
    lines->skipping = *cut;
    if (end > 0 && start[end - 1] == '\r' && complete) --end;
    *line = start;
    *length = dropMarks(start, end);
    return true;
  }
}
