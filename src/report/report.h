// A fleet's report, ready to be written in each of qnReport's formats: per
// version, the rows of the machines reported, and the counts.
#ifndef QN_REPORT_REPORT_H
#define QN_REPORT_REPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/fleet.h"
#include "report/report_output.h"
#include "report/return_codes.h"

// What was read, for the summary line and the page's "made from".
struct ReadFacts {
  std::vector<const char*> paths;
  const char* hostsFile;  // null without --hosts
  const char* onlyNew;    // null without --update
  const char* fromTemplate;  // null without --from
  unsigned long logs;
  unsigned long records;
  unsigned long notRecords;
  std::vector<std::string> unreadable;  // the logs and folders that could not be read
};

// How the report is made from the fleet.
struct ReportSettings {
  bool hostsListed;         // --hosts was given: only listed machines are reported
  const char* onlyNew;      // --update: this version only (one the fleet has), or null
  RecordMoment aheadLimit;  // an attempt ordered after it is flagged clockAhead
  CodeRules codes;          // --success-codes and --restart-codes
};

// One machine at one version.
struct ReportRow {
  uint32_t machine;
  uint32_t version;
  MachineState kind;
  const MachineVersion* state;  // its latest attempt; null when superseded, no record or unreadable
  uint32_t supersededBy;        // superseded: the later version installed
  bool clockAhead;              // its attempt is ordered after a moment past the limit
  bool logFound;                // no record: a log of the machine was read
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
  const ReadFacts* facts;
  const ReportSettings* settings;
  bool hostsListed;        // --hosts was given: only listed machines are reported
  unsigned long machines;  // reported machines with a record of a reported version
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

// Orders the fleet into rows: the versions selected, in version order; machines
// by name without regard to case. A machine with a log that could not be read
// is unreadable at every version.
void buildReport(const Fleet* fleet, const ReadFacts* facts, const ReportSettings* settings,
                 Report* report);

// The rows of one version in one state, by machine name.
std::vector<const ReportRow*> versionRows(const Report& report, const VersionSummary& version,
                                          MachineState kind);
// The rows of one version marked clockAhead, by machine name.
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

// "YYYY-MM-DD HH:MM:SS".
void formatMoment(RecordMoment moment, char* out, size_t size);

// Writers of the three formats. `lineEnd` is the text report's line end; the
// CSV and the page end their lines with kFileLineEnd.
void writeTextReport(const Report& report, const char* lineEnd, Output* output);
void writeCsvReport(const Report& report, Output* output);
// `madeAt` is the moment the page tells it was made, with its UTC offset.
void writeHtmlReport(const Report& report, const char* madeAt, Output* output);

#endif  // QN_REPORT_REPORT_H
