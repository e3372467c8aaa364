#include "report/read/log_lines.h"

#include <algorithm>
#include <cstring>

#include "base/utf8_text.h"

bool openLogLines(LogLines* lines, const char* path) {
  lines->handle = platform::openForReading(path);
  lines->encoding = kLogBytes;
  lines->started = false;
  lines->ended = false;
  lines->readFailed = false;
  lines->skipping = false;
  lines->lineNumber = 0;
  lines->lineEnds = 0;
  lines->lineOffset = 0;
  lines->bufferOffset = 0;
  lines->next = 0;
  lines->filled = 0;
  lines->raw.clear();
  lines->text.clear();
  lines->textNext = 0;
  return lines->handle != platform::kNoFile;
}

void closeLogLines(LogLines* lines) {
  if (lines->handle != platform::kNoFile) platform::closeFile(lines->handle);
  lines->handle = platform::kNoFile;
}

// Tells the encoding by the byte-order mark at the start of the first
// `count` bytes read into `lines->buffer`. A UTF-8 mark is dropped; the bytes
// after a UTF-16 mark move to `raw`, to be turned into UTF-8.
static void startText(LogLines* lines, size_t count) {
  lines->started = true;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(lines->buffer);
  size_t mark = 0;
  if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    mark = 3;
  } else if (count >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    lines->encoding = bytes[0] == 0xFF ? kLogUtf16LittleEndian : kLogUtf16BigEndian;
    lines->raw.assign(lines->buffer + 2, count - 2);
    lines->text.clear();
    lines->textNext = 0;
    count = 0;
  }
  memmove(lines->buffer, lines->buffer + mark, count - mark);
  lines->filled = count - mark;
}

// Turns the whole units of `raw` into UTF-8 in `text`: all of them at the end
// of the file, and otherwise all but a high surrogate at the end, which waits
// for its partner.
static void turnIntoUtf8(LogLines* lines, bool atEnd) {
  bool big = lines->encoding == kLogUtf16BigEndian;
  size_t end = lines->raw.size() & ~static_cast<size_t>(1);
  if (!atEnd && end >= 2) {
    unsigned char high = static_cast<unsigned char>(lines->raw[end - (big ? 2 : 1)]);
    if (high >= 0xD8 && high <= 0xDB) end -= 2;
  }
  lines->text = utf8FromUtf16(lines->raw.data(), end, big);
  lines->textNext = 0;
  lines->raw.erase(0, end);
}

// The next UTF-8 of a UTF-16 log into buffer[filled, size): the bytes added,
// 0 at the end of the file, or -1 when a read failed.
static long moreUtf16(LogLines* lines) {
  while (lines->textNext == lines->text.size()) {
    size_t had = lines->raw.size();
    lines->raw.resize(had + kLogReadSize);
    long count = platform::readFile(lines->handle, &lines->raw[had], kLogReadSize);
    lines->raw.resize(had + (count > 0 ? static_cast<size_t>(count) : 0));
    if (count < 0) return -1;
    if (count == 0 && lines->raw.size() < 2) return 0;
    turnIntoUtf8(lines, count == 0);
  }
  size_t added = std::min(sizeof lines->buffer - lines->filled, lines->text.size() - lines->textNext);
  memcpy(lines->buffer + lines->filled, lines->text.data() + lines->textNext, added);
  lines->textNext += added;
  lines->filled += added;
  return static_cast<long>(added);
}

// Reads more of the log's text into buffer[filled, size): the bytes added, 0
// at the end of the file, or -1 when a read failed.
static long moreText(LogLines* lines) {
  if (lines->encoding != kLogBytes) return moreUtf16(lines);
  long count = platform::readFile(lines->handle, lines->buffer + lines->filled,
                                  sizeof lines->buffer - lines->filled);
  if (count <= 0) return count;
  if (lines->started) {
    lines->filled += static_cast<size_t>(count);
    return count;
  }
  // The first read may stop short of a byte-order mark's three bytes.
  size_t first = static_cast<size_t>(count);
  while (first < 3) {
    long more = platform::readFile(lines->handle, lines->buffer + first, sizeof lines->buffer - first);
    if (more < 0) return more;
    if (more == 0) break;
    first += static_cast<size_t>(more);
  }
  startText(lines, first);  // nothing was in the buffer yet
  if (lines->encoding != kLogBytes) return moreUtf16(lines);
  return lines->filled > 0 ? static_cast<long>(lines->filled) : moreText(lines);
}

// Moves the unread bytes to the front and reads more after them.
static void refill(LogLines* lines) {
  size_t kept = lines->filled - lines->next;
  lines->bufferOffset += lines->next;
  memmove(lines->buffer, lines->buffer + lines->next, kept);
  lines->next = 0;
  lines->filled = kept;
  long count = moreText(lines);
  if (count <= 0) {
    lines->ended = true;
    lines->readFailed = count < 0;
  }
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
