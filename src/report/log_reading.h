// Reading many logs at once. A pool of reader threads opens and reads the logs
// given to it, each into a summary of its own, while the caller goes on
// finding more. Each log comes back on the caller's thread in the order the
// logs were given, whatever the order in which the reads end, so that what
// the caller makes of them is the same for any number of readers.
//
// A read that has not ended `timeout` milliseconds after it started is
// abandoned: its log comes back as timed out, and a new reader takes the place
// of the one that waits. The abandoned reader owns its read from then on; it
// ends when the system call it waits in returns, or with the process. It
// touches nothing but its own read and the pool, which lives until its last
// reader has ended, so that nothing waits for it and the process may end
// while it waits.
//
// Memory: a read buffer per reader, and at most kMostPending logs given and
// not yet given back.
#ifndef QN_REPORT_LOG_READING_H
#define QN_REPORT_LOG_READING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/fleet.h"
#include "report/log_lines.h"
#include "report/read_failure.h"

// Logs given and not yet given back, at most: past it, giving a log waits.
constexpr size_t kMostPending = 4096;
// Readers waiting in an abandoned read, at most, beside the readers at work:
// past it, no new reader replaces one that is abandoned.
constexpr unsigned kMostAbandoned = 64;

// A line of a log that is not a record, for --verbose.
struct NotRecordLine {
  unsigned long line;  // from 1
  bool torn;           // cut short by NUL or 0x1A bytes
};

struct LogRead {
  std::string path;     // as given, in the system's text
  uint32_t machine;     // the caller's: whose log it is
  std::string machineName;  // the caller's: its name, as messages give it
  int source;           // the caller's: where the log was found
  uint32_t rank;        // its place among the logs given, from 0
  ReadFailure failure;  // kReadWhole, or why it was not read to its end
  bool opened;          // `summary` holds what was read, up to any failure
  LogSummary summary;   // its rank is `rank`
  unsigned long notRecords;          // lines that are not records
  std::vector<NotRecordLine> notes;  // with `verbose`: each of them
};

// Reads one log: opens `read->path` and fills in the rest of `read`, with
// `lines` as its buffer. readLogFile is the real one; tests give stand-ins.
typedef void (*LogReader)(LogRead* read, LogLines* lines, bool verbose);
void readLogFile(LogRead* read, LogLines* lines, bool verbose);

struct LogReadingSettings {
  unsigned readers;  // reading at once, at least 1
  uint32_t timeout;  // milliseconds that a read may take
  bool verbose;      // keep the lines that are not records
  LogReader reader;
  // Called on the caller's thread with each log, read or given up, in the
  // order given; `read` is freed when it returns.
  void (*done)(LogRead* read, void* context);
  // Called on the caller's thread whenever it has waited for the readers, at
  // least every kWaitingCall milliseconds while it waits; may be null.
  void (*waiting)(void* context);
  void* context;
};

constexpr uint32_t kWaitingCall = 250;

struct LogReading;

// Starts the pool; its readers start as logs come. Null when the pool cannot
// be made.
LogReading* startLogReading(const LogReadingSettings& settings);

// Gives a log to read. Gives back the logs whose turn has come, and waits,
// giving back logs, while kMostPending are given and not given back.
void addLogRead(LogReading* reading, const char* path, uint32_t machine,
                const std::string& machineName, int source);

// Waits until every log given has been given back, then lets the readers end
// (an abandoned one when its read returns) and the pool with them. `reading`
// is not to be used afterwards.
void finishLogReading(LogReading* reading);

#endif  // QN_REPORT_LOG_READING_H
