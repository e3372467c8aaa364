#include "report/report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/utf8_text.h"
#include "report/version_order.h"

static constexpr uint32_t kNone = UINT32_MAX;

static const MachineVersion* stateAt(const Machine& machine, uint32_t version) {
  for (const MachineVersion& state : machine.versions) {
    if (state.version == version) return &state;
  }
  return nullptr;
}

// The latest version that a machine has installed (or waits for a restart to
// finish), among the dotted numbers; kNone when there is none.
static uint32_t latestSuccess(const Fleet& fleet, const Machine& machine, const CodeRules& codes) {
  uint32_t latest = kNone;
  for (const MachineVersion& state : machine.versions) {
    MachineState kind = stateOfCode(state.last.code, codes);
    if (kind != kInstalled && kind != kRestart) continue;
    const std::string& value = fleet.versions[state.version].newValue;
    if (!isDottedNumber(value)) continue;
    if (latest == kNone || versionLater(value, fleet.versions[latest].newValue)) {
      latest = state.version;
    }
  }
  return latest;
}

void buildReport(const Fleet* fleet, const ReadFacts* facts, const ReportSettings* settings,
                 Report* report) {
  bool hostsListed = settings->hostsListed;
  const char* onlyNew = settings->onlyNew;
  report->fleet = fleet;
  report->facts = facts;
  report->settings = settings;
  report->hostsListed = hostsListed;
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

  std::vector<uint32_t> reported;
  for (uint32_t machine : report->machineOrder) {
    const Machine& entry = fleet->machines[machine];
    if (!hostsListed || entry.listed) {
      reported.push_back(machine);
    } else if (entry.logFound) {
      report->unlisted.push_back(machine);
    }
  }
  std::vector<uint32_t> success(fleet->machines.size(), kNone);
  for (uint32_t machine : reported) {
    success[machine] = latestSuccess(*fleet, fleet->machines[machine], settings->codes);
  }

  std::vector<uint32_t> versionOrder;
  for (uint32_t i = 0; i < fleet->versions.size(); ++i) {
    if (onlyNew == nullptr || fleet->versions[i].newValue == onlyNew) versionOrder.push_back(i);
  }
  std::sort(versionOrder.begin(), versionOrder.end(), [fleet](uint32_t a, uint32_t b) {
    return versionBefore(fleet->versions[a].newValue, fleet->versions[b].newValue);
  });

  std::vector<bool> withRecord(fleet->machines.size(), false);
  for (uint32_t version : versionOrder) {
    const std::string& value = fleet->versions[version].newValue;
    VersionSummary summary = {version, {}, report->rows.size(), 0};
    for (uint32_t machine : reported) {
      const Machine& entry = fleet->machines[machine];
      ReportRow row = {machine, version, kNoRecord, stateAt(entry, version), kNone, false,
                       entry.logFound};
      if (entry.unreadable != kReadWhole) {
        row.kind = kUnreadable;
        row.state = nullptr;
      } else if (row.state != nullptr) {
        row.kind = stateOfCode(row.state->last.code, settings->codes);
        row.clockAhead = row.state->last.order > settings->aheadLimit;
        withRecord[machine] = true;
      } else if (success[machine] != kNone &&
                 versionLater(fleet->versions[success[machine]].newValue, value)) {
        row.kind = kSuperseded;
        row.supersededBy = success[machine];
      } else if (!hostsListed) {
        continue;
      }
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
    int32_t code = row->state->last.code;
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
  if (row.state != nullptr) return describeCode(row.state->last.code, report.settings->codes);
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

void formatMoment(RecordMoment moment, char* out, size_t size) {
  RecordTime time = timeOf(moment);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
           time.minute, time.second);
}
