#include "script/script_reader.h"

#include <cstring>

#include "runtime/console.h"
#include "script/command.h"
#include "script/platform_code.h"

const char kScriptName[] = "qnInst.cfg";

// The run result when no command line has run.
static constexpr int32_t kNothingRun = 9;

int readScriptLine(TextFile* script, char* buffer) {
  if (readTextPiece(script, buffer, kScriptLineSize) < 0) return kEndOfScript;
  size_t length = strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\n') --length;
  while (length > 0 && buffer[length - 1] == ' ') --length;
  buffer[length] = '\0';
  return kLineRead;
}

SectionEntry sectionEntry(const char* line) {
  if (line[0] == '\0' || line[0] == '[') return kSectionEnds;
  if (line[0] == ';') return kCommentLine;
  return kCommandLine;
}

int32_t runSection(TextFile* script, int32_t platformCode) {
  int32_t result = kNothingRun;
  const char* header = sectionHeaderFor(platformCode);
  char line[kScriptLineSize];
  do {
    if (readScriptLine(script, line) == kEndOfScript) return result;
  } while (strcmp(line, header) != 0);

  while (readScriptLine(script, line) == kLineRead && sectionEntry(line) != kSectionEnds) {
    if (sectionEntry(line) == kCommentLine) continue;
    char program[kScriptLineSize];
    programName(line, program, sizeof program);
    if (!programFileExists(program)) printLine(program, " doesn't exist in current directory");
    result = runCommandLine(line);
  }
  return result;
}
