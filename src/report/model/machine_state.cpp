#include "report/model/machine_state.h"

#include "report/model/version_order.h"

const char* stateName(MachineState state) {
  static const char* const kNames[kStateCount] = {"installed", "restart", "failed",
                                                  "superseded", "no record", "unreadable"};
  return kNames[state];
}

MachineState stateOfCode(int32_t code, const CodeRules& rules) {
  if (isDeclared(rules.success, code)) return kInstalled;
  if (isDeclared(rules.restart, code)) return kRestart;
  if (code == 0 || code == 1707) return kInstalled;
  if (code == 3010 || code == 1641) return kRestart;
  return kFailed;
}

bool laterAttempt(const Attempt& a, const Attempt& b) {
  if (a.order != b.order) return a.order > b.order;
  if (a.place != b.place) return a.place > b.place;
  return a.logRank > b.logRank;
}

Attempt attemptOf(const ThenAttempt& then) {
  return Attempt{then.order, then.place, then.logRank, 0, then.code, 0, 0};
}

// `latest`, or `version` when the machine has it installed by `code` and it
// is a later dotted version.
static uint32_t laterInstalled(const Fleet& fleet, uint32_t latest, uint32_t version, int32_t code,
                               const CodeRules& codes) {
  MachineState kind = stateOfCode(code, codes);
  if (kind != kInstalled && kind != kRestart) return latest;
  const std::string& value = fleet.versions[version].newValue;
  if (!isDottedNumber(value)) return latest;
  if (latest != kNoVersion && !versionLater(value, fleet.versions[latest].newValue)) return latest;
  return version;
}

uint32_t latestInstalledVersion(const Fleet& fleet, uint32_t machine, const CodeRules& codes) {
  uint32_t latest = kNoVersion;
  for (const MachineVersion& state : fleet.machines[machine].versions) {
    latest = laterInstalled(fleet, latest, state.version, state.last.code, codes);
  }
  return latest;
}

uint32_t latestInstalledThen(const Fleet& fleet, uint32_t machine, const CodeRules& codes) {
  uint32_t latest = kNoVersion;
  if (machine >= fleet.then.size()) return latest;
  for (const ThenAttempt& then : fleet.then[machine]) {
    latest = laterInstalled(fleet, latest, then.version, then.code, codes);
  }
  return latest;
}

// The state given the machine's latest attempt at the version (null when it
// has none) and the latest version it installed.
static bool decideState(const Fleet& fleet, uint32_t machine, uint32_t version,
                        const Attempt* last, uint32_t latestInstalled, const StateRules& rules,
                        VersionState* state) {
  const Machine& entry = fleet.machines[machine];
  *state = VersionState{kNoRecord, nullptr, kNoVersion, false, entry.logFound};
  if (entry.unreadable != kReadWhole) {
    state->kind = kUnreadable;
    return true;
  }
  if (last != nullptr) {
    state->kind = stateOfCode(last->code, rules.codes);
    state->clockAhead = last->dated > rules.aheadLimit;
    return true;
  }
  if (latestInstalled != kNoVersion &&
      versionLater(fleet.versions[latestInstalled].newValue, fleet.versions[version].newValue)) {
    state->kind = kSuperseded;
    state->supersededBy = latestInstalled;
    return true;
  }
  return rules.hostsListed;
}

bool stateAt(const Fleet& fleet, uint32_t machine, uint32_t version, uint32_t latestInstalled,
             const StateRules& rules, VersionState* state) {
  const MachineVersion* attempts = findVersion(fleet.machines[machine], version);
  bool row = decideState(fleet, machine, version, attempts != nullptr ? &attempts->last : nullptr,
                         latestInstalled, rules, state);
  if (state->kind != kUnreadable) state->attempts = attempts;
  return row;
}

bool stateThenAt(const Fleet& fleet, uint32_t machine, uint32_t version, uint32_t latestInstalled,
                 const StateRules& rules, VersionState* state, const ThenAttempt** then) {
  *then = findThen(fleet, machine, version);
  Attempt last = *then != nullptr ? attemptOf(**then) : Attempt{};
  return decideState(fleet, machine, version, *then != nullptr ? &last : nullptr, latestInstalled,
                     rules, state);
}
