#include "check/platform_report.h"

#include <cstdio>

#include "check/findings.h"
#include "check/section_plan.h"
#include "runtime/console.h"
#include "script/command.h"
#include "script/platform_code.h"
#include "script/script_reader.h"

static constexpr size_t kQuotedNameSize = 512;
static constexpr size_t kReportLineSize = kQuotedNameSize + 64;

static void printPlatform(const ScriptPieces* script, const PlatformRow& row) {
  const char* header = sectionHeaderFor(row.code);
  SectionSpan span = findSection(script->pieces, script->readCount, header);
  char text[kReportLineSize];
  if (span.header == kNoPiece) {
    snprintf(text, sizeof text, "%s (code %d) looks for %s: not found", row.name,
             static_cast<int>(row.code), header);
    printLine(text);
    printLine("  nothing runs; exit status 9");
    return;
  }
  snprintf(text, sizeof text, "%s (code %d) looks for %s: found on line %lu", row.name,
           static_cast<int>(row.code), header, script->pieces[span.header].line);
  printLine(text);

  unsigned long lastLine = 0;
  for (long i = span.header + 1; i < span.end; ++i) {
    const ScriptPiece& piece = script->pieces[i];
    if (sectionEntry(piece.text) != kCommandLine) continue;
    char program[kScriptLineSize];
    programName(piece.text, program, sizeof program);
    char name[kQuotedNameSize];
    quoteText(program, name, sizeof name);
    snprintf(text, sizeof text, "  line %lu, %s %s: ", piece.line, name,
             programFileExists(program) ? "present" : "missing");
    printLine(text, piece.text);
    lastLine = piece.line;
  }
  if (lastLine == 0) {
    printLine("  nothing runs; exit status 9");
    return;
  }
  snprintf(text, sizeof text, "  exit status: that of the command on line %lu", lastLine);
  printLine(text);
}

void printPlatforms(const ScriptPieces* script) {
  for (const PlatformRow& row : kPlatforms) printPlatform(script, row);
}
