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

// The latest dotted version installed among `versions`; kNoVersion when none.
static uint32_t latestInstalledIn(const Fleet& fleet, const std::vector<MachineVersion>& versions,
                                  const CodeRules& codes) {
  uint32_t latest = kNoVersion;
  for (const MachineVersion& state : versions) {
    MachineState kind = stateOfCode(state.last.code, codes);
    if (kind != kInstalled && kind != kRestart) continue;
    const std::string& value = fleet.versions[state.version].newValue;
    if (!isDottedNumber(value)) continue;
    if (latest == kNoVersion || versionLater(value, fleet.versions[latest].newValue)) {
      latest = state.version;
    }
  }
  return latest;
}

uint32_t latestInstalledVersion(const Fleet& fleet, uint32_t machine, const CodeRules& codes) {
  return latestInstalledIn(fleet, fleet.machines[machine].versions, codes);
}

uint32_t latestInstalledThen(const Fleet& fleet, uint32_t machine, const CodeRules& codes) {
  auto found = fleet.then.find(machine);
  return found == fleet.then.end() ? kNoVersion : latestInstalledIn(fleet, found->second, codes);
}

// The state given the machine's latest attempts at the version (null when it
// has none) and the latest version it installed.
static bool decideState(const Fleet& fleet, uint32_t machine, uint32_t version,
                        const MachineVersion* attempts, uint32_t latestInstalled,
                        const StateRules& rules, VersionState* state) {
  const Machine& entry = fleet.machines[machine];
  *state = VersionState{kNoRecord, nullptr, kNoVersion, false, entry.logFound};
  if (entry.unreadable != kReadWhole) {
    state->kind = kUnreadable;
    return true;
  }
  if (attempts != nullptr) {
    state->kind = stateOfCode(attempts->last.code, rules.codes);
    state->attempts = attempts;
    state->clockAhead = attempts->last.dated > rules.aheadLimit;
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
  return decideState(fleet, machine, version, findVersion(fleet.machines[machine], version),
                     latestInstalled, rules, state);
}

bool stateThenAt(const Fleet& fleet, uint32_t machine, uint32_t version, uint32_t latestInstalled,
                 const StateRules& rules, VersionState* state) {
  return decideState(fleet, machine, version, findThen(fleet, machine, version), latestInstalled,
                     rules, state);
}
