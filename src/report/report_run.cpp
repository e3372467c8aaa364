#include "report/report_run.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "program_version.h"
#include "report/find/hosts_file.h"
#include "report/find/log_finder.h"
#include "report/model/fleet.h"
#include "report/model/machine_state.h"
#include "report/model/report_time.h"
#include "report/model/version_order.h"
#include "report/output/output_stream.h"
#include "report/output/progress.h"
#include "report/output/read_messages.h"
#include "report/output/report_rows.h"
#include "report/output/report_writers.h"
#include "report/read/reader_pool.h"
#include "report/report_options.h"

static constexpr int kAllWell = 0;
static constexpr int kUsageError = 2;
// Versions named when --update names none of the fleet's.
static constexpr size_t kVersionsNamed = 10;

// A log given to the readers and not yet given back.
struct GivenLog {
  std::string path;
  std::string folder;
  LogKind kind;
  uint32_t machine;
  std::string machineName;  // as found: what --verbose names
  bool underPath;           // found under a PATH, not at --from
};

// The run while the logs are found and read.
struct Reading {
  const ReportOptions* options;
  Fleet* fleet;
  ReaderPool* pool;
  std::deque<GivenLog> given;  // in the order given, which is the order given back
  ReadingCounts counts;
  Progress progress;
};

static void showProgress(void* context) {
  Reading* reading = static_cast<Reading*>(context);
  showReadingProgress(&reading->progress, reading->counts);
}

// Takes in a log that the readers give back.
static void logRead(uint32_t rank, LogResult* result, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  GivenLog log = std::move(reading->given.front());
  reading->given.pop_front();
  bool failed = result->failure != kReadWhole;
  if (log.underPath) {
    ++reading->counts.logsRead;
  } else {
    ++(failed ? reading->counts.machinesUnreadable : reading->counts.machinesRead);
  }
  std::string shownPath = outputText(log.path);
  sayLogRead(&reading->progress, shownPath, outputText(log.machineName), *result, log.underPath,
             reading->options->verbose);
  if (isReadFailure(result->failure) && log.underPath) {
    reading->fleet->unreadablePlaces.push_back(shownPath);
  }
  addLog(reading->fleet, log.machine, rank, *result, LogPlace{&log.folder, log.kind});
  showReadingProgress(&reading->progress, reading->counts);
}

static void giveLog(Reading* reading, GivenLog log) {
  reading->given.push_back(std::move(log));
  addLogRead(reading->pool, reading->given.back().path.c_str());
}

static void foundLog(const FoundLog& log, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  ++reading->counts.logsFound;
  const std::string& name = log.owner.machine;
  giveLog(reading, GivenLog{log.path, log.folder, log.owner.kind, machineNamed(reading->fleet, name),
                            name, true});
}

static void foundUnreadableFolder(const UnreadableFolder& folder, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  std::string shown = outputText(folder.path);
  sayFolderUnreadable(&reading->progress, shown);
  reading->fleet->unreadablePlaces.push_back(shown);
  if (!folder.machine.empty()) {
    markUnreadable(reading->fleet, machineNamed(reading->fleet, folder.machine),
                   readFailureOf(folder.failure));
  }
}

// Gives the readers each listed machine's log at the --from template.
static void readMachineLogs(Reading* reading, const char* pathTemplate) {
  Fleet* fleet = reading->fleet;
  for (uint32_t machine = 0; machine < fleet->machines.size(); ++machine) {
    if (!fleet->machines[machine].listed) continue;
    ++reading->counts.machines;
    std::string name = fleet->machines[machine].name;
    giveLog(reading, GivenLog{logPathAt(pathTemplate, name), std::string(), kNamedLog, machine, name,
                              false});
  }
}

// Adds the machines named in the --hosts file. False, with the message, when
// it cannot be read or names none.
static bool readHosts(const char* path, Fleet* fleet) {
  std::vector<std::string> names;
  HostsLine bad;
  int read = readHostsFile(path, &names, &bad);
  if (read == kHostsUnreadable) {
    printError("cannot read the list of machines %s", terminalText(outputText(path)).c_str());
    return false;
  }
  if (read == kHostsBadLine) {
    printError("the list of machines %s, line %lu: \"%s\" cannot be a machine's name",
               terminalText(outputText(path)).c_str(), bad.number, terminalText(bad.text).c_str());
    return false;
  }
  if (names.empty()) {
    printError("the list of machines %s names no machine", terminalText(outputText(path)).c_str());
    return false;
  }
  for (const std::string& name : names) fleet->machines[machineNamed(fleet, name)].listed = true;
  return true;
}

// True when a record of the version was read; otherwise says which versions
// were, those with the most recent records first (by dates not ahead of
// `limit`).
static bool versionFound(const Fleet& fleet, const char* onlyNew, RecordMoment limit) {
  if (fleet.versionByValue.count(versionValue(onlyNew)) > 0) return true;
  std::vector<RecordMoment> latest(fleet.versions.size(), 0);
  for (const Machine& machine : fleet.machines) {
    for (const MachineVersion& state : machine.versions) {
      RecordMoment moment = state.last.moment;
      if (moment <= limit && moment > latest[state.version]) latest[state.version] = moment;
    }
  }
  std::vector<uint32_t> recent;
  for (uint32_t i = 0; i < fleet.versions.size(); ++i) recent.push_back(i);
  std::stable_sort(recent.begin(), recent.end(),
                   [&latest](uint32_t a, uint32_t b) { return latest[a] > latest[b]; });
  std::string named;
  for (size_t i = 0; i < recent.size() && i < kVersionsNamed; ++i) {
    named += (i == 0 ? "; the most recent versions found: \"" : ", \"");
    named += terminalText(outputText(fleet.versions[recent[i]].newValue)) + "\"";
  }
  printError("no result record of New=%s found%s", terminalText(outputText(onlyNew)).c_str(),
             named.c_str());
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
    if (isDeclared(codes->restart, code)) {
      printError("%ld is declared a success code and a restart code", static_cast<long>(code));
      return false;
    }
  }
  return true;
}

