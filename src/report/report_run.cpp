#include "report/report_run.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "platform/platform.h"
#include "program_version.h"
#include "report/fleet.h"
#include "report/hosts_file.h"
#include "report/log_files.h"
#include "report/log_lines.h"
#include "report/report.h"
#include "report/report_options.h"
#include "report/report_output.h"
#include "report/report_time.h"

static constexpr int kAllWell = 0;
static constexpr int kUsageError = 2;
// Versions named when --update names none of the fleet's.
static constexpr size_t kVersionsNamed = 10;

// Large: kept out of the stack.
static Fleet fleet;
static LogLines lines;
static LogSummary summary;

struct Reading {
  const ReportOptions* options;
  ReadFacts* facts;
  uint32_t logRank;
};

static void readLog(const char* path, const std::string& machineName, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  ReadFacts* facts = reading->facts;
  std::string shownPath = outputText(path);
  if (!openLogLines(&lines, path)) {
    printError("cannot read %s", shownPath.c_str());
    facts->unreadable.push_back(shownPath);
    return;
  }
  ++facts->logs;
  startLogSummary(&summary, reading->logRank++);
  bool verbose = reading->options->verbose;
  char* line;
  size_t length;
  bool whole;
  while (nextLogLine(&lines, &line, &length, &whole)) {
    if (length == 0) continue;
    ParsedRecord record;
    if (!whole || !parseRecord(line, length, &record)) {
      ++facts->notRecords;
      if (verbose) {
        std::string text = shownPath + ":" + std::to_string(lines.lineNumber) +
                           (whole ? ": not a result record" : ": torn, not a result record");
        printErrorLine(text.c_str());
      }
      continue;
    }
    addLogRecord(&summary, record, line, length);
  }
  facts->records += summary.records;
  if (lines.readFailed) {
    printError("cannot read all of %s", shownPath.c_str());
    facts->unreadable.push_back(shownPath);
  }
  closeLogLines(&lines);
  addLog(&fleet, machineNamed(&fleet, machineName), &summary);
  if (verbose) {
    std::string text = shownPath + ": machine " + outputText(machineName) + ", " +
                       std::to_string(summary.records) +
                       (summary.records == 1 ? " record" : " records");
    printErrorLine(text.c_str());
  }
}

// Adds the machines named in the --hosts file. False, with the message, when
// it cannot be read or names none.
static bool readHosts(const char* path) {
  std::vector<std::string> names;
  if (!readHostsFile(path, &names)) {
    printError("cannot read the list of machines %s", outputText(path).c_str());
    return false;
  }
  if (names.empty()) {
    printError("the list of machines %s names no machine", outputText(path).c_str());
    return false;
  }
  for (const std::string& name : names) fleet.machines[machineNamed(&fleet, name)].listed = true;
  return true;
}

// True when a record of the version was read; otherwise says which versions were.
static bool versionFound(const char* onlyNew) {
  if (fleet.versionByValue.count(onlyNew) > 0) return true;
  std::vector<uint32_t> recent;
  for (uint32_t i = 0; i < fleet.versions.size(); ++i) recent.push_back(i);
  std::stable_sort(recent.begin(), recent.end(), [](uint32_t a, uint32_t b) {
    return fleet.versions[a].latest > fleet.versions[b].latest;
  });
  std::string named;
  for (size_t i = 0; i < recent.size() && i < kVersionsNamed; ++i) {
    named += (i == 0 ? "; the most recent versions found: \"" : ", \"");
    named += outputText(fleet.versions[recent[i]].newValue) + "\"";
  }
  printError("no result record of New=%s found%s", outputText(onlyNew).c_str(), named.c_str());
  return false;
}

// Reads the declared codes. False, with the message, when a list is not one.
static bool readCodes(const ReportOptions& options, CodeRules* codes) {
  const struct {
    const char* option;
    const char* list;
    std::vector<int32_t>* codes;
  } lists[] = {{"--success-codes", options.successCodes, &codes->success},
               {"--restart-codes", options.restartCodes, &codes->restart}};
  for (const auto& list : lists) {
    if (list.list != nullptr && !parseCodeList(list.list, list.codes)) {
      printError("%s takes codes such as 1605,3011: %s", list.option, outputText(list.list).c_str());
      return false;
    }
  }
  for (int32_t code : codes->success) {
    if (std::find(codes->restart.begin(), codes->restart.end(), code) != codes->restart.end()) {
      printError("%ld is declared a success code and a restart code", static_cast<long>(code));
      return false;
    }
  }
  return true;
}

int runReport(int argc, const char* const* argv) {
  ReportOptions options;
  if (!parseReportOptions(argc, argv, &options)) return kUsageError;
  if (options.help || options.version) {
    Output output;
    startConsoleOutput(&output);
    putFormat(&output, "qnReport %s%s", QN_VERSION_TEXT, platform::kConsoleLineEnd);
    for (const char* const* line = kReportUsage; options.help && *line != nullptr; ++line) {
      putFormat(&output, "%s%s", *line, platform::kConsoleLineEnd);
    }
    finishOutput(&output);
    return kAllWell;
  }
  ReportSettings settings = {options.hostsFile != nullptr, options.onlyNew, 0, {}};
  if (!readCodes(options, &settings.codes)) return kUsageError;
  if (options.paths.empty()) options.paths.push_back(".");
  for (const char* path : options.paths) {
    if (path[0] == '\0') {
      printError("an empty PATH names no log");
      return kUsageError;
    }
    if (pathKind(path) == kNoSuchPath) {
      printError("cannot find or read %s", outputText(path).c_str());
      return kUsageError;
    }
  }
  clearFleet(&fleet);
  if (options.hostsFile != nullptr && !readHosts(options.hostsFile)) return kUsageError;

  char currentDirectory[kPathBufferSize] = "";
  platform::getCurrentDirectory(currentDirectory, sizeof currentDirectory);
  ReadFacts facts = {options.paths, options.hostsFile, options.onlyNew, 0, 0, 0, {}};
  Reading reading = {&options, &facts, 0};
  for (const char* path : options.paths) {
    visitLogs(path, currentDirectory, readLog, &reading, &facts.unreadable);
  }
  if (facts.logs == 0) {
    printError("no log found");
    return kUsageError;
  }
  if (options.onlyNew != nullptr && !versionFound(options.onlyNew)) return kUsageError;

  ReportTime now;
  reportTime(&now);
  settings.aheadLimit = dayAfter(now.moment);
  Report report;
  buildReport(&fleet, &facts, &settings, &report);
  if (options.verbose) {
    for (uint32_t machine : report.unlisted) {
      std::string text = "machine " + report.machineNames[machine] + ": not in the list";
      printErrorLine(text.c_str());
    }
  }

  Output output;
  startConsoleOutput(&output);
  if (options.csv) {
    writeCsvReport(report, &output);
  } else {
    writeTextReport(report, platform::kConsoleLineEnd, &output);
  }
  finishOutput(&output);

  int status = reportStatus(report);
  if (options.htmlFile != nullptr) {
    Output page;
    bool written = startFileOutput(&page, options.htmlFile);
    if (written) {
      writeHtmlReport(report, now.text, &page);
      written = finishOutput(&page);
    }
    if (!written) {
      printError("cannot write %s", outputText(options.htmlFile).c_str());
      status = kUsageError;
    }
  }
  if (fleet.versions.empty()) {
    printError("no result record found");
    status = kUsageError;
  }
  if (!facts.unreadable.empty()) status = kUsageError;
  return status;
}
