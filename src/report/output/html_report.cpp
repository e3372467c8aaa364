// The report as one HTML page, UTF-8, with nothing loaded from elsewhere: its
// style sheet and a small script that sorts the tables stand in the page, and
// it reads fully without the script. At the top what was read and what could
// not be, and an overview of the versions; then a section per version: its
// share installed, a bar of its states, its progress day by day, its failures
// by code, and the machines that failed, wait for a restart, have no record or
// a clock that ran ahead; with --since, what changed since first.
// Long lists are folded (<details>), so that a browser lays out only what is
// opened, and a page for a large fleet opens at once.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "program_version.h"
#include "report/model/report_time.h"
#include "report/model/version_order.h"
#include "report/output/changes_since.h"
#include "report/output/report_writers.h"
#include "report/output/rollout_progress.h"

// Names a list shows before it is folded.
static constexpr size_t kOpenNames = 50;

static const char kStyle[] =
    "body{font-family:sans-serif;margin:1em 2em;color:#222}"
    "h2{margin-top:1.6em;border-top:2px solid #888;padding-top:.4em}"
    ".made{color:#444}"
    ".warning{border:3px solid #b00;background:#fee;padding:.4em 1em}"
    ".bar{display:flex;width:100%;border:1px solid #666;margin:.4em 0}"
    ".bar span{white-space:nowrap;overflow:hidden;text-overflow:ellipsis;padding:.25em .4em}"
    ".installed{background:#8fd18f}.restart{background:#f0d060}.failed{background:#f08080}"
    ".superseded{background:#a8c8e8}.norecord{background:#c8c8c8}.unreadable{background:#b090c0}"
    "table{border-collapse:collapse;margin:.4em 0}"
    "th,td{border:1px solid #999;padding:.2em .5em;text-align:left;vertical-align:top}"
    "td,h2,p{overflow-wrap:anywhere}"
    "th{background:#eee}td.n{text-align:right}"
    "tr.failed td,tbody.failed td{background:#fcc}"
    "table.all td:nth-child(3),table.all td:nth-child(5){text-align:right}"
    "b.failed{background:none;color:#900}"
    "table.sortable th{cursor:pointer}"
    "summary{cursor:pointer;margin:.3em 0}"
    "svg.chart{display:block;max-width:100%;height:auto;margin:.4em 0}"
    "table.changes td:first-child{white-space:nowrap}";

// Sorts a table of class "sortable" by the column whose heading is clicked;
// numbers as numbers.
static const char kScript[] =
    "document.querySelectorAll('table.sortable th').forEach(function(th,column){"
    "th.title='Sort';th.onclick=function(){"
    "var body=th.closest('table').tBodies[0],rows=Array.from(body.rows),"
    "up=th.dataset.up!=='1';th.dataset.up=up?'1':'0';"
    "rows.sort(function(a,b){var x=a.cells[column].textContent,y=b.cells[column].textContent,"
    "m=parseFloat(x),n=parseFloat(y),c=(isNaN(m)||isNaN(n))?x.localeCompare(y):m-n;"
    "return up?c:-c});rows.forEach(function(row){body.appendChild(row)})}})";

static const char* const kStateClass[kStateCount] = {"installed",  "restart",  "failed",
                                                     "superseded", "norecord", "unreadable"};
static const char* const kStateLabel[kStateCount] = {"installed",  "restart pending", "failed",
                                                     "superseded", "no record",       "unreadable"};

// Text with the characters that HTML gives a meaning escaped.
static void putEscaped(Output* output, const char* text, size_t length) {
  size_t start = 0;
  for (size_t i = 0; i < length; ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      default: continue;
    }
    put(output, text + start, i - start);
    put(output, entity);
    start = i + 1;
  }
  put(output, text + start, length - start);
}

static void putEscaped(Output* output, const std::string& text) {
  putEscaped(output, text.data(), text.size());
}

static void putLine(Output* output, const char* text) {
  put(output, text);
  put(output, kFileLineEnd);
}

static std::string percentText(unsigned long count, unsigned long total) {
  char text[16];
  snprintf(text, sizeof text, "%.2f", total == 0 ? 0.0 : 100.0 * static_cast<double>(count) / total);
  return text;
}

static void putVersionName(Output* output, const Report& report, uint32_t version) {
  put(output, kNewField + 1);
  putEscaped(output, report.versionNames[version]);
}

// Names joined by ", ".
static void putNames(Output* output, const Report& report, const std::vector<const ReportRow*>& rows,
                     size_t first, size_t end) {
  for (size_t i = first; i < end && i < rows.size(); ++i) {
    if (i > first) put(output, ", ");
    putEscaped(output, report.machineNames[rows[i]->machine]);
  }
}

