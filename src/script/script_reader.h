// Reading the installation script and running the section for a platform.
#ifndef QN_SCRIPT_SCRIPT_READER_H
#define QN_SCRIPT_SCRIPT_READER_H

#include <cstddef>
#include <cstdint>

#include "runtime/text_file.h"

// A script line is read in pieces of at most 255 characters.
constexpr size_t kScriptLineSize = 256;

constexpr int kLineRead = 1;
constexpr int kEndOfScript = -1;

// The name of the installation script in the run directory.
extern const char kScriptName[];

// Reads one piece of a line (a longer line goes on as the next piece) into a
// buffer of kScriptLineSize bytes and trims it: the text ends at a NUL byte, one
// line feed at its end is removed, then every space at its end. Returns
// kLineRead, or kEndOfScript when nothing could be read.
int readScriptLine(TextFile* script, char* buffer);

// What a line read inside the wanted section is.
enum SectionEntry {
  kSectionEnds,  // empty, or its first character is "[": the section is over
  kCommentLine,  // its first character is ";": skipped
  kCommandLine,  // anything else: run
};
SectionEntry sectionEntry(const char* line);

// Finds the section for `platformCode` and runs its command lines one after
// another. Returns the value of the last command line run, or 9 when none ran.
// Prints "NAME doesn't exist in current directory" for each command line whose
// program file is missing; the line runs all the same.
int32_t runSection(TextFile* script, int32_t platformCode);

#endif  // QN_SCRIPT_SCRIPT_READER_H
