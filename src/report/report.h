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
};

// One machine at one version.
struct ReportRow {
  uint32_t machine;
  uint32_t version;
  MachineState kind;
  const MachineVersion* state;  // its latest attempt; null when superseded, no record or unreadable
  uint32_t supersededBy;        // superseded: the later version installed
  bool clockAhead;              // its attempt is ordered after a moment past the limit
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

// Orders the fleet into rows: the versions selected (every one, or `onlyNew`,
// which must be a version of the fleet), in version order; machines by name
// without regard to case. With `hostsListed` only listed machines are reported.
// A machine with a log that could not be read is unreadable at every version.
// A row whose attempt is ordered after `aheadLimit` is marked clockAhead.
void buildReport(const Fleet* fleet, const ReadFacts* facts, bool hostsListed,
                 const char* onlyNew, RecordMoment aheadLimit, Report* report);

// The rows of one state, by machine name and then by version.
std::vector<const ReportRow*> rowsOfState(const Report& report, MachineState kind);
// The rows marked clockAhead, in the same order.
std::vector<const ReportRow*> rowsAhead(const Report& report);

// 1 when a reported machine's latest attempt failed or it is unreadable or,
// with --hosts, a listed machine has no record; 0 otherwise.
int reportStatus(const Report& report);

// "YYYY-MM-DD HH:MM:SS".
void formatMoment(RecordMoment moment, char* out, size_t size);

// Writers of the three formats. `lineEnd` is the text report's line end; the
// CSV and the page end their lines with kFileLineEnd.
void writeTextReport(const Report& report, const char* lineEnd, Output* output);
void writeCsvReport(const Report& report, Output* output);
// `madeAt` is the moment the page tells it was made.
void writeHtmlReport(const Report& report, const char* madeAt, Output* output);

#endif  // QN_REPORT_REPORT_H
