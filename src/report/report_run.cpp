#include "report/report_run.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "log/record_format.h"
#include "platform/platform.h"
#include "platform/text_file.h"
#include "program_version.h"
#include "report/fleet.h"
#include "report/log_files.h"
#include "report/log_lines.h"
#include "report/report.h"
#include "report/report_options.h"
#include "report/report_output.h"

static constexpr int kAllWell = 0;
static constexpr int kUsageError = 2;

// Large: kept out of the stack.
static Fleet fleet;
static LogLines lines;

struct Reading {
  const ReportOptions* options;
  ReadFacts* facts;
  unsigned long unreadable;
};

static void readLog(const char* path, const std::string& machineName, void* context) {
  Reading* reading = static_cast<Reading*>(context);
  ReadFacts* facts = reading->facts;
  if (!openLogLines(&lines, path)) {
    printError("cannot read %s", path);
    ++reading->unreadable;
    return;
  }
  ++facts->logs;
  startLog(&fleet);
  const char* onlyNew = reading->options->onlyNew;
  size_t onlyNewLength = onlyNew != nullptr ? strlen(onlyNew) : 0;
  bool verbose = reading->options->verbose;
  uint32_t machine = 0;
  bool machineKnown = false;
  unsigned long records = 0;
  char* line;
  size_t length;
  bool cut;
  while (nextLogLine(&lines, &line, &length, &cut)) {
    if (length == 0) continue;
    ParsedRecord record;
    if (cut || !parseRecord(line, length, &record)) {
      ++facts->notRecords;
      if (verbose) {
        char text[kPathBufferSize + 64];
        snprintf(text, sizeof text, "%s:%lu: not a result record", path, lines.lineNumber);
        printErrorLine(text);
      }
      continue;
    }
    ++records;
    if (onlyNew != nullptr &&
        (record.newLength != onlyNewLength || memcmp(record.newValue, onlyNew, onlyNewLength) != 0)) {
      continue;
    }
    if (!machineKnown) {
      machine = machineNamed(&fleet, machineName);
      machineKnown = true;
    }
    addRecord(&fleet, machine, record);
  }
  facts->records += records;
  if (lines.readFailed) {
    printError("cannot read all of %s", path);
    ++reading->unreadable;
  }
  closeLogLines(&lines);
  if (verbose) {
    char text[2 * kPathBufferSize + 64];
    snprintf(text, sizeof text, "%s: machine %s, %lu %s", path, machineName.c_str(), records,
             records == 1 ? "record" : "records");
    printErrorLine(text);
  }
}

// Adds the machines named in the --hosts file: one a line, spaces and tabs
// around a name ignored, blank lines skipped. False when it cannot be read.
static bool readHostsFile(const char* path) {
  platform::TextFile file;
  if (!platform::openTextFile(&file, path)) return false;
  std::string line;
  char piece[256];
  int count;
  bool ended = false;
  while (!ended) {
    count = platform::readTextPiece(&file, piece, sizeof piece);
    ended = count < 0;
    if (!ended) line.append(piece, static_cast<size_t>(count));
    if (!ended && line.back() != '\n') continue;
    size_t first = line.find_first_not_of(" \t\r\n");
    size_t last = line.find_last_not_of(" \t\r\n");
    if (first != std::string::npos) {
      uint32_t machine = machineNamed(&fleet, line.substr(first, last - first + 1));
      fleet.machines[machine].listed = true;
    }
    line.clear();
  }
  platform::closeTextFile(&file);
  return true;
}

// The date of a day counted from 1970-01-01 (the proleptic Gregorian calendar).
static void civilDate(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

// When the page is made: SOURCE_DATE_EPOCH (seconds since 1970, in UTC) when it
// is set to a number, so that the same logs give the same page; otherwise the
// local time.
static void madeAtText(char* out, size_t size) {
  const char* epoch = platform::findEnvironment("SOURCE_DATE_EPOCH");
  bool useEpoch = epoch != nullptr && epoch[0] != '\0' && strlen(epoch) <= 15;
  int64_t seconds = 0;
  for (const char* p = epoch; useEpoch && *p != '\0'; ++p) {
    useEpoch = *p >= '0' && *p <= '9';
    seconds = seconds * 10 + (*p - '0');
  }
  if (useEpoch) {
    int year, month, day;
    civilDate(seconds / 86400, &year, &month, &day);
    int64_t second = seconds % 86400;
    snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d UTC", year, month, day,
             static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
             static_cast<int>(second % 60));
    return;
  }
  platform::LocalTime now;
  platform::getLocalTime(&now);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
           now.minute, now.second);
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
  if (options.paths.empty()) options.paths.push_back(".");
  for (const char* path : options.paths) {
    if (pathKind(path) == kNoSuchPath) {
      printError("cannot find or read %s", path);
      return kUsageError;
    }
  }
  clearFleet(&fleet);
  if (options.hostsFile != nullptr && !readHostsFile(options.hostsFile)) {
    printError("cannot read the list of machines %s", options.hostsFile);
    return kUsageError;
  }

  char currentDirectory[kPathBufferSize] = "";
  platform::getCurrentDirectory(currentDirectory, sizeof currentDirectory);
  ReadFacts facts = {options.paths, options.hostsFile, options.onlyNew, 0, 0, 0};
  Reading reading = {&options, &facts, 0};
  for (const char* path : options.paths) {
    reading.unreadable += visitLogs(path, currentDirectory, readLog, &reading);
  }
  if (facts.logs == 0) {
    printError("no log found");
    return kUsageError;
  }

  bool hostsListed = options.hostsFile != nullptr;
  bool anyListed = false;
  for (const Machine& entry : fleet.machines) anyListed = anyListed || entry.listed;
  if (fleet.updates.empty() && anyListed) {
    // Nothing ran: every listed machine has no record of the update asked for.
    updateNamed(&fleet, "", options.onlyNew != nullptr ? options.onlyNew : "");
  }
  Report report;
  buildReport(&fleet, &facts, hostsListed, &report);

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
    char madeAt[64];
    madeAtText(madeAt, sizeof madeAt);
    Output page;
    bool written = startFileOutput(&page, options.htmlFile);
    if (written) {
      writeHtmlReport(report, madeAt, &page);
      written = finishOutput(&page);
    }
    if (!written) {
      printError("cannot write %s", options.htmlFile);
      status = kUsageError;
    }
  }
  if (fleet.updates.empty()) {
    if (options.onlyNew != nullptr) {
      printError("no result record of an update to New=%s found", options.onlyNew);
    } else {
      printError("no result record found");
    }
    status = kUsageError;
  }
  if (reading.unreadable > 0) status = kUsageError;
  return status;
}
