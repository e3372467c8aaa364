// Reading many logs at once. A pool of reader threads opens and reads the logs
// given to it, each into a result of its own, while the caller goes on finding
// more. Each result comes back on the caller's thread with the log's rank (its
// place among the logs given), in the order the logs were given, whatever the
// order in which the reads end, so that what the caller makes of them is the
// same for any number of readers. The pool knows of each log its path alone.
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
#ifndef QN_REPORT_READ_READER_POOL_H
#define QN_REPORT_READ_READER_POOL_H

#include <cstddef>
#include <cstdint>

#include "report/read/log_file.h"
#include "report/read/log_lines.h"

// Logs given and not yet given back, at most: past it, giving a log waits.
constexpr size_t kMostPending = 4096;
// Readers waiting in an abandoned read, at most, beside the readers at work:
// past it, no new reader replaces one that is abandoned.
constexpr unsigned kMostAbandoned = 64;

// Reads one log into a result, with `lines` as its buffer: readLogFile, or a
// test's stand-in.
typedef void (*LogReader)(const char* path, LogLines* lines, bool keepNotes, LogResult* result);

struct ReaderPoolSettings {
  unsigned readers;  // reading at once, at least 1
  uint32_t timeout;  // milliseconds that a read may take
  bool keepNotes;    // note each line that is not a record
  LogReader read;
  // Called on the caller's thread with each log's result, read or given up
  // (failure kReadTimedOut), in the order given; `result` is freed when it
  // returns.
  void (*done)(uint32_t rank, LogResult* result, void* context);
  // Called on the caller's thread whenever it has waited for the readers, at
  // least every kWaitingCall milliseconds while it waits; may be null.
  void (*waiting)(void* context);
  void* context;
};

constexpr uint32_t kWaitingCall = 250;

struct ReaderPool;

// Starts the pool; its readers start as logs come. Null when the pool cannot
// be made.
ReaderPool* startReaderPool(const ReaderPoolSettings& settings);

// Gives a log to read and returns its rank, from 0. Gives back the logs whose
// turn has come (this one among them, it may be, before it returns), and
// waits, giving back logs, while kMostPending are given and not given back.
uint32_t addLogRead(ReaderPool* pool, const char* path);

// Waits until every log given has been given back, then lets the readers end
// (an abandoned one when its read returns) and the pool with them. `pool` is
// not to be used afterwards.
void finishReaderPool(ReaderPool* pool);

#endif  // QN_REPORT_READ_READER_POOL_H
