// A version's section of the page: with --since what changed first, then its
// share installed and a bar of its states, its progress day by day, its
// failures by code, and the machines that wait for a restart, have no record,
// are superseded or unreadable, or have a clock that ran ahead.
#include <cstdio>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "report/model/report_time.h"
#include "report/output/changes_since.h"
#include "report/output/html_parts.h"
#include "report/output/report_writers.h"
#include "report/output/rollout_progress.h"

static const char* const kStateClass[kStateCount] = {"installed",  "restart",  "failed",
                                                     "superseded", "norecord", "unreadable"};
static const char* const kStateLabel[kStateCount] = {"installed",  "restart pending", "failed",
                                                     "superseded", "no record",       "unreadable"};

static std::string percentText(unsigned long count, unsigned long total) {
  char text[16];
  snprintf(text, sizeof text, "%.2f", total == 0 ? 0.0 : 100.0 * static_cast<double>(count) / total);
  return text;
}

static void putShare(Output* output, const VersionSummary& summary, bool hostsListed) {
  const unsigned long* counts = summary.counts;
  unsigned long machines = machinesOf(summary);
  putFormat(output, "<p><b>Installed %lu of %lu (%lu %%)</b>", counts[kInstalled] + counts[kSuperseded],
            machines, installedShare(summary));
  if (counts[kSuperseded] > 0) putFormat(output, ", %lu of them superseded", counts[kSuperseded]);
  putFormat(output, "; restart pending %lu; ", counts[kRestart]);
  putFormat(output, counts[kFailed] > 0 ? "<b class=\"failed\">failed %lu</b>" : "failed %lu",
            counts[kFailed]);
  if (hostsListed) putFormat(output, "; no record %lu", counts[kNoRecord]);
  if (counts[kUnreadable] > 0) {
    putFormat(output, "; <b class=\"failed\">unreadable %lu</b>", counts[kUnreadable]);
  }
  putFormat(output, "</p>%s", kFileLineEnd);

  // Each state's segment is as wide as its share; its label never wraps, and
  // the title gives it whole where the segment is too narrow to show it.
  put(output, "<div class=\"bar\">");
  for (int state = 0; state < kStateCount; ++state) {
    if (counts[state] == 0) continue;
    std::string label = std::to_string(counts[state]) + " " + kStateLabel[state];
    putFormat(output, "<span class=\"%s\" style=\"width:%s%%\" title=\"%s\">%s</span>",
              kStateClass[state], percentText(counts[state], machines).c_str(), label.c_str(),
              label.c_str());
  }
  if (machines == 0) put(output, "<span>no machine</span>");
  putFormat(output, "</div>%s", kFileLineEnd);
}

static void putFailures(Output* output, const Report& report, const VersionSummary& summary,
                        const std::vector<ReportRow>& versionRows) {
  std::vector<CodeGroup> groups = failuresByCode(versionRows);
  if (groups.empty()) {
    putPageLine(output, "<h3>Failed: none</h3>");
    return;
  }
  putFormat(output, "<h3>Failed, by code (%lu)</h3>%s", summary.counts[kFailed], kFileLineEnd);
  putFormat(output, "<table><tr><th>Code</th><th>Meaning</th><th>Machines</th>"
            "<th>The first %lu by name</th></tr>%s", static_cast<unsigned long>(kFailureNames),
            kFileLineEnd);
  for (const CodeGroup& group : groups) {
    putFormat(output, "<tr class=\"failed\"><td class=\"n\">%ld</td><td>",
              static_cast<long>(group.code));
    putEscaped(output, describeCode(group.code, report.rules->codes));
    putFormat(output, "</td><td class=\"n\">%lu failed</td><td>",
              static_cast<unsigned long>(group.rows.size()));
    putNames(output, report, group.rows, 0, kFailureNames);
    if (group.rows.size() > kFailureNames) put(output, ", &hellip;");
    putFormat(output, "</td></tr>%s", kFileLineEnd);
  }
  putPageLine(output, "</table>");

  // Every failed machine, folded, in compact rows: the meanings stand in the
  // table above, and the end tags that HTML lets a cell and a row leave out
  // are left out, to keep a large fleet's page small.
  std::vector<const ReportRow*> rows = rowsIn(versionRows, kFailed);
  putFormat(output, "<details><summary>Every failed machine (%lu)</summary>%s",
            static_cast<unsigned long>(rows.size()), kFileLineEnd);
  putPageLine(output, "<table class=\"sortable all\"><thead><tr><th>Machine</th><th>Update</th>"
                  "<th>Code</th><th>Last run</th><th>Attempts</th></tr></thead>"
                  "<tbody class=\"failed\">");
  for (const ReportRow* row : rows) {
    const Attempt& last = row->attempts->last;
    char moment[32];
    formatMoment(last.moment, moment, sizeof moment);
    put(output, "<tr><td>");
    putEscaped(output, report.machineNames[row->machine]);
    put(output, "<td>");
    putEscaped(output, report.updateNames[last.pair]);
    putFormat(output, "<td>%ld<td>%s<td>%lu%s", static_cast<long>(last.code), moment,
              static_cast<unsigned long>(attemptsOf(*report.fleet, row->machine, *row->attempts)),
              kFileLineEnd);
  }
  putPageLine(output, "</tbody></table></details>");
}

