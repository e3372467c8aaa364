// Traps that cut command lines off: blank lines, lines that fill the line
// buffer, headers that are no headers or come twice, and 0x1A bytes.
#include "check/script_findings.h"

#include <cstdio>
#include <cstring>

#include "script/script_reader.h"

const char kScriptFile[] = "qnInst.cfg";

// What cut off the command lines that follow it: a piece, or one of these.
static constexpr long kBeforeHeaders = -2;
static constexpr long kInSection = -3;

// The uses of the pieces that qnUpdate reads, and of all of them as if no 0x1A
// byte stopped it.
static PieceUse scriptUses[kMaxPieces];
static PieceUse usesPastCtrlZ[kMaxPieces];

size_t leadingBlanks(const char* text) {
  size_t count = 0;
  while (text[count] == ' ' || text[count] == '\t') ++count;
  return count;
}

const char* trailingSpaces(const char* head) {
  return strlen(head) < kScriptLineSize - 1 ? ", with its trailing spaces," : "";
}

void describeCommandLines(unsigned long count, unsigned long first, unsigned long last, char* out,
                          size_t size) {
  if (count == 1) {
    snprintf(out, size, "the command line on line %lu", first);
  } else {
    snprintf(out, size, "the %lu command lines on lines %lu to %lu", count, first, last);
  }
}

const char* neverRun(unsigned long count) { return count == 1 ? "never runs" : "never run"; }

void describeSection(const ScriptPieces* script, long header, char* out, size_t size) {
  const ScriptPiece& piece = script->pieces[header];
  snprintf(out, size, "the %s section begun on line %lu", piece.text, piece.line);
}

// Command lines that never run, counted by physical line.
struct Dropped {
  unsigned long count;
  unsigned long first;
  unsigned long last;
};

static void addDropped(Dropped* dropped, unsigned long line) {
  if (dropped->count > 0 && dropped->last == line) return;
  if (dropped->count == 0) dropped->first = line;
  dropped->last = line;
  ++dropped->count;
}

static bool looksLikeHeader(const char* text) { return text[leadingBlanks(text)] == '['; }

static bool sameIgnoringCase(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
    if (x != y) return false;
  }
  return true;
}

// Why a header-like line is not the header it resembles.
static void describeNoHeader(const char* text, char* out, size_t size) {
  char quoted[kQuoteSize];
  quoteText(text, quoted, sizeof quoted);
  const char* start = text + leadingBlanks(text);
  const char* close = strchr(start, ']');
  size_t length = close != nullptr ? static_cast<size_t>(close - start) + 1 : strlen(start);
  for (size_t h = 0; h < kHeaderCount; ++h) {
    const char* header = headerText(h);
    if (strlen(header) != length || !sameIgnoringCase(start, header, length)) continue;
    const char* reasons[3];
    size_t count = 0;
    if (start != text) reasons[count++] = "white space before it";
    if (strncmp(start, header, length) != 0) reasons[count++] = "letters in another case";
    if (start[length] != '\0') reasons[count++] = "text after it";
    snprintf(out, size, "%s is not the header %s (%s%s%s%s%s), so qnUpdate ignores it", quoted,
             header, reasons[0], count > 1 ? ", " : "", count > 1 ? reasons[1] : "",
             count > 2 ? ", " : "", count > 2 ? reasons[2] : "");
    return;
  }
  snprintf(out, size,
           "%s matches no platform's header ([WINNT], [WIN2K], [WINK3], [64WIN2K] or "
           "[64WINK3]), so qnUpdate ignores it",
           quoted);
}

// The first piece of the physical line that piece `i` is on.
static long lineStart(const ScriptPieces* script, long i) {
  while (i > 0 && script->pieces[i].continued) --i;
  return i;
}

// The command lines cut off by a piece that ends a section with nothing: a blank
// line, or the line end of a line that fills the line buffer.
static void reportEmptyEnd(const ScriptPieces* script, const PieceUse* uses, long cause,
                           const Dropped& dropped, const char* lines, Findings* findings) {
  const ScriptPiece& piece = script->pieces[cause];
  char section[kDescriptionSize];
  describeSection(script, uses[cause].ends, section, sizeof section);
  char consequence[kDescriptionSize + 64];
  snprintf(consequence, sizeof consequence, ", so %s %s", lines, neverRun(dropped.count));
  if (!piece.continued) {
    if (dropped.count == 0) return;
    addFinding(findings, kScriptFile, piece.line, kError, "this blank line ends %s%s", section,
               consequence);
    return;
  }
  const char* head = script->pieces[lineStart(script, cause)].text;
  if (dropped.count == 0) {
    snprintf(consequence, sizeof consequence,
             "; nothing is lost yet, but a command line added below it would never run");
  }
  addFinding(findings, kScriptFile, piece.line, dropped.count > 0 ? kError : kWarning,
             "this %s%s fills the 255-character line buffer: its line end is read as an "
             "empty line, which ends %s%s",
             head[0] == ';' ? "comment" : "line", trailingSpaces(head), section, consequence);
}

