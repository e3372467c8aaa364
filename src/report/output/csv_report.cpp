// The report as CSV (RFC 4180), UTF-8 with a byte-order mark: one row per
// machine and version, by version and then machine name, under the header
//   host,update,new,state,code,meaning,last_run,attempts,note
// and, with --since, a last column `was`: the state as of that moment. In a
// report without a version, the unreadable machines have a row each, with
// no version.
#include <cstring>
#include <string>

#include "report/model/report_time.h"
#include "report/output/changes_since.h"
#include "report/output/report_writers.h"

// A cell that a spreadsheet would take for a formula: one that starts with =,
// +, -, @, a tab or a CR, and is not a whole number as qnUpdate writes codes
// (an optional minus sign and digits), which stays a number.
static bool looksLikeFormula(const char* text, size_t length) {
  if (length == 0 || text[0] == '\0' || strchr("=+-@\t\r", text[0]) == nullptr) return false;
  if (text[0] != '-' || length == 1) return true;
  for (size_t i = 1; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return true;
  }
  return false;
}

// A field as it is, or in double quotes (each one inside doubled) when it holds
// a comma, a double quote, a CR or an LF; a formula-like text behind a "'".
static void putField(Output* output, const std::string& field) {
  std::string text = looksLikeFormula(field.data(), field.size()) ? "'" + field : field;
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    put(output, text.data(), text.size());
    return;
  }
  put(output, "\"", 1);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    put(output, text.data() + start, i + 1 - start);
    put(output, "\"", 1);
    start = i + 1;
  }
  put(output, text.data() + start, text.size() - start);
  put(output, "\"", 1);
}

static void putFields(Output* output, const std::string* fields, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) put(output, ",", 1);
    putField(output, fields[i]);
  }
  put(output, kFileLineEnd);
}

static void putRow(Output* output, const Report& report, const ReportRow& row) {
  std::string fields[] = {report.machineNames[row.machine], "",
                          row.version == kNoVersion ? "" : report.versionNames[row.version],
                          stateName(row.kind), "", rowMeaning(report, row), "", "0", rowNote(report, row)};
  if (row.attempts != nullptr) {
    const Attempt& last = row.attempts->last;
    char moment[32];
    formatMoment(last.moment, moment, sizeof moment);
    fields[1] = report.updateNames[last.pair];
    fields[4] = std::to_string(last.code);
    fields[6] = moment;
    fields[7] = std::to_string(attemptsOf(*report.fleet, row.machine, *row.attempts));
  }
  size_t count = sizeof fields / sizeof fields[0];
  if (report.dates.since == kNoMoment) {
    putFields(output, fields, count);
    return;
  }
  std::vector<std::string> withWas(fields, fields + count);
  withWas.push_back(row.version == kNoVersion ? "" : stateName(stateThen(report, row)));
  putFields(output, withWas.data(), withWas.size());
}

void writeCsvReport(const Report& report, Output* output) {
  static const std::string kHeader[] = {"host",    "update",   "new",      "state", "code",
                                        "meaning", "last_run", "attempts", "note",  "was"};
  // A spreadsheet that opens the file by a double click reads it as UTF-8
  // only after this mark.
  put(output, "\xEF\xBB\xBF");
  putFields(output, kHeader,
            sizeof kHeader / sizeof kHeader[0] - (report.dates.since == kNoMoment));
  for (const VersionSummary& summary : report.versions) {
    for (const ReportRow& row : versionRows(report, summary)) putRow(output, report, row);
  }
  if (report.versions.empty()) {
    for (const ReportRow& row : unreadableRows(report)) putRow(output, report, row);
  }
}
