// The report for the terminal: one line per version with its share installed
// and its counts, then per version the failures by code, the machines waiting
// for a restart, those with no record and those whose clock ran ahead, and one
// line of what was read. Columns line up by the width the text takes on a
// terminal, so that names beyond ASCII line up too.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/utf8_text.h"
#include "log/record_format.h"
#include "report/model/report_time.h"
#include "report/output/report_writers.h"

// Names given in a list of the text report; the CSV has every one.
static constexpr size_t kListedNames = 50;
// Where lists of names wrap.
static constexpr size_t kLineWidth = 100;

static const char* plural(unsigned long count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

static size_t widthOf(const std::string& text) { return displayWidth(text.data(), text.size()); }

static void putPadded(Output* output, const std::string& text, size_t width) {
  put(output, text.data(), text.size());
  for (size_t i = widthOf(text); i < width; ++i) put(output, " ", 1);
}

// The first `limit` machines' names, joined by ", " and wrapped at kLineWidth
// with the lines after the first starting at `column`; "and N more" when there
// are more.
static void putNames(Output* output, const Report& report, const std::vector<const ReportRow*>& rows,
                     size_t limit, size_t column, const char* lineEnd) {
  size_t at = column;
  for (size_t i = 0; i < rows.size() && i < limit; ++i) {
    std::string name = report.machineNames[rows[i]->machine];
    bool last = i + 1 == rows.size() || i + 1 == limit;
    if (!last) name += ",";
    if (i > 0 && at + 1 + widthOf(name) > kLineWidth) {
      put(output, lineEnd);
      for (at = 0; at < column; ++at) put(output, " ", 1);
    } else if (i > 0) {
      put(output, " ", 1);
      ++at;
    }
    put(output, name.c_str());
    at += widthOf(name);
  }
  if (rows.size() > limit) putFormat(output, " and %lu more", static_cast<unsigned long>(rows.size() - limit));
  put(output, lineEnd);
}

static void putVersionLine(Output* output, const Report& report, const VersionSummary& summary,
                           const char* lineEnd) {
  const unsigned long* counts = summary.counts;
  putFormat(output, "%s%s: installed %lu of %lu (%lu %%", kNewField + 1,
            report.versionNames[summary.version].c_str(), counts[kInstalled] + counts[kSuperseded],
            machinesOf(summary), installedShare(summary));
  if (counts[kSuperseded] > 0) putFormat(output, ", %lu superseded", counts[kSuperseded]);
  putFormat(output, "), restart pending %lu, failed %lu", counts[kRestart], counts[kFailed]);
  if (report.rules->hostsListed) putFormat(output, ", no record %lu", counts[kNoRecord]);
  if (report.unreadable > 0) putFormat(output, ", unreadable %lu", counts[kUnreadable]);
  put(output, lineEnd);
}

static void putFailures(Output* output, const Report& report, const VersionSummary& summary,
                        const char* lineEnd) {
  std::vector<CodeGroup> groups = failuresByCode(report, summary);
  if (groups.empty()) {
    putFormat(output, "  Failed: none%s", lineEnd);
    return;
  }
  putFormat(output, "  Failed, by code:%s", lineEnd);
  std::vector<std::string> codes, meanings, counts;
  size_t widths[3] = {0, 0, 0};
  for (const CodeGroup& group : groups) {
    codes.push_back(std::to_string(group.code));
    meanings.push_back(describeCode(group.code, report.rules->codes));
    counts.push_back(std::to_string(group.rows.size()));
    widths[0] = std::max(widths[0], widthOf(codes.back()));
    widths[1] = std::max(widths[1], widthOf(meanings.back()));
    widths[2] = std::max(widths[2], widthOf(counts.back()));
  }
  for (size_t i = 0; i < groups.size(); ++i) {
    put(output, "    ");
    putPadded(output, codes[i], widths[0] + 2);
    putPadded(output, meanings[i], widths[1] + 2);
    for (size_t pad = widthOf(counts[i]); pad < widths[2]; ++pad) put(output, " ", 1);
    put(output, counts[i].c_str());
    put(output, "  ");
    putNames(output, report, groups[i].rows, kFailureNames, 4 + widths[0] + widths[1] + widths[2] + 6,
             lineEnd);
  }
}

// "  TITLE (N):" and the first kListedNames names below it; nothing when there are none.
static void putNameGroup(Output* output, const Report& report, const char* title,
                         const std::vector<const ReportRow*>& rows, const char* lineEnd) {
  if (rows.empty()) return;
  putFormat(output, "  %s (%lu):%s    ", title, static_cast<unsigned long>(rows.size()), lineEnd);
  putNames(output, report, rows, kListedNames, 4, lineEnd);
}

static void putClockAhead(Output* output, const Report& report, const VersionSummary& summary,
                          const char* lineEnd) {
  std::vector<const ReportRow*> rows = rowsAhead(report, summary);
  if (rows.empty()) return;
  putFormat(output, "  Clock ahead (a record dated more than a day after this report):%s", lineEnd);
  size_t nameWidth = 0;
  size_t updateWidth = 0;
  for (const ReportRow* row : rows) {
    nameWidth = std::max(nameWidth, widthOf(report.machineNames[row->machine]));
    updateWidth = std::max(updateWidth, widthOf(report.updateNames[row->attempts->last.pair]));
  }
  for (const ReportRow* row : rows) {
    char moment[32];
    formatMoment(row->attempts->last.dated, moment, sizeof moment);
    put(output, "    ");
    putPadded(output, report.machineNames[row->machine], nameWidth + 2);
    put(output, kUpdateField + 1);
    putPadded(output, report.updateNames[row->attempts->last.pair], updateWidth + 2);
    putFormat(output, "a record dated %s%s", moment, lineEnd);
  }
}

void writeTextReport(const Report& report, const char* lineEnd, Output* output) {
  if (report.versions.empty()) putFormat(output, "No result record.%s", lineEnd);
  for (const VersionSummary& summary : report.versions) putVersionLine(output, report, summary, lineEnd);
  std::string declared = declaredCodesText(report.rules->codes);
  if (!declared.empty()) putFormat(output, "Declared for this report: %s.%s", declared.c_str(), lineEnd);

  for (const VersionSummary& summary : report.versions) {
    putFormat(output, "%s%s%s%s", lineEnd, kNewField + 1, report.versionNames[summary.version].c_str(),
              lineEnd);
    putFailures(output, report, summary, lineEnd);
    putNameGroup(output, report, "Restart pending", versionRows(report, summary, kRestart), lineEnd);
    putNameGroup(output, report, "No log found", noRecordRows(report, summary, false), lineEnd);
    putNameGroup(output, report, "No record of this version in the log",
                 noRecordRows(report, summary, true), lineEnd);
    for (const ReasonGroup& group : unreadableByReason(report, summary)) {
      std::string title = "Unreadable, " + std::string(group.reason);
      putNameGroup(output, report, title.c_str(), group.rows, lineEnd);
    }
    putClockAhead(output, report, summary, lineEnd);
  }

  put(output, lineEnd);
  const Fleet& fleet = *report.fleet;
  putFormat(output, "Read %lu %s from %lu %s: %lu %s, %lu %s.%s", fleet.records,
            plural(fleet.records, "record", "records"), fleet.logs, plural(fleet.logs, "log", "logs"),
            report.machines, plural(report.machines, "machine", "machines"), fleet.notRecords,
            plural(fleet.notRecords, "line that is not a record", "lines that are not records"),
            lineEnd);
  if (!report.unlisted.empty()) {
    unsigned long unlisted = report.unlisted.size();
    putFormat(output, "%lu %s found in the logs %s not in %s (--verbose names them).%s", unlisted,
              plural(unlisted, "machine", "machines"), plural(unlisted, "is", "are"),
              outputText(report.request->hostsFile).c_str(), lineEnd);
  }
  if (!fleet.unreadablePlaces.empty()) {
    unsigned long unreadable = fleet.unreadablePlaces.size();
    putFormat(output, "%lu %s could not be read: the report is incomplete.%s", unreadable,
              plural(unreadable, "log or folder", "logs or folders"), lineEnd);
  }
}
