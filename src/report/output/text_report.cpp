// The report for the terminal: one line per version with its share installed
// and its counts, then per version the failures by code, the machines waiting
// for a restart, those with no record, those that could not be read and those
// whose clock ran ahead, and a few lines of what was read. It fits a console of
// 80 columns, wider only where one name is longer than a line; columns line up
// by the width the text takes on a terminal, so that names beyond ASCII line up
// too. Every text taken from the logs, their paths and the machine list is
// shown by terminalText: no log can move the cursor or erase a line.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/utf8_text.h"
#include "log/record_format.h"
#include "report/model/report_time.h"
#include "report/output/changes_since.h"
#include "report/output/report_writers.h"
#include "report/output/rollout_progress.h"

// Names given in a list of the text report; the CSV has every one.
static constexpr size_t kListedNames = 50;
// The width of the text: a console's.
static constexpr size_t kLineWidth = 80;
// Room that a column of names needs at the end of a line of the failures
// table: less, and the names start on the next line.
static constexpr size_t kNamesRoom = 24;
// Where the names of a code start when they do not fit beside it.
static constexpr size_t kNamesIndent = 6;

static const char* plural(unsigned long count, const char* one, const char* many) {
  return count == 1 ? one : many;
}

static size_t widthOf(const std::string& text) { return displayWidth(text.data(), text.size()); }

static void putSpaces(Output* output, size_t count) {
  for (size_t i = 0; i < count; ++i) put(output, " ", 1);
}

static void putPadded(Output* output, const std::string& text, size_t width) {
  put(output, text.data(), text.size());
  for (size_t i = widthOf(text); i < width; ++i) put(output, " ", 1);
}

// Writes `pieces` joined by `separator` (", " or " "), the first at `column`,
// and ends the line; a piece that would pass kLineWidth starts a new line at
// `indent` instead, the separator's blanks left out at the break.
static void putWrapped(Output* output, const std::vector<std::string>& pieces, const char* separator,
                       size_t column, size_t indent, const char* lineEnd) {
  std::string atBreak = separator;
  atBreak.erase(atBreak.find_last_not_of(' ') + 1);
  size_t separatorWidth = strlen(separator);
  for (size_t i = 0; i < pieces.size(); ++i) {
    size_t width = widthOf(pieces[i]);
    if (i > 0 && column + separatorWidth + width > kLineWidth) {
      put(output, atBreak.c_str());
      put(output, lineEnd);
      putSpaces(output, indent);
      column = indent;
    } else if (i > 0) {
      put(output, separator);
      column += separatorWidth;
    }
    put(output, pieces[i].c_str());
    column += width;
  }
  put(output, lineEnd);
}

