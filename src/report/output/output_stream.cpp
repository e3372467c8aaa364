#include "report/output/output_stream.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/system_text.h"

const char kFileLineEnd[] = "\r\n";

// Pending text is written out in pieces of about this size.
static constexpr size_t kFlushSize = 64 * 1024;

void startConsoleOutput(Output* output) {
  output->file = platform::kNoFile;
  output->failed = false;
  output->pending.clear();
}

bool startFileOutput(Output* output, const char* path) {
  startConsoleOutput(output);
  output->file = platform::openForWriting(path);
  return output->file != platform::kNoFile;
}

static void writePending(Output* output) {
  if (output->pending.empty() || output->failed) return;
  bool written = output->file == platform::kNoFile
                     ? platform::writeConsole(output->pending.data(), output->pending.size())
                     : platform::writeFile(output->file, output->pending.data(), output->pending.size());
  if (!written) output->failed = true;
  output->pending.clear();
}

void put(Output* output, const char* text, size_t length) {
  if (output->failed) return;
  output->pending.append(text, length);
  if (output->pending.size() >= kFlushSize) writePending(output);
}

void put(Output* output, const char* text) { put(output, text, strlen(text)); }

// Text made by printf rules from `arguments`, whatever its length.
static std::string formatted(const char* format, va_list arguments) {
  char text[512];
  va_list again;
  va_copy(again, arguments);
  int length = vsnprintf(text, sizeof text, format, arguments);
  std::string result;
  if (length >= 0 && static_cast<size_t>(length) < sizeof text) {
    result.assign(text, static_cast<size_t>(length));
  } else if (length >= 0) {
    result.resize(static_cast<size_t>(length) + 1);
    vsnprintf(&result[0], result.size(), format, again);
    result.resize(static_cast<size_t>(length));
  }
  va_end(again);
  return result;
}

void putFormat(Output* output, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = formatted(format, arguments);
  va_end(arguments);
  put(output, text.data(), text.size());
}

bool finishOutput(Output* output) {
  writePending(output);
  if (output->file == platform::kNoFile) {
    if (!platform::flushConsole()) output->failed = true;
  } else {
    if (!platform::closeFile(output->file)) output->failed = true;
    output->file = platform::kNoFile;
  }
  return !output->failed;
}

std::string outputText(const std::string& text) {
  return platform::utf8FromSystemText(text.data(), text.size());
}

void printErrorLine(const char* text) {
  platform::writeErrorConsole(text, strlen(text));
  platform::writeErrorConsole(platform::kConsoleLineEnd, strlen(platform::kConsoleLineEnd));
}

void printError(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = "qnReport: " + formatted(format, arguments);
  va_end(arguments);
  printErrorLine(text.c_str());
}

std::string terminalText(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    char escape[8];
    if (byte < 0x20 || byte == 0x7F) {
      snprintf(escape, sizeof escape, "\\x%02X", byte);
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      snprintf(escape, sizeof escape, "\\u%04X", next);
      ++i;
    } else {
      shown += text[i];
      continue;
    }
    shown += escape;
  }
  return shown;
}
