// Where qnReport's reports go: standard output or a file, through one buffer,
// and its messages on standard error.
#ifndef QN_REPORT_OUTPUT_OUTPUT_STREAM_H
#define QN_REPORT_OUTPUT_OUTPUT_STREAM_H

#include <cstddef>
#include <string>

#include "platform/platform.h"

// The line end of the CSV and HTML files, the same on every system (RFC 4180
// asks for CR LF); the text report ends its lines as the console does.
extern const char kFileLineEnd[];

struct Output {
  platform::FileHandle file;  // kNoFile: standard output
  bool failed;                // a write failed: nothing more is written
  std::string pending;
};

// Output to standard output.
void startConsoleOutput(Output* output);
// Output to a new file (an existing one is replaced). False when it cannot be made.
bool startFileOutput(Output* output, const char* path);

void put(Output* output, const char* text);
void put(Output* output, const char* text, size_t length);
// Text made by printf rules, whatever its length.
void putFormat(Output* output, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes what is pending, flushes standard output or closes a file. False when
// any write failed.
bool finishOutput(Output* output);

// Text as every report and message writes it: platform::utf8FromSystemText.
std::string outputText(const std::string& text);

// UTF-8 text as a terminal is given it: each control character, which could
// move the cursor, erase or retitle a terminal (ESC, CR, BEL, ...), shown as
// \xNN, or \u00NN for the C1 controls. Everything that the text report and the
// messages take from logs, folders and lists goes through it.
std::string terminalText(const std::string& text);

// One line on standard error, "qnReport: " and the text made by printf rules,
// whatever its length.
void printError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One line on standard error, as it is.
void printErrorLine(const char* text);

#endif  // QN_REPORT_OUTPUT_OUTPUT_STREAM_H
