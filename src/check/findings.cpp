#include "check/findings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/console.h"

static constexpr size_t kQuotedCharacters = 60;

void clearFindings(Findings* findings) {
  findings->errors = 0;
  findings->warnings = 0;
  findings->count = 0;
}

void addFinding(Findings* findings, const char* file, unsigned long line, Severity severity,
                const char* format, ...) {
  if (severity == kError) {
    ++findings->errors;
  } else {
    ++findings->warnings;
  }
  if (findings->count == kMaxFindings) return;
  Finding* finding = &findings->list[findings->count++];
  finding->file = file;
  finding->line = line;
  finding->severity = severity;
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(finding->text, sizeof finding->text, format, arguments);
  va_end(arguments);
}

// Files stay in the order they were first added; within a file, by line, and
// findings on the same line in the order they were added.
static void sortFindings(Findings* findings) {
  for (size_t i = 1; i < findings->count; ++i) {
    Finding moving = findings->list[i];
    size_t j = i;
    while (j > 0 && findings->list[j - 1].file == moving.file &&
           findings->list[j - 1].line > moving.line) {
      findings->list[j] = findings->list[j - 1];
      --j;
    }
    findings->list[j] = moving;
  }
}

static const char* plural(unsigned long count) { return count == 1 ? "" : "s"; }

void printFindings(Findings* findings) {
  sortFindings(findings);
  char where[kFindingTextSize];
  for (size_t i = 0; i < findings->count; ++i) {
    const Finding& finding = findings->list[i];
    const char* kind = finding.severity == kError ? "error" : "warning";
    if (finding.line == kWholeFile) {
      snprintf(where, sizeof where, "%s: %s: ", finding.file, kind);
    } else {
      snprintf(where, sizeof where, "%s:%lu: %s: ", finding.file, finding.line, kind);
    }
    printLine(where, finding.text);
  }
  unsigned long total = findings->errors + findings->warnings;
  if (total > findings->count) {
    snprintf(where, sizeof where, "qnCheck: %lu more findings not shown",
             total - static_cast<unsigned long>(findings->count));
    printLine(where);
  }
  snprintf(where, sizeof where, "qnCheck: %lu error%s, %lu warning%s", findings->errors,
           plural(findings->errors), findings->warnings, plural(findings->warnings));
  printLine(where);
}

int findingsStatus(const Findings* findings) {
  if (findings->errors > 0) return 2;
  return findings->warnings > 0 ? 1 : 0;
}

// Appends `piece` to the text of `length` characters in `out`, when it fits.
static void appendText(char* out, size_t size, size_t* length, const char* piece) {
  size_t pieceLength = strlen(piece);
  if (*length + pieceLength + 1 > size) return;
  memcpy(out + *length, piece, pieceLength);
  *length += pieceLength;
  out[*length] = '\0';
}

void quoteText(const char* text, char* out, size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  size_t length = 0;
  appendText(out, size, &length, "\"");
  size_t shown = 0;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
    if (shown == kQuotedCharacters) {
      appendText(out, size, &length, "...");
      break;
    }
    char one[8];
    if (*c == '\t') {
      snprintf(one, sizeof one, "<TAB>");
    } else if (*c == '\r') {
      snprintf(one, sizeof one, "<CR>");
    } else if (*c < 0x20 || *c == 0x7F) {
      snprintf(one, sizeof one, "<0x%02X>", static_cast<unsigned>(*c));
    } else {
      one[0] = static_cast<char>(*c);
      one[1] = '\0';
    }
    appendText(out, size, &length, one);
    ++shown;
  }
  appendText(out, size, &length, "\"");
}
