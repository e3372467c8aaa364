// A fleet's report, ready to be written in each of qnReport's formats: the
// versions reported with their counts, and the rows of the machines at each
// version, made one version at a time as the writers ask for them, so that a
// report of many versions and many listed machines never holds all of its
// rows at once.
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

// One machine at one version (kNoVersion for an unreadable machine in a report
// without a version): its state, as stateAt decides it.
struct ReportRow : VersionState {
  uint32_t machine;
  uint32_t version;
};

// The rows of one version, or of the unreadable machines, with one reason.
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
};

// The moments a report is made for: its own (now, or --as-of), and --since's.
struct ReportDates {
  RecordMoment madeAt;
  bool asOf;           // madeAt is --as-of's
  RecordMoment since;  // kNoMoment without --since
};

struct Report {
  const Fleet* fleet;
  const ReportRequest* request;
  const StateRules* rules;
  ReportDates dates;
  unsigned long machines;    // reported machines with a record of a reported version
  unsigned long unreadable;  // reported machines that are unreadable
  std::vector<uint32_t> reported;        // the machines reported, by name
  std::vector<uint32_t> latestInstalled;  // by machine: latestInstalledVersion, for stateAt
  std::vector<uint32_t> latestInstalledThen;  // with --since: latestInstalledThen
  std::vector<uint32_t> unlisted;        // with --hosts: machines with a log, not listed, by name
  std::vector<uint32_t> startsDiffer;    // reported machines whose logs start differently, by name
  std::vector<VersionSummary> versions;  // in version order
  // The texts as they are written: UTF-8, by machine, version and pair.
  std::vector<std::string> machineNames;
  std::vector<std::string> versionNames;
  std::vector<std::string> updateNames;
};

// Chooses and counts: the versions selected, in version order, each with the
// number of machines in each state (decided by stateAt); the machines by name
// without regard to case; with --hosts, only the listed machines.
void buildReport(const Fleet* fleet, const ReportRequest* request, const StateRules* rules,
                 const ReportDates& dates, Report* report);

// The rows of one version, by machine name.
std::vector<ReportRow> versionRows(const Report& report, const VersionSummary& version);
// The rows of the unreadable machines, at no version: for a report that has
// none to show them in.
std::vector<ReportRow> unreadableRows(const Report& report);

// Of a version's rows, those in one state.
std::vector<const ReportRow*> rowsIn(const std::vector<ReportRow>& rows, MachineState kind);
// Those without a record: of machines with no log found (`logFound` false),
// or with a log but no record of the version (true).
std::vector<const ReportRow*> noRecordRows(const std::vector<ReportRow>& rows, bool logFound);
// Those whose clock ran ahead.
std::vector<const ReportRow*> rowsAhead(const std::vector<ReportRow>& rows);
// The failed ones by code: the codes that most machines failed with first,
// then by code.
std::vector<CodeGroup> failuresByCode(const std::vector<ReportRow>& rows);
// The unreadable ones by reason, in the order of ReadFailure.
std::vector<ReasonGroup> unreadableByReason(const Report& report, const std::vector<ReportRow>& rows);

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

// The notes on a row: its clock that ran ahead, and its machine's logs that
// start differently; each "a record dated ..." or "logs that start
// differently: ..." as the CSV gives them, joined by "; ".
std::string rowNote(const Report& report, const ReportRow& row);

// What the reports say of a machine whose logs start differently.
extern const char kStartsDifferently[];

#endif  // QN_REPORT_OUTPUT_REPORT_ROWS_H
