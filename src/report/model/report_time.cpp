#include "report/model/report_time.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

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
    dateOfDay(seconds / 86400, &time.year, &time.month, &time.day);
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
  dateOfDay(dayOf(time.year, time.month, time.day) + 1, &time.year, &time.month, &time.day);
  return momentOf(time);
}

void formatMoment(RecordMoment moment, char* out, size_t size) {
  RecordTime time = timeOf(moment);
  snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
           time.minute, time.second);
}

static bool readNumber(const char* text, size_t digits, int* number) {
  *number = 0;
  for (size_t i = 0; i < digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *number = *number * 10 + (text[i] - '0');
  }
  return true;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM" into `time`; `*wholeDay` tells which.
static bool readDate(const char* text, RecordTime* time, bool* wholeDay) {
  size_t length = strlen(text);
  *wholeDay = length == 10;
  if ((length != 10 && length != 16) || text[4] != '-' || text[7] != '-' ||
      !readNumber(text, 4, &time->year) || !readNumber(text + 5, 2, &time->month) ||
      !readNumber(text + 8, 2, &time->day)) {
    return false;
  }
  if (length == 16 &&
      ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' ||
       !readNumber(text + 11, 2, &time->hour) || !readNumber(text + 14, 2, &time->minute) ||
       time->hour > 23 || time->minute > 59)) {
    return false;
  }
  // A day of the calendar reads back as itself.
  int year, month, day;
  dateOfDay(dayOf(time->year, time->month, time->day), &year, &month, &day);
  return time->month >= 1 && time->month <= 12 && year == time->year && month == time->month &&
         day == time->day;
}

bool parseReportDate(const char* text, RecordMoment now, DateEnd end, RecordMoment* moment) {
  RecordTime time = timeOf(now);
  time.hour = time.minute = time.second = 0;
  bool wholeDay = true;
  if (strcmp(text, "today") == 0 || strcmp(text, "yesterday") == 0) {
    if (text[0] == 'y') {
      dateOfDay(dayOf(time.year, time.month, time.day) - 1, &time.year, &time.month, &time.day);
    }
  } else if (!readDate(text, &time, &wholeDay)) {
    return false;
  }
  if (end == kEndOfDate) {
    if (wholeDay) time.hour = 23, time.minute = 59;
    time.second = 59;
  }
  *moment = momentOf(time);
  return true;
}

std::string dateText(RecordMoment moment) {
  char text[32];
  formatMoment(moment, text, sizeof text);
  RecordTime time = timeOf(moment);
  bool wholeDay = (time.hour == 0 && time.minute == 0 && time.second == 0) ||
                  (time.hour == 23 && time.minute == 59 && time.second == 59);
  text[wholeDay ? 10 : 16] = '\0';
  return text;
}
