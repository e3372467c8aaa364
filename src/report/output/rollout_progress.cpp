#include "report/output/rollout_progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "log/record_format.h"
#include "report/model/report_time.h"

static constexpr int64_t kMinutesADay = 24 * 60;
static constexpr int64_t kDaysAWeek = 7;
static constexpr int64_t kDaysAYear = 366;

// One change of a machine's state, by its record's own date.
struct Change {
  int64_t day;
  MachineState kind;
};

// Adds the changes of a machine at a version to `changes`: each attempt's
// state, oldest first; for a superseded machine, the first attempt that
// installed the later version, as installed.
static void addChangesOf(const Report& report, const ReportRow& row, std::vector<Change>* changes) {
  const Fleet& fleet = *report.fleet;
  const Machine& machine = fleet.machines[row.machine];
  const MachineVersion* attempts = row.attempts;
  if (row.kind == kSuperseded) {
    attempts = findVersion(machine, row.supersededBy);
  } else if (attempts == nullptr) {
    return;
  }
  size_t count = 0;
  const DatedCode* dated = datedCodes(fleet, *attempts, &count);
  for (size_t i = 0; i < count; ++i) {
    MachineState kind = stateOfCode(dated[i].code, report.rules->codes);
    if (row.kind == kSuperseded) {
      if (kind != kInstalled && kind != kRestart) continue;
      changes->push_back(Change{dated[i].minute / kMinutesADay, kInstalled});
      break;
    }
    changes->push_back(Change{dated[i].minute / kMinutesADay, kind});
  }
}

VersionProgress versionProgress(const Report& report, const std::vector<ReportRow>& rows) {
  VersionProgress progress = {1, {}, 0};
  // The machines' changes, one after another: machine i's run from starts[i]
  // to starts[i + 1].
  std::vector<Change> changes;
  std::vector<size_t> starts;
  for (const ReportRow& row : rows) {
    if (row.kind != kInstalled && row.kind != kRestart && row.kind != kFailed &&
        row.kind != kSuperseded) {
      continue;
    }
    if (report.fleet->machines[row.machine].wrongClock) {
      ++progress.wrongClock;
      continue;
    }
    size_t start = changes.size();
    addChangesOf(report, row, &changes);
    if (changes.size() > start) starts.push_back(start);
  }
  if (starts.empty()) return progress;
  starts.push_back(changes.size());
  size_t machines = starts.size() - 1;
  // A clock that was reset (to 1980, say) dates its records long before the
  // rollout: more than a year before the first records of half the machines.
  std::vector<int64_t> firstDays;
  for (size_t i = 0; i < machines; ++i) firstDays.push_back(changes[starts[i]].day);
  std::nth_element(firstDays.begin(), firstDays.begin() + machines / 2, firstDays.end());
  int64_t earliest = firstDays[machines / 2] - kDaysAYear;
  int64_t first = INT64_MAX;
  int64_t last = minuteOf(report.dates.madeAt) / kMinutesADay;
  std::vector<bool> counted(machines);
  for (size_t i = 0; i < machines; ++i) {
    counted[i] = changes[starts[i]].day >= earliest;
    if (!counted[i]) {
      ++progress.wrongClock;
      continue;
    }
    first = std::min(first, changes[starts[i]].day);
    last = std::max(last, changes[starts[i + 1] - 1].day);
  }

  int64_t days = last - first + 1;
  if (days > kMostBars) {
    // Weeks start on Monday; day 0, 1970-01-01, was a Thursday.
    first -= ((first + 3) % kDaysAWeek + kDaysAWeek) % kDaysAWeek;
    days = last - first + 1;
    int64_t weeks = (days + kDaysAWeek - 1) / kDaysAWeek;
    progress.daysPerBar = static_cast<uint32_t>(kDaysAWeek * ((weeks + kMostBars - 1) / kMostBars));
  }
  size_t bars = static_cast<size_t>((days + progress.daysPerBar - 1) / progress.daysPerBar);
  auto barOf = [&](const Change& change) {
    return static_cast<size_t>((change.day - first) / progress.daysPerBar);
  };
  // Each change counts from its bar until the bar of the next one: a
  // difference of one at each end, summed up bar by bar.
  std::vector<long> differences[kStateCount];
  for (std::vector<long>& difference : differences) difference.assign(bars + 1, 0);
  for (size_t machine = 0; machine < machines; ++machine) {
    if (!counted[machine]) continue;
    for (size_t i = starts[machine]; i < starts[machine + 1]; ++i) {
      size_t to = i + 1 < starts[machine + 1] ? barOf(changes[i + 1]) : bars;
      ++differences[changes[i].kind][barOf(changes[i])];
      --differences[changes[i].kind][to];
    }
  }
  long running[kStateCount] = {};
  for (size_t bar = 0; bar < bars; ++bar) {
    for (int state = 0; state < kStateCount; ++state) running[state] += differences[state][bar];
    progress.bars.push_back(ProgressBar{first + static_cast<int64_t>(bar) * progress.daysPerBar,
                                        static_cast<unsigned long>(running[kInstalled]),
                                        static_cast<unsigned long>(running[kRestart]),
                                        static_cast<unsigned long>(running[kFailed])});
  }
  return progress;
}