// The command lines cut off by a line that looks like a header but opens no
// section: a header given again, or one that is not exactly a header.
static void reportNoHeader(const ScriptPieces* script, long cause, const Dropped& dropped,
                           const char* lines, Findings* findings) {
  const ScriptPiece& piece = script->pieces[cause];
  Severity severity = dropped.count > 0 ? kError : kWarning;
  char consequence[kDescriptionSize + 64] = "";
  for (size_t h = 0; h < kHeaderCount; ++h) {
    if (strcmp(piece.text, headerText(h)) != 0) continue;
    SectionSpan first = findSection(script->pieces, script->readCount, piece.text);
    if (dropped.count > 0) {
      snprintf(consequence, sizeof consequence, ", so %s %s", lines, neverRun(dropped.count));
    } else {
      snprintf(consequence, sizeof consequence, " and ignores this one");
    }
    addFinding(findings, kScriptFile, piece.line, severity,
               "%s appears again (first on line %lu): qnUpdate runs only the first %s "
               "section%s",
               piece.text, script->pieces[first.header].line, piece.text, consequence);
    return;
  }
  char why[kQuoteSize + kDescriptionSize + 64];
  describeNoHeader(piece.text, why, sizeof why);
  if (dropped.count > 0) {
    snprintf(consequence, sizeof consequence, ", and %s %s", lines, neverRun(dropped.count));
  }
  addFinding(findings, kScriptFile, piece.line, severity, "%s%s", why, consequence);
}

static void reportDropped(const ScriptPieces* script, const PieceUse* uses, long cause,
                          const Dropped& dropped, Findings* findings) {
  if (cause == kInSection) return;
  char lines[kDescriptionSize];
  describeCommandLines(dropped.count, dropped.first, dropped.last, lines, sizeof lines);
  if (cause == kBeforeHeaders) {
    if (dropped.count == 0) return;
    addFinding(findings, kScriptFile, dropped.first, kWarning,
               "%s %s before any section header, so qnUpdate %s", lines,
               dropped.count == 1 ? "comes" : "come",
               dropped.count == 1 ? "never runs it" : "never runs them");
  } else if (script->pieces[cause].text[0] == '\0') {
    reportEmptyEnd(script, uses, cause, dropped, lines, findings);
  } else {
    reportNoHeader(script, cause, dropped, lines, findings);
  }
}

void checkDroppedLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings) {
  long cause = kBeforeHeaders;
  Dropped dropped = {0, 0, 0};
  for (size_t i = 0; i < script->readCount; ++i) {
    const ScriptPiece& piece = script->pieces[i];
    const PieceUse& use = uses[i];
    bool blankEnd = piece.text[0] == '\0' && use.ends != kNoPiece;
    bool noHeader = looksLikeHeader(piece.text) && use.opens == kNoPiece && use.inside == kNoPiece;
    if (blankEnd || noHeader || use.opens != kNoPiece) {
      reportDropped(script, uses, cause, dropped, findings);
      cause = use.opens != kNoPiece ? kInSection : static_cast<long>(i);
      dropped = Dropped{0, 0, 0};
      continue;
    }
    if (use.inside == kNoPiece && sectionEntry(piece.text) == kCommandLine) {
      addDropped(&dropped, piece.line);
    }
  }
  reportDropped(script, uses, cause, dropped, findings);
}

void checkCtrlZ(const ScriptPieces* script, Findings* findings) {
  if (script->ctrlZLine == 0) return;
  // What would run were the byte not there.
  planScript(script->pieces, script->count, usesPastCtrlZ);
  Dropped dropped = {0, 0, 0};
  Dropped text = {0, 0, 0};
  for (size_t i = script->readCount; i < script->count; ++i) {
    const ScriptPiece& piece = script->pieces[i];
    if (piece.text[0] != '\0') addDropped(&text, piece.line);
    if (usesPastCtrlZ[i].inside != kNoPiece && sectionEntry(piece.text) == kCommandLine) {
      addDropped(&dropped, piece.line);
    }
  }
  if (dropped.count > 0) {
    char lines[kDescriptionSize];
    describeCommandLines(dropped.count, dropped.first, dropped.last, lines, sizeof lines);
    addFinding(findings, kScriptFile, script->ctrlZLine, kError,
               "a 0x1A byte (Ctrl-Z) on this line ends the script for qnUpdate, so %s %s", lines,
               neverRun(dropped.count));
  } else if (text.count == 1) {
    addFinding(findings, kScriptFile, script->ctrlZLine, kWarning,
               "a 0x1A byte (Ctrl-Z) on this line ends the script for qnUpdate, so the text on "
               "line %lu is never read",
               text.first);
  } else if (text.count > 1) {
    addFinding(findings, kScriptFile, script->ctrlZLine, kWarning,
               "a 0x1A byte (Ctrl-Z) on this line ends the script for qnUpdate, so the text on "
               "lines %lu to %lu is never read",
               text.first, text.last);
  }
}

void checkScript(const ScriptPieces* script, Findings* findings) {
  planScript(script->pieces, script->readCount, scriptUses);
  checkCommandLines(script, scriptUses, findings);
  checkLongLines(script, scriptUses, findings);
  checkDroppedLines(script, scriptUses, findings);
  if (script->cut && script->readCount > 0) {
    addFinding(findings, kScriptFile, script->pieces[script->readCount - 1].line, kError,
               "qnCheck reads at most %lu lines of a script; the lines after this one were not "
               "checked",
               static_cast<unsigned long>(kMaxPieces));
  }
  checkCtrlZ(script, findings);
}
