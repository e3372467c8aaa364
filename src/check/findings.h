// The findings of a check: one line per trap, in the form
//   FILE:LINE: error: TEXT     (or FILE: error: TEXT for the file as a whole)
// sorted by line within each file, then a count line.
//
// An error is a finding that means a command line will not run as written, or
// that the update cannot run at all: command lines that never run (cut off by a
// blank line, a 255-character line, a 0x1A byte, a header that is no header or
// a header given twice), the tail of a split line that runs as a command of its
// own or opens or ends a section, a comment or header with white space before
// it that runs as a command, a missing qnInst.cfg, a missing version.id (no
// record is written), a directory that cannot be entered, and a script longer
// than the check reads (kMaxPieces).
//
// A warning is a finding where every command still runs as written but the
// author should look: a missing program file or a program name that the
// presence check cannot find (a tab, a double quote, a leading space: qnUpdate
// prints its message and runs the line anyway), lines before the first header,
// a bad or repeated header with no command line under it, a 255-character line
// that ends a section with nothing after it yet, a longer line whose rest is
// skipped as a comment or ignored, text after a 0x1A byte that holds no command
// line, and a version.id whose record fields come out empty or cut.
#ifndef QN_CHECK_FINDINGS_H
#define QN_CHECK_FINDINGS_H

#include <cstddef>

enum Severity { kWarning, kError };

constexpr size_t kFindingTextSize = 1024;
constexpr size_t kMaxFindings = 512;
// The line number of a finding about a file as a whole.
constexpr unsigned long kWholeFile = 0;

struct Finding {
  const char* file;
  unsigned long line;
  Severity severity;
  char text[kFindingTextSize];
};

struct Findings {
  unsigned long errors;
  unsigned long warnings;
  size_t count;  // kept; beyond kMaxFindings only counted
  Finding list[kMaxFindings];
};

void clearFindings(Findings* findings);

// Adds one finding; the text is made by printf rules from `format`.
void addFinding(Findings* findings, const char* file, unsigned long line, Severity severity,
                const char* format, ...) __attribute__((format(printf, 5, 6)));

// Prints every finding kept, in the order of the files as first added and by
// line within a file, then "qnCheck: N errors, N warnings".
void printFindings(Findings* findings);

// The exit status: 2 with errors, 1 with warnings only, 0 with none.
int findingsStatus(const Findings* findings);

// A piece of script text for a message: in double quotes, control characters
// written as <TAB>, <CR> or <0xNN>, cut after 60 characters with "...".
void quoteText(const char* text, char* out, size_t size);

#endif  // QN_CHECK_FINDINGS_H
