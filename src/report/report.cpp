#include "report/report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "report/log_files.h"

static bool updateBefore(const Fleet* fleet, uint32_t a, uint32_t b) {
  const Update& updateA = fleet->updates[a];
  const Update& updateB = fleet->updates[b];
  if (updateA.updateValue != updateB.updateValue) return updateA.updateValue < updateB.updateValue;
  return updateA.newValue < updateB.newValue;
}

void buildReport(const Fleet* fleet, const ReadFacts* facts, bool hostsListed, Report* report) {
  report->fleet = fleet;
  report->facts = facts;
  report->hostsListed = hostsListed;
  report->machines = 0;
  report->updates.clear();
  report->rows.clear();
  report->machineOrder.clear();

  std::vector<std::string> folded;
  for (uint32_t i = 0; i < fleet->machines.size(); ++i) {
    report->machineOrder.push_back(i);
    if (!fleet->machines[i].updates.empty()) ++report->machines;
  }
  // Sorted by folded names made once, not at every comparison.
  for (const Machine& machine : fleet->machines) {
    folded.push_back(foldedName(machine.name.data(), machine.name.size()));
  }
  std::sort(report->machineOrder.begin(), report->machineOrder.end(),
            [&folded](uint32_t a, uint32_t b) { return folded[a] < folded[b]; });

  std::vector<uint32_t> updateOrder;
  for (uint32_t i = 0; i < fleet->updates.size(); ++i) updateOrder.push_back(i);
  std::sort(updateOrder.begin(), updateOrder.end(),
            [fleet](uint32_t a, uint32_t b) { return updateBefore(fleet, a, b); });

  for (uint32_t update : updateOrder) {
    UpdateSummary summary = {update, {0, 0, 0, 0}, report->rows.size(), 0};
    for (uint32_t machine : report->machineOrder) {
      const Machine& entry = fleet->machines[machine];
      const MachineUpdate* state = nullptr;
      for (const MachineUpdate& candidate : entry.updates) {
        if (candidate.update == update) state = &candidate;
      }
      if (state == nullptr && !(hostsListed && entry.listed)) continue;
      MachineState kind = state != nullptr ? stateOfCode(state->code) : kNoRecord;
      report->rows.push_back(ReportRow{machine, update, kind, state});
      ++summary.counts[kind];
    }
    summary.rowCount = report->rows.size() - summary.firstRow;
    report->updates.push_back(summary);
  }
}

// The rows of one state, by machine name and then by update.
std::vector<const ReportRow*> rowsOfState(const Report& report, MachineState kind) {
  std::vector<uint32_t> rank(report.fleet->machines.size());
  for (uint32_t i = 0; i < report.machineOrder.size(); ++i) rank[report.machineOrder[i]] = i;
  std::vector<const ReportRow*> rows;
  for (const ReportRow& row : report.rows) {
    if (row.kind == kind) rows.push_back(&row);
  }
  std::stable_sort(rows.begin(), rows.end(), [&rank](const ReportRow* a, const ReportRow* b) {
    return rank[a->machine] < rank[b->machine];
  });
  return rows;
}

int reportStatus(const Report& report) {
  for (const UpdateSummary& summary : report.updates) {
    if (summary.counts[kFailed] > 0 || summary.counts[kNoRecord] > 0) return 1;
  }
  return 0;
}

void formatMoment(RecordMoment moment, char* out, size_t size) {
  RecordTime time = timeOf(moment);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
           time.minute, time.second);
}
