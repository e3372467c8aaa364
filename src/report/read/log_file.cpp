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
    pairs.push_back(LogPair{std::string(key), record.updateLength, 0, 0, LoggedAttempt{}});
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
}

void readLogFile(const char* path, LogLines* lines, bool keepNotes, LogResult* result) {
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
      if (keepNotes) result->notes.push_back(NotRecordLine{lines->lineNumber, !whole});
      continue;
    }
    addLogRecord(&result->summary, record, line, length);
  }
  if (lines->readFailed) {
    result->failure = readFailureOf(platform::lastFileFailure());
  } else if (result->summary.records == 0 && result->notRecords > 0) {
    result->failure = kReadNoRecord;
  }
  closeLogLines(lines);
}
