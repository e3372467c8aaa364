#include "report/output/report_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/utf8_text.h"
#include "report/model/report_time.h"
#include "report/model/version_order.h"
#include "report/output/output_stream.h"

const char kStartsDifferently[] = "logs that start differently: re-imaged, or two machines with one name";

void buildReport(const Fleet* fleet, const ReportRequest* request, const StateRules* rules,
                 Report* report) {
  *report = Report{fleet, request, rules, 0, 0, {}, {}, {}, {}, {}, {}, {}, {}};
  for (const Machine& machine : fleet->machines) {
    report->machineNames.push_back(outputText(machine.name));
  }
  for (const Version& version : fleet->versions) {
    report->versionNames.push_back(outputText(version.newValue));
  }
  for (const UpdatePair& pair : fleet->pairs) {
    report->updateNames.push_back(outputText(pair.updateValue));
  }

  std::vector<uint32_t> byName;
  {
    // By name folded once, not at every comparison; the same order on every
    // system. The folded names go before the rows are counted.
    std::vector<std::string> folded;
    for (const std::string& name : report->machineNames) {
      folded.push_back(foldedUtf8(name.data(), name.size()));
    }
    for (uint32_t i = 0; i < fleet->machines.size(); ++i) byName.push_back(i);
    const std::vector<std::string>& names = report->machineNames;
    std::sort(byName.begin(), byName.end(), [&folded, &names](uint32_t a, uint32_t b) {
      return folded[a] != folded[b] ? folded[a] < folded[b] : names[a] < names[b];
    });
  }

  report->latestInstalled.assign(fleet->machines.size(), kNoVersion);
  for (uint32_t machine : byName) {
    const Machine& entry = fleet->machines[machine];
    if (rules->hostsListed && !entry.listed) {
      if (entry.logFound) report->unlisted.push_back(machine);
      continue;
    }
    report->reported.push_back(machine);
    report->latestInstalled[machine] = latestInstalledVersion(*fleet, machine, rules->codes);
    if (entry.unreadable != kReadWhole) ++report->unreadable;
    if (entry.startsDiffer) report->startsDiffer.push_back(machine);
  }

  std::vector<uint32_t> versionOrder;
  for (uint32_t i = 0; i < fleet->versions.size(); ++i) {
    if (request->onlyNew == nullptr || fleet->versions[i].newValue == versionValue(request->onlyNew)) {
      versionOrder.push_back(i);
    }
  }
  std::sort(versionOrder.begin(), versionOrder.end(), [fleet](uint32_t a, uint32_t b) {
    return versionBefore(fleet->versions[a].newValue, fleet->versions[b].newValue);
  });

  std::vector<bool> withRecord(fleet->machines.size(), false);
  for (uint32_t version : versionOrder) {
    VersionSummary summary = {version, {}};
    for (uint32_t machine : report->reported) {
      VersionState state;
      if (!stateAt(*fleet, machine, version, report->latestInstalled[machine], *rules, &state)) continue;
      if (state.attempts != nullptr) withRecord[machine] = true;
      ++summary.counts[state.kind];
    }
    report->versions.push_back(summary);
  }
  for (bool any : withRecord) report->machines += any ? 1 : 0;
}

std::vector<ReportRow> versionRows(const Report& report, const VersionSummary& version) {
  std::vector<ReportRow> rows;
  rows.reserve(machinesOf(version));
  for (uint32_t machine : report.reported) {
    ReportRow row = {};
    if (!stateAt(*report.fleet, machine, version.version, report.latestInstalled[machine],
                 *report.rules, &row)) {
      continue;
    }
    row.machine = machine;
    row.version = version.version;
    rows.push_back(row);
  }
  return rows;
}

std::vector<ReportRow> unreadableRows(const Report& report) {
  std::vector<ReportRow> rows;
  for (uint32_t machine : report.reported) {
    const Machine& entry = report.fleet->machines[machine];
    if (entry.unreadable == kReadWhole) continue;
    ReportRow row = {};
    row.kind = kUnreadable;
    row.supersededBy = kNoVersion;
    row.logFound = entry.logFound;
    row.machine = machine;
    row.version = kNoVersion;
    rows.push_back(row);
  }
  return rows;
}

