// Finding the logs to read: under the PATHs given to qnReport, and at the
// --from template for each listed machine.
#ifndef QN_REPORT_FIND_LOG_FINDER_H
#define QN_REPORT_FIND_LOG_FINDER_H

#include <string>

// What a PATH is.
enum PathKind { kNoSuchPath, kLogFile, kLogDirectory };

// kLogDirectory when `path` can be listed, kLogFile when it can be opened for
// reading, kNoSuchPath otherwise.
PathKind pathKind(const char* path);

// Where the logs found go: `log` with each log, its path as found (the PATH,
// then the names below it) and the name of its machine; `unreadableFolder`
// with each folder that cannot be listed, or whose path is too long.
struct LogFinding {
  void (*log)(const char* path, const std::string& machine, void* context);
  void (*unreadableFolder)(const std::string& folder, void* context);
  void* context;
};

// Finds the logs under a PATH: a file is a log; a directory is searched for
// files whose names end in ".log" in any case, its entries (files and
// sub-folders alike) in the order of their names without regard to case.
// Directories that are junctions or links are not entered. Machines are named
// by machineOfLog, a relative path taken from `currentDirectory`.
void findLogs(const char* path, const char* currentDirectory, const LogFinding& finding);

// What --from replaces with each machine's name.
extern const char kHostField[];

// The path of a machine's log at a --from template: every kHostField replaced
// by the machine's name.
std::string logPathAt(const char* pathTemplate, const std::string& machine);

#endif  // QN_REPORT_FIND_LOG_FINDER_H
