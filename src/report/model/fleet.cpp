#include "report/model/fleet.h"

#include <cstring>

#include "platform/system_text.h"
#include "report/model/machine_state.h"

uint32_t machineNamed(Fleet* fleet, const std::string& name) {
  auto found = fleet->machineByName.emplace(platform::foldedName(name.data(), name.size()),
                                            static_cast<uint32_t>(fleet->machines.size()));
  if (found.second) fleet->machines.push_back(Machine{name, {}, 0, 0, false, false, kReadWhole});
  return found.first->second;
}

static uint32_t versionNamed(Fleet* fleet, const std::string& newValue) {
  auto found = fleet->versionByValue.emplace(newValue, static_cast<uint32_t>(fleet->versions.size()));
  if (found.second) fleet->versions.push_back(Version{newValue, 0});
  return found.first->second;
}

static uint32_t pairOf(Fleet* fleet, const LogPair& logPair) {
  auto found = fleet->pairByKey.find(logPair.key);
  if (found != fleet->pairByKey.end()) return found->second;
  size_t newStart = logPair.updateLength + strlen(kNewField);
  uint32_t version = versionNamed(fleet, logPair.key.substr(newStart));
  fleet->pairKeys.push_back(logPair.key);
  uint32_t index = static_cast<uint32_t>(fleet->pairs.size());
  fleet->pairByKey.emplace(fleet->pairKeys.back(), index);
  fleet->pairs.push_back(UpdatePair{logPair.key.substr(0, logPair.updateLength), version});
  return index;
}

static uint64_t machineVersionKey(uint32_t machine, uint32_t version) {
  return static_cast<uint64_t>(machine) << 32 | version;
}

// Adds the attempts of one log of the machine.
static void addSummary(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogSummary& log) {
  Machine& entry = fleet->machines[machine];
  if (log.records == 0) return;
  uint32_t group = 0;
  if (entry.groups == 0) {
    entry.firstStart = log.start;
    entry.groups = 1;
  } else if (log.start != entry.firstStart) {
    std::vector<uint64_t>& more = fleet->moreStarts[machine];
    while (group < more.size() && more[group] != log.start) ++group;
    if (group == more.size()) {
      more.push_back(log.start);
      ++entry.groups;
    }
    ++group;
  }

  // A log's attempts at a version, over the pairs that end in it.
  struct Counted {
    uint32_t version;
    uint32_t attempts;
    Attempt last;
  };
  std::vector<Counted> counted;
  // Where each version stands in `counted` and in the machine's versions:
  // looked for one by one while they are few, by a hash past kPairsScanned
  // (a log of thousands of versions).
  std::unordered_map<uint32_t, size_t> countedAt;
  for (const LogPair& logPair : log.pairs) {
    const LoggedAttempt& logged = logPair.last;
    Attempt last = {logged.order, logged.place, logRank, logged.moment, logged.code,
                    pairOf(fleet, logPair)};
    uint32_t version = fleet->pairs[last.pair].version;
    Version& versionEntry = fleet->versions[version];
    if (logPair.latest > versionEntry.latest) versionEntry.latest = logPair.latest;
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
    if (laterAttempt(last, sum->last)) sum->last = last;
  }

  std::unordered_map<uint32_t, size_t> stateAt;
  bool hashed = counted.size() > kPairsScanned;
  for (size_t i = 0; hashed && i < entry.versions.size(); ++i) stateAt.emplace(entry.versions[i].version, i);
  for (const Counted& sum : counted) {
    size_t at = entry.versions.size();
    if (hashed) {
      at = stateAt.emplace(sum.version, entry.versions.size()).first->second;
    } else {
      for (size_t i = 0; i < entry.versions.size(); ++i) {
        if (entry.versions[i].version == sum.version) at = i;
      }
    }
    MachineVersion* state;
    if (at == entry.versions.size()) {
      entry.versions.push_back(MachineVersion{sum.last, sum.version, 0});
      state = &entry.versions.back();
    } else {
      state = &entry.versions[at];
      if (laterAttempt(sum.last, state->last)) state->last = sum.last;
    }
    uint32_t* attempts = group == 0
                             ? &state->attempts
                             : &fleet->moreAttempts[{machineVersionKey(machine, sum.version), group}];
    if (sum.attempts > *attempts) *attempts = sum.attempts;
  }
}

void addLog(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogResult& result) {
  Machine& entry = fleet->machines[machine];
  if (result.failure != kReadWhole && entry.unreadable == kReadWhole) entry.unreadable = result.failure;
  if (!result.opened) return;
  entry.logFound = true;
  ++fleet->logs;
  fleet->records += result.summary.records;
  fleet->notRecords += result.notRecords;
  addSummary(fleet, machine, logRank, result.summary);
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
