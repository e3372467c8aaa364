#include "report/report_run.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/system_text.h"
#include "platform/threads.h"
#include "program_version.h"
#include "report/find/hosts_file.h"
#include "report/find/log_finder.h"
#include "report/find/machine_names.h"
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

// A path given to the readers and not yet given back: a machine's log at the
// --from template, or a PATH.
struct GivenRead {
  bool fromTemplate;
  uint32_t machine;         // --from: the machine
  std::string machineName;  // --from: as the list spells it
};

// The run while the logs are found and read.
struct Reading {
  const ReportOptions* options;
  Fleet* fleet;
  ReaderPool* pool;
  std::string currentDirectory;  // relative PATHs name their machines from it
  std::deque<GivenRead> given;   // in the order given, which is the order given back
  uint32_t logsTaken;            // logs taken in: the next one's place in the reading order
  std::vector<std::string> pathsMissing;  // PATHs that do not exist
  ReadingCounts counts;
  Progress progress;
};

static void showProgress(void* context) {
  Reading* reading = static_cast<Reading*>(context);
  showReadingProgress(&reading->progress, reading->counts);
}

// The machine whose folder an unreadable folder is or lies in: by the rules
// that name a log's machine (fleet\PC01\QNLOG, \\PC01\C$), or a listed
// machine whose name the folder has (a folder of machines' shares or copies).
// kNoMachine when there is none.
static constexpr uint32_t kNoMachine = UINT32_MAX;
static uint32_t machineOfUnreadFolder(Reading* reading, const std::string& folder) {
  Fleet* fleet = reading->fleet;
  const char* current = reading->currentDirectory.c_str();
  std::string name = machineOfFolder(folder.c_str(), current);
  if (!name.empty()) return machineNamed(fleet, name);
  name = lastPathPart(folder.c_str(), current);
  auto found = fleet->machineByName.find(platform::foldedName(name.data(), name.size()));
  return found != fleet->machineByName.end() && fleet->machines[found->second].listed ? found->second
                                                                                      : kNoMachine;
}

// Takes in a folder that was listed, or could not be: one that could not is
// named in the report, and its machine, if it names one, is unreadable.
static void folderRead(Reading* reading, const ReadDone& done) {
  reading->counts.logsFound += done.logsListed;
  ReadFailure failure = done.result->failure;
  if (failure == kReadWhole) return;
  std::string shown = outputText(done.path);
  sayFolderUnreadable(&reading->progress, shown, failure);
  reading->fleet->unreadablePlaces.push_back(shown);
  uint32_t machine = machineOfUnreadFolder(reading, done.path);
  if (machine != kNoMachine) markUnreadable(reading->fleet, machine, failure);
}

// The folder of a log's path: the path up to its last separator.
static std::string folderOf(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && path[end - 1] != '/' && path[end - 1] != platform::kPathSeparator) --end;
  return path.substr(0, end > 0 ? end - 1 : 0);
}

// Takes in what the readers give back: a log, a folder, or a PATH.
static void pathRead(const ReadDone& done, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  GivenRead given = {false, 0, std::string()};
  if (done.given) {
    given = std::move(reading->given.front());
    reading->given.pop_front();
  }
  const LogResult& result = *done.result;
  bool failed = result.failure != kReadWhole;
  LogKind kind = done.logKind;
  bool placeUnread = done.kind == kReadPlace && !done.folder && !result.opened;
  if (placeUnread && result.failure == kReadNotFound) {
    reading->pathsMissing.push_back(done.path);
    return;
  }
  if (done.folder || (placeUnread && !isLogName(done.path))) {
    folderRead(reading, done);
    return;
  }
  bool underPath = !given.fromTemplate;
  if (underPath) {
    if (done.kind == kReadPlace) ++reading->counts.logsFound;
    ++reading->counts.logsRead;
    if (done.given) {
      // A PATH that is a log: it cannot tell whether a QN.log lies beside it.
      LogOwner owner = ownerOfLog(done.path.c_str(), reading->currentDirectory.c_str(), false);
      kind = owner.kind;
      given.machineName = owner.machine;
    } else {
      given.machineName = machineOfLog(done.path.c_str(), reading->currentDirectory.c_str(), kind);
    }
    given.machine = machineNamed(reading->fleet, given.machineName);
  } else {
    ++(failed ? reading->counts.machinesUnreadable : reading->counts.machinesRead);
  }
  std::string shownPath = outputText(done.path);
  sayLogRead(&reading->progress, shownPath, outputText(given.machineName), result, underPath,
             reading->options->verbose);
  if (isReadFailure(result.failure) && underPath) reading->fleet->unreadablePlaces.push_back(shownPath);
  std::string folder = underPath ? folderOf(done.path) : std::string();
  addLog(reading->fleet, given.machine, reading->logsTaken++, result, LogPlace{&folder, kind});
  showReadingProgress(&reading->progress, reading->counts);
}

