// A fleet's report, ready to be written in each of qnReport's formats: per
// version, the rows of the machines reported, and the counts.
#ifndef QN_REPORT_OUTPUT_REPORT_ROWS_H
#define QN_REPORT_OUTPUT_REPORT_ROWS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/model/fleet.h"
#include "report/model/machine_state.h"

// What the report was asked for, as the command line gave it: for choosing the
// rows, and for the reports to tell what they were made from.
struct ReportRequest {
  std::vector<const char*> paths;  // the PATHs read
  const char* hostsFile;           // --hosts FILE, or null
  const char* fromTemplate;        // --from TEMPLATE, or null
  const char* onlyNew;             // --update NEW (a version the fleet has), or null
};

// One machine at one version: its state, as stateAt decides it.
struct ReportRow : VersionState {
  uint32_t machine;
  uint32_t version;
};

// The unreadable rows of one version with one reason.
struct ReasonGroup {
  const char* reason;  // readFailureText's
  std::vector<const ReportRow*> rows;  // by machine name
};

// The failed rows of one version with one code.
struct CodeGroup {
  int32_t code;
  std::vector<const ReportRow*> rows;  // by machine name
};

struct VersionSummary {
  uint32_t version;
  unsigned long counts[kStateCount];
  size_t firstRow;  // its rows are rows[firstRow, firstRow + rowCount)
  size_t rowCount;
};

struct Report {
  const Fleet* fleet;
  const ReportRequest* request;
  const StateRules* rules;
  unsigned long machines;    // reported machines with a record of a reported version
  unsigned long unreadable;  // reported machines that are unreadable
  std::vector<uint32_t> unlisted;        // with --hosts: machines with a log, not listed, by name
  std::vector<VersionSummary> versions;  // in version order
  std::vector<ReportRow> rows;           // by version, then machine name
  std::vector<uint32_t> machineOrder;    // every machine, by name
  // The texts as they are written: UTF-8, by machine, version and pair.
  std::vector<std::string> machineNames;
  std::vector<std::string> versionNames;
  std::vector<std::string> updateNames;
};

// Orders the fleet into rows, each machine's state decided by stateAt: the
// versions selected, in version order; machines by name without regard to
// case; with --hosts, only the listed machines.
void buildReport(const Fleet* fleet, const ReportRequest* request, const StateRules* rules,
                 Report* report);

// The rows of one version in one state, by machine name.
std::vector<const ReportRow*> versionRows(const Report& report, const VersionSummary& version,
                                          MachineState kind);
// The rows of one version without a record, by machine name: those of
// machines with no log found (`logFound` false), or with a log but no record
// of the version (true).
std::vector<const ReportRow*> noRecordRows(const Report& report, const VersionSummary& version,
                                           bool logFound);
// The rows of one version whose clock ran ahead, by machine name.
std::vector<const ReportRow*> rowsAhead(const Report& report, const VersionSummary& version);
// The failed rows of one version by code: the codes that most machines failed
// with first, then by code.
std::vector<CodeGroup> failuresByCode(const Report& report, const VersionSummary& version);

// The unreadable rows of one version by reason, in the order of ReadFailure.
std::vector<ReasonGroup> unreadableByReason(const Report& report, const VersionSummary& version);

// The share of machines that have the version (installed or superseded), in
// whole percent rounded down: 100 only when every one has it.
unsigned long installedShare(const VersionSummary& version);
unsigned long machinesOf(const VersionSummary& version);

// 1 when a reported machine's latest attempt failed or it is unreadable or,
// with --hosts, a listed machine has no record; 0 otherwise.
int reportStatus(const Report& report);

// What a row's code means, as describeCode tells it with the report's codes;
// for a row without an attempt, why.
std::string rowMeaning(const Report& report, const ReportRow& row);

#endif  // QN_REPORT_OUTPUT_REPORT_ROWS_H
