// The fleet as its logs tell it: for each machine and version (a record's New
// value), its latest attempt and the number of attempts, and what was read.
// Memory grows with machines times versions, never with the number of records.
// Which attempt is the latest is decided by laterAttempt (machine_state.h).
#ifndef QN_REPORT_MODEL_FLEET_H
#define QN_REPORT_MODEL_FLEET_H

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
#include "report/find/machine_names.h"
#include "report/read/log_file.h"

// One attempt of a machine, as its log holds it and where that log stands.
struct Attempt {
  RecordMoment order;   // the latest moment of its log up to it
  uint32_t place;       // among its log's records, from 1
  uint32_t logRank;     // the log's place in the reading order
  RecordMoment moment;  // as written in the record
  int32_t code;
  uint32_t pair;        // its Update and New values: an index into Fleet::pairs
  RecordMoment dated;   // the latest moment written in its log's records of its version
};

struct MachineVersion {
  Attempt last;
  uint32_t version;   // an index into Fleet::versions
  uint32_t attempts;  // in the machine's first group of logs (see Machine::firstStart)
};

struct Machine {
  std::string name;  // as first met: in the --hosts file, or in a log's path
  std::vector<MachineVersion> versions;  // by version index (see findVersion)
  // The fingerprint of the first record of its first log with records. Logs
  // that start alike are copies of one log collected at different times, and
  // their attempts count once (the most that one copy holds); logs that start
  // differently (a rotated log and the current one) add their attempts: each
  // such group of logs but the first has its fingerprint in
  // Fleet::moreStarts.
  uint64_t firstStart;
  uint32_t groups;    // groups of its logs so far
  // A log that is neither a rotated log nor the current log after its folder's
  // rotated ones started a group: the machine was re-imaged since its first
  // log, or two machines share its name.
  bool startsDiffer;
  bool listed;       // named in the --hosts file
  bool logFound;     // a log of it was read
  ReadFailure unreadable;  // why a log of it could not be read (the first such log);
                           // kReadWhole when every one was
};

struct Version {
  std::string newValue;  // without blanks at either end (versionValue)
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
  // The fingerprints of a machine's second and later groups of logs, and
  // their attempts by machine, version and group: rare, so kept apart.
  std::unordered_map<uint32_t, std::vector<uint64_t>> moreStarts;
  std::map<std::pair<uint64_t, uint32_t>, uint32_t> moreAttempts;

  // The chain being read: a folder's rotated logs and then its QN.log, given
  // one after another in the order they were written, are read as one log,
  // each going on where the one before it ended.
  struct Chain {
    uint32_t machine = UINT32_MAX;
    std::string folder;
    bool open = false;       // its last log was a rotated one: the chain goes on
    RecordMoment order = 0;  // the latest moment of the chain so far
    uint32_t places = 0;     // its records so far
  } chain;

  // What was read: logs opened, their records and the lines that are not
  // records; and the logs and folders found under the PATHs that could not be
  // read (as the reports write them), which make the report incomplete.
  unsigned long logs = 0;
  unsigned long records = 0;
  unsigned long notRecords = 0;
  std::vector<std::string> unreadablePlaces;
};

// The machine of this name (compared as the system compares names), added when
// new.
uint32_t machineNamed(Fleet* fleet, const std::string& name);

// Where a log was found, for its chain: its folder and what it is to its
// machine (a log read at --from is a kNamedLog).
struct LogPlace {
  const std::string* folder;
  LogKind kind;
};

// Takes in what reading a log of the machine gave, the log read `logRank`-th:
// its records, and why it could not be read to its end, if it could not (the
// machine is then unreadable: only its first such reason is kept).
void addLog(Fleet* fleet, uint32_t machine, uint32_t logRank, const LogResult& result,
            const LogPlace& place);

// Makes the machine unreadable: one of its logs, or a folder of its, could not
// be read. Only its first reason is kept.
void markUnreadable(Fleet* fleet, uint32_t machine, ReadFailure failure);

// Lets a listed machine named by a fully qualified name (pc01.corp.example.com,
// as a directory exports it) stand for the machine of its first label (PC01)
// when no log of the qualified name was read and one of the short name was:
// the short name is listed in its place.
void matchQualifiedNames(Fleet* fleet);

// The machine's attempts at a version; null when it has none.
const MachineVersion* findVersion(const Machine& machine, uint32_t version);

// The attempts of a machine at a version, all logs read.
uint32_t attemptsOf(const Fleet& fleet, uint32_t machine, const MachineVersion& state);

#endif  // QN_REPORT_MODEL_FLEET_H
