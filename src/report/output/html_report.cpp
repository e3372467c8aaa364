// The report as one HTML page, UTF-8, with nothing loaded from elsewhere: its
// style sheet and a small script that sorts the tables stand in the page, and
// it reads fully without the script. At the top what was read and what could
// not be, and an overview of the versions; then a section per version
// (html_section.cpp).
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
#include "report/output/html_parts.h"
#include "report/output/report_writers.h"
#include "report/output/rollout_progress.h"

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
  putPageLine(output, "</table>");
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
  putPageLine(output, "</div>");
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
  putPageLine(output, "<!DOCTYPE html>");
  putPageLine(output, "<html lang=\"en\">");
  putPageLine(output, "<head>");
  putPageLine(output, "<meta charset=\"utf-8\">");
  putPageLine(output, "<title>qnReport: the state of the fleet</title>");
  putFormat(output, "<style>%s</style>%s", kStyle, kFileLineEnd);
  putPageLine(output, "</head>");
  putPageLine(output, "<body>");
  putProgressPatterns(output);
  putPageLine(output, "<h1>The state of the fleet</h1>");
  putWarning(output, report);
  putMadeFrom(output, report, madeAt);
  putStartsDifferently(output, report);
  if (report.versions.empty()) putPageLine(output, "<p>No result record.</p>");
  if (report.versions.size() > 1) putOverview(output, report);
  for (size_t i = 0; i < report.versions.size(); ++i) putVersionSection(output, report, report.versions[i], i);
  putFormat(output, "<script>%s</script>%s", kScript, kFileLineEnd);
  putPageLine(output, "</body>");
  putPageLine(output, "</html>");
}
