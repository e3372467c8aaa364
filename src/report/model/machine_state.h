// What state a machine is in at a version: the one place where that is
// decided. The rules, in order:
//
// - Unreadable: a log of the machine could not be read, so its state cannot be
//   told; at every version.
// - Otherwise, when the machine has an attempt at the version, its latest
//   attempt's code decides: installed, restart pending or failed (stateOfCode).
//   Which attempt is the latest: a log is only ever appended to, so within one
//   log a later line is a later attempt, whatever the machine's clock said.
//   Each record is therefore ordered by the latest date and time written in
//   its log up to and including it (its "order"); across the logs of one
//   machine (a log collected twice, a rotated log beside the current one) the
//   greatest order wins, then the later place in its log, then the log read
//   later (laterAttempt). An attempt whose log holds a record of its version
//   dated more than a day after the report is made is flagged: the machine's
//   clock ran ahead.
// - Otherwise superseded, when the machine has installed a later version (or
//   waits for a restart to finish it): a cumulative update went past this one.
//   Only dotted numbers are later than one another (version_order.h).
// - Otherwise no record: with --hosts, a listed machine has a row saying
//   either that no log of it was found, or that its log holds no record of
//   this version; without --hosts, such a machine has no row.
#ifndef QN_REPORT_MODEL_MACHINE_STATE_H
#define QN_REPORT_MODEL_MACHINE_STATE_H

#include <cstdint>

#include "log/record_format.h"
#include "report/model/code_meanings.h"
#include "report/model/fleet.h"

enum MachineState { kInstalled, kRestart, kFailed, kSuperseded, kNoRecord, kUnreadable, kStateCount };

// "installed", "restart", "failed", "superseded", "no record", "unreadable".
const char* stateName(MachineState state);

// installed for 0 and 1707 and the declared success codes; restart for 3010,
// 1641 and the declared restart codes; failed for any other code.
MachineState stateOfCode(int32_t code, const CodeRules& rules);

// True when attempt `a` comes after `b` (see the rules above).
bool laterAttempt(const Attempt& a, const Attempt& b);

// An attempt then as an Attempt, for laterAttempt: no moment or pair.
Attempt attemptOf(const ThenAttempt& then);

// What the state depends on beyond the logs.
struct StateRules {
  CodeRules codes;          // --success-codes and --restart-codes
  bool hostsListed;         // --hosts was given: listed machines without a record have a row
  RecordMoment aheadLimit;  // a record dated after it is ahead: a day after the report
};

constexpr uint32_t kNoVersion = UINT32_MAX;

// The latest dotted version that a machine has installed or waits for a
// restart to finish; kNoVersion when there is none. Asked once per machine,
// for stateAt.
uint32_t latestInstalledVersion(const Fleet& fleet, uint32_t machine, const CodeRules& codes);

// A machine's state at a version.
struct VersionState {
  MachineState kind;
  const MachineVersion* attempts;  // installed, restart, failed: its attempts; null otherwise
  uint32_t supersededBy;           // superseded: the later version installed
  bool clockAhead;                 // its latest attempt's log dates the version after the limit
  bool logFound;                   // no record: a log of the machine was read
};

// Decides the state of `machine` at `version`; `latestInstalled` is what
// latestInstalledVersion gives for the machine. False when the machine has no
// row at the version (no record, and no --hosts).
bool stateAt(const Fleet& fleet, uint32_t machine, uint32_t version, uint32_t latestInstalled,
             const StateRules& rules, VersionState* state);

// As latestInstalledVersion and stateAt, as of the --since moment: from the
// attempts made by then (Fleet::then). The state's `attempts` stays null;
// `*then` is the attempt then at the version, or null.
uint32_t latestInstalledThen(const Fleet& fleet, uint32_t machine, const CodeRules& codes);
bool stateThenAt(const Fleet& fleet, uint32_t machine, uint32_t version, uint32_t latestInstalled,
                 const StateRules& rules, VersionState* state, const ThenAttempt** then);

#endif  // QN_REPORT_MODEL_MACHINE_STATE_H
