// The report for the terminal: per version the count of machines in each
// state, then the machines whose latest attempt failed (and, with --hosts,
// those with no record), the machines whose clock ran ahead, and one line of
// what was read.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "platform/utf8_text.h"
#include "report/report.h"

static const char* plural(unsigned long count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

// "Update=U,New=N" of the row's attempt, as the record holds the pair; "New=N"
// for a row without one.
static std::string rowUpdateText(const Report& report, const ReportRow& row) {
  std::string text;
  if (row.state != nullptr) {
    text = std::string(kUpdateField + 1) + report.updateNames[row.state->last.pair] + kNewField;
  } else {
    text = std::string(kNewField + 1);
  }
  return text + report.versionNames[row.version];
}

static size_t widthOf(const std::string& text) { return utf8Width(text.data(), text.size()); }

static void putPadded(Output* output, const std::string& text, size_t width) {
  put(output, text.data(), text.size());
  for (size_t i = widthOf(text); i < width; ++i) put(output, " ", 1);
}

// One line per row: the machine, the update, and what `detail` adds.
static void writeRows(const Report& report, const std::vector<const ReportRow*>& rows,
                      std::string (*detail)(const Report&, const ReportRow&), const char* lineEnd,
                      Output* output) {
  size_t nameWidth = 0;
  size_t updateWidth = 0;
  for (const ReportRow* row : rows) {
    nameWidth = std::max(nameWidth, widthOf(report.machineNames[row->machine]));
    updateWidth = std::max(updateWidth, widthOf(rowUpdateText(report, *row)));
  }
  for (const ReportRow* row : rows) {
    put(output, "  ");
    putPadded(output, report.machineNames[row->machine], nameWidth + 2);
    std::string more = detail(report, *row);
    if (more.empty()) {
      put(output, rowUpdateText(report, *row).c_str());
    } else {
      putPadded(output, rowUpdateText(report, *row), updateWidth + 2);
      put(output, more.c_str());
    }
    put(output, lineEnd);
  }
}

static std::string failure(const Report& report, const ReportRow& row) {
  char moment[32];
  formatMoment(row.state->last.moment, moment, sizeof moment);
  char meaning[128];
  describeCode(row.state->last.code, meaning, sizeof meaning);
  unsigned long attempts = attemptsOf(*report.fleet, row.machine, *row.state);
  char text[256];
  snprintf(text, sizeof text, "%s  code %ld%s%s%s, %lu %s", moment,
           static_cast<long>(row.state->last.code), meaning[0] != '\0' ? " (" : "", meaning,
           meaning[0] != '\0' ? ")" : "", attempts, plural(attempts, "attempt", "attempts"));
  return text;
}

static std::string nothing(const Report&, const ReportRow&) { return std::string(); }

static std::string unreadable(const Report& report, const ReportRow& row) {
  return readFailureText(report.fleet->machines[row.machine].unreadable);
}

static std::string clockAhead(const Report&, const ReportRow& row) {
  char moment[32];
  formatMoment(row.state->last.order, moment, sizeof moment);
  return std::string("a record dated ") + moment;
}

static void writeMachineList(const Report& report, MachineState kind, const char* title,
                             const char* lineEnd, Output* output) {
  std::vector<const ReportRow*> rows = rowsOfState(report, kind);
  put(output, title);
  if (rows.empty()) {
    putFormat(output, " none%s", lineEnd);
    return;
  }
  put(output, lineEnd);
  writeRows(report, rows, kind == kFailed ? failure : kind == kUnreadable ? unreadable : nothing,
            lineEnd, output);
}

void writeTextReport(const Report& report, const char* lineEnd, Output* output) {
  if (report.versions.empty()) putFormat(output, "No result record.%s", lineEnd);
  for (const VersionSummary& summary : report.versions) {
    put(output, kNewField + 1);
    put(output, report.versionNames[summary.version].c_str());
    putFormat(output, ": %lu installed, %lu restart, %lu failed, %lu superseded",
              summary.counts[kInstalled], summary.counts[kRestart], summary.counts[kFailed],
              summary.counts[kSuperseded]);
    if (report.hostsListed) putFormat(output, ", %lu no record", summary.counts[kNoRecord]);
    if (report.unreadable > 0) putFormat(output, ", %lu unreadable", summary.counts[kUnreadable]);
    put(output, lineEnd);
  }
  put(output, lineEnd);
  writeMachineList(report, kFailed, "Failed:", lineEnd, output);
  if (report.hostsListed) {
    put(output, lineEnd);
    writeMachineList(report, kNoRecord, "No record:", lineEnd, output);
  }
  if (report.unreadable > 0) {
    put(output, lineEnd);
    writeMachineList(report, kUnreadable, "Unreadable:", lineEnd, output);
  }
  std::vector<const ReportRow*> ahead = rowsAhead(report);
  if (!ahead.empty()) {
    putFormat(output, "%sClock ahead (a record dated more than a day after this report):%s",
              lineEnd, lineEnd);
    writeRows(report, ahead, clockAhead, lineEnd, output);
  }
  put(output, lineEnd);
  const ReadFacts& facts = *report.facts;
  putFormat(output, "Read %lu %s from %lu %s: %lu %s, %lu %s.%s", facts.records,
            plural(facts.records, "record", "records"), facts.logs, plural(facts.logs, "log", "logs"),
            report.machines, plural(report.machines, "machine", "machines"), facts.notRecords,
            plural(facts.notRecords, "line that is not a record", "lines that are not records"),
            lineEnd);
  if (!report.unlisted.empty()) {
    unsigned long unlisted = report.unlisted.size();
    putFormat(output, "%lu %s found in the logs %s not in %s (--verbose names them).%s", unlisted,
              plural(unlisted, "machine", "machines"), plural(unlisted, "is", "are"),
              outputText(facts.hostsFile).c_str(), lineEnd);
  }
}
