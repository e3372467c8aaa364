// Finding the logs to read: under the PATHs given to qnReport, and at the
// --from template for each listed machine.
#ifndef QN_REPORT_FIND_LOG_FINDER_H
#define QN_REPORT_FIND_LOG_FINDER_H

#include <string>

#include "platform/platform.h"
#include "report/find/machine_names.h"

// What a PATH is.
enum PathKind { kNoSuchPath, kLogFile, kLogDirectory };

// kLogDirectory when `path` can be listed, kLogFile when it can be opened for
// reading, kNoSuchPath otherwise.
PathKind pathKind(const char* path);

// A log found: its path as found (the PATH, then the names below it), the
// folder it lies in, as the path names it, and whose log it is.
struct FoundLog {
  std::string path;
  std::string folder;
  LogOwner owner;
};

// A folder that cannot be listed, or whose path is too long: why, and the
// machine it belongs to (machineOfFolder; empty when none).
struct UnreadableFolder {
  std::string path;
  std::string machine;
  platform::FileFailure failure;
};

// Where the logs found go: `log` with each log, `unreadableFolder` with each
// folder that cannot be read.
struct LogFinding {
  void (*log)(const FoundLog& log, void* context);
  void (*unreadableFolder)(const UnreadableFolder& folder, void* context);
  void* context;
};

// Finds the logs under a PATH: a file is a log; a directory is searched for
// files whose names end in ".log" in any case, its entries (files and
// sub-folders alike) in the order of their names without regard to case,
// but for a folder's rotated logs, which come just before its QN.log: the
// order in which they were written. Directories that are junctions or links
// are not entered. Machines are named by ownerOfLog, a relative path taken
// from `currentDirectory`.
void findLogs(const char* path, const char* currentDirectory, const LogFinding& finding);

// What --from replaces with each machine's name.
extern const char kHostField[];

// The path of a machine's log at a --from template: every kHostField replaced
// by the machine's name.
std::string logPathAt(const char* pathTemplate, const std::string& machine);

#endif  // QN_REPORT_FIND_LOG_FINDER_H