// Gives the readers each listed machine's log at the --from template.
static void readMachineLogs(Reading* reading, const char* pathTemplate) {
  Fleet* fleet = reading->fleet;
  for (uint32_t machine = 0; machine < fleet->machines.size(); ++machine) {
    if (!fleet->machines[machine].listed) continue;
    ++reading->counts.machines;
    std::string name = fleet->machines[machine].name;
    reading->given.push_back(GivenRead{true, machine, name});
    addRead(reading->pool, logPathAt(pathTemplate, name).c_str(), kReadLog);
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

// The PATHs that name something to read. An empty one is said and goes into
// the report's note of what could not be read.
static std::vector<const char*> pathsGiven(const std::vector<const char*>& paths, Fleet* fleet) {
  std::vector<const char*> given;
  for (const char* path : paths) {
    if (path[0] != '\0') {
      given.push_back(path);
      continue;
    }
    printError("an empty PATH names no log");
    fleet->unreadablePlaces.push_back("\"\"");
  }
  return given;
}

// Finds every log under `paths` and at --from and reads it into the fleet; a
// PATH that does not exist is said and goes into the report's note. False,
// with the message, when reading cannot start. `*readersLeft` tells whether
// readers were left waiting in reads given up on.
static bool readFleet(const ReportOptions& options, const std::vector<const char*>& paths,
                      Fleet* fleet, bool* readersLeft) {
  char currentDirectory[kPathBufferSize] = "";
  platform::getCurrentDirectory(currentDirectory, sizeof currentDirectory);
  Reading reading = {&options, fleet, nullptr, currentDirectory, {}, 0, {}, {}, {}};
  ReaderPoolSettings settings = {options.jobs,  options.timeoutSeconds * 1000u,
                                 options.verbose, readLogFile,
                                 listLogFolder, platform::startThread,
                                 pathRead,      showProgress,
                                 &reading};
  reading.pool = startReaderPool(settings);
  if (reading.pool == nullptr) {
    printError("cannot start a thread to read the logs");
    return false;
  }
  startProgress(&reading.progress);
  for (const char* path : paths) {
    reading.given.push_back(GivenRead{false, 0, std::string()});
    addRead(reading.pool, path, kReadPlace);
  }
  if (options.request.fromTemplate != nullptr) readMachineLogs(&reading, options.request.fromTemplate);
  *readersLeft = finishReaderPool(reading.pool) > 0;
  clearProgress(&reading.progress);
  for (const std::string& path : reading.pathsMissing) {
    printError("cannot find or read %s", terminalText(outputText(path)).c_str());
    fleet->unreadablePlaces.push_back(outputText(path));
  }
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

// Reports the fleet read: the text report or the CSV, and the page, whatever
// could not be read, with a note of it. Returns the exit status.
static int reportFleet(const ReportOptions& options, const ReportTime& now, Fleet* fleet,
                       const StateRules& rules) {
  const ReportRequest& request = options.request;
  int status = kAllWell;
  if (fleet->logs == 0 && request.fromTemplate == nullptr) {
    printError("no log found");
    status = kUsageError;
  } else if (fleet->versions.empty()) {
    printError("no result record found");
    status = kUsageError;
  }
  if (request.onlyNew != nullptr && !fleet->versions.empty() &&
      !versionFound(*fleet, request.onlyNew, rules.aheadLimit)) {
    return kUsageError;
  }
  matchQualifiedNames(fleet);

  Report report;
  buildReport(fleet, &request, &rules, &report);
  if (options.verbose) {
    for (uint32_t machine : report.unlisted) {
      std::string text = "machine " + terminalText(report.machineNames[machine]) + ": not in the list";
      printErrorLine(text.c_str());
    }
  }

  if (status == kAllWell) status = reportStatus(report);
  if (!writeReports(options, report, now)) status = kUsageError;
  if (!fleet->unreadablePlaces.empty()) status = kUsageError;
  return status;
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

  bool readersLeft = false;
  std::vector<const char*> paths = pathsGiven(request.paths, &fleet);
  int status = readFleet(options, paths, &fleet, &readersLeft)
                   ? reportFleet(options, now, &fleet, rules)
                   : kUsageError;
  // Nothing waits for the readers left in reads given up on: not even what
  // the end of the program would run (the sanitizers' leak check among it,
  // which stops every thread where it waits).
  if (readersLeft) platform::endProcess(status);
  return status;
}
