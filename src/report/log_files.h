// Finding the logs under the PATHs given to qnReport, and the machine each one
// belongs to.
#ifndef QN_REPORT_LOG_FILES_H
#define QN_REPORT_LOG_FILES_H

#include <string>

// What a PATH is.
enum PathKind { kNoSuchPath, kLogFile, kLogDirectory };

// kLogDirectory when `path` can be listed, kLogFile when it can be opened for
// reading, kNoSuchPath otherwise.
PathKind pathKind(const char* path);

// Called with each log found: its path as found (the PATH, then the names
// below it) and the name of its machine.
typedef void (*LogVisitor)(const char* path, const std::string& machine, void* context);

// Visits the logs under a PATH: a file is a log; a directory is searched, its
// entries in order of their names, for files whose names end in ".log" in any
// case. Directories that are junctions or links are not entered. Prints
// "qnReport: cannot read DIR" for each directory that cannot be listed, or whose
// path is too long, and returns how many there were.
unsigned long visitLogs(const char* path, const char* currentDirectory, LogVisitor visitor,
                        void* context);

// The machine a log belongs to, from its path: for .../HOST/QN.log the folder
// name; for .../HOST/QNLOG/QN.log the folder above QNLOG (names compared without
// regard to case); for any other file its name without ".log". A relative path
// whose folders are not all given ("QN.log", "./QN.log") is taken from
// `currentDirectory`.
std::string machineOfLog(const char* path, const char* currentDirectory);

// A machine name folded to one case, for comparing names as Windows does.
std::string foldedName(const char* name, size_t length);

#endif  // QN_REPORT_LOG_FILES_H
