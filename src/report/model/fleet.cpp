#include "report/model/fleet.h"

#include <algorithm>
#include <cstring>

#include "platform/system_text.h"
#include "report/model/machine_state.h"
#include "report/model/version_order.h"

uint32_t machineNamed(Fleet* fleet, const std::string& name) {
  auto found = fleet->machineByName.emplace(platform::foldedName(name.data(), name.size()),
                                            static_cast<uint32_t>(fleet->machines.size()));
  if (found.second) {
    fleet->machines.push_back(Machine{name, {}, 0, 0, false, false, false, kReadWhole});
  }
  return found.first->second;
}

static uint32_t versionNamed(Fleet* fleet, const std::string& newValue) {
  auto found =
      fleet->versionByValue.emplace(newValue, static_cast<uint32_t>(fleet->versions.size()));
  if (found.second) fleet->versions.push_back(Version{newValue});
  return found.first->second;
}

static uint32_t pairOf(Fleet* fleet, const LogPair& logPair) {
  auto found = fleet->pairByKey.find(logPair.key);
  if (found != fleet->pairByKey.end()) return found->second;
  size_t newStart = logPair.updateLength + strlen(kNewField);
  std::string_view key = logPair.key;
  uint32_t version = versionNamed(fleet, versionValue(key.substr(newStart)));
  fleet->pairKeys.push_back(logPair.key);
  uint32_t index = static_cast<uint32_t>(fleet->pairs.size());
  fleet->pairByKey.emplace(fleet->pairKeys.back(), index);
  fleet->pairs.push_back(UpdatePair{versionValue(key.substr(0, logPair.updateLength)), version});
  return index;
}

static uint64_t machineVersionKey(uint32_t machine, uint32_t version) {
  return static_cast<uint64_t>(machine) << 32 | version;
}

// The group of the machine's logs that a log starting with `start` belongs to,
// from 0; a new group when none starts so. `*isNew` tells which.
static uint32_t groupOf(Fleet* fleet, uint32_t machine, uint64_t start, bool* isNew) {
  Machine& entry = fleet->machines[machine];
  *isNew = false;
  if (entry.groups == 0) {
    entry.firstStart = start;
    entry.groups = 1;
    return 0;
  }
  if (start == entry.firstStart) return 0;
  std::vector<uint64_t>& more = fleet->moreStarts[machine];
  uint32_t group = 0;
  while (group < more.size() && more[group] != start) ++group;
  if (group == more.size()) {
    more.push_back(start);
    ++entry.groups;
    *isNew = true;
  }
  return group + 1;
}

// Adds the attempts of one log of the machine, whose records go on from
// `base`: the order and the places of its chain before it.
static void addSummary(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogSummary& log,
                       const LoggedAttempt& base, uint32_t group) {
  Machine& entry = fleet->machines[machine];

  // A log's attempts at a version, over the pairs that end in it; found by
  // version past a few, so that a log of thousands of versions is added in
  // one pass.
  struct Counted {
    uint32_t version;
    uint32_t attempts;
    Attempt last;
  };
  std::vector<Counted> counted;
  std::unordered_map<uint32_t, size_t> countedAt;
  for (const LogPair& logPair : log.pairs) {
    const LoggedAttempt& logged = logPair.last;
    Attempt last = {std::max(base.order, logged.order), base.place + logged.place, logRank,
                    logged.moment, logged.code, pairOf(fleet, logPair), logPair.latest};
    uint32_t version = fleet->pairs[last.pair].version;
    size_t at = counted.size();
    if (log.pairs.size() <= kPairsScanned) {
      for (size_t i = 0; i < counted.size(); ++i) {
        if (counted[i].version == version) at = i;
      }
    } else {
      at = countedAt.emplace(version, counted.size()).first->second;
    }
    if (at == counted.size()) counted.push_back(Counted{version, 0, last});
    Counted* sum = &counted[at];
    sum->attempts += logPair.attempts;
    RecordMoment dated = std::max(sum->last.dated, last.dated);
    if (laterAttempt(last, sum->last)) sum->last = last;
    sum->last.dated = dated;
  }

  for (const Counted& sum : counted) {
    auto at = std::lower_bound(
        entry.versions.begin(), entry.versions.end(), sum.version,
        [](const MachineVersion& state, uint32_t version) { return state.version < version; });
    MachineVersion* state;
    if (at == entry.versions.end() || at->version != sum.version) {
      state = &*entry.versions.insert(at, MachineVersion{sum.last, sum.version, 0});
    } else {
      state = &*at;
      if (laterAttempt(sum.last, state->last)) state->last = sum.last;
    }
    uint32_t* attempts =
        group == 0 ? &state->attempts
                   : &fleet->moreAttempts[{machineVersionKey(machine, sum.version), group}];
    if (sum.attempts > *attempts) *attempts = sum.attempts;
  }
}

