#include "report/read/log_file.h"

#include <string_view>

#include "platform/platform.h"

const char* readFailureText(ReadFailure failure) {
  switch (failure) {
    case kReadWhole: return "";
    case kReadTimedOut: return "timed out";
    case kReadNotFound: return "not found";
    case kReadAccessDenied: return "access denied";
    case kReadNetworkPathNotFound: return "network path not found";
    case kReadNoRecord: return "no result record in the log";
    case kReadFailed:
    case kReadFailureCount: break;
  }
  return "cannot be read";
}

bool isReadFailure(ReadFailure failure) { return failure != kReadWhole && failure != kReadNoRecord; }

ReadFailure lastReadFailure() { return readFailureOf(platform::lastFileFailure()); }

ReadFailure readFailureOf(platform::FileFailure failure) {
  switch (failure) {
    case platform::kFileNotFound: return kReadNotFound;
    case platform::kFileAccessDenied: return kReadAccessDenied;
    case platform::kFileNetworkPathNotFound: return kReadNetworkPathNotFound;
    case platform::kFileTimedOut: return kReadTimedOut;
    case platform::kFileFailed: break;
  }
  return kReadFailed;
}

// FNV-1a, 64 bits.
static uint64_t fingerprint(const char* text, size_t length) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
  }
  return hash;
}

void addLogRecord(LogSummary* log, const ParsedRecord& record, const char* line, size_t length,
                  const ReadRules& rules) {
  if (!log->started) {
    log->start = fingerprint(line, length);
    log->started = true;
  }
  RecordMoment moment = momentOf(record.time);
  ++log->records;
  bool ahead = moment > rules.aheadLimit;
  if (ahead || moment < log->believed) log->clockWrong = true;
  if (!ahead && moment > log->believed) log->believed = moment;
  // As of a moment, what came after it is not there yet, nor is a record of a
  // clock ahead.
  if (rules.cutoff != kNoMoment && (ahead || log->believed > rules.cutoff)) return;
  if (moment > log->order) log->order = moment;

  // From the Update value to the end of New: the pair's key.
  std::string_view key(record.updateValue,
                       static_cast<size_t>(record.newValue + record.newLength - record.updateValue));
  std::vector<LogPair>& pairs = log->pairs;
  size_t index = pairs.size();  // the record's pair; pairs.size() while none is found
  // Most records are of the pair before them.
  if (!pairs.empty() && pairs[log->lastPair].key == key) {
    index = log->lastPair;
  } else if (pairs.size() <= kPairsScanned) {
    for (size_t i = 0; i < pairs.size() && index == pairs.size(); ++i) {
      if (pairs[i].key == key) index = i;
    }
  } else {
    auto found = log->pairByKey.find(key);
    if (found != log->pairByKey.end()) index = found->second;
  }
  if (index == pairs.size()) {
    const LogPair* before = pairs.data();
    pairs.push_back(LogPair{
        std::string(key), record.updateLength, 0, 0, LoggedAttempt{}, false, LoggedAttempt{}, {}});
    if (pairs.size() > kPairsScanned && (pairs.data() != before || pairs.size() == kPairsScanned + 1)) {
      // The keys moved (or are hashed for the first time): O(pairs), but
      // only when the pairs' room doubles.
      log->pairByKey.clear();
      for (uint32_t i = 0; i < pairs.size(); ++i) log->pairByKey.emplace(pairs[i].key, i);
    } else if (pairs.size() > kPairsScanned) {
      log->pairByKey.emplace(pairs.back().key, static_cast<uint32_t>(index));
    }
  }
  log->lastPair = static_cast<uint32_t>(index);
  LogPair* pair = &pairs[index];
  ++pair->attempts;
  if (moment > pair->latest) pair->latest = moment;
  pair->last = LoggedAttempt{log->order, log->records, moment, record.returnCode};
  if (ahead) return;
  if (rules.since != kNoMoment && log->believed <= rules.since) {
    pair->hasThen = true;
    pair->then = LoggedAttempt{log->believed, log->records, moment, record.returnCode};
  }
  if (!rules.keepDates) return;
  uint32_t minute = minuteOf(moment);
  std::vector<DatedCode>& dates = pair->dates;
  if (!dates.empty() && dates.back().minute / 1440 == minute / 1440) dates.pop_back();
  dates.push_back(DatedCode{minute, record.returnCode});
}

void readLogFile(const char* path, LogLines* lines, const ReadRules& rules, LogResult* result) {
  if (!openLogLines(lines, path)) {
    result->failure = readFailureOf(platform::lastFileFailure());
    return;
  }
  result->opened = true;
  char* line;
  size_t length;
  bool whole;
  while (nextLogLine(lines, &line, &length, &whole)) {
    if (length == 0) continue;
    ParsedRecord record;
    if (!whole || !parseRecord(line, length, &record)) {
      ++result->notRecords;
      if (rules.keepNotes) result->notes.push_back(NotRecordLine{lines->lineNumber, !whole});
      continue;
    }
    addLogRecord(&result->summary, record, line, length, rules);
  }
  if (lines->readFailed) {
    result->failure = readFailureOf(platform::lastFileFailure());
  } else if (result->summary.records == 0 && result->notRecords > 0) {
    result->failure = kReadNoRecord;
  }
  closeLogLines(lines);
}
