#include "log/result_log.h"

#include <cstdio>
#include <cstring>

#include "log/record_format.h"
#include "runtime/console.h"
#include "runtime/text_file.h"

const char kVersionFileName[] = "version.id";
// The lock through which runs take turns. Other accounts cannot open it, so
// that none can hold a run up; any account that may read the log could lock it.
static const char kLockFileName[] = "QN.lck";

int readVersionValue(TextFile* file, char* value) {
  int count = readTextPiece(file, value, kVersionLineSize);
  if (count < 0) value[0] = '\0';
  size_t length = strlen(value);
  if (length > 0 && value[length - 1] == '\n') value[length - 1] = '\0';
  return count;
}

int writeResultRecord(int32_t result) {
  platform::LocalTime now;
  platform::getLocalTime(&now);

  TextFile versionFile;
  if (!openTextFile(&versionFile, kVersionFileName)) {
    printLine("qnLogger: Cannot Read Version.id file");
    return kNoVersionFile;
  }
  char updateValue[kVersionLineSize];
  char newValue[kVersionLineSize];
  readVersionValue(&versionFile, updateValue);
  readVersionValue(&versionFile, newValue);
  closeTextFile(&versionFile);

  char time[16];
  char date[16];
  formatTriple(now.hour, now.minute, now.second, kTimeSeparator, time, sizeof time);
  formatTriple(now.month, now.day, now.year, kDateSeparator, date, sizeof date);
  return appendRecord(date, time, updateValue, newValue, result);
}

int appendRecord(const char* date, const char* time, const char* updateValue,
                 const char* newValue, int32_t result) {
  LogFile log;
  if (!openLogFile(&log)) return kLogFailed;

  char record[kRecordSize];
  composeRecord(date, time, updateValue, newValue, result, record, sizeof record);
  char bytes[2 * kRecordSize];
  size_t length = toFileLineEnds(record, bytes, sizeof bytes);
  bool written = writeToLog(&log, bytes, length);
  if (!closeLogFile(&log) || !written) {
    printLine("Log File Creation Failed!");
    return kLogFailed;
  }
  return kRecordWritten;
}

// One more step of waiting, or false when the record has waited its time.
static bool waitAStep(LogFile* log) {
  if (log->waitedMilliseconds >= kLogWaitMilliseconds) return false;
  platform::sleepMilliseconds(kLogRetryMilliseconds);
  log->waitedMilliseconds += kLogRetryMilliseconds;
  return true;
}

// The three opens of the log: its directory, the lock and the file. Each is
// tried again while another process holds what it opens (a copy of the log
// being collected opens it with read sharing only; another run holds the
// lock), within the one wait of the record.
static int holdLogDirectory(LogFile* log, const char* directory) {
  return platform::holdDirectory(directory, &log->directory);
}

static int takeLogLock(LogFile* log, const char*) {
  return platform::takeLockFile(log->directory, kLockFileName, &log->lock);
}

static int openLog(LogFile* log, const char*) {
  return platform::openForAppending(log->directory, kLogFileName, &log->file);
}

static bool openWaiting(LogFile* log, int (*open)(LogFile*, const char*), const char* path) {
  for (;;) {
    int opened = open(log, path);
    if (opened == platform::kOpened) return true;
    if (opened != platform::kOpenBusy || !waitAStep(log)) return false;
  }
}

// The log directory: the volume followed by "\QNLOG", when the whole path of
// the log file fits in kLogPathSize bytes.
static bool formLogDirectory(char* directory, size_t size) {
  if (!platform::logVolume(directory, size)) return false;
  size_t volumeLength = strlen(directory);
  int added = snprintf(directory + volumeLength, size - volumeLength, "%c%s",
                       platform::kPathSeparator, kLogDirectoryName);
  return added >= 0 && volumeLength + added + 1 + strlen(kLogFileName) < size;
}

bool openLogFile(LogFile* log) {
  log->directory = platform::kNoDirectory;
  log->lock = platform::kNoFile;
  log->file = platform::kNoFile;
  log->waitedMilliseconds = 0;
  char directory[kLogPathSize];
  bool opened = formLogDirectory(directory, sizeof directory);
  if (opened) platform::createPrivateDirectory(directory);
  opened = opened && openWaiting(log, holdLogDirectory, directory) &&
           openWaiting(log, takeLogLock, nullptr) && openWaiting(log, openLog, nullptr);
  if (!opened) {
    closeLogFile(log);
    printLine("Log File Creation Failed!");
  }
  return opened;
}

bool writeToLog(LogFile* log, const void* data, size_t size) {
  for (;;) {
    int appended = platform::appendToFile(log->file, data, size);
    if (appended == platform::kAppended) return true;
    if (appended != platform::kAppendLockedOut || !waitAStep(log)) return false;
  }
}

bool closeLogFile(LogFile* log) {
  bool closed = log->file == platform::kNoFile || platform::closeFile(log->file);
  // The record is out once the log is closed: letting the lock and the
  // directory go cannot lose it, whatever those closes report.
  if (log->lock != platform::kNoFile) platform::closeFile(log->lock);
  if (log->directory != platform::kNoDirectory) platform::releaseDirectory(log->directory);
  log->file = platform::kNoFile;
  log->lock = platform::kNoFile;
  log->directory = platform::kNoDirectory;
  return closed;
}

void formatTriple(int first, int second, int third, char separator, char* out, size_t size) {
  snprintf(out, size, "%02d%c%02d%c%02d", first, separator, second, separator, third);
}

size_t composeRecord(const char* date, const char* time, const char* updateValue,
                     const char* newValue, int32_t result, char* record, size_t size) {
  int length = snprintf(record, size, "%s %s%s%s%s%s%s%s%s%ld \n", date, time, kUpdateField,
                        updateValue, kNewField, newValue, kStatusField, statusText(result),
                        kReturnCodeField, static_cast<long>(result));
  return length < 0 ? 0 : static_cast<size_t>(length);
}
