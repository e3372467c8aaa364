// A version's rollout over time: for each day (or week) from its first record
// to the report's day, how many machines had it installed (superseded
// included), waited for a restart, or had failed, by the records' own dates.
// The page draws it as a chart, the text report gives its last days.
#ifndef QN_REPORT_OUTPUT_ROLLOUT_PROGRESS_H
#define QN_REPORT_OUTPUT_ROLLOUT_PROGRESS_H

#include <cstdint>
#include <vector>

#include "report/output/output_stream.h"
#include "report/output/report_rows.h"

// Days drawn one by one at most; a longer rollout is drawn by weeks (or by as
// many weeks a bar as keep it within this many bars).
constexpr uint32_t kMostBars = 60;

struct ProgressBar {
  int64_t firstDay;  // days counted from 1970-01-01
  unsigned long installed;
  unsigned long restart;
  unsigned long failed;
};

struct VersionProgress {
  uint32_t daysPerBar;            // 1, or a number of weeks' days
  std::vector<ProgressBar> bars;  // oldest first; none when the version has no dated record
  unsigned long wrongClock;       // machines left out: their dates cannot be trusted
};

// The progress of one version among the report's machines, its rows as
// versionRows gives them.
VersionProgress versionProgress(const Report& report, const std::vector<ReportRow>& rows);

// The text report's table of the last kTableBars bars, and the line of the
// machines left out.
constexpr size_t kTableBars = 14;
void putProgressTable(Output* output, const VersionProgress& progress, const char* lineEnd);

// The page's chart under its heading, an inline SVG that needs no script and
// prints in black and white (each state has a pattern of its own), each bar's
// numbers in its title, and the line of the machines left out; the patterns
// are defined once a page, by putProgressPatterns.
void putProgressPatterns(Output* output);
void putProgressChart(Output* output, const VersionProgress& progress);

#endif  // QN_REPORT_OUTPUT_ROLLOUT_PROGRESS_H
