// The traps in an installation script: every place where qnUpdate does
// something other than what the script seems to say. findings.h says which
// traps are errors and which are warnings.
#ifndef QN_CHECK_SCRIPT_FINDINGS_H
#define QN_CHECK_SCRIPT_FINDINGS_H

#include "check/findings.h"
#include "check/script_pieces.h"
#include "check/section_plan.h"

// Adds a finding for each trap in the script. Program files are probed in the
// current directory, as qnUpdate probes them.
void checkScript(const ScriptPieces* script, Findings* findings);

// The parts of checkScript, each over the pieces that qnUpdate reads and their
// uses (planScript):
// - command lines whose program the presence check will not find, and comments
//   or headers with white space before them that run as commands;
void checkCommandLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings);
// - lines over 255 characters whose rest is read as a line of its own;
void checkLongLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings);
// - command lines that never run, each group with the line that cuts it off: a
//   blank line, a line that fills the line buffer, a header that is no header or
//   is given twice, or none before the first header;
void checkDroppedLines(const ScriptPieces* script, const PieceUse* uses, Findings* findings);
// - a 0x1A byte and what it cuts off.
void checkCtrlZ(const ScriptPieces* script, Findings* findings);

// Buffers for the parts of a message: a quoted piece of script (quoteText), and
// a description that may hold a piece of script.
constexpr size_t kQuoteSize = 512;
constexpr size_t kDescriptionSize = kScriptLineSize + 64;

// The file name that script findings carry.
extern const char kScriptFile[];

// The number of spaces and tabs that `text` begins with.
size_t leadingBlanks(const char* text);

// ", with its trailing spaces," when the first piece of a line that fills the
// line buffer was trimmed, so that its length is not plain to see; else "".
const char* trailingSpaces(const char* head);

// "the command line on line 14", "the 3 command lines on lines 14 to 17".
void describeCommandLines(unsigned long count, unsigned long first, unsigned long last, char* out,
                          size_t size);
// "never runs" or "never run", to follow describeCommandLines.
const char* neverRun(unsigned long count);
// "the [WIN2K] section begun on line 9", for a header piece.
void describeSection(const ScriptPieces* script, long header, char* out, size_t size);

#endif  // QN_CHECK_SCRIPT_FINDINGS_H
