#include "report/report_options.h"

#include <cstring>

#include "report/report_output.h"

const char* const kReportUsage[] = {
    "usage: qnReport [--csv] [--html FILE] [--hosts FILE] [--update NEW] [--success-codes LIST]",
    "                [--restart-codes LIST] [--verbose] [PATH...]",
    "  PATH          a log, or a folder searched for *.log files (default: the current folder)",
    "  --csv         one CSV row per machine and version instead of the text report",
    "  --html FILE   also write the report as an HTML page to FILE",
    "  --hosts FILE  report only these machines, one a line; those without a record count",
    "  --update NEW  only the version NEW (the records whose New value is NEW)",
    "  --success-codes LIST, --restart-codes LIST",
    "                more codes that mean installed, or installed and waiting for a restart,",
    "                for this report (\"1605,3011\"; decimal or 0x hexadecimal)",
    "  --verbose     name each log, each line that is not a record and each machine",
    "                found but not listed, on standard error",
    "exit status: 0 no machine failed or is missing, 1 one failed or (--hosts) has no record,",
    "2 usage error, nothing to report, or a log that could not be read",
    "qnReport --help (or /?, -?, -h) shows this text, qnReport --version the version",
    nullptr,
};

static bool usageError(const char* what, const char* option) {
  printError("%s %s", what, option);
  for (const char* const* line = kReportUsage; *line != nullptr; ++line) printErrorLine(*line);
  return false;
}

bool parseReportOptions(int argc, const char* const* argv, ReportOptions* options) {
  *options = ReportOptions{false, nullptr, nullptr, nullptr, nullptr, nullptr, false, false, false, {}};
  struct ValueOption {
    const char* name;
    const char** value;
  };
  const ValueOption valueOptions[] = {{"--html", &options->htmlFile},
                                      {"--hosts", &options->hostsFile},
                                      {"--update", &options->onlyNew},
                                      {"--success-codes", &options->successCodes},
                                      {"--restart-codes", &options->restartCodes}};
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
      if (!optionsEnded && strcmp(argument, "/?") == 0) {
        options->help = true;
      } else {
        options->paths.push_back(argument);
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
  return true;
}
