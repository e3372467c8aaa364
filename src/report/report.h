// A fleet's report, ready to be written in each of qnReport's formats: the
// rows of machines and updates in order, and the counts.
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
  unsigned long logs;
  unsigned long records;
  unsigned long notRecords;
};

// One machine at one update. `state` is null for a machine with no record.
struct ReportRow {
  uint32_t machine;
  uint32_t update;
  MachineState kind;
  const MachineUpdate* state;
};

struct UpdateSummary {
  uint32_t update;
  unsigned long counts[kStateCount];
  size_t firstRow;  // its rows are rows[firstRow, firstRow + rowCount)
  size_t rowCount;
};

struct Report {
  const Fleet* fleet;
  const ReadFacts* facts;
  bool hostsListed;  // --hosts was given: machines with no record count
  unsigned long machines;  // machines with a record
  std::vector<UpdateSummary> updates;  // by Update value, then New value
  std::vector<ReportRow> rows;         // by update, then machine name
  std::vector<uint32_t> machineOrder;  // every machine, by name
};

// Orders the fleet into rows: updates in byte order of their Update and New
// values, machines by name without regard to case.
void buildReport(const Fleet* fleet, const ReadFacts* facts, bool hostsListed, Report* report);

// The rows of one state, by machine name and then by update.
std::vector<const ReportRow*> rowsOfState(const Report& report, MachineState kind);

// 1 when a machine's latest attempt failed or, with --hosts, a machine has no
// record; 0 otherwise.
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
