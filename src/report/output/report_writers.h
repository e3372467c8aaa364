// The writers of qnReport's three formats: the text report, the CSV and the
// HTML page.
#ifndef QN_REPORT_OUTPUT_REPORT_WRITERS_H
#define QN_REPORT_OUTPUT_REPORT_WRITERS_H

#include <cstddef>

#include "report/output/output_stream.h"
#include "report/output/report_rows.h"

// Machines named for each failure code in the text report and on the page;
// the CSV and the page's folded table give every one.
constexpr size_t kFailureNames = 20;

// The text report. `lineEnd` ends its lines, as the console does.
void writeTextReport(const Report& report, const char* lineEnd, Output* output);
// The CSV; its lines end with kFileLineEnd.
void writeCsvReport(const Report& report, Output* output);
// The page; its lines end with kFileLineEnd. `madeAt` is the moment it tells
// it was made, with its UTC offset.
void writeHtmlReport(const Report& report, const char* madeAt, Output* output);

#endif  // QN_REPORT_OUTPUT_REPORT_WRITERS_H
