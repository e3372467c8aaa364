#include "report/output/report_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/utf8_text.h"
#include "report/model/version_order.h"
#include "report/output/output_stream.h"

void buildReport(const Fleet* fleet, const ReportRequest* request, const StateRules* rules,
                 Report* report) {
  report->fleet = fleet;
  report->request = request;
  report->rules = rules;
  report->machines = 0;
  report->unreadable = 0;
  report->unlisted.clear();
  report->versions.clear();
  report->rows.clear();
  report->machineOrder.clear();
  report->machineNames.clear();
  report->versionNames.clear();
  report->updateNames.clear();
  for (const Machine& machine : fleet->machines) {
    report->machineNames.push_back(outputText(machine.name));
  }
  for (const Version& version : fleet->versions) {
    report->versionNames.push_back(outputText(version.newValue));
  }
  for (const UpdatePair& pair : fleet->pairs) {
    report->updateNames.push_back(outputText(pair.updateValue));
  }

  {
    // By name folded once, not at every comparison; the same order on every system.
    std::vector<std::string> folded;
    for (const std::string& name : report->machineNames) {
      folded.push_back(foldedUtf8(name.data(), name.size()));
    }
    for (uint32_t i = 0; i < fleet->machines.size(); ++i) report->machineOrder.push_back(i);
    const std::vector<std::string>& names = report->machineNames;
    std::sort(report->machineOrder.begin(), report->machineOrder.end(),
              [&folded, &names](uint32_t a, uint32_t b) {
                return folded[a] != folded[b] ? folded[a] < folded[b] : names[a] < names[b];
              });
  }

  std::vector<uint32_t> reported;
  for (uint32_t machine : report->machineOrder) {
    const Machine& entry = fleet->machines[machine];
    if (!rules->hostsListed || entry.listed) {
      reported.push_back(machine);
    } else if (entry.logFound) {
      report->unlisted.push_back(machine);
    }
  }
  std::vector<uint32_t> latestInstalled(fleet->machines.size(), kNoVersion);
  for (uint32_t machine : reported) {
    latestInstalled[machine] = latestInstalledVersion(*fleet, machine, rules->codes);
  }

  std::vector<uint32_t> versionOrder;
  for (uint32_t i = 0; i < fleet->versions.size(); ++i) {
    if (request->onlyNew == nullptr || fleet->versions[i].newValue == request->onlyNew) {
      versionOrder.push_back(i);
    }
  }
  std::sort(versionOrder.begin(), versionOrder.end(), [fleet](uint32_t a, uint32_t b) {
    return versionBefore(fleet->versions[a].newValue, fleet->versions[b].newValue);
  });

  // The rows counted first, so that they take the room they need and no more.
  size_t rowCount = 0;
  for (uint32_t version : versionOrder) {
    for (uint32_t machine : reported) {
      VersionState state;
      if (stateAt(*fleet, machine, version, latestInstalled[machine], *rules, &state)) ++rowCount;
    }
  }
  report->rows.reserve(rowCount);
  std::vector<bool> withRecord(fleet->machines.size(), false);
  for (uint32_t version : versionOrder) {
    VersionSummary summary = {version, {}, report->rows.size(), 0};
    for (uint32_t machine : reported) {
      ReportRow row = {};
      if (!stateAt(*fleet, machine, version, latestInstalled[machine], *rules, &row)) continue;
      row.machine = machine;
      row.version = version;
      if (row.attempts != nullptr) withRecord[machine] = true;
      report->rows.push_back(row);
      ++summary.counts[row.kind];
    }
    summary.rowCount = report->rows.size() - summary.firstRow;
    report->versions.push_back(summary);
  }
  for (bool any : withRecord) report->machines += any ? 1 : 0;
  for (uint32_t machine : reported) {
    if (fleet->machines[machine].unreadable != kReadWhole) ++report->unreadable;
  }
}

std::vector<const ReportRow*> versionRows(const Report& report, const VersionSummary& version,
                                          MachineState kind) {
  std::vector<const ReportRow*> rows;
  for (size_t i = version.firstRow; i < version.firstRow + version.rowCount; ++i) {
    if (report.rows[i].kind == kind) rows.push_back(&report.rows[i]);
  }
  return rows;
}

std::vector<const ReportRow*> noRecordRows(const Report& report, const VersionSummary& version,
                                           bool logFound) {
  std::vector<const ReportRow*> rows;
  for (const ReportRow* row : versionRows(report, version, kNoRecord)) {
    if (row->logFound == logFound) rows.push_back(row);
  }
  return rows;
}

std::vector<const ReportRow*> rowsAhead(const Report& report, const VersionSummary& version) {
  std::vector<const ReportRow*> rows;
  for (size_t i = version.firstRow; i < version.firstRow + version.rowCount; ++i) {
    if (report.rows[i].clockAhead) rows.push_back(&report.rows[i]);
  }
  return rows;
}

std::vector<CodeGroup> failuresByCode(const Report& report, const VersionSummary& version) {
  std::vector<CodeGroup> groups;
  for (const ReportRow* row : versionRows(report, version, kFailed)) {
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

std::vector<ReasonGroup> unreadableByReason(const Report& report, const VersionSummary& version) {
  std::vector<ReasonGroup> groups;
  std::vector<const ReportRow*> rows = versionRows(report, version, kUnreadable);
  for (int failure = kReadWhole + 1; failure <= kReadFailed; ++failure) {
    ReasonGroup group = {readFailureText(static_cast<ReadFailure>(failure)), {}};
    for (const ReportRow* row : rows) {
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

int reportStatus(const Report& report) {
  for (const VersionSummary& summary : report.versions) {
    if (summary.counts[kFailed] > 0 || summary.counts[kNoRecord] > 0 ||
        summary.counts[kUnreadable] > 0) {
      return 1;
    }
  }
  return 0;
}
