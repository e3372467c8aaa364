// The report as one HTML page with no scripts and no other files, in HTML 4.01
// that old browsers show as well as new ones: per version a bar of table cells
// whose widths are the shares of the states, then the failing machines' table
// (and, with --hosts, those with no record, and any whose clock ran ahead),
// then when and from what the page was made.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "log/record_format.h"
#include "report/report.h"

static const char* const kStateColours[kStateCount] = {"#8fd18f", "#f0d060", "#f08080",
                                                       "#a8c8e8", "#c8c8c8", "#b090c0"};

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

// "Update=U,New=N" of the row's attempt, as the record holds the pair; "New=N"
// for a row without one.
static void putRowUpdate(Output* output, const Report& report, const ReportRow& row) {
  if (row.state != nullptr) {
    put(output, kUpdateField + 1);
    putEscaped(output, report.updateNames[row.state->last.pair]);
    put(output, kNewField);
  } else {
    put(output, kNewField + 1);
  }
  putEscaped(output, report.versionNames[row.version]);
}

// Whole percentages of the total that add up to 100, every count above zero
// getting at least 1: the largest remainders are rounded up.
static void shares(const unsigned long* counts, unsigned long total, int* percent) {
  int given = 0;
  unsigned long remainder[kStateCount];
  for (int i = 0; i < kStateCount; ++i) {
    percent[i] = static_cast<int>(counts[i] * 100 / total);
    remainder[i] = counts[i] * 100 % total;
    given += percent[i];
  }
  for (; given < 100; ++given) {
    int largest = 0;
    for (int i = 1; i < kStateCount; ++i) {
      if (remainder[i] > remainder[largest]) largest = i;
    }
    ++percent[largest];
    remainder[largest] = 0;
  }
  for (int i = 0; i < kStateCount; ++i) {
    if (counts[i] == 0 || percent[i] > 0) continue;
    int widest = 0;
    for (int j = 1; j < kStateCount; ++j) {
      if (percent[j] > percent[widest]) widest = j;
    }
    --percent[widest];
    percent[i] = 1;
  }
}

static void putBar(Output* output, const VersionSummary& summary, bool hostsListed,
                   bool anyUnreadable) {
  unsigned long total = 0;
  for (unsigned long count : summary.counts) total += count;
  putLine(output, "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"4\" border=\"0\"><tr>");
  if (total == 0) {
    putLine(output, "<td>no machine</td>");
  } else {
    int percent[kStateCount];
    shares(summary.counts, total, percent);
    for (int i = 0; i < kStateCount; ++i) {
      if (summary.counts[i] == 0) continue;
      putFormat(output, "<td width=\"%d%%\" bgcolor=\"%s\">%lu %s</td>%s", percent[i],
                kStateColours[i], summary.counts[i], stateName(static_cast<MachineState>(i)),
                kFileLineEnd);
    }
  }
  putLine(output, "</tr></table>");
  putFormat(output, "<p>%lu installed, %lu restart, %lu failed, %lu superseded",
            summary.counts[kInstalled], summary.counts[kRestart], summary.counts[kFailed],
            summary.counts[kSuperseded]);
  if (hostsListed) putFormat(output, ", %lu no record", summary.counts[kNoRecord]);
  if (anyUnreadable) putFormat(output, ", %lu unreadable", summary.counts[kUnreadable]);
  putFormat(output, "</p>%s", kFileLineEnd);
}

