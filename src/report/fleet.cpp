#include "report/fleet.h"

#include <cstring>

#include "platform/system_text.h"

RecordMoment momentOf(const RecordTime& time) {
  RecordMoment moment = static_cast<RecordMoment>(time.year);
  int rest[] = {time.month, time.day, time.hour, time.minute, time.second};
  for (int part : rest) moment = moment * 100 + static_cast<RecordMoment>(part);
  return moment;
}

RecordTime timeOf(RecordMoment moment) {
  RecordTime time;
  int* parts[] = {&time.second, &time.minute, &time.hour, &time.day, &time.month};
  for (int* part : parts) {
    *part = static_cast<int>(moment % 100);
    moment /= 100;
  }
  time.year = static_cast<int>(moment);
  return time;
}

bool laterAttempt(const Attempt& a, const Attempt& b) {
  if (a.order != b.order) return a.order > b.order;
  if (a.place != b.place) return a.place > b.place;
  return a.logRank > b.logRank;
}

void startLogSummary(LogSummary* log, uint32_t rank) {
  log->rank = rank;
  log->start = 0;
  log->started = false;
  log->order = 0;
  log->records = 0;
  log->pairs.clear();
}

// FNV-1a, 64 bits.
static uint64_t fingerprint(const char* text, size_t length) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
  }
  return hash;
}

void addLogRecord(LogSummary* log, const ParsedRecord& record, const char* line, size_t length) {
  if (!log->started) {
    log->start = fingerprint(line, length);
    log->started = true;
  }
  RecordMoment moment = momentOf(record.time);
  if (moment > log->order) log->order = moment;
  ++log->records;

  // From the Update value to the end of New: the pair's key.
  std::string_view key(record.updateValue,
                       static_cast<size_t>(record.newValue + record.newLength - record.updateValue));
  LogPair* pair = nullptr;
  // Most records are of the pair before them.
  for (size_t i = log->pairs.size(); i-- > 0;) {
    if (log->pairs[i].key == key) {
      pair = &log->pairs[i];
      break;
    }
  }
  if (pair == nullptr) {
    log->pairs.push_back(LogPair{std::string(key), record.updateLength, 0, 0, Attempt{}});
    pair = &log->pairs.back();
  }
  ++pair->attempts;
  if (moment > pair->latest) pair->latest = moment;
  pair->last = Attempt{log->order, log->records, log->rank, moment, record.returnCode, 0};
}

void clearFleet(Fleet* fleet) {
  fleet->machines.clear();
  fleet->machineByName.clear();
  fleet->versions.clear();
  fleet->versionByValue.clear();
  fleet->pairs.clear();
  fleet->pairByKey.clear();
  fleet->pairKeys.clear();
  fleet->moreAttempts.clear();
  fleet->records = 0;
}

uint32_t machineNamed(Fleet* fleet, const std::string& name) {
  auto found = fleet->machineByName.emplace(platform::foldedName(name.data(), name.size()),
                                            static_cast<uint32_t>(fleet->machines.size()));
  if (found.second) fleet->machines.push_back(Machine{name, false, false, kReadWhole, {}, {}});
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

void addLog(Fleet* fleet, uint32_t machine, LogSummary* log) {
  Machine& entry = fleet->machines[machine];
  entry.logFound = true;
  fleet->records += log->records;
  if (log->records == 0) return;
  uint32_t group = 0;
  while (group < entry.logStarts.size() && entry.logStarts[group] != log->start) ++group;
  if (group == entry.logStarts.size()) entry.logStarts.push_back(log->start);

  // A log's attempts at a version, over the pairs that end in it.
  struct Counted {
    uint32_t version;
    uint32_t attempts;
    Attempt last;
  };
  std::vector<Counted> counted;
  for (LogPair& logPair : log->pairs) {
    logPair.last.pair = pairOf(fleet, logPair);
    uint32_t version = fleet->pairs[logPair.last.pair].version;
    Version& versionEntry = fleet->versions[version];
    if (logPair.latest > versionEntry.latest) versionEntry.latest = logPair.latest;
    Counted* sum = nullptr;
    for (Counted& candidate : counted) {
      if (candidate.version == version) sum = &candidate;
    }
    if (sum == nullptr) {
      counted.push_back(Counted{version, 0, logPair.last});
      sum = &counted.back();
    }
    sum->attempts += logPair.attempts;
    if (laterAttempt(logPair.last, sum->last)) sum->last = logPair.last;
  }

  for (const Counted& sum : counted) {
    MachineVersion* state = nullptr;
    for (MachineVersion& candidate : entry.versions) {
      if (candidate.version == sum.version) state = &candidate;
    }
    if (state == nullptr) {
      entry.versions.push_back(MachineVersion{sum.version, sum.last, 0});
      state = &entry.versions.back();
    } else if (laterAttempt(sum.last, state->last)) {
      state->last = sum.last;
    }
    uint32_t* attempts = group == 0
                             ? &state->attempts
                             : &fleet->moreAttempts[{machineVersionKey(machine, sum.version), group}];
    if (sum.attempts > *attempts) *attempts = sum.attempts;
  }
}

uint32_t attemptsOf(const Fleet& fleet, uint32_t machine, const MachineVersion& state) {
  uint32_t attempts = state.attempts;
  size_t groups = fleet.machines[machine].logStarts.size();
  for (uint32_t group = 1; group < groups; ++group) {
    auto found = fleet.moreAttempts.find({machineVersionKey(machine, state.version), group});
    if (found != fleet.moreAttempts.end()) attempts += found->second;
  }
  return attempts;
}
