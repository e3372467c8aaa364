#include "runtime/text_file.h"

static constexpr int kEndOfText = -1;
static constexpr unsigned char kCtrlZ = 0x1A;

bool openTextFile(TextFile* file, const char* path) {
  file->handle = platform::openForReading(path);
  file->ended = false;
  file->lineFeeds = 0;
  file->next = 0;
  file->filled = 0;
  return file->handle != platform::kNoFile;
}

void closeTextFile(TextFile* file) {
  if (file->handle != platform::kNoFile) platform::closeFile(file->handle);
  file->handle = platform::kNoFile;
}

// The next raw byte, or kEndOfText. A 0x1A byte and a failed read end the file
// for good, as the end itself does.
static int nextByte(TextFile* file) {
  if (file->ended) return kEndOfText;
  if (file->next == file->filled) {
    long count = platform::readFile(file->handle, file->buffer, sizeof file->buffer);
    if (count <= 0) {
      file->ended = true;
      return kEndOfText;
    }
    file->next = 0;
    file->filled = static_cast<size_t>(count);
  }
  unsigned char byte = file->buffer[file->next];
  if (byte == kCtrlZ) {
    file->ended = true;
    return kEndOfText;
  }
  ++file->next;
  return byte;
}

// Looks at the next raw byte without taking it.
static int peekByte(TextFile* file) {
  int byte = nextByte(file);
  if (byte != kEndOfText) --file->next;
  return byte;
}

// The next character with CR LF read as LF.
static int nextCharacter(TextFile* file) {
  int c = nextByte(file);
  if (c == '\r' && peekByte(file) == '\n') c = nextByte(file);
  return c;
}

int readTextPiece(TextFile* file, char* buffer, size_t size) {
  if (size == 0) return kEndOfText;
  size_t count = 0;
  while (count + 1 < size) {
    int c = nextCharacter(file);
    if (c == kEndOfText) break;
    buffer[count++] = static_cast<char>(c);
    if (c == '\n') {
      ++file->lineFeeds;
      break;
    }
  }
  buffer[count] = '\0';
  return count == 0 ? kEndOfText : static_cast<int>(count);
}

bool resumeAfterCtrlZ(TextFile* file) {
  bool atCtrlZ = file->ended && file->next < file->filled && file->buffer[file->next] == kCtrlZ;
  if (!atCtrlZ) return false;
  ++file->next;
  file->ended = false;
  return true;
}

size_t toFileLineEnds(const char* text, char* out, size_t outSize) {
  size_t length = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    size_t needed = (*p == '\n') ? 2 : 1;
    if (length + needed > outSize) return 0;
    if (*p == '\n') out[length++] = '\r';
    out[length++] = *p;
  }
  return length;
}