// "<h3>TITLE (N)</h3>" and the names: all of them, the first kOpenNames open
// and the rest folded.
static void putNameGroup(Output* output, const Report& report, const char* title,
                         const std::vector<const ReportRow*>& rows) {
  if (rows.empty()) return;
  putFormat(output, "<h3>%s (%lu)</h3>%s<p>", title, static_cast<unsigned long>(rows.size()),
            kFileLineEnd);
  putNames(output, report, rows, 0, kOpenNames);
  if (rows.size() > kOpenNames) {
    putFormat(output, "</p>%s<details><summary>%lu more</summary><p>", kFileLineEnd,
              static_cast<unsigned long>(rows.size() - kOpenNames));
    putNames(output, report, rows, kOpenNames, rows.size());
    put(output, "</p></details>");
  } else {
    put(output, "</p>");
  }
  put(output, kFileLineEnd);
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
    putLine(output, "<h3>Failed: none</h3>");
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
  putLine(output, "</table>");

  // Every failed machine, folded, in compact rows: the meanings stand in the
  // table above, and the end tags that HTML lets a cell and a row leave out
  // are left out, to keep a large fleet's page small.
  std::vector<const ReportRow*> rows = rowsIn(versionRows, kFailed);
  putFormat(output, "<details><summary>Every failed machine (%lu)</summary>%s",
            static_cast<unsigned long>(rows.size()), kFileLineEnd);
  putLine(output, "<table class=\"sortable all\"><thead><tr><th>Machine</th><th>Update</th>"
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
  putLine(output, "</tbody></table></details>");
}

static void putClockAhead(Output* output, const Report& report, const std::vector<ReportRow>& versionRows) {
  std::vector<const ReportRow*> rows = rowsAhead(versionRows);
  if (rows.empty()) return;
  putFormat(output, "<h3>Clock ahead (%lu)</h3>%s<p>A record dated more than a day after this "
            "page: the log's order decides.</p>%s", static_cast<unsigned long>(rows.size()),
            kFileLineEnd, kFileLineEnd);
  putLine(output, "<table><tr><th>Machine</th><th>Update</th><th>State</th><th>Dated</th></tr>");
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
  putLine(output, "</table>");
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
      putLine(output,
              "<table class=\"changes\"><tr><th>Change</th><th>Machines</th><th>Which</th></tr>");
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
  putLine(output, any ? "</table>" : "<p>Nothing changed.</p>");
}

static void putSection(Output* output, const Report& report, const VersionSummary& summary,
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

static void putOverview(Output* output, const Report& report) {
  putFormat(output, "<table><tr><th>Version</th><th>Installed</th><th>Share</th>"
            "<th>Restart pending</th><th>Failed</th><th>Superseded</th><th>No record</th>%s"
            "</tr>%s", report.unreadable > 0 ? "<th>Unreadable</th>" : "", kFileLineEnd);
  for (size_t i = 0; i < report.versions.size(); ++i) {
    const VersionSummary& summary = report.versions[i];
    const unsigned long* counts = summary.counts;
    bool failing = counts[kFailed] > 0 || counts[kUnreadable] > 0;
    putFormat(output, "<tr%s><td><a href=\"#v%lu\">", failing ? " class=\"failed\"" : "",
              static_cast<unsigned long>(i + 1));
    putVersionName(output, report, summary.version);
    putFormat(output, "</a></td><td class=\"n\">%lu of %lu</td><td class=\"n\">%lu %%</td>"
              "<td class=\"n\">%lu</td><td class=\"n\">%s%lu%s</td><td class=\"n\">%lu</td>"
              "<td class=\"n\">%lu</td>",
              counts[kInstalled] + counts[kSuperseded], machinesOf(summary), installedShare(summary),
              counts[kRestart], counts[kFailed] > 0 ? "<b>failed " : "", counts[kFailed],
              counts[kFailed] > 0 ? "</b>" : "", counts[kSuperseded], counts[kNoRecord]);
    if (report.unreadable > 0) putFormat(output, "<td class=\"n\">%lu</td>", counts[kUnreadable]);
    putFormat(output, "</tr>%s", kFileLineEnd);
  }
  putLine(output, "</table>");
}

static void putMadeFrom(Output* output, const Report& report, const char* madeAt) {
  const Fleet& fleet = *report.fleet;
  const ReportRequest& request = *report.request;
  putFormat(output, "<p class=\"made\">Made %s by qnReport %s from %lu %s in %lu %s (%lu %s, %lu %s) "
            "found in ", madeAt, QN_VERSION_TEXT, fleet.records,
            fleet.records == 1 ? "record" : "records", fleet.logs, fleet.logs == 1 ? "log" : "logs",
            report.machines, report.machines == 1 ? "machine" : "machines", fleet.notRecords,
            fleet.notRecords == 1 ? "line that is not a record" : "lines that are not records");
  for (size_t i = 0; i < request.paths.size(); ++i) {
    if (i > 0) put(output, ", ");
    put(output, "<tt>");
    putEscaped(output, outputText(request.paths[i]));
    put(output, "</tt>");
  }
  if (request.fromTemplate != nullptr) {
    put(output, request.paths.empty() ? "<tt>" : " and at <tt>");
    putEscaped(output, outputText(request.fromTemplate));
    put(output, "</tt>");
  }
  if (request.hostsFile != nullptr) {
    put(output, "; machines listed in <tt>");
    putEscaped(output, outputText(request.hostsFile));
    put(output, "</tt>");
    if (!report.unlisted.empty()) {
      putFormat(output, " (%lu more found in the logs, not listed)",
                static_cast<unsigned long>(report.unlisted.size()));
    }
  }
  if (request.onlyNew != nullptr) {
    put(output, "; only New=");
    putEscaped(output, outputText(versionValue(request.onlyNew)));
  }
  putFormat(output, ".</p>%s", kFileLineEnd);
  if (report.dates.asOf) {
    putFormat(output, "<p><b>As of %s:</b> records dated later are left out.</p>%s",
              dateText(report.dates.madeAt).c_str(), kFileLineEnd);
  }
  std::string declared = declaredCodesText(report.rules->codes);
  if (!declared.empty()) {
    putFormat(output, "<p>Codes declared for this report: %s.</p>%s", declared.c_str(), kFileLineEnd);
  }
}

// The framed note of what could not be read: the logs and folders under the
// PATHs, each by name, and the machines, by reason, the first of each named.
static void putWarning(Output* output, const Report& report) {
  const std::vector<std::string>& places = report.fleet->unreadablePlaces;
  if (places.empty() && report.unreadable == 0) return;
  put(output, "<div class=\"warning\">");
  if (!places.empty()) {
    putFormat(output, "<p><b>This report is incomplete:</b> %lu %s could not be read.</p><ul>%s",
              static_cast<unsigned long>(places.size()),
              places.size() == 1 ? "log or folder" : "logs or folders", kFileLineEnd);
    for (const std::string& path : places) {
      put(output, "<li><tt>");
      putEscaped(output, path);
      putFormat(output, "</tt></li>%s", kFileLineEnd);
    }
    put(output, "</ul>");
  }
  if (report.unreadable > 0) {
    putFormat(output, "<p><b>%lu %s could not be read</b>, by reason:</p><ul>%s", report.unreadable,
              report.unreadable == 1 ? "machine" : "machines", kFileLineEnd);
    std::vector<ReportRow> rows = unreadableRows(report);
    for (const ReasonGroup& group : unreadableByReason(report, rows)) {
      putFormat(output, "<li>%s (%lu): ", group.reason, static_cast<unsigned long>(group.rows.size()));
      putNames(output, report, group.rows, 0, kFailureNames);
      if (group.rows.size() > kFailureNames) put(output, ", &hellip;");
      putFormat(output, "</li>%s", kFileLineEnd);
    }
    put(output, "</ul>");
  }
  putLine(output, "</div>");
}

static void putStartsDifferently(Output* output, const Report& report) {
  if (report.startsDiffer.empty()) return;
  put(output, "<p>Logs that start differently (re-imaged, or two machines with one name): ");
  for (size_t i = 0; i < report.startsDiffer.size(); ++i) {
    if (i > 0) put(output, ", ");
    putEscaped(output, report.machineNames[report.startsDiffer[i]]);
  }
  putFormat(output, ".</p>%s", kFileLineEnd);
}

void writeHtmlReport(const Report& report, const char* madeAt, Output* output) {
  putLine(output, "<!DOCTYPE html>");
  putLine(output, "<html lang=\"en\">");
  putLine(output, "<head>");
  putLine(output, "<meta charset=\"utf-8\">");
  putLine(output, "<title>qnReport: the state of the fleet</title>");
  putFormat(output, "<style>%s</style>%s", kStyle, kFileLineEnd);
  putLine(output, "</head>");
  putLine(output, "<body>");
  putProgressPatterns(output);
  putLine(output, "<h1>The state of the fleet</h1>");
  putWarning(output, report);
  putMadeFrom(output, report, madeAt);
  putStartsDifferently(output, report);
  if (report.versions.empty()) putLine(output, "<p>No result record.</p>");
  if (report.versions.size() > 1) putOverview(output, report);
  for (size_t i = 0; i < report.versions.size(); ++i) putSection(output, report, report.versions[i], i);
  putFormat(output, "<script>%s</script>%s", kScript, kFileLineEnd);
  putLine(output, "</body>");
  putLine(output, "</html>");
}
