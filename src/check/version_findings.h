// The version file: what the log record will hold, and its traps.
#ifndef QN_CHECK_VERSION_FINDINGS_H
#define QN_CHECK_VERSION_FINDINGS_H

#include "check/findings.h"

// The file name that version findings carry.
extern const char kVersionFile[];

// Reads version.id in the current directory through the log's own reader,
// prints the line "version.id gives the log record Update=U,New=N" when it can
// be read, and adds a finding when it cannot be read (an error: no record is
// written), is empty, has fewer than two lines, has an empty first or second
// line, a line with a blank at its start or end, or a line longer than the
// 127 characters a record field keeps.
void checkVersionFile(Findings* findings);

#endif  // QN_CHECK_VERSION_FINDINGS_H