void addLog(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogResult& result,
            const LogPlace& place) {
  if (result.failure != kReadWhole) markUnreadable(fleet, machine, result.failure);
  if (!result.opened) return;
  Machine& entry = fleet->machines[machine];
  entry.logFound = true;
  ++fleet->logs;
  fleet->records += result.summary.records;
  fleet->notRecords += result.notRecords;

  Fleet::Chain& chain = fleet->chain;
  bool chained = place.kind != kNamedLog;
  bool goesOn = chained && chain.open && chain.machine == machine && chain.folder == *place.folder;
  LoggedAttempt base = {goesOn ? chain.order : 0, goesOn ? chain.places : 0, 0, 0};
  if (result.summary.records > 0) {
    bool isNew = false;
    uint32_t group = groupOf(fleet, machine, result.summary.start, &isNew);
    if (isNew && place.kind != kRotatedLog && !goesOn) entry.startsDiffer = true;
    addSummary(fleet, machine, logRank, result.summary, base, group);
  }
  chain.open = place.kind == kRotatedLog;
  if (chained) {
    chain.machine = machine;
    chain.folder = *place.folder;
    chain.order = std::max(base.order, result.summary.order);
    chain.places = base.place + result.summary.records;
  }
}

void markUnreadable(Fleet* fleet, uint32_t machine, ReadFailure failure) {
  Machine& entry = fleet->machines[machine];
  if (entry.unreadable == kReadWhole) entry.unreadable = failure;
}

void matchQualifiedNames(Fleet* fleet) {
  for (Machine& qualified : fleet->machines) {
    size_t dot = qualified.name.find('.');
    if (!qualified.listed || qualified.logFound || qualified.unreadable != kReadWhole || dot == 0 ||
        dot == std::string::npos) {
      continue;
    }
    std::string label = qualified.name.substr(0, dot);
    auto found = fleet->machineByName.find(platform::foldedName(label.data(), label.size()));
    if (found == fleet->machineByName.end()) continue;
    Machine& shortName = fleet->machines[found->second];
    if (!shortName.logFound && shortName.unreadable == kReadWhole) continue;
    shortName.listed = true;
    qualified.listed = false;
  }
}

const MachineVersion* findVersion(const Machine& machine, uint32_t version) {
  auto at = std::lower_bound(
      machine.versions.begin(), machine.versions.end(), version,
      [](const MachineVersion& state, uint32_t wanted) { return state.version < wanted; });
  return at != machine.versions.end() && at->version == version ? &*at : nullptr;
}

uint32_t attemptsOf(const Fleet& fleet, uint32_t machine, const MachineVersion& state) {
  uint32_t attempts = state.attempts;
  uint32_t groups = fleet.machines[machine].groups;
  for (uint32_t group = 1; group < groups; ++group) {
    auto found = fleet.moreAttempts.find({machineVersionKey(machine, state.version), group});
    if (found != fleet.moreAttempts.end()) attempts += found->second;
  }
  return attempts;
}
