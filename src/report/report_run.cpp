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
#include "report/log_reading.h"
#include "report/progress.h"
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

// Where a log was found.
enum LogSource { kFoundLog, kMachineLog };

struct Reading {
  const ReportOptions* options;
  ReadFacts* facts;
  LogReading* pool;
  // The logs found under the PATHs, and of them those given back.
  unsigned long logsFound;
  unsigned long logsRead;
  // The machines of --from: their logs read, those that could not be, and all of them.
  unsigned long machinesRead;
  unsigned long machinesUnreadable;
  unsigned long machines;
  Progress progress;
};

// "qnReport: 1200 logs read, 5000 found" while folders are walked; "118
// machines read, 2 unreadable, 122 left" for the machines of --from.
static void showReadingProgress(void* context) {
  Reading* reading = static_cast<Reading*>(context);
  if ((reading->machines == 0 && reading->logsFound == 0) || !progressDue(&reading->progress)) return;
  std::string text = "qnReport:";
  if (reading->logsFound > 0) {
    text += " " + std::to_string(reading->logsRead) + (reading->logsRead == 1 ? " log" : " logs") +
            " read, " + std::to_string(reading->logsFound) + " found";
  }
  if (reading->machines > 0) {
    unsigned long done = reading->machinesRead + reading->machinesUnreadable;
    text += std::string(reading->logsFound > 0 ? ";" : "") + " " +
            std::to_string(reading->machinesRead) +
            (reading->machinesRead == 1 ? " machine" : " machines") + " read, " +
            std::to_string(reading->machinesUnreadable) + " unreadable, " +
            std::to_string(reading->machines - done) + " left";
  }
  showProgress(&reading->progress, text.c_str());
}

// Takes in a log that the readers give back, in the order the logs were found.
static void logRead(LogRead* read, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  ReadFacts* facts = reading->facts;
  Machine& machine = fleet.machines[read->machine];
  bool verbose = reading->options->verbose;
  bool found = read->source == kFoundLog;
  bool failed = read->failure != kReadWhole;
  if (failed && machine.unreadable == kReadWhole) machine.unreadable = read->failure;
  if (!found) ++(failed ? reading->machinesUnreadable : reading->machinesRead);
  if (found) ++reading->logsRead;
  if (verbose || (failed && found)) clearProgress(&reading->progress);

  std::string shownPath = outputText(read->path);
  if (read->opened) {
    ++facts->logs;
    facts->records += read->summary.records;
    facts->notRecords += read->notRecords;
    for (const NotRecordLine& note : read->notes) {
      std::string text = shownPath + ":" + std::to_string(note.line) +
                         (note.torn ? ": torn, not a result record" : ": not a result record");
      printErrorLine(text.c_str());
    }
  }
  if (failed && found) {
    printError(read->opened ? "cannot read all of %s: %s" : "cannot read %s: %s", shownPath.c_str(),
               readFailureText(read->failure));
    facts->unreadable.push_back(shownPath);
  }
  if (read->opened) addLog(&fleet, read->machine, &read->summary);
  if (verbose) {
    std::string text = shownPath + ": machine " + outputText(read->machineName) + ", ";
    if (read->opened) {
      text += std::to_string(read->summary.records) + (read->summary.records == 1 ? " record" : " records");
    }
    if (failed) text += std::string(read->opened ? ", then " : "") + readFailureText(read->failure);
    printErrorLine(text.c_str());
  }
  showReadingProgress(reading);
}

static void visitLog(const char* path, const std::string& machineName, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  ++reading->logsFound;
  addLogRead(reading->pool, path, machineNamed(&fleet, machineName), machineName, kFoundLog);
}

// Gives the readers each listed machine's log at the --from template.
static void readMachineLogs(Reading* reading, const char* pathTemplate) {
  std::string pattern = pathTemplate;
  size_t fieldLength = strlen(kHostField);
  for (uint32_t machine = 0; machine < fleet.machines.size(); ++machine) {
    if (!fleet.machines[machine].listed) continue;
    ++reading->machines;
    std::string path = pattern;
    for (size_t at = path.find(kHostField); at != std::string::npos;
         at = path.find(kHostField, at + fleet.machines[machine].name.size())) {
      path.replace(at, fieldLength, fleet.machines[machine].name);
    }
    addLogRead(reading->pool, path.c_str(), machine, fleet.machines[machine].name, kMachineLog);
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
  if (options.paths.empty() && options.fromTemplate == nullptr) options.paths.push_back(".");
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
  ReadFacts facts = {options.paths, options.hostsFile, options.onlyNew, options.fromTemplate,
                     0, 0, 0, {}};
  Reading reading = {&options, &facts, nullptr, 0, 0, 0, 0, 0, {}};
  LogReadingSettings readingSettings = {options.jobs, options.timeoutSeconds * 1000u,
                                        options.verbose, readLogFile, logRead,
                                        showReadingProgress, &reading};
  reading.pool = startLogReading(readingSettings);
  if (reading.pool == nullptr) {
    printError("cannot start reading");
    return kUsageError;
  }
  startProgress(&reading.progress);
  for (const char* path : options.paths) {
    visitLogs(path, currentDirectory, visitLog, &reading, &facts.unreadable);
  }
  if (options.fromTemplate != nullptr) readMachineLogs(&reading, options.fromTemplate);
  finishLogReading(reading.pool);
  clearProgress(&reading.progress);
  if (facts.logs == 0 && options.fromTemplate == nullptr) {
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
