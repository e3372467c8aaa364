// The first part of the check's report: for each platform, the header qnUpdate
// searches for and each command line it would run there.
#ifndef QN_CHECK_PLATFORM_REPORT_H
#define QN_CHECK_PLATFORM_REPORT_H

#include "check/script_pieces.h"

// Prints, for each platform in kPlatforms order, a line
//   NAME (code N) looks for HEADER: found on line L      (or: not found)
// then one line per command line that would run, in order,
//     line L, "PROGRAM" present: TEXT                   (or missing)
// (the program name quoted as quoteText quotes it, the line exactly as it runs)
// and the exit status it ends with:
//     exit status: that of the command on line L
//     nothing runs; exit status 9
// Presence is probed in the current directory, as qnUpdate probes it.
void printPlatforms(const ScriptPieces* script);

#endif  // QN_CHECK_PLATFORM_REPORT_H
