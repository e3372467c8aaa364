#include "check/version_findings.h"

#include <cstdio>
#include <cstring>

#include "log/result_log.h"
#include "runtime/console.h"
#include "runtime/text_file.h"

const char kVersionFile[] = "version.id";

static constexpr size_t kQuoteSize = 256;

// True when a value starts or ends with a space or a tab.
static bool hasBlankAtAnEnd(const char* value) {
  size_t length = strlen(value);
  return length > 0 && (strchr(" \t", value[0]) != nullptr || strchr(" \t", value[length - 1]) != nullptr);
}

static void checkBlanks(const char* value, int line, const char* field, Findings* findings) {
  if (!hasBlankAtAnEnd(value)) return;
  addFinding(findings, kVersionFile, line, kWarning,
             "line %d has a blank at its start or end, which the log record's %s field keeps: "
             "qnReport takes the value without it, other tools may take it for another version",
             line, field);
}

// Reads the two values as writeResultRecord does, and adds what the way they were
// read says about the file's lines.
static void checkValues(TextFile* file, Findings* findings) {
  char updateValue[kVersionLineSize];
  char newValue[kVersionLineSize];
  int first = readVersionValue(file, updateValue);
  unsigned long lineFeedsAfterFirst = file->lineFeeds;
  int second = readVersionValue(file, newValue);
  unsigned long lineFeedsAfterSecond = file->lineFeeds;
  char record[2 * kVersionLineSize + 64];
  snprintf(record, sizeof record, "version.id gives the log record Update=%s,New=%s", updateValue,
           newValue);
  printLine(record);

  if (first < 0) {
    addFinding(findings, kVersionFile, 1, kWarning,
               "the file is empty, so the log record's Update and New fields are empty");
    return;
  }
  if (lineFeedsAfterFirst == 0 && second >= 0) {
    // The first read stopped at 127 characters before the line end.
    if (newValue[0] == '\0' && lineFeedsAfterSecond == 1) {
      addFinding(findings, kVersionFile, 1, kWarning,
                 "line 1 is 127 characters long, which fills the record's field, so its line end "
                 "is read as the second line: the New field is empty and line 2 is not used");
    } else {
      char rest[kQuoteSize];
      quoteText(newValue, rest, sizeof rest);
      addFinding(findings, kVersionFile, 1, kWarning,
                 "line 1 is longer than the 127 characters a record field keeps: the Update "
                 "field gets its first 127, and the New field gets the rest of line 1, %s, "
                 "instead of line 2",
                 rest);
    }
    return;
  }
  if (updateValue[0] == '\0') {
    addFinding(findings, kVersionFile, 1, kWarning,
               "line 1 is empty, so the log record's Update field is empty");
  }
  checkBlanks(updateValue, 1, "Update", findings);
  if (second < 0) {
    addFinding(findings, kVersionFile, 1, kWarning,
               "the file has only one line, so the log record's New field is empty");
    return;
  }
  if (newValue[0] == '\0') {
    addFinding(findings, kVersionFile, 2, kWarning,
               "line 2 is empty, so the log record's New field is empty");
    return;
  }
  checkBlanks(newValue, 2, "New", findings);
  if (lineFeedsAfterSecond == lineFeedsAfterFirst) {
    // The second read stopped before a line end: the line is longer, unless the
    // line end or the end of the file comes right after.
    char rest[kVersionLineSize];
    int third = readVersionValue(file, rest);
    if (third >= 0 && rest[0] != '\0') {
      addFinding(findings, kVersionFile, 2, kWarning,
                 "line 2 is longer than the 127 characters a record field keeps: the New field "
                 "gets only its first 127");
    }
  }
}

void checkVersionFile(Findings* findings) {
  TextFile file;
  if (!openTextFile(&file, kVersionFileName)) {
    addFinding(findings, kVersionFile, kWholeFile, kError,
               "cannot be read: qnUpdate prints \"qnLogger: Cannot Read Version.id file\" and "
               "writes no record to the log");
    return;
  }
  checkValues(&file, findings);
  closeTextFile(&file);
}
