#include "report/model/report_time.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

// The date of a day counted from 1970-01-01 (the proleptic Gregorian calendar).
static void civilDate(int64_t days, int* year, int* month, int* day) {
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

// The day of a date counted from 1970-01-01: the inverse of civilDate.
static int64_t daysOf(int year, int month, int day) {
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void reportTime(ReportTime* now) {
  const char* epoch = platform::findEnvironment("SOURCE_DATE_EPOCH");
  bool useEpoch = epoch != nullptr && epoch[0] != '\0' && strlen(epoch) <= 15;
  int64_t seconds = 0;
  for (const char* p = epoch; useEpoch && *p != '\0'; ++p) {
    useEpoch = *p >= '0' && *p <= '9';
    seconds = seconds * 10 + (*p - '0');
  }
  RecordTime time;
  int offset = 0;  // minutes east of UTC
  bool offsetKnown = true;
  if (useEpoch) {
    civilDate(seconds / 86400, &time.year, &time.month, &time.day);
    int64_t second = seconds % 86400;
    time.hour = static_cast<int>(second / 3600);
    time.minute = static_cast<int>(second / 60 % 60);
    time.second = static_cast<int>(second % 60);
  } else {
    platform::getLocalTime(&time);
    offsetKnown = platform::getUtcOffset(&offset);
  }
  now->moment = momentOf(time);
  formatMoment(now->moment, now->text, sizeof now->text);
  size_t length = strlen(now->text);
  int distance = offset < 0 ? -offset : offset;
  snprintf(now->text + length, sizeof now->text - length,
           offsetKnown ? " %c%02d:%02d" : " local time", offset < 0 ? '-' : '+', distance / 60,
           distance % 60);
}

RecordMoment dayAfter(RecordMoment moment) {
  RecordTime time = timeOf(moment);
  civilDate(daysOf(time.year, time.month, time.day) + 1, &time.year, &time.month, &time.day);
  return momentOf(time);
}

void formatMoment(RecordMoment moment, char* out, size_t size) {
  RecordTime time = timeOf(moment);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
           time.minute, time.second);
}
