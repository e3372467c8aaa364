// qnReport's command line.
#ifndef QN_REPORT_REPORT_OPTIONS_H
#define QN_REPORT_REPORT_OPTIONS_H

#include "report/output/report_rows.h"

struct ReportOptions {
  // The PATHs (the current directory when none is given, nor --from), and
  // --hosts FILE (the machines to report, which should have run the update),
  // --from TEMPLATE (each listed machine's log, at TEMPLATE with {host}
  // replaced by its name; needs --hosts) and --update NEW (only the version
  // NEW).
  ReportRequest request;
  bool csv;               // --csv: CSV on standard output instead of the text report
  const char* htmlFile;   // --html FILE: the page is written there too
  const char* successCodes;  // --success-codes LIST: more codes that mean installed
  const char* restartCodes;  // --restart-codes LIST: more codes that mean restart pending
  const char* asOf;          // --as-of DATE: the report as it would have been made then
  const char* since;         // --since DATE: also the state then, and what changed since
  unsigned jobs;             // --jobs N: logs read at once (default kDefaultJobs)
  unsigned timeoutSeconds;   // --timeout SECONDS: the longest a log's read may take
  bool verbose;           // --verbose: each log, each line that is no record and each
                          // machine found but not listed, on stderr
  bool help;              // --help, /?, /h, /help, -? or -h: the version and the usage on
                          // standard output
  bool version;           // --version: the version on standard output, nothing else
};

constexpr unsigned kDefaultJobs = 32;
constexpr unsigned kMostJobs = 128;
constexpr unsigned kDefaultTimeout = 30;
constexpr unsigned kLongestTimeout = 3600;
// The usage text, one line per element, without line ends.
extern const char* const kReportUsage[];

// Reads `qnReport [options] [PATH...]` (options may stand anywhere; "--" ends
// them; "--html=FILE" is the same as "--html FILE"). Returns false, with
// "qnReport: WHY" and the usage on standard error, for an unknown option, an
// option without its value, or one given twice; --from without --hosts or
// without {host}; --jobs or --timeout without a whole number in their range
// (1 to kMostJobs, 1 to kLongestTimeout).
bool parseReportOptions(int argc, const char* const* argv, ReportOptions* options);

#endif  // QN_REPORT_REPORT_OPTIONS_H
