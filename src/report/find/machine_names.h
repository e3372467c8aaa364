// The machine a log belongs to, from the log's path.
#ifndef QN_REPORT_FIND_MACHINE_NAMES_H
#define QN_REPORT_FIND_MACHINE_NAMES_H

#include <string>

// True when a file's name ends in ".log", in any case: a log to read.
bool isLogName(const std::string& name);

// The machine a log belongs to, from its path. A file whose name starts with
// "QN" and ends with ".log" (QN.log, QN-2023.log) belongs to the machine its
// folder names; folders named QNLOG and administrative shares (C$, ADMIN$) are
// passed over on the way up, so that \\PC01\C$\QNLOG\QN.log and
// fleet\PC01\QNLOG\QN.log name PC01. Any other file names the machine by its
// name without ".log". A relative path is taken from `currentDirectory`. Names
// compare without regard to ASCII case.
std::string machineOfLog(const char* path, const char* currentDirectory);

// The machine whose folder a folder is or lies in, by the same rules: the
// folder above the last QNLOG folder or administrative share on its path
// (\\PC01\C$, fleet\PC01\QNLOG\old name PC01); empty when its path has
// neither, for a folder of logs may hold any machine's.
std::string machineOfFolder(const char* path, const char* currentDirectory);

// The last name on a path ("PC01" for fleet\PC01), "." and ".." resolved.
std::string lastPathPart(const char* path, const char* currentDirectory);

#endif  // QN_REPORT_FIND_MACHINE_NAMES_H