static void printVersionAndUsage(bool usage) {
  Output output;
  startConsoleOutput(&output);
  putFormat(&output, "qnReport %s%s", QN_VERSION_TEXT, platform::kConsoleLineEnd);
  for (const char* const* line = kReportUsage; usage && *line != nullptr; ++line) {
    putFormat(&output, "%s%s", *line, platform::kConsoleLineEnd);
  }
  finishOutput(&output);
}

// The PATHs that can be read. Each one that is empty, or cannot be found or
// read, is said and goes into the report's note of what could not be read.
static std::vector<const char*> pathsFound(const std::vector<const char*>& paths, Fleet* fleet) {
  std::vector<const char*> found;
  for (const char* path : paths) {
    std::string shown = terminalText(outputText(path));
    if (path[0] == '\0') {
      printError("an empty PATH names no log");
      fleet->unreadablePlaces.push_back("\"\"");
    } else if (pathKind(path) == kNoSuchPath) {
      printError("cannot find or read %s", shown.c_str());
      fleet->unreadablePlaces.push_back(outputText(path));
    } else {
      found.push_back(path);
    }
  }
  return found;
}

// Finds every log under `paths` and at --from and reads it into the fleet.
// False when reading cannot start.
static bool readFleet(const ReportOptions& options, const std::vector<const char*>& paths,
                      Fleet* fleet) {
  char currentDirectory[kPathBufferSize] = "";
  platform::getCurrentDirectory(currentDirectory, sizeof currentDirectory);
  Reading reading = {&options, fleet, nullptr, {}, {}, {}};
  ReaderPoolSettings settings = {options.jobs,     options.timeoutSeconds * 1000u, options.verbose,
                                 readLogFile,      logRead,                         showProgress,
                                 &reading};
  reading.pool = startReaderPool(settings);
  if (reading.pool == nullptr) {
    printError("cannot start reading");
    return false;
  }
  startProgress(&reading.progress);
  LogFinding finding = {foundLog, foundUnreadableFolder, &reading};
  for (const char* path : paths) findLogs(path, currentDirectory, finding);
  if (options.request.fromTemplate != nullptr) readMachineLogs(&reading, options.request.fromTemplate);
  finishReaderPool(reading.pool);
  clearProgress(&reading.progress);
  return true;
}

// Writes the text report or the CSV, and the page when asked. False, said,
// when either cannot be written whole.
static bool writeReports(const ReportOptions& options, const Report& report, const ReportTime& now) {
  Output output;
  startConsoleOutput(&output);
  if (options.csv) {
    writeCsvReport(report, &output);
  } else {
    writeTextReport(report, platform::kConsoleLineEnd, &output);
  }
  if (!finishOutput(&output)) {
    printError("cannot write the report to standard output");
    return false;
  }
  if (options.htmlFile == nullptr) return true;
  Output page;
  bool written = startFileOutput(&page, options.htmlFile);
  if (written) {
    writeHtmlReport(report, now.text, &page);
    written = finishOutput(&page);
  }
  if (!written) printError("cannot write %s", outputText(options.htmlFile).c_str());
  return written;
}

int runReport(int argc, const char* const* argv) {
  ReportOptions options;
  if (!parseReportOptions(argc, argv, &options)) return kUsageError;
  if (options.help || options.version) {
    printVersionAndUsage(options.help);
    return kAllWell;
  }
  const ReportRequest& request = options.request;
  ReportTime now;
  reportTime(&now);
  StateRules rules = {{}, request.hostsFile != nullptr, dayAfter(now.moment)};
  if (!readCodes(options, &rules.codes)) return kUsageError;
  if (request.paths.empty() && request.fromTemplate == nullptr) options.request.paths.push_back(".");
  Fleet fleet;
  if (request.hostsFile != nullptr && !readHosts(request.hostsFile, &fleet)) return kUsageError;

  // From here on the reports are written whatever could not be read, with a
  // note of it, and the status tells.
  int status = kAllWell;
  std::vector<const char*> paths = pathsFound(request.paths, &fleet);
  if (!readFleet(options, paths, &fleet)) return kUsageError;
  if (fleet.logs == 0 && request.fromTemplate == nullptr) {
    printError("no log found");
    status = kUsageError;
  } else if (fleet.versions.empty()) {
    printError("no result record found");
    status = kUsageError;
  }
  if (request.onlyNew != nullptr && !fleet.versions.empty() &&
      !versionFound(fleet, request.onlyNew, rules.aheadLimit)) {
    return kUsageError;
  }
  matchQualifiedNames(&fleet);

  Report report;
  buildReport(&fleet, &request, &rules, &report);
  if (options.verbose) {
    for (uint32_t machine : report.unlisted) {
      std::string text = "machine " + terminalText(report.machineNames[machine]) + ": not in the list";
      printErrorLine(text.c_str());
    }
  }

  if (status == kAllWell) status = reportStatus(report);
  if (!writeReports(options, report, now)) status = kUsageError;
  if (!fleet.unreadablePlaces.empty()) status = kUsageError;
  return status;
}
