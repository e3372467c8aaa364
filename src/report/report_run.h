// qnReport: the state of a fleet of machines, read from the result logs that
// qnUpdate leaves on each of them and an administrator has collected.
#ifndef QN_REPORT_REPORT_RUN_H
#define QN_REPORT_REPORT_RUN_H

// qnReport [options] [PATH...] (see report_options.h). Reads every log under
// the PATHs in one pass, then writes the text report or the CSV on standard
// output, and the HTML page when asked. --help prints the line "qnReport X.Y.Z"
// and the usage, --version that line alone, and each returns 0 (a usage error
// in the same command line wins). Otherwise returns the exit status:
//   0  no machine's latest attempt failed, and none is missing;
//   1  a machine's latest attempt failed or, with --hosts, a machine has no record;
//   2  a usage error (an unknown option, a PATH that does not exist, a --hosts
//      file that cannot be read), no log found, no record found and no machine
//      listed, or a log, folder or the page that could not be read or written.
// When readers were left waiting in reads given up on, it ends the process
// itself with that status once the report is written (platform::endProcess).
int runReport(int argc, const char* const* argv);

#endif  // QN_REPORT_REPORT_RUN_H
