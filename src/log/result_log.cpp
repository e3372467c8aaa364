#include "log/result_log.h"

#include <cstdio>
#include <cstring>

#include "log/record_format.h"
#include "platform/console.h"
#include "platform/text_file.h"

const char kVersionFileName[] = "version.id";
static const char kLogDirectoryName[] = "QNLOG";
static const char kLogFileName[] = "QN.log";

int readVersionValue(platform::TextFile* file, char* value) {
  int count = platform::readTextPiece(file, value, kVersionLineSize);
  if (count < 0) value[0] = '\0';
  size_t length = strlen(value);
  if (length > 0 && value[length - 1] == '\n') value[length - 1] = '\0';
  return count;
}

int writeResultRecord(int32_t result) {
  platform::LocalTime now;
  platform::getLocalTime(&now);

  platform::TextFile versionFile;
  if (!platform::openTextFile(&versionFile, kVersionFileName)) {
    printLine("qnLogger: Cannot Read Version.id file");
    return kNoVersionFile;
  }
  char updateValue[kVersionLineSize];
  char newValue[kVersionLineSize];
  readVersionValue(&versionFile, updateValue);
  readVersionValue(&versionFile, newValue);
  platform::closeTextFile(&versionFile);

  char time[16];
  char date[16];
  formatTriple(now.hour, now.minute, now.second, kTimeSeparator, time, sizeof time);
  formatTriple(now.month, now.day, now.year, kDateSeparator, date, sizeof date);
  return appendRecord(date, time, updateValue, newValue, result);
}

int appendRecord(const char* date, const char* time, const char* updateValue,
                 const char* newValue, int32_t result) {
  platform::FileHandle log = openLogFile();
  if (log == platform::kNoFile) return kLogFailed;

  char record[kRecordSize];
  composeRecord(date, time, updateValue, newValue, result, record, sizeof record);
  char bytes[2 * kRecordSize];
  size_t length = platform::toFileLineEnds(record, bytes, sizeof bytes);
  bool written = platform::writeFile(log, bytes, length);
  if (!platform::closeFile(log) || !written) {
    printLine("Log File Creation Failed!");
    return kLogFailed;
  }
  return kRecordWritten;
}

platform::FileHandle openLogFile() {
  char directory[kLogPathSize];
  char path[kLogPathSize];
  platform::FileHandle log = platform::kNoFile;
  if (platform::logVolume(directory, sizeof directory)) {
    size_t volumeLength = strlen(directory);
    int directoryLength = snprintf(directory + volumeLength, sizeof directory - volumeLength,
                                   "%c%s", platform::kPathSeparator, kLogDirectoryName);
    if (directoryLength >= 0 && volumeLength + directoryLength < sizeof directory) {
      platform::createReadableDirectory(directory);
      int pathLength =
          snprintf(path, sizeof path, "%s%c%s", directory, platform::kPathSeparator, kLogFileName);
      if (pathLength >= 0 && static_cast<size_t>(pathLength) < sizeof path) {
        log = platform::openForAppending(path);
      }
    }
  }
  if (log == platform::kNoFile) printLine("Log File Creation Failed!");
  return log;
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
