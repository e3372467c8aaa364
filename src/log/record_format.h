// The result record's format, defined once for the program that writes records
// (qnUpdate, through composeRecord) and the one that reads them (qnReport):
//
//   MM-DD-YYYY HH:MM:SS,Update=U,New=N,Status=Success|Unknown,ReturnCode=R
//
// then one space and the line end. The date and time are the local time, each
// number padded with zeros to two digits (the year to four). U and N are the two
// lines of version.id and may hold anything but a line end, commas, "=" and
// spaces included, or nothing. Status is "Success" for 0 and "Unknown" for any
// other code; R is the run result in signed decimal.
#ifndef QN_LOG_RECORD_FORMAT_H
#define QN_LOG_RECORD_FORMAT_H

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Where qnUpdate keeps the records: the folder at the root of the system drive
// and the log file in it.
extern const char kLogDirectoryName[];  // "QNLOG"
extern const char kLogFileName[];       // "QN.log"

// The fields in the order the record holds them, each with its leading comma.
extern const char kUpdateField[];      // ",Update="
extern const char kNewField[];         // ",New="
extern const char kStatusField[];      // ",Status="
extern const char kReturnCodeField[];  // ",ReturnCode="

// The date is month, day and year joined by kDateSeparator, the time hour (0 to
// 23), minute and second joined by kTimeSeparator; one space between them.
constexpr char kDateSeparator = '-';
constexpr char kTimeSeparator = ':';
// "MM-DD-YYYY HH:MM:SS": the characters before ",Update=".
constexpr size_t kRecordTimeLength = 19;

// The Status value for a run result: "Success" for 0, "Unknown" for any other.
const char* statusText(int32_t result);

// The moment a record carries, as written: the local time of the run, with no zone.
using RecordTime = platform::LocalTime;

// A record's moment as one number, YYYYMMDDhhmmss, that orders moments as time
// does; and back.
using RecordMoment = uint64_t;
RecordMoment momentOf(const RecordTime& time);
RecordTime timeOf(RecordMoment moment);

// Days counted from 1970-01-01 in the proleptic Gregorian calendar: the day
// of a date, and the date of a day.
int64_t dayOf(int year, int month, int day);
void dateOfDay(int64_t days, int* year, int* month, int* day);

// Minutes counted from 1970-01-01 00:00 to a record's moment (0 for any
// moment before).
uint32_t minuteOf(RecordMoment moment);

// A moment that no record reaches: "no such moment" wherever one is optional.
constexpr RecordMoment kNoMoment = UINT64_MAX;

// One record's fields as found in a line; the texts point into the line and are
// not terminated.
struct ParsedRecord {
  RecordTime time;
  const char* updateValue;
  size_t updateLength;
  const char* newValue;
  size_t newLength;
  int32_t returnCode;
};

// Reads one line (without its line end) as a result record. The fields are found
// from both ends, so that Update and New may hold anything: the date and time
// come first, then ",Update="; the line ends with ",Status=", the status for the
// code, ",ReturnCode=", the code (a 32-bit signed decimal, no leading zeros)
// and one space, exactly as composeRecord writes them; New is taken from the
// last ",New=" before that ",Status=", and Update is everything between
// ",Update=" and it. Returns false, leaving `record` unspecified, when the line
// is no record: a record torn anywhere, even just before its last space, is none.
bool parseRecord(const char* line, size_t length, ParsedRecord* record);

#endif  // QN_LOG_RECORD_FORMAT_H
