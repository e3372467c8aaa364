// What qnReport says on standard error while it reads: a progress line on a
// terminal, each line of a log that is not a record, each log or folder that
// cannot be read, and with --verbose what each log held.
#ifndef QN_REPORT_OUTPUT_READ_MESSAGES_H
#define QN_REPORT_OUTPUT_READ_MESSAGES_H

#include <string>

#include "report/output/progress.h"
#include "report/read/log_file.h"

// How far the reading has come.
struct ReadingCounts {
  unsigned long logsFound;  // under the PATHs
  unsigned long logsRead;   // of them, those given back
  unsigned long machines;   // of --from
  unsigned long machinesRead;
  unsigned long machinesUnreadable;
};

// "qnReport: 1200 logs read, 5000 found" while folders are walked; "118
// machines read, 2 unreadable, 122 left" for the machines of --from; both when
// there are both. Shown when it is due.
void showReadingProgress(Progress* progress, const ReadingCounts& counts);

// Says what reading one log gave, its path and its machine's name as the
// reports write them (shown by terminalText): each line that is not a record
// (kept when reading with notes); for a log found under a PATH that could not be read (to its end),
// "cannot read (all of) PATH: WHY"; and with `verbose` a line of what it held.
void sayLogRead(Progress* progress, const std::string& path, const std::string& machine,
                const LogResult& result, bool underPath, bool verbose);

// Says that a folder under a PATH cannot be read: "cannot read FOLDER", with
// ": WHY" unless the reason is none of those that readFailureText names.
void sayFolderUnreadable(Progress* progress, const std::string& folder, ReadFailure failure);

#endif  // QN_REPORT_OUTPUT_READ_MESSAGES_H
