#include "log/record_format.h"

#include <cstddef>
#include <cstring>

const char kLogDirectoryName[] = "QNLOG";
const char kLogFileName[] = "QN.log";

const char kUpdateField[] = ",Update=";
const char kNewField[] = ",New=";
const char kStatusField[] = ",Status=";
const char kReturnCodeField[] = ",ReturnCode=";

static const char kSuccess[] = "Success";
static const char kUnknown[] = "Unknown";

const char* statusText(int32_t result) { return result == 0 ? kSuccess : kUnknown; }

RecordMoment momentOf(const RecordTime& time) {
  RecordMoment moment = static_cast<RecordMoment>(time.year);
  int rest[] = {time.month, time.day, time.hour, time.minute, time.second};
  for (int part : rest) moment = moment * 100 + static_cast<RecordMoment>(part);
  return moment;
}

void dateOfDay(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int64_t dayOf(int year, int month, int day) {
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

uint32_t minuteOf(RecordMoment moment) {
  RecordTime time = timeOf(moment);
  int64_t minutes = dayOf(time.year, time.month, time.day) * 1440 + time.hour * 60 + time.minute;
  return minutes < 0 ? 0 : minutes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(minutes);
}

RecordTime timeOf(RecordMoment moment) {
  RecordTime time;
  int* parts[] = {&time.second, &time.minute, &time.hour, &time.day, &time.month};
  for (int* part : parts) {
    *part = static_cast<int>(moment % 100);
    moment /= 100;
  }
  time.year = static_cast<int>(moment);
  return time;
}

// The layout of the date and time: 'M', 'D', 'Y', 'h', 'm', 's' stand for the
// digits of each number, the other characters for themselves.
static const char kTimeLayout[] = "MM-DD-YYYY hh:mm:ss";
static_assert(sizeof kTimeLayout - 1 == kRecordTimeLength, "the layout is the record's start");

static bool parseTime(const char* text, RecordTime* time) {
  static_assert(kDateSeparator == '-' && kTimeSeparator == ':', "the layout holds the separators");
  *time = RecordTime{0, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < kRecordTimeLength; ++i) {
    int* number = nullptr;
    switch (kTimeLayout[i]) {
      case 'M': number = &time->month; break;
      case 'D': number = &time->day; break;
      case 'Y': number = &time->year; break;
      case 'h': number = &time->hour; break;
      case 'm': number = &time->minute; break;
      case 's': number = &time->second; break;
      default:
        if (text[i] != kTimeLayout[i]) return false;
        continue;
    }
    if (text[i] < '0' || text[i] > '9') return false;
    *number = *number * 10 + (text[i] - '0');
  }
  // A clock's values only; the year as four digits, as it is written.
  return time->year >= 1000 && time->month >= 1 && time->month <= 12 && time->day >= 1 &&
         time->day <= 31 && time->hour <= 23 && time->minute <= 59 && time->second <= 59;
}

// The last place before `end` where `field` starts, or null.
static const char* lastField(const char* begin, const char* end, const char* field) {
  size_t length = strlen(field);
  if (end - begin < static_cast<std::ptrdiff_t>(length)) return nullptr;
  for (const char* p = end - length;; --p) {
    if (*p == field[0] && memcmp(p, field, length) == 0) return p;
    if (p == begin) return nullptr;
  }
}

// A signed decimal that fits 32 bits, as the record writes it: a minus sign for
// a negative value, no leading zeros.
static bool parseCode(const char* text, const char* end, int32_t* code) {
  bool negative = text < end && *text == '-';
  if (negative) ++text;
  if (text == end || end - text > 10 || (*text == '0' && (end - text > 1 || negative))) return false;
  int64_t value = 0;
  for (; text < end; ++text) {
    if (*text < '0' || *text > '9') return false;
    value = value * 10 + (*text - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  *code = static_cast<int32_t>(value);
  return true;
}

bool parseRecord(const char* line, size_t length, ParsedRecord* record) {
  const size_t updateLength = sizeof kUpdateField - 1;
  if (length < kRecordTimeLength + updateLength || !parseTime(line, &record->time) ||
      memcmp(line + kRecordTimeLength, kUpdateField, updateLength) != 0) {
    return false;
  }
  const char* updateValue = line + kRecordTimeLength + updateLength;
  // The code ends with the one space that every record carries: a record torn
  // inside its code ("ReturnCode=301" of 3010) has none.
  const char* end = line + length;
  if (end == updateValue || end[-1] != ' ') return false;
  --end;

  const char* codeField = lastField(updateValue, end, kReturnCodeField);
  if (codeField == nullptr ||
      !parseCode(codeField + sizeof kReturnCodeField - 1, end, &record->returnCode)) {
    return false;
  }
  const char* statusField = lastField(updateValue, codeField, kStatusField);
  if (statusField == nullptr) return false;
  const char* status = statusField + sizeof kStatusField - 1;
  const char* expected = statusText(record->returnCode);
  size_t statusLength = static_cast<size_t>(codeField - status);
  if (statusLength != strlen(expected) || memcmp(status, expected, statusLength) != 0) return false;

  const char* newField = lastField(updateValue, statusField, kNewField);
  if (newField == nullptr) return false;
  record->updateValue = updateValue;
  record->updateLength = static_cast<size_t>(newField - updateValue);
  record->newValue = newField + sizeof kNewField - 1;
  record->newLength = static_cast<size_t>(statusField - record->newValue);
  return true;
}
