// When a report is made, and the dates of the reports: for the page, and for
// telling records dated in the future (a machine whose clock ran ahead).
#ifndef QN_REPORT_MODEL_REPORT_TIME_H
#define QN_REPORT_MODEL_REPORT_TIME_H

#include <cstddef>
#include <string>

#include "log/record_format.h"

struct ReportTime {
  RecordMoment moment;  // as a record would carry it
  char text[40];        // "YYYY-MM-DD HH:MM:SS +HH:MM", with its offset from UTC
                        // (" local time" in its place when the system cannot tell it)
};

// Now: SOURCE_DATE_EPOCH (seconds since 1970, in UTC) when it is set to a
// number, so that the same logs give the same report; otherwise the local time.
void reportTime(ReportTime* now);

// The same clock time one day later.
RecordMoment dayAfter(RecordMoment moment);

// A date given on the command line: "YYYY-MM-DD", "YYYY-MM-DD HH:MM" (a "T"
// in place of the space too), "today" or "yesterday" (`now`'s day, or the day
// before). It stands for the start of the day or minute named (--since), or
// for its last second (--as-of: the day named is counted whole). False when
// the text is none of them, or names no day of the calendar.
enum DateEnd { kStartOfDate, kEndOfDate };
bool parseReportDate(const char* text, RecordMoment now, DateEnd end, RecordMoment* moment);

// "YYYY-MM-DD", or "YYYY-MM-DD HH:MM" when the moment is neither a day's start
// nor its last second: a date given, as the reports name it.
std::string dateText(RecordMoment moment);

// "YYYY-MM-DD HH:MM:SS": a moment as every report writes it.
void formatMoment(RecordMoment moment, char* out, size_t size);

#endif  // QN_REPORT_MODEL_REPORT_TIME_H
