#include "report/fleet.h"

#include <cstring>

#include "report/log_files.h"

static constexpr uint32_t kNoUpdate = UINT32_MAX;

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

void clearFleet(Fleet* fleet) {
  fleet->machines.clear();
  fleet->machineByName.clear();
  fleet->updates.clear();
  fleet->updateByKey.clear();
  fleet->updateKeys.clear();
  fleet->lastUpdate = kNoUpdate;
  fleet->log = 0;
}

uint32_t machineNamed(Fleet* fleet, const std::string& name) {
  auto found = fleet->machineByName.emplace(foldedName(name.data(), name.size()),
                                            static_cast<uint32_t>(fleet->machines.size()));
  if (found.second) fleet->machines.push_back(Machine{name, false, {}});
  return found.first->second;
}

void startLog(Fleet* fleet) { ++fleet->log; }

static uint32_t addUpdate(Fleet* fleet, std::string_view key, const char* updateValue,
                          size_t updateLength, const char* newValue, size_t newLength) {
  fleet->updateKeys.emplace_back(key);
  uint32_t index = static_cast<uint32_t>(fleet->updates.size());
  fleet->updateByKey.emplace(fleet->updateKeys.back(), index);
  fleet->updates.push_back(
      Update{std::string(updateValue, updateLength), std::string(newValue, newLength)});
  return index;
}

// The update of a record, from the text that runs from its Update value to the
// end of its New value.
static uint32_t updateOf(Fleet* fleet, const ParsedRecord& record) {
  std::string_view key(record.updateValue,
                       static_cast<size_t>(record.newValue + record.newLength - record.updateValue));
  if (fleet->lastUpdate != kNoUpdate && fleet->updateKeys[fleet->lastUpdate] == key) {
    return fleet->lastUpdate;
  }
  auto found = fleet->updateByKey.find(key);
  uint32_t index = found != fleet->updateByKey.end()
                       ? found->second
                       : addUpdate(fleet, key, record.updateValue, record.updateLength,
                                   record.newValue, record.newLength);
  fleet->lastUpdate = index;
  return index;
}

uint32_t updateNamed(Fleet* fleet, const std::string& updateValue, const std::string& newValue) {
  for (uint32_t i = 0; i < fleet->updates.size(); ++i) {
    if (fleet->updates[i].updateValue == updateValue && fleet->updates[i].newValue == newValue) {
      return i;
    }
  }
  // Not from a record: the key only has to differ from every record's.
  std::string key = updateValue + '\n' + newValue;
  return addUpdate(fleet, key, updateValue.data(), updateValue.size(), newValue.data(),
                   newValue.size());
}

uint32_t attemptsOf(const MachineUpdate& state) {
  return state.logAttempts > state.attempts ? state.logAttempts : state.attempts;
}

void addRecord(Fleet* fleet, uint32_t machine, const ParsedRecord& record) {
  uint32_t update = updateOf(fleet, record);
  RecordMoment moment = momentOf(record.time);
  std::vector<MachineUpdate>& states = fleet->machines[machine].updates;
  for (MachineUpdate& state : states) {
    if (state.update != update) continue;
    if (state.log != fleet->log) {
      state.attempts = attemptsOf(state);
      state.logAttempts = 0;
      state.log = fleet->log;
    }
    ++state.logAttempts;
    if (moment >= state.moment) {
      state.moment = moment;
      state.code = record.returnCode;
    }
    return;
  }
  states.push_back(MachineUpdate{update, record.returnCode, moment, 0, 1, fleet->log});
}