// A sentence, wrapped at its spaces; its lines after the first indented.
static void putSentence(Output* output, const std::string& text, const char* lineEnd) {
  std::vector<std::string> words;
  for (size_t start = 0; start <= text.size();) {
    size_t end = std::min(text.find(' ', start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  putWrapped(output, words, " ", 0, 2, lineEnd);
}

// The first `limit` machines' names, joined by ", ", from `column` on, the
// lines after the first at `column` too; "and N more" when there are more.
static void putNames(Output* output, const Report& report, const std::vector<const ReportRow*>& rows,
                     size_t limit, size_t column, const char* lineEnd) {
  std::vector<std::string> names;
  for (size_t i = 0; i < rows.size() && i < limit; ++i) {
    names.push_back(terminalText(report.machineNames[rows[i]->machine]));
  }
  if (rows.size() > limit) names.back() += " and " + std::to_string(rows.size() - limit) + " more";
  putWrapped(output, names, ", ", column, column, lineEnd);
}

static void putVersionLine(Output* output, const Report& report, const VersionSummary& summary,
                           const char* lineEnd) {
  const unsigned long* counts = summary.counts;
  std::string share = std::string(kNewField + 1) + terminalText(report.versionNames[summary.version]) +
                      ": installed " + std::to_string(counts[kInstalled] + counts[kSuperseded]) +
                      " of " + std::to_string(machinesOf(summary)) + " (" +
                      std::to_string(installedShare(summary)) + " %";
  if (counts[kSuperseded] > 0) share += ", " + std::to_string(counts[kSuperseded]) + " superseded";
  std::vector<std::string> pieces = {share + ")", "restart pending " + std::to_string(counts[kRestart]),
                                     "failed " + std::to_string(counts[kFailed])};
  if (report.rules->hostsListed) pieces.push_back("no record " + std::to_string(counts[kNoRecord]));
  if (report.unreadable > 0) pieces.push_back("unreadable " + std::to_string(counts[kUnreadable]));
  putWrapped(output, pieces, ", ", 0, 4, lineEnd);
}

static void putFailures(Output* output, const Report& report, const std::vector<ReportRow>& rows,
                        const char* lineEnd) {
  std::vector<CodeGroup> groups = failuresByCode(rows);
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
  size_t namesColumn = 4 + widths[0] + 2 + widths[1] + 2 + widths[2] + 2;
  bool besideCode = namesColumn + kNamesRoom <= kLineWidth;
  for (size_t i = 0; i < groups.size(); ++i) {
    put(output, "    ");
    putPadded(output, codes[i], widths[0] + 2);
    putPadded(output, meanings[i], widths[1] + 2);
    putSpaces(output, widths[2] - widthOf(counts[i]));
    put(output, counts[i].c_str());
    if (besideCode) {
      put(output, "  ");
      putNames(output, report, groups[i].rows, kFailureNames, namesColumn, lineEnd);
    } else {
      put(output, lineEnd);
      putSpaces(output, kNamesIndent);
      putNames(output, report, groups[i].rows, kFailureNames, kNamesIndent, lineEnd);
    }
  }
}

// "  TITLE (N):" and the first kListedNames names below it; nothing when there are none.
static void putNameGroup(Output* output, const Report& report, const std::string& title,
                         const std::vector<const ReportRow*>& rows, const char* lineEnd) {
  if (rows.empty()) return;
  putFormat(output, "  %s (%lu):%s    ", title.c_str(), static_cast<unsigned long>(rows.size()),
            lineEnd);
  putNames(output, report, rows, kListedNames, 4, lineEnd);
}

static void putClockAhead(Output* output, const Report& report, const std::vector<ReportRow>& rows,
                          const char* lineEnd) {
  std::vector<const ReportRow*> ahead = rowsAhead(rows);
  if (ahead.empty()) return;
  putFormat(output, "  Clock ahead (a record dated more than a day after this report):%s", lineEnd);
  size_t nameWidth = 0;
  size_t updateWidth = 0;
  for (const ReportRow* row : ahead) {
    nameWidth = std::max(nameWidth, widthOf(terminalText(report.machineNames[row->machine])));
    updateWidth = std::max(updateWidth, widthOf(terminalText(report.updateNames[row->attempts->last.pair])));
  }
  for (const ReportRow* row : ahead) {
    char moment[32];
    formatMoment(row->attempts->last.dated, moment, sizeof moment);
    put(output, "    ");
    putPadded(output, terminalText(report.machineNames[row->machine]), nameWidth + 2);
    put(output, kUpdateField + 1);
    putPadded(output, terminalText(report.updateNames[row->attempts->last.pair]), updateWidth + 2);
    putFormat(output, "a record dated %s%s", moment, lineEnd);
  }
}

// What changed since --since: each change with its count and the first
// kFailureNames names; a newly failed machine with its code.
static void putChanges(Output* output, const Report& report, const std::vector<ReportRow>& rows,
                       const char* lineEnd) {
  VersionChanges changes = versionChanges(report, rows);
  putFormat(output, "  Changed since %s:%s", dateText(report.dates.since).c_str(), lineEnd);
  bool any = false;
  for (int kind = 0; kind < kChangeCount; ++kind) {
    const std::vector<const ReportRow*>& changed = changes.rows[kind];
    if (changed.empty()) continue;
    any = true;
    std::vector<std::string> names;
    for (size_t i = 0; i < changed.size() && i < kFailureNames; ++i) {
      std::string name = terminalText(report.machineNames[changed[i]->machine]);
      if (kind == kNewlyFailed) {
        name += " (" + std::to_string(changed[i]->attempts->last.code) + ")";
      }
      names.push_back(name);
    }
    if (changed.size() > kFailureNames) {
      names.back() += " and " + std::to_string(changed.size() - kFailureNames) + " more";
    }
    std::string title = "    " + std::string(changeTitle(static_cast<ChangeKind>(kind))) + " (" +
                        std::to_string(changed.size()) + "):";
    put(output, title.c_str());
    if (widthOf(title) + 1 + widthOf(names[0]) > kLineWidth) {
      put(output, lineEnd);
      putSpaces(output, kNamesIndent);
      putWrapped(output, names, ", ", kNamesIndent, kNamesIndent, lineEnd);
    } else {
      put(output, " ");
      putWrapped(output, names, ", ", widthOf(title) + 1, kNamesIndent, lineEnd);
    }
  }
  if (!any) putFormat(output, "    nothing%s", lineEnd);
}

static void putVersionSection(Output* output, const Report& report, const VersionSummary& summary,
                              const char* lineEnd) {
  std::vector<ReportRow> rows = versionRows(report, summary);
  putFormat(output, "%s%s%s%s", lineEnd, kNewField + 1,
            terminalText(report.versionNames[summary.version]).c_str(), lineEnd);
  if (report.dates.since != kNoMoment) putChanges(output, report, rows, lineEnd);
  putFailures(output, report, rows, lineEnd);
  putNameGroup(output, report, "Restart pending", rowsIn(rows, kRestart), lineEnd);
  putNameGroup(output, report, "No log found", noRecordRows(rows, false), lineEnd);
  putNameGroup(output, report, "No record of this version in the log", noRecordRows(rows, true), lineEnd);
  for (const ReasonGroup& group : unreadableByReason(report, rows)) {
    putNameGroup(output, report, "Unreadable, " + std::string(group.reason), group.rows, lineEnd);
  }
  putClockAhead(output, report, rows, lineEnd);
  putProgressTable(output, versionProgress(report, rows), lineEnd);
}

// "N machines could not be read: REASON (COUNT): NAMES; ..." with the first
// names of each reason.
static std::string unreadableSentence(const Report& report) {
  std::vector<ReportRow> rows = unreadableRows(report);
  std::string text = std::to_string(rows.size()) + plural(rows.size(), " machine", " machines") +
                     " could not be read";
  std::vector<ReasonGroup> groups = unreadableByReason(report, rows);
  for (size_t i = 0; i < groups.size(); ++i) {
    const std::vector<const ReportRow*>& group = groups[i].rows;
    text += (i > 0 ? "; " : ": ") + std::string(groups[i].reason) + " (" +
            std::to_string(group.size()) + "):";
    for (size_t j = 0; j < group.size() && j < kFailureNames; ++j) {
      text += (j > 0 ? ", " : " ") + terminalText(report.machineNames[group[j]->machine]);
    }
    if (group.size() > kFailureNames) text += " and " + std::to_string(group.size() - kFailureNames) + " more";
  }
  return text + ".";
}

static void putSummary(Output* output, const Report& report, const char* lineEnd) {
  const Fleet& fleet = *report.fleet;
  char read[256];
  snprintf(read, sizeof read, "Read %lu %s from %lu %s: %lu %s, %lu %s.", fleet.records,
           plural(fleet.records, "record", "records"), fleet.logs, plural(fleet.logs, "log", "logs"),
           report.machines, plural(report.machines, "machine", "machines"), fleet.notRecords,
           plural(fleet.notRecords, "line that is not a record", "lines that are not records"));
  putSentence(output, read, lineEnd);
  if (!report.unlisted.empty()) {
    unsigned long unlisted = report.unlisted.size();
    putSentence(output,
                std::to_string(unlisted) + plural(unlisted, " machine", " machines") +
                    " found in the logs " + plural(unlisted, "is", "are") + " not in " +
                    terminalText(outputText(report.request->hostsFile)) + " (--verbose names them).",
                lineEnd);
  }
  if (report.unreadable > 0) putSentence(output, unreadableSentence(report), lineEnd);
  if (!report.startsDiffer.empty()) {
    const std::vector<uint32_t>& machines = report.startsDiffer;
    std::string text = "Logs that start differently (re-imaged, or two machines with one name):";
    for (size_t i = 0; i < machines.size() && i < kFailureNames; ++i) {
      text += (i > 0 ? ", " : " ") + terminalText(report.machineNames[machines[i]]);
    }
    if (machines.size() > kFailureNames) {
      text += " and " + std::to_string(machines.size() - kFailureNames) + " more";
    }
    putSentence(output, text + ".", lineEnd);
  }
  if (!fleet.unreadablePlaces.empty()) {
    unsigned long places = fleet.unreadablePlaces.size();
    putSentence(output,
                std::to_string(places) + plural(places, " log or folder", " logs or folders") +
                    " could not be read: the report is incomplete.",
                lineEnd);
  }
}

void writeTextReport(const Report& report, const char* lineEnd, Output* output) {
  if (report.dates.asOf) {
    putFormat(output, "As of %s: records dated later are left out.%s",
              dateText(report.dates.madeAt).c_str(), lineEnd);
  }
  if (report.versions.empty()) putFormat(output, "No result record.%s", lineEnd);
  for (const VersionSummary& summary : report.versions) putVersionLine(output, report, summary, lineEnd);
  std::string declared = declaredCodesText(report.rules->codes);
  if (!declared.empty()) putSentence(output, "Declared for this report: " + declared + ".", lineEnd);
  for (const VersionSummary& summary : report.versions) {
    putVersionSection(output, report, summary, lineEnd);
  }
  put(output, lineEnd);
  putSummary(output, report, lineEnd);
}