std::vector<const ReportRow*> rowsIn(const std::vector<ReportRow>& rows, MachineState kind) {
  std::vector<const ReportRow*> chosen;
  for (const ReportRow& row : rows) {
    if (row.kind == kind) chosen.push_back(&row);
  }
  return chosen;
}

std::vector<const ReportRow*> noRecordRows(const std::vector<ReportRow>& rows, bool logFound) {
  std::vector<const ReportRow*> chosen;
  for (const ReportRow* row : rowsIn(rows, kNoRecord)) {
    if (row->logFound == logFound) chosen.push_back(row);
  }
  return chosen;
}

std::vector<const ReportRow*> rowsAhead(const std::vector<ReportRow>& rows) {
  std::vector<const ReportRow*> chosen;
  for (const ReportRow& row : rows) {
    if (row.clockAhead) chosen.push_back(&row);
  }
  return chosen;
}

std::vector<CodeGroup> failuresByCode(const std::vector<ReportRow>& rows) {
  std::vector<CodeGroup> groups;
  for (const ReportRow* row : rowsIn(rows, kFailed)) {
    int32_t code = row->attempts->last.code;
    auto group = std::find_if(groups.begin(), groups.end(),
                              [code](const CodeGroup& candidate) { return candidate.code == code; });
    if (group == groups.end()) group = groups.insert(groups.end(), CodeGroup{code, {}});
    group->rows.push_back(row);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const CodeGroup& a, const CodeGroup& b) {
    return a.rows.size() != b.rows.size() ? a.rows.size() > b.rows.size() : a.code < b.code;
  });
  return groups;
}

std::vector<ReasonGroup> unreadableByReason(const Report& report, const std::vector<ReportRow>& rows) {
  std::vector<ReasonGroup> groups;
  std::vector<const ReportRow*> unreadable = rowsIn(rows, kUnreadable);
  for (int failure = kReadWhole + 1; failure < kReadFailureCount; ++failure) {
    ReasonGroup group = {readFailureText(static_cast<ReadFailure>(failure)), {}};
    for (const ReportRow* row : unreadable) {
      if (report.fleet->machines[row->machine].unreadable == failure) group.rows.push_back(row);
    }
    if (!group.rows.empty()) groups.push_back(group);
  }
  return groups;
}

unsigned long machinesOf(const VersionSummary& version) {
  unsigned long machines = 0;
  for (unsigned long count : version.counts) machines += count;
  return machines;
}

unsigned long installedShare(const VersionSummary& version) {
  unsigned long machines = machinesOf(version);
  unsigned long installed = version.counts[kInstalled] + version.counts[kSuperseded];
  return machines == 0 ? 0 : static_cast<unsigned long>(installed * 100ull / machines);
}

std::string rowMeaning(const Report& report, const ReportRow& row) {
  if (row.attempts != nullptr) return describeCode(row.attempts->last.code, report.rules->codes);
  if (row.kind == kSuperseded) {
    return "superseded by " + std::string(kNewField + 1) + report.versionNames[row.supersededBy];
  }
  if (row.kind == kUnreadable) return readFailureText(report.fleet->machines[row.machine].unreadable);
  return row.logFound ? "no record of this version in its log" : "no log found";
}

std::string rowNote(const Report& report, const ReportRow& row) {
  std::string note;
  if (row.clockAhead) {
    char moment[32];
    formatMoment(row.attempts->last.dated, moment, sizeof moment);
    note = std::string("clock ahead: a record dated ") + moment;
  }
  if (report.fleet->machines[row.machine].startsDiffer) {
    note += (note.empty() ? "" : "; ") + std::string(kStartsDifferently);
  }
  return note;
}

int reportStatus(const Report& report) {
  for (const VersionSummary& summary : report.versions) {
    if (summary.counts[kFailed] > 0 || summary.counts[kNoRecord] > 0 ||
        summary.counts[kUnreadable] > 0) {
      return 1;
    }
  }
  return 0;
}
