#include "report/output/changes_since.h"

const char* changeTitle(ChangeKind kind) {
  static const char* const kTitles[kChangeCount] = {
      "Fixed", "Newly installed", "Newly waiting for a restart", "Newly failed", "Silent"};
  return kTitles[kind];
}

static bool hasIt(MachineState kind) { return kind == kInstalled || kind == kSuperseded; }

// The row's state then; `*attempt` is its attempt then, or null.
static VersionState thenOf(const Report& report, const ReportRow& row,
                           const ThenAttempt** attempt) {
  VersionState then = {};
  if (!stateThenAt(*report.fleet, row.machine, row.version, report.latestInstalledThen[row.machine],
                   *report.rules, &then, attempt)) {
    then.kind = kNoRecord;
  }
  return then;
}

MachineState stateThen(const Report& report, const ReportRow& row) {
  const ThenAttempt* attempt = nullptr;
  return thenOf(report, row, &attempt).kind;
}

VersionChanges versionChanges(const Report& report, const std::vector<ReportRow>& rows) {
  VersionChanges changes;
  for (const ReportRow& row : rows) {
    if (row.kind == kUnreadable) continue;
    const ThenAttempt* attempt = nullptr;
    VersionState then = thenOf(report, row, &attempt);
    bool attemptedSince = row.attempts != nullptr &&
                          (attempt == nullptr || laterAttempt(row.attempts->last, attemptOf(*attempt)));
    ChangeKind kind = kChangeCount;
    if (then.kind == kFailed && (hasIt(row.kind) || row.kind == kRestart)) {
      kind = kFixed;
    } else if (hasIt(row.kind) && !hasIt(then.kind)) {
      kind = kNewlyInstalled;
    } else if (row.kind == kRestart && then.kind != kRestart) {
      kind = kNewlyRestart;
    } else if (row.kind == kFailed && then.kind != kFailed) {
      kind = kNewlyFailed;
    } else if (!attemptedSince && !hasIt(then.kind) && then.kind != kRestart && !hasIt(row.kind)) {
      kind = kSilent;
    }
    if (kind != kChangeCount) changes.rows[kind].push_back(&row);
  }
  return changes;
}