// "YYYY-MM-DD" of a day.
static std::string dayText(int64_t day) {
  int year, month, date;
  dateOfDay(day, &year, &month, &date);
  char text[16];
  snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, date);
  return text;
}

// "N machines with a wrong clock are not counted by day."
static std::string leftOutText(const VersionProgress& progress) {
  unsigned long count = progress.wrongClock;
  return std::to_string(count) + (count == 1 ? " machine" : " machines") + " with a wrong clock " +
         (count == 1 ? "is" : "are") + " not counted by day.";
}

void putProgressTable(Output* output, const VersionProgress& progress, const char* lineEnd) {
  if (progress.bars.empty() && progress.wrongClock == 0) return;
  if (!progress.bars.empty()) {
    size_t shown = std::min(progress.bars.size(), kTableBars);
    bool weeks = progress.daysPerBar > 1;
    putFormat(output, "  By %s, the last %lu (machines at its end):%s", weeks ? "week" : "day",
              static_cast<unsigned long>(shown), lineEnd);
    putFormat(output, "    %-10s  %9s  %15s  %6s%s", weeks ? "Week of" : "Day", "Installed",
              "Restart pending", "Failed", lineEnd);
    for (size_t i = progress.bars.size() - shown; i < progress.bars.size(); ++i) {
      const ProgressBar& bar = progress.bars[i];
      putFormat(output, "    %-10s  %9lu  %15lu  %6lu%s", dayText(bar.firstDay).c_str(),
                bar.installed, bar.restart, bar.failed, lineEnd);
    }
  }
  if (progress.wrongClock > 0) putFormat(output, "  %s%s", leftOutText(progress).c_str(), lineEnd);
}

// The chart's measures, in pixels.
static constexpr int kPlotHeight = 160;
static constexpr int kLeft = 52;
static constexpr int kTop = 10;
static constexpr int kBelow = 58;  // the dates and the legend
static constexpr int kWidestBar = 28;
static constexpr int kPlotWidth = 720;
static constexpr size_t kDateLabels = 8;
static constexpr size_t kLabelWidth = 40;

// The states a bar counts, stacked from the bottom: installed, restart
// pending, failed; each one's fill and name.
static const char* const kFill[] = {"#8fd18f", "url(#qnRestart)", "url(#qnFailed)"};
static const char* const kLabel[] = {"installed", "restart pending", "failed"};

void putProgressPatterns(Output* output) {
  putFormat(
      output,
      "<svg width=\"0\" height=\"0\" style=\"position:absolute\" aria-hidden=\"true\"><defs>"
      "<pattern id=\"qnRestart\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
      "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"#f0d060\"/>"
      "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#333\" stroke-width=\"2\"/></pattern>"
      "<pattern id=\"qnFailed\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">"
      "<rect width=\"6\" height=\"6\" fill=\"#f08080\"/><path d=\"M0 0L6 6M6 0L0 6\" "
      "stroke=\"#000\" stroke-width=\"1.2\"/></pattern></defs></svg>%s",
      kFileLineEnd);
}