static void putClockAhead(Output* output, const Report& report, const std::vector<ReportRow>& versionRows) {
  std::vector<const ReportRow*> rows = rowsAhead(versionRows);
  if (rows.empty()) return;
  putFormat(output, "<h3>Clock ahead (%lu)</h3>%s<p>A record dated more than a day after this "
            "page: the log's order decides.</p>%s", static_cast<unsigned long>(rows.size()),
            kFileLineEnd, kFileLineEnd);
  putPageLine(output, "<table><tr><th>Machine</th><th>Update</th><th>State</th><th>Dated</th></tr>");
  for (const ReportRow* row : rows) {
    char moment[32];
    formatMoment(row->attempts->last.dated, moment, sizeof moment);
    put(output, "<tr><td>");
    putEscaped(output, report.machineNames[row->machine]);
    put(output, "</td><td>");
    putEscaped(output, report.updateNames[row->attempts->last.pair]);
    putFormat(output, "</td><td>%s</td><td>%s</td></tr>%s", stateName(row->kind), moment,
              kFileLineEnd);
  }
  putPageLine(output, "</table>");
}

// What changed since --since, a row for each kind of change: how many and
// which machines (a newly failed one with its code), the first kOpenNames
// open.
static void putChanges(Output* output, const Report& report, const std::vector<ReportRow>& rows) {
  VersionChanges changes = versionChanges(report, rows);
  putFormat(output, "<h3>Changed since %s</h3>%s", dateText(report.dates.since).c_str(),
            kFileLineEnd);
  bool any = false;
  for (int kind = 0; kind < kChangeCount; ++kind) {
    const std::vector<const ReportRow*>& changed = changes.rows[kind];
    if (changed.empty()) continue;
    if (!any) {
      putPageLine(output, "<table class=\"changes\"><tr><th>Change</th><th>Machines</th>"
                          "<th>Which</th></tr>");
    }
    any = true;
    putFormat(output, "<tr%s><td>%s</td><td class=\"n\">%lu</td><td>",
              kind == kNewlyFailed ? " class=\"failed\"" : "",
              changeTitle(static_cast<ChangeKind>(kind)),
              static_cast<unsigned long>(changed.size()));
    for (size_t i = 0; i < changed.size(); ++i) {
      if (i == kOpenNames) {
        putFormat(output, "<details><summary>%lu more</summary>",
                  static_cast<unsigned long>(changed.size() - kOpenNames));
      } else if (i > 0) {
        put(output, ", ");
      }
      putEscaped(output, report.machineNames[changed[i]->machine]);
      if (kind == kNewlyFailed) {
        putFormat(output, " (%ld)", static_cast<long>(changed[i]->attempts->last.code));
      }
    }
    putFormat(output, "%s</td></tr>%s", changed.size() > kOpenNames ? "</details>" : "",
              kFileLineEnd);
  }
  putPageLine(output, any ? "</table>" : "<p>Nothing changed.</p>");
}

void putVersionSection(Output* output, const Report& report, const VersionSummary& summary,
                       size_t index) {
  putFormat(output, "<h2 id=\"v%lu\">", static_cast<unsigned long>(index + 1));
  putVersionName(output, report, summary.version);
  putFormat(output, "</h2>%s", kFileLineEnd);
  std::vector<ReportRow> rows = versionRows(report, summary);
  if (report.dates.since != kNoMoment) putChanges(output, report, rows);
  putShare(output, summary, report.rules->hostsListed);
  putProgressChart(output, versionProgress(report, rows));
  putFailures(output, report, summary, rows);
  putNameGroup(output, report, "Restart pending", rowsIn(rows, kRestart));
  putNameGroup(output, report, "No record: listed, but no log found", noRecordRows(rows, false));
  putNameGroup(output, report, "No record: a log, but no record of this version in it",
               noRecordRows(rows, true));
  putNameGroup(output, report, "Superseded by a later version", rowsIn(rows, kSuperseded));
  for (const ReasonGroup& group : unreadableByReason(report, rows)) {
    std::string title = "Unreadable: " + std::string(group.reason);
    putNameGroup(output, report, title.c_str(), group.rows);
  }
  putClockAhead(output, report, rows);
}
