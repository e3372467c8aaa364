// The state of a fleet: for each machine and update (the pair of Update and New
// values), its latest record and the number of attempts. Memory grows with
// machines times updates, never with the number of records.
#ifndef QN_REPORT_FLEET_H
#define QN_REPORT_FLEET_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/record_format.h"

// A record's date and time as one number, YYYYMMDDhhmmss, that orders them.
typedef uint64_t RecordMoment;
RecordMoment momentOf(const RecordTime& time);
RecordTime timeOf(RecordMoment moment);

struct MachineUpdate {
  uint32_t update;       // index into Fleet::updates
  int32_t code;          // of the latest record
  RecordMoment moment;   // of the latest record
  uint32_t attempts;     // the most records of this update that one log held
  uint32_t logAttempts;  // records of this update in the log `log`
  uint32_t log;          // the serial of the last log that held one
};

struct Machine {
  std::string name;  // as first met: in the --hosts file, or in a log's path
  bool listed;       // named in the --hosts file
  std::vector<MachineUpdate> updates;
};

struct Update {
  std::string updateValue;
  std::string newValue;
};

struct Fleet {
  std::vector<Machine> machines;
  std::unordered_map<std::string, uint32_t> machineByName;  // by foldedName
  std::vector<Update> updates;
  // By the text "UPDATE,New=NEW" as the record holds it (the parser takes New
  // from the last ",New=", so the text names one pair); the views point into
  // updateKeys.
  std::unordered_map<std::string_view, uint32_t> updateByKey;
  std::deque<std::string> updateKeys;
  uint32_t lastUpdate;  // the update of the record before, looked at first
  uint32_t log;         // the serial of the log being read
};

void clearFleet(Fleet* fleet);

// The machine of this name (compared without regard to case), added when new.
uint32_t machineNamed(Fleet* fleet, const std::string& name);

// The next records come from another log.
void startLog(Fleet* fleet);

// Counts one record of a machine. The latest record decides the state: by its
// date and time, and where they are equal the one read later (later in its log,
// or in a log read later). A machine whose records stand in several logs (one
// log collected twice, say) counts the attempts of the log that holds the most.
void addRecord(Fleet* fleet, uint32_t machine, const ParsedRecord& record);

// The attempts of a machine at an update, all logs read.
uint32_t attemptsOf(const MachineUpdate& state);

// The index of an update, added when new.
uint32_t updateNamed(Fleet* fleet, const std::string& updateValue, const std::string& newValue);

#endif  // QN_REPORT_FLEET_H