static void putMachineTable(const Report& report, const std::vector<const ReportRow*>& rows,
                            const char* title, bool failures, Output* output) {
  putFormat(output, "<h2>%s</h2>%s", title, kFileLineEnd);
  if (rows.empty()) {
    putLine(output, "<p>None.</p>");
    return;
  }
  putLine(output, "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
  if (failures) {
    putLine(output, "<tr><th>Machine</th><th>Update</th><th>Code</th><th>Meaning</th>"
                    "<th>Last run</th><th>Attempts</th></tr>");
  } else if (rows.front()->kind == kUnreadable) {
    putLine(output, "<tr><th>Machine</th><th>Update</th><th>Reason</th></tr>");
  } else if (!rows.front()->clockAhead) {
    putLine(output, "<tr><th>Machine</th><th>Update</th></tr>");
  } else {
    putLine(output, "<tr><th>Machine</th><th>Update</th><th>Dated</th></tr>");
  }
  for (const ReportRow* row : rows) {
    put(output, "<tr><td>");
    putEscaped(output, report.machineNames[row->machine]);
    put(output, "</td><td>");
    putRowUpdate(output, report, *row);
    char moment[32];
    if (failures) {
      const Attempt& last = row->state->last;
      char meaning[128];
      describeCode(last.code, meaning, sizeof meaning);
      formatMoment(last.moment, moment, sizeof moment);
      putFormat(output, "</td><td align=\"right\">%ld</td><td>%s</td><td>%s</td>"
                "<td align=\"right\">%lu", static_cast<long>(last.code), meaning, moment,
                static_cast<unsigned long>(attemptsOf(*report.fleet, row->machine, *row->state)));
    } else if (row->kind == kUnreadable) {
      putFormat(output, "</td><td>%s",
                readFailureText(report.fleet->machines[row->machine].unreadable));
    } else if (row->clockAhead) {
      formatMoment(row->state->last.order, moment, sizeof moment);
      putFormat(output, "</td><td>%s", moment);
    }
    putFormat(output, "</td></tr>%s", kFileLineEnd);
  }
  putLine(output, "</table>");
}

void writeHtmlReport(const Report& report, const char* madeAt, Output* output) {
  putLine(output, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  putLine(output, "<html>");
  putLine(output, "<head>");
  putLine(output, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  putLine(output, "<title>qnReport: the state of the fleet</title>");
  putLine(output, "</head>");
  putLine(output, "<body>");
  putLine(output, "<h1>The state of the fleet</h1>");
  putLine(output, "<h2>Versions</h2>");
  if (report.versions.empty()) putLine(output, "<p>No result record.</p>");
  for (const VersionSummary& summary : report.versions) {
    put(output, "<h3>");
    put(output, kNewField + 1);
    putEscaped(output, report.versionNames[summary.version]);
    putFormat(output, "</h3>%s", kFileLineEnd);
    putBar(output, summary, report.hostsListed, report.unreadable > 0);
  }
  putMachineTable(report, rowsOfState(report, kFailed), "Failed", true, output);
  if (report.hostsListed) {
    putMachineTable(report, rowsOfState(report, kNoRecord), "No record", false, output);
  }
  if (report.unreadable > 0) {
    putMachineTable(report, rowsOfState(report, kUnreadable), "Unreadable", false, output);
  }
  std::vector<const ReportRow*> ahead = rowsAhead(report);
  if (!ahead.empty()) {
    putMachineTable(report, ahead, "Clock ahead: a record dated more than a day after this page",
                    false, output);
  }

  const ReadFacts& facts = *report.facts;
  putFormat(output, "<p>Made %s by qnReport from %lu %s in %lu %s (%lu %s, %lu %s) found in ",
            madeAt, facts.records, facts.records == 1 ? "record" : "records", facts.logs,
            facts.logs == 1 ? "log" : "logs", report.machines,
            report.machines == 1 ? "machine" : "machines", facts.notRecords,
            facts.notRecords == 1 ? "line that is not a record" : "lines that are not records");
  for (size_t i = 0; i < facts.paths.size(); ++i) {
    if (i > 0) put(output, ", ");
    put(output, "<tt>");
    putEscaped(output, outputText(facts.paths[i]));
    put(output, "</tt>");
  }
  if (facts.fromTemplate != nullptr) {
    put(output, facts.paths.empty() ? "<tt>" : " and at <tt>");
    putEscaped(output, outputText(facts.fromTemplate));
    put(output, "</tt>");
  }
  if (facts.hostsFile != nullptr) {
    put(output, "; machines listed in <tt>");
    putEscaped(output, outputText(facts.hostsFile));
    put(output, "</tt>");
    if (!report.unlisted.empty()) {
      putFormat(output, " (%lu more found in the logs, not listed)",
                static_cast<unsigned long>(report.unlisted.size()));
    }
  }
  if (facts.onlyNew != nullptr) {
    put(output, "; only New=");
    putEscaped(output, outputText(facts.onlyNew));
  }
  putFormat(output, ".</p>%s", kFileLineEnd);
  putLine(output, "</body>");
  putLine(output, "</html>");
}
