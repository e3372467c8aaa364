// Reading one log: its lines taken as result records and summed up for each
// pair of Update and New values it holds, and why the read stopped short when
// it did.
#ifndef QN_REPORT_READ_LOG_FILE_H
#define QN_REPORT_READ_LOG_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/record_format.h"
#include "platform/platform.h"
#include "report/read/log_lines.h"

// Why a log could not be read: the reason that an unreadable machine's row
// gives.
enum ReadFailure : uint8_t {
  kReadWhole,  // no failure: the log was read to its end
  kReadTimedOut,
  kReadNotFound,
  kReadAccessDenied,
  kReadNetworkPathNotFound,
  kReadFailed,  // any other reason
  // Read to its end, but its text holds no result record: no log of qnUpdate's
  // (a copy tool's output saved in its place), or one that cannot be read.
  kReadNoRecord,
  kReadFailureCount,
};

// "timed out", "not found", "access denied", "network path not found",
// "cannot be read", "no result record in the log"; an empty text for
// kReadWhole.
const char* readFailureText(ReadFailure failure);

// True for a log that could not be read to its end: any failure but
// kReadNoRecord.
bool isReadFailure(ReadFailure failure);

// The reason for a failure of a file call, as the system tells it.
ReadFailure readFailureOf(platform::FileFailure failure);
// Why the calling thread's last open, read or listing failed.
ReadFailure lastReadFailure();

// One attempt as its log holds it.
struct LoggedAttempt {
  RecordMoment order;   // the latest moment written in its log up to and including it
  uint32_t place;       // among its log's records, from 1
  RecordMoment moment;  // as written in the record
  int32_t code;
};

// What one log holds of one pair of Update and New values.
struct LogPair {
  std::string key;  // "UPDATE,New=NEW", as the record holds it
  size_t updateLength;
  uint32_t attempts;
  RecordMoment latest;  // the latest moment written in its records
  LoggedAttempt last;
};

// Pairs of a log looked for one by one; past them, by a hash of their keys.
constexpr size_t kPairsScanned = 8;

// One log, summed up: its pairs, in the order first met.
struct LogSummary {
  uint64_t start;  // a fingerprint of its first record: copies of one log start alike
  bool started;
  RecordMoment order;  // the latest moment written in it
  uint32_t records;
  std::vector<LogPair> pairs;
  // The pairs by key, once there are more than kPairsScanned; the views
  // point into the pairs' keys, and are made again when the pairs move.
  std::unordered_map<std::string_view, uint32_t> pairByKey;
  uint32_t lastPair;  // the pair of the record before
};

// Counts one record of the log; `line` is the record's text.
void addLogRecord(LogSummary* log, const ParsedRecord& record, const char* line, size_t length);

// A line of a log that is not a record.
struct NotRecordLine {
  unsigned long line;  // from 1
  bool torn;           // cut short by NUL or 0x1A bytes
};

// What reading one log gave.
struct LogResult {
  ReadFailure failure;  // kReadWhole, or why it was not read to its end
  bool opened;          // `summary` holds what was read, up to any failure
  LogSummary summary;
  unsigned long notRecords;          // lines that are not records
  std::vector<NotRecordLine> notes;  // with `keepNotes`: each of them
};

// Reads the log at `path` (in the system's text) into `result`, which starts
// empty, with `lines` as its buffer. A line that is not a record is counted,
// and noted when `keepNotes` is set. A log with lines but no record ends as
// kReadNoRecord.
void readLogFile(const char* path, LogLines* lines, bool keepNotes, LogResult* result);

#endif  // QN_REPORT_READ_LOG_FILE_H
