// The parts of qnReport's page that its writers share: text escaped for
// HTML, its lines, lists of machine names, and a version's section.
#ifndef QN_REPORT_OUTPUT_HTML_PARTS_H
#define QN_REPORT_OUTPUT_HTML_PARTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/output/output_stream.h"
#include "report/output/report_rows.h"

// Names a list shows before it is folded.
constexpr size_t kOpenNames = 50;

// Text with the characters that HTML gives a meaning escaped.
void putEscaped(Output* output, const char* text, size_t length);
void putEscaped(Output* output, const std::string& text);

// `text` and the page's line end.
void putPageLine(Output* output, const char* text);

// "New=VALUE", escaped.
void putVersionName(Output* output, const Report& report, uint32_t version);

// The names of rows [first, end), joined by ", ".
void putNames(Output* output, const Report& report, const std::vector<const ReportRow*>& rows,
              size_t first, size_t end);

// "<h3>TITLE (N)</h3>" and the names: all of them, the first kOpenNames open
// and the rest folded. Nothing when there are none.
void putNameGroup(Output* output, const Report& report, const char* title,
                  const std::vector<const ReportRow*>& rows);

// The section of the index-th version, under a heading that the overview's
// links find as "#v" and its number from 1.
void putVersionSection(Output* output, const Report& report, const VersionSummary& summary,
                       size_t index);

#endif  // QN_REPORT_OUTPUT_HTML_PARTS_H
