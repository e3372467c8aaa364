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
  if (output->pending.empty()) return;
  if (output->file == platform::kNoFile) {
    platform::writeConsole(output->pending.data(), output->pending.size());
  } else if (!platform::writeFile(output->file, output->pending.data(), output->pending.size())) {
    output->failed = true;
  }
  output->pending.clear();
}

void put(Output* output, const char* text, size_t length) {
  output->pending.append(text, length);
  if (output->pending.size() >= kFlushSize) writePending(output);
}

void put(Output* output, const char* text) { put(output, text, strlen(text)); }

void putFormat(Output* output, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  int length = vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  put(output, text, static_cast<size_t>(length) < sizeof text ? static_cast<size_t>(length)
                                                                : sizeof text - 1);
}

bool finishOutput(Output* output) {
  writePending(output);
  if (output->file == platform::kNoFile) {
    platform::flushConsole();
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
  char text[1024];
  int prefix = snprintf(text, sizeof text, "qnReport: ");
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text + prefix, sizeof text - static_cast<size_t>(prefix), format, arguments);
  va_end(arguments);
  printErrorLine(text);
}
