// The state of a fleet: for each machine and version (a record's New value),
// its latest attempt and the number of attempts. Memory grows with machines
// times versions, never with the number of records.
//
// Which attempt is the latest: a log is only ever appended to, so within one
// log a later line is a later attempt, whatever the machine's clock said. Each
// record is therefore ordered by the latest date and time written in its log
// up to and including it (its "order"); across the logs of one machine (a log
// collected twice, a rotated log beside the current one) the greatest order
// wins, then the later place in its log, then the log read later.
#ifndef QN_REPORT_FLEET_H
#define QN_REPORT_FLEET_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "log/record_format.h"
#include "report/read_failure.h"

// A record's date and time as one number, YYYYMMDDhhmmss, that orders them.
typedef uint64_t RecordMoment;
RecordMoment momentOf(const RecordTime& time);
RecordTime timeOf(RecordMoment moment);

// One attempt, as a log holds it.
struct Attempt {
  RecordMoment order;   // the latest moment of its log up to it
  uint32_t place;       // among its log's records, from 1
  uint32_t logRank;     // the log's place in the reading order
  RecordMoment moment;  // as written in the record
  int32_t code;
  uint32_t pair;        // its Update and New values: an index into Fleet::pairs
};

// True when `a` comes after `b`.
bool laterAttempt(const Attempt& a, const Attempt& b);

// What one log holds of one pair of Update and New values.
struct LogPair {
  std::string key;  // "UPDATE,New=NEW", as the record holds it
  size_t updateLength;
  uint32_t attempts;
  RecordMoment latest;  // the latest moment written in its records
  Attempt last;         // `pair` unset until the log is added to the fleet
};

// One log, read: its pairs, in the order first met.
struct LogSummary {
  uint32_t rank;
  uint64_t start;  // a fingerprint of its first record: copies of one log start alike
  bool started;
  RecordMoment order;
  uint32_t records;
  std::vector<LogPair> pairs;
};

// Starts the summary of the log read `rank`-th.
void startLogSummary(LogSummary* log, uint32_t rank);
// Counts one record of the log; `line` is the record's text.
void addLogRecord(LogSummary* log, const ParsedRecord& record, const char* line, size_t length);

struct MachineVersion {
  uint32_t version;   // an index into Fleet::versions
  Attempt last;
  uint32_t attempts;  // in the machine's first group of logs (see Machine::logStarts)
};

struct Machine {
  std::string name;  // as first met: in the --hosts file, or in a log's path
  bool listed;       // named in the --hosts file
  bool logFound;     // a log of it was read
  ReadFailure unreadable;  // why a log of it could not be read (the first such log);
                           // kReadWhole when every one was
  // The fingerprints of its logs' first records: logs that start alike are
  // copies of one log collected at different times, and their attempts count
  // once (the most that one copy holds); logs that start differently (a
  // rotated log and the current one) add their attempts.
  std::vector<uint64_t> logStarts;
  std::vector<MachineVersion> versions;
};

struct Version {
  std::string newValue;
  RecordMoment latest;  // the latest moment written in its records
};

struct UpdatePair {
  std::string updateValue;
  uint32_t version;
};

struct Fleet {
  std::vector<Machine> machines;
  std::unordered_map<std::string, uint32_t> machineByName;  // by platform::foldedName
  std::vector<Version> versions;
  std::unordered_map<std::string, uint32_t> versionByValue;
  std::vector<UpdatePair> pairs;
  // By the text "UPDATE,New=NEW" as the record holds it (the parser takes New
  // from the last ",New=", so the text names one pair); the views point into
  // pairKeys.
  std::unordered_map<std::string_view, uint32_t> pairByKey;
  std::deque<std::string> pairKeys;
  // Attempts in a machine's second and later groups of logs, by machine,
  // version and group: rare, so kept apart.
  std::map<std::pair<uint64_t, uint32_t>, uint32_t> moreAttempts;
  unsigned long records;
};

void clearFleet(Fleet* fleet);

// The machine of this name (compared as the system compares names), added when
// new.
uint32_t machineNamed(Fleet* fleet, const std::string& name);

// Adds what a log of the machine holds.
void addLog(Fleet* fleet, uint32_t machine, LogSummary* log);

// The attempts of a machine at a version, all logs read.
uint32_t attemptsOf(const Fleet& fleet, uint32_t machine, const MachineVersion& state);

#endif  // QN_REPORT_FLEET_H
