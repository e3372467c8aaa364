// Finding the logs under the PATHs given to qnReport, and the machine each one
// belongs to.
#ifndef QN_REPORT_LOG_FILES_H
#define QN_REPORT_LOG_FILES_H

#include <string>
#include <vector>

// What a PATH is.
enum PathKind { kNoSuchPath, kLogFile, kLogDirectory };

// kLogDirectory when `path` can be listed, kLogFile when it can be opened for
// reading, kNoSuchPath otherwise.
PathKind pathKind(const char* path);

// Called with each log found: its path as found (the PATH, then the names
// below it) and the name of its machine.
typedef void (*LogVisitor)(const char* path, const std::string& machine, void* context);

// Visits the logs under a PATH: a file is a log; a directory is searched for
// files whose names end in ".log" in any case, its entries (files and
// sub-folders alike) in the order of their names without regard to case.
// Directories that are junctions or links are not entered. Prints
// "qnReport: cannot read DIR" for each directory that cannot be listed, or whose
// path is too long, and adds it to `unreadable` (as the reports write it).
void visitLogs(const char* path, const char* currentDirectory, LogVisitor visitor, void* context,
               std::vector<std::string>* unreadable);

// The machine a log belongs to, from its path. A file whose name starts with
// "QN" and ends with ".log" (QN.log, QN-2023.log) belongs to the machine its
// folder names; folders named QNLOG and administrative shares (C$, ADMIN$) are
// passed over on the way up, so that \\PC01\C$\QNLOG\QN.log and
// fleet\PC01\QNLOG\QN.log name PC01. Any other file names the machine by its
// name without ".log". A relative path is taken from `currentDirectory`. Names
// compare without regard to ASCII case.
std::string machineOfLog(const char* path, const char* currentDirectory);

#endif  // QN_REPORT_LOG_FILES_H
