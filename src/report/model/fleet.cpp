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
    fleet->machines.push_back(Machine{name, {}, 0, 0, false, false, false, false, kReadWhole});
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

// The machine's attempts at `version` in `versions` (sorted by version),
// added when new.
static MachineVersion* versionIn(std::vector<MachineVersion>* versions, uint32_t version,
                                 const Attempt& last, bool* added) {
  auto at = std::lower_bound(
      versions->begin(), versions->end(), version,
      [](const MachineVersion& state, uint32_t wanted) { return state.version < wanted; });
  *added = at == versions->end() || at->version != version;
  if (*added) at = versions->insert(at, MachineVersion{last, version, 0, 0, 0});
  return &*at;
}

// Adds a log's history of one version, `count` attempts from `added`, to the
// machine's: the two merged by date, each day's last attempt kept, at the end
// of the fleet's histories.
static void addDates(Fleet* fleet, MachineVersion* state, const DatedCode* added, size_t count) {
  if (count == 0) return;
  std::vector<DatedCode>& all = fleet->dates;
  auto sameDayOrBefore = [](const DatedCode& a, const DatedCode& b) {
    return a.minute / 1440 >= b.minute / 1440;
  };
  if (state->datesCount == 0 && std::adjacent_find(added, added + count, sameDayOrBefore) ==
                                    added + count) {
    // The usual case: the first history of the version, a day to an attempt.
    state->datesStart = static_cast<uint32_t>(all.size());
    state->datesCount = static_cast<uint32_t>(count);
    all.insert(all.end(), added, added + count);
    return;
  }
  std::vector<DatedCode> dates(all.begin() + state->datesStart,
                               all.begin() + state->datesStart + state->datesCount);
  dates.insert(dates.end(), added, added + count);
  std::stable_sort(dates.begin(), dates.end(),
                   [](const DatedCode& a, const DatedCode& b) { return a.minute < b.minute; });
  size_t kept = 0;
  for (size_t i = 0; i < dates.size(); ++i) {
    if (kept > 0 && dates[kept - 1].minute / 1440 == dates[i].minute / 1440) --kept;
    dates[kept++] = dates[i];
  }
  bool last = state->datesStart + state->datesCount == all.size() && state->datesCount > 0;
  if (last) all.resize(state->datesStart);  // the old history was the last: its room is taken again
  state->datesStart = static_cast<uint32_t>(all.size());
  state->datesCount = static_cast<uint32_t>(kept);
  all.insert(all.end(), dates.begin(), dates.begin() + static_cast<ptrdiff_t>(kept));
}

// Keeps `attempt` as the machine's attempt then at its version, unless one
// later was kept.
static void addThen(Fleet* fleet, uint32_t machine, const ThenAttempt& attempt) {
  if (fleet->then.size() <= machine) fleet->then.resize(fleet->machines.size());
  std::vector<ThenAttempt>& then = fleet->then[machine];
  auto at = std::lower_bound(
      then.begin(), then.end(), attempt.version,
      [](const ThenAttempt& kept, uint32_t version) { return kept.version < version; });
  if (at == then.end() || at->version != attempt.version) {
    then.insert(at, attempt);
  } else if (laterAttempt(attemptOf(attempt), attemptOf(*at))) {
    *at = attempt;
  }
}

// Adds the attempts of one log of the machine, whose records go on from
// `base`: the order and the places of its chain before it.
static void addSummary(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogSummary& log,
                       const LoggedAttempt& base, uint32_t group) {
  Machine& entry = fleet->machines[machine];
  if (log.clockWrong) entry.wrongClock = true;

  // A log's attempts at a version, over the pairs that end in it; found by
  // version past a few, so that a log of thousands of versions is added in
  // one pass.
  struct Counted {
    uint32_t version;
    uint32_t attempts;
    Attempt last;
    bool hasThen;
    ThenAttempt then;
    // Its history: the one pair's, or `merged` when several pairs end in it.
    const std::vector<DatedCode>* dates;
    std::vector<DatedCode> merged;
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
    if (at == counted.size()) {
      counted.push_back(Counted{version, 0, last, false, ThenAttempt{}, &logPair.dates, {}});
    }
    Counted* sum = &counted[at];
    sum->attempts += logPair.attempts;
    if (sum->dates != &logPair.dates) {  // another pair of the version
      if (sum->dates != nullptr) sum->merged = *sum->dates;
      sum->dates = nullptr;
      sum->merged.insert(sum->merged.end(), logPair.dates.begin(), logPair.dates.end());
    }
    if (logPair.hasThen) {
      const LoggedAttempt& then = logPair.then;
      ThenAttempt attempt = {std::max(base.order, then.order), base.place + then.place, logRank,
                             version, then.code};
      if (!sum->hasThen || laterAttempt(attemptOf(attempt), attemptOf(sum->then))) {
        sum->then = attempt;
      }
      sum->hasThen = true;
    }
    RecordMoment dated = std::max(sum->last.dated, last.dated);
    if (laterAttempt(last, sum->last)) sum->last = last;
    sum->last.dated = dated;
  }

  for (Counted& sum : counted) {
    bool added = false;
    MachineVersion* state = versionIn(&entry.versions, sum.version, sum.last, &added);
    if (!added && laterAttempt(sum.last, state->last)) state->last = sum.last;
    const std::vector<DatedCode>& dates = sum.dates != nullptr ? *sum.dates : sum.merged;
    addDates(fleet, state, dates.data(), dates.size());
    if (sum.hasThen) addThen(fleet, machine, sum.then);
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

const ThenAttempt* findThen(const Fleet& fleet, uint32_t machine, uint32_t version) {
  if (machine >= fleet.then.size()) return nullptr;
  const std::vector<ThenAttempt>& then = fleet.then[machine];
  auto at = std::lower_bound(
      then.begin(), then.end(), version,
      [](const ThenAttempt& kept, uint32_t wanted) { return kept.version < wanted; });
  return at != then.end() && at->version == version ? &*at : nullptr;
}

const DatedCode* datedCodes(const Fleet& fleet, const MachineVersion& state, size_t* count) {
  *count = state.datesCount;
  return fleet.dates.data() + state.datesStart;
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
