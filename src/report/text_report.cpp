// The report for the terminal: per update the count of machines in each
// state, then the machines whose latest attempt failed (and, with --hosts,
// those with no record), then one line of what was read.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "report/report.h"

static const char* plural(unsigned long count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

// "Update=U,New=N", as the record holds the pair.
static std::string updateText(const Fleet& fleet, uint32_t update) {
  const Update& entry = fleet.updates[update];
  return std::string(kUpdateField + 1) + entry.updateValue + kNewField + entry.newValue;
}

static void putPadded(Output* output, const std::string& text, size_t width) {
  put(output, text.data(), text.size());
  for (size_t i = text.size(); i < width; ++i) put(output, " ", 1);
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
  size_t nameWidth = 0;
  size_t updateWidth = 0;
  for (const ReportRow* row : rows) {
    nameWidth = std::max(nameWidth, report.fleet->machines[row->machine].name.size());
    updateWidth = std::max(updateWidth, updateText(*report.fleet, row->update).size());
  }
  for (const ReportRow* row : rows) {
    put(output, "  ");
    putPadded(output, report.fleet->machines[row->machine].name, nameWidth + 2);
    std::string update = updateText(*report.fleet, row->update);
    if (row->state == nullptr) {
      put(output, update.data(), update.size());
      put(output, lineEnd);
      continue;
    }
    putPadded(output, update, updateWidth + 2);
    char moment[32];
    formatMoment(row->state->moment, moment, sizeof moment);
    char meaning[128];
    describeCode(row->state->code, meaning, sizeof meaning);
    unsigned long attempts = attemptsOf(*row->state);
    putFormat(output, "%s  code %ld", moment, static_cast<long>(row->state->code));
    if (meaning[0] != '\0') putFormat(output, " (%s)", meaning);
    putFormat(output, ", %lu %s%s", attempts, plural(attempts, "attempt", "attempts"), lineEnd);
  }
}

void writeTextReport(const Report& report, const char* lineEnd, Output* output) {
  if (report.updates.empty()) putFormat(output, "No result record.%s", lineEnd);
  for (const UpdateSummary& summary : report.updates) {
    std::string update = updateText(*report.fleet, summary.update);
    put(output, update.data(), update.size());
    putFormat(output, ": %lu installed, %lu restart, %lu failed", summary.counts[kInstalled],
              summary.counts[kRestart], summary.counts[kFailed]);
    if (report.hostsListed) putFormat(output, ", %lu no record", summary.counts[kNoRecord]);
    put(output, lineEnd);
  }
  put(output, lineEnd);
  writeMachineList(report, kFailed, "Failed:", lineEnd, output);
  if (report.hostsListed) {
    put(output, lineEnd);
    writeMachineList(report, kNoRecord, "No record:", lineEnd, output);
  }
  put(output, lineEnd);
  const ReadFacts& facts = *report.facts;
  putFormat(output, "Read %lu %s from %lu %s: %lu %s, %lu %s.%s", facts.records,
            plural(facts.records, "record", "records"), facts.logs, plural(facts.logs, "log", "logs"),
            report.machines, plural(report.machines, "machine", "machines"), facts.notRecords,
            plural(facts.notRecords, "line that is not a record", "lines that are not records"),
            lineEnd);
}
