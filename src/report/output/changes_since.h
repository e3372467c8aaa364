// What changed since the --since date, at one version: each machine's state
// then beside its state now, sorted into the changes a morning's check looks
// for.
#ifndef QN_REPORT_OUTPUT_CHANGES_SINCE_H
#define QN_REPORT_OUTPUT_CHANGES_SINCE_H

#include <vector>

#include "report/output/report_rows.h"

// The changes, each machine in the first that fits it, by name:
// - fixed: failed then, installed (or superseded, or waiting for a restart) now;
// - installed: installed or superseded now, neither then;
// - restart: waiting for a restart now, not then;
// - failed: failed now, not then;
// - silent: no attempt since the date, and neither installed nor waiting for
//   a restart by then (a machine listed that never ran it among them).
// Unreadable machines are in none.
enum ChangeKind { kFixed, kNewlyInstalled, kNewlyRestart, kNewlyFailed, kSilent, kChangeCount };

struct VersionChanges {
  std::vector<const ReportRow*> rows[kChangeCount];  // into the version's rows
};

// "fixed", "newly installed", ...: as the reports title them.
const char* changeTitle(ChangeKind kind);

// The changes at one version, from its rows now (versionRows).
VersionChanges versionChanges(const Report& report, const std::vector<ReportRow>& rows);

// A machine's state at the row's version then, as the CSV's `was` column
// gives it.
MachineState stateThen(const Report& report, const ReportRow& row);

#endif  // QN_REPORT_OUTPUT_CHANGES_SINCE_H
