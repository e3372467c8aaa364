// Traps on single lines: the command lines that run, and lines split at 255
// characters.
#include <cstdio>
#include <cstring>

#include "check/script_findings.h"
#include "script/command.h"
#include "script/script_reader.h"

static void checkCommandLine(const ScriptPieces* script, long i, const PieceUse& use,
                             Findings* findings) {
  const ScriptPiece& piece = script->pieces[i];
  char quoted[kQuoteSize];
  quoteText(piece.text, quoted, sizeof quoted);
  char section[kDescriptionSize];
  describeSection(script, use.inside, section, sizeof section);

  size_t blanks = leadingBlanks(piece.text);
  if (blanks > 0 && piece.text[blanks] == ';') {
    addFinding(findings, kScriptFile, piece.line, kError,
               "%s has white space before its semicolon, so it is no comment: qnUpdate runs it "
               "as a command line in %s",
               quoted, section);
    return;
  }
  if (blanks > 0 && piece.text[blanks] == '[') {
    addFinding(findings, kScriptFile, piece.line, kError,
               "%s has white space before it, so it is no section header: qnUpdate runs it as a "
               "command line in %s, and the lines after it stay in that section",
               quoted, section);
    return;
  }

  char program[kScriptLineSize];
  programName(piece.text, program, sizeof program);
  char name[kQuoteSize];
  quoteText(program, name, sizeof name);
  if (piece.text[0] == ' ') {
    addFinding(findings, kScriptFile, piece.line, kWarning,
               "this command line begins with a space, so its program name is empty: qnUpdate "
               "prints \" doesn't exist in current directory\" and runs the line anyway");
  } else if (strchr(program, '\t') != nullptr) {
    addFinding(findings, kScriptFile, piece.line, kWarning,
               "the program name %s holds a tab, which does not end it (only a space does): the "
               "presence check looks for a file of that name and fails, so qnUpdate prints that "
               "it doesn't exist in current directory and runs the line anyway",
               name);
  } else if (strchr(program, '"') != nullptr) {
    addFinding(findings, kScriptFile, piece.line, kWarning,
               "the program name %s holds a double quote: the presence check looks for a file "
               "of that very name and fails, so qnUpdate prints that it doesn't exist in current "
               "directory and runs the line anyway",
               name);
  } else if (!programFileExists(program)) {
    addFinding(findings, kScriptFile, piece.line, kWarning,
               "the program %s is not in the update directory: qnUpdate prints that it doesn't "
               "exist in current directory and runs the line anyway (the command interpreter "
               "may find it elsewhere)",
               name);
  }
}

void checkCommandLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings) {
  for (size_t i = 0; i < script->readCount; ++i) {
    const ScriptPiece& piece = script->pieces[i];
    // The rest of a split line is reported with the line itself.
    if (piece.continued || uses[i].inside == kNoPiece) continue;
    if (sectionEntry(piece.text) != kCommandLine) continue;
    checkCommandLine(script, static_cast<long>(i), uses[i], findings);
  }
}

static bool isUsed(const PieceUse& use) {
  return use.opens != kNoPiece || use.inside != kNoPiece || use.ends != kNoPiece;
}

// What qnUpdate makes of the rest of a split line, piece `j`. Sets `harmful`
// when a command will not run as written.
static void describeRest(const ScriptPieces* script, long j, const PieceUse& use, char* out,
                         size_t size, bool* harmful) {
  char quoted[kQuoteSize];
  quoteText(script->pieces[j].text, quoted, sizeof quoted);
  char section[kDescriptionSize];
  if (use.opens != kNoPiece) {
    snprintf(out, size, "the rest, %s, opens the %s section", quoted,
             script->pieces[use.opens].text);
    *harmful = true;
  } else if (use.inside != kNoPiece && sectionEntry(script->pieces[j].text) == kCommandLine) {
    snprintf(out, size, "the rest, %s, runs as a command line of its own", quoted);
    *harmful = true;
  } else if (use.inside != kNoPiece) {
    snprintf(out, size, "the rest, %s, is skipped as a comment", quoted);
  } else if (use.ends != kNoPiece) {
    describeSection(script, use.ends, section, sizeof section);
    snprintf(out, size, "the rest, %s, ends %s", quoted, section);
    *harmful = true;
  } else {
    snprintf(out, size, "the rest, %s, is ignored", quoted);
  }
}

void checkLongLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings) {
  size_t count = script->readCount;
  for (size_t i = 0; i < count; ++i) {
    if (script->pieces[i].continued) continue;
    size_t end = i + 1;
    while (end < count && script->pieces[end].continued) ++end;
    if (end == i + 1) continue;

    bool used = false;
    size_t rest = end;
    for (size_t j = i; j < end; ++j) {
      used = used || isUsed(uses[j]);
      if (j > i && rest == end && script->pieces[j].text[0] != '\0') rest = j;
    }
    // A rest of nothing but a line end or spaces reads as an empty line: that is
    // reported with the lines it cuts off.
    if (!used || rest == end) continue;

    bool harmful = false;
    const char* head = "";
    if (uses[i].inside != kNoPiece && sectionEntry(script->pieces[i].text) == kCommandLine) {
      head = "the command line runs cut after its 255th character, and ";
      harmful = true;
    }
    char restText[kQuoteSize + kDescriptionSize + 64];
    describeRest(script, static_cast<long>(rest), uses[rest], restText, sizeof restText, &harmful);
    addFinding(findings, kScriptFile, script->pieces[i].line, harmful ? kError : kWarning,
               "this line%s is longer than 255 characters, so qnUpdate reads it as %lu "
               "lines: %s%s",
               trailingSpaces(script->pieces[i].text), static_cast<unsigned long>(end - i), head,
               restText);
  }
}