// The top of the scale: the least even number of 2, 3, 4, 5, 6 or 8 times a
// power of ten that is at least `count`, so that its half is a whole number.
static unsigned long roundScale(unsigned long count) {
  for (unsigned long power = 1;; power *= 10) {
    for (unsigned long step : {2ul, 3ul, 4ul, 5ul, 6ul, 8ul, 10ul}) {
      if (step * power >= count && step * power % 2 == 0) return step * power;
    }
  }
}

static void putBars(Output* output, const VersionProgress& progress) {
  putFormat(output, "<h3>By %s</h3>%s", progress.daysPerBar > 1 ? "week" : "day", kFileLineEnd);
  size_t bars = progress.bars.size();
  int pitch = std::min<int>(kWidestBar, std::max<int>(3, kPlotWidth / static_cast<int>(bars)));
  int width = kLeft + pitch * static_cast<int>(bars) + 12;
  int height = kTop + kPlotHeight + kBelow;
  unsigned long most = 1;
  for (const ProgressBar& bar : progress.bars) {
    most = std::max(most, bar.installed + bar.restart + bar.failed);
  }
  unsigned long scale = roundScale(most);
  putFormat(output,
            "<svg class=\"chart\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" role=\"img\" "
            "font-size=\"11\" font-family=\"sans-serif\">%s",
            width, height, width, height, kFileLineEnd);
  // The scale: lines at none, half and the top, with their numbers.
  for (unsigned long part = 0; part <= 2; ++part) {
    int y = kTop + kPlotHeight - static_cast<int>(kPlotHeight * part / 2);
    putFormat(output,
              "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"#999\"/>"
              "<text x=\"%d\" y=\"%d\" text-anchor=\"end\">%lu</text>%s",
              kLeft - 2, y, width - 8, y, kLeft - 6, y + 4, scale * part / 2, kFileLineEnd);
  }
  // A date under every few bars, and under the last one where it has room.
  size_t labelEvery = (bars + kDateLabels - 1) / kDateLabels;
  size_t lastLabel = (bars - 1) / labelEvery * labelEvery;
  if ((bars - 1 - lastLabel) * static_cast<size_t>(pitch) >= kLabelWidth) lastLabel = bars - 1;
  for (size_t i = 0; i < bars; ++i) {
    const ProgressBar& bar = progress.bars[i];
    int x = kLeft + pitch * static_cast<int>(i) + 1;
    std::string day = dayText(bar.firstDay);
    putFormat(output, "<g><title>%s%s: installed %lu, restart pending %lu, failed %lu</title>",
              progress.daysPerBar > 1 ? "week of " : "", day.c_str(), bar.installed, bar.restart,
              bar.failed);
    const unsigned long counts[] = {bar.installed, bar.restart, bar.failed};
    int base = kTop + kPlotHeight;
    for (size_t state = 0; state < 3; ++state) {
      int tall = static_cast<int>(kPlotHeight * counts[state] / scale);
      if (counts[state] == 0) continue;
      if (tall == 0) tall = 1;
      base -= tall;
      putFormat(output,
                "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\" stroke=\"#222\" "
                "stroke-width=\"0.5\"/>",
                x, base, pitch - 2, tall, kFill[state]);
    }
    put(output, "</g>");
    if (i % labelEvery == 0 || i == lastLabel) {
      putFormat(output, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">%s</text>",
                x + pitch / 2 - 1, kTop + kPlotHeight + 14, day.substr(5).c_str());
    }
    put(output, kFileLineEnd);
  }
  // The legend.
  int legendX = kLeft;
  for (size_t state = 0; state < 3; ++state) {
    putFormat(output,
              "<rect x=\"%d\" y=\"%d\" width=\"12\" height=\"12\" fill=\"%s\" stroke=\"#222\" "
              "stroke-width=\"0.5\"/><text x=\"%d\" y=\"%d\">%s</text>",
              legendX, height - 22, kFill[state], legendX + 16, height - 12, kLabel[state]);
    legendX += 130;
  }
  putFormat(output, "</svg>%s", kFileLineEnd);
}

void putProgressChart(Output* output, const VersionProgress& progress) {
  if (!progress.bars.empty()) putBars(output, progress);
  if (progress.wrongClock > 0) {
    putFormat(output, "<p>%s</p>%s", leftOutText(progress).c_str(), kFileLineEnd);
  }
}
