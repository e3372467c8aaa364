#include "report/report_options.h"

#include <cstring>

#include "base/ascii.h"
#include "report/find/log_finder.h"
#include "report/output/output_stream.h"

const char* const kReportUsage[] = {
    "usage: qnReport [--csv] [--html FILE] [--hosts FILE [--from TEMPLATE]]",
    "                [--update NEW] [--as-of DATE] [--since DATE]",
    "                [--success-codes LIST] [--restart-codes LIST]",
    "                [--jobs N] [--timeout SECONDS] [--verbose] [PATH...]",
    "  PATH          a log, or a folder searched for *.log files (default: the",
    "                current folder, unless --from is given)",
    "  --csv         one CSV row per machine and version instead of the text report",
    "  --html FILE   also write the report as an HTML page to FILE",
    "  --hosts FILE  report only these machines, one a line, or a CSV with a Name",
    "                column; those without a record count",
    "  --from TEMPLATE",
    "                read each listed machine's log at TEMPLATE, {host} replaced by",
    "                its name: \\\\{host}\\C$\\QNLOG\\QN.log or",
    "                /mnt/fleet/{host}/QNLOG/QN.log",
    "  --update NEW  only the version NEW (the records whose New value is NEW)",
    "  --as-of DATE  the report as it would have been made at the end of DATE:",
    "                YYYY-MM-DD, \"YYYY-MM-DD HH:MM\", today or yesterday",
    "  --since DATE  also what changed since the start of DATE, and the state then",
    "  --success-codes LIST, --restart-codes LIST",
    "                more codes that mean installed, or installed and waiting for a",
    "                restart, for this report (\"1605,3011\"; decimal or 0x hex)",
    "  --jobs N      read N logs at once (1 to 128; default 32)",
    "  --timeout SECONDS",
    "                a log not read within SECONDS (1 to 3600; default 30) makes",
    "                its machine unreadable",
    "  --verbose     name each log, each line that is not a record and each",
    "                machine found but not listed, on standard error",
    "exit status: 0 no machine failed or is missing, 1 one failed, is unreadable",
    "or (--hosts) has no record, 2 usage error, nothing to report, or a log found",
    "under a PATH that could not be read",
    "qnReport --help (or /?, /h, /help, -?, -h) shows this text, --version the",
    "version",
    nullptr,
};

static bool usageError(const char* what, const char* option) {
  printError("%s %s", what, option);
  for (const char* const* line = kReportUsage; *line != nullptr; ++line) printErrorLine(*line);
  return false;
}

// A whole number from 1 to `most`, in decimal digits only; 0 when the text is
// not one.
static unsigned numberFrom(const char* text, unsigned most) {
  unsigned long value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + static_cast<unsigned long>(*p - '0');
    if (value > most) return 0;
  }
  return static_cast<unsigned>(value);
}

bool parseReportOptions(int argc, const char* const* argv, ReportOptions* options) {
  *options = ReportOptions{{{}, nullptr, nullptr, nullptr}, false, nullptr, nullptr, nullptr,
                           nullptr, nullptr, kDefaultJobs, kDefaultTimeout, false, false, false};
  ReportRequest& request = options->request;
  const char* jobs = nullptr;
  const char* timeout = nullptr;
  struct ValueOption {
    const char* name;
    const char** value;
  };
  const ValueOption valueOptions[] = {{"--html", &options->htmlFile},
                                      {"--hosts", &request.hostsFile},
                                      {"--from", &request.fromTemplate},
                                      {"--update", &request.onlyNew},
                                      {"--success-codes", &options->successCodes},
                                      {"--restart-codes", &options->restartCodes},
                                      {"--as-of", &options->asOf},
                                      {"--since", &options->since},
                                      {"--jobs", &jobs},
                                      {"--timeout", &timeout}};
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
      if (!optionsEnded && (strcmp(argument, "/?") == 0 || equalsIgnoringAsciiCase(argument, "/h") ||
                            equalsIgnoringAsciiCase(argument, "/help"))) {
        options->help = true;
      } else {
        request.paths.push_back(argument);
      }
    } else if (strcmp(argument, "--") == 0) {
      optionsEnded = true;
    } else if (strcmp(argument, "--csv") == 0) {
      options->csv = true;
    } else if (strcmp(argument, "--verbose") == 0) {
      options->verbose = true;
    } else if (strcmp(argument, "--help") == 0 || strcmp(argument, "-?") == 0 ||
               strcmp(argument, "-h") == 0) {
      options->help = true;
    } else if (strcmp(argument, "--version") == 0) {
      options->version = true;
    } else {
      const ValueOption* match = nullptr;
      const char* value = nullptr;
      for (const ValueOption& candidate : valueOptions) {
        size_t length = strlen(candidate.name);
        if (strncmp(argument, candidate.name, length) != 0) continue;
        if (argument[length] == '=') {
          match = &candidate;
          value = argument + length + 1;
        } else if (argument[length] == '\0') {
          match = &candidate;
          if (i + 1 < argc) value = argv[++i];
        }
      }
      if (match == nullptr) return usageError("unknown option", argument);
      if (value == nullptr) return usageError("no value given to", match->name);
      if (*match->value != nullptr) return usageError("given twice:", match->name);
      *match->value = value;
    }
  }
  if (request.fromTemplate != nullptr && request.hostsFile == nullptr) {
    return usageError("--from needs", "--hosts");
  }
  if (request.fromTemplate != nullptr && strstr(request.fromTemplate, kHostField) == nullptr) {
    return usageError("--from names no {host}:", request.fromTemplate);
  }
  if (jobs != nullptr && (options->jobs = numberFrom(jobs, kMostJobs)) == 0) {
    return usageError("--jobs takes a number of logs from 1 to 128:", jobs);
  }
  if (timeout != nullptr && (options->timeoutSeconds = numberFrom(timeout, kLongestTimeout)) == 0) {
    return usageError("--timeout takes a number of seconds from 1 to 3600:", timeout);
  }
  return true;
}
