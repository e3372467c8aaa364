// The machine a log belongs to, from the log's path, and the machine a folder
// belongs to.
//
// qnUpdate keeps its log in QNLOG\QN.log; a log rotated away beside it keeps
// the name's start: QN-2025.log, QN.old.log, QN_1.log. An administrator
// collects the logs either by machine folder (fleet\PC01\QN.log,
// fleet\PC01\QNLOG\QN.log, \\PC01\C$\QNLOG\QN.log) or flat, one file named
// after each machine (fleet\PC01.log). So:
// - a file named QN.log belongs to the machine its folder names;
// - a file named QN, a separator ("-", ".", "_" or a space), anything and
//   ".log" is a rotated log of that machine when it lies beside a QN.log or in
//   a QNLOG folder; anywhere else it names a machine like any other file;
// - any other NAME.log names the machine NAME, whatever its first letters;
// - on the way up to a machine's folder, folders whose names begin with QNLOG
//   (QNLOG, and Explorer's copy "QNLOG - Copy") and administrative shares (C$,
//   ADMIN$) are passed over.
// Names compare without regard to ASCII case; a relative path is taken from
// the current directory.
#ifndef QN_REPORT_FIND_MACHINE_NAMES_H
#define QN_REPORT_FIND_MACHINE_NAMES_H

#include <string>

// True when a file's name ends in ".log", in any case: a log to read.
bool isLogName(const std::string& name);

// True when a file's name is QN.log, in any case: a machine's current log.
bool isCurrentLogName(const std::string& name);

// What a log is to its machine.
enum LogKind {
  kNamedLog,    // NAME.log: the machine NAME's log
  kCurrentLog,  // QN.log: the machine's current log
  kRotatedLog,  // QN-2025.log beside a QN.log or in a QNLOG folder: an older one
};

// What a log named `name` is, by the rules above: `besideCurrentLog` tells
// whether a QN.log lies in its folder, `inLogFolder` whether the folder's name
// begins with QNLOG.
LogKind kindOfLog(const std::string& name, bool besideCurrentLog, bool inLogFolder);

// True for QNLOG and its copies ("QNLOG - Copy"), in any case.
bool isLogFolderName(const std::string& name);

struct LogOwner {
  std::string machine;
  LogKind kind;
};

// The machine a log belongs to, and what the log is to it. `besideCurrentLog`
// tells whether a QN.log lies in the log's folder.
LogOwner ownerOfLog(const char* path, const char* currentDirectory, bool besideCurrentLog);

// The machine of a log whose kind is known (listLogFolder tells it).
std::string machineOfLog(const char* path, const char* currentDirectory, LogKind kind);

// The machine a folder belongs to: for a QNLOG folder or an administrative
// share, and any folder below one, the machine above it; an empty text for any
// other folder, which may hold the logs of many machines.
std::string machineOfFolder(const char* path, const char* currentDirectory);

// The last name on a path ("PC01" for fleet\PC01), "." and ".." resolved.
std::string lastPathPart(const char* path, const char* currentDirectory);

#endif  // QN_REPORT_FIND_MACHINE_NAMES_H
