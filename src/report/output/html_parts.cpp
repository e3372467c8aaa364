#include "report/output/html_parts.h"

void putEscaped(Output* output, const char* text, size_t length) {
  size_t start = 0;
  for (size_t i = 0; i < length; ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      default: continue;
    }
    put(output, text + start, i - start);
    put(output, entity);
    start = i + 1;
  }
  put(output, text + start, length - start);
}

void putEscaped(Output* output, const std::string& text) {
  putEscaped(output, text.data(), text.size());
}

void putPageLine(Output* output, const char* text) {
  put(output, text);
  put(output, kFileLineEnd);
}

void putVersionName(Output* output, const Report& report, uint32_t version) {
  put(output, kNewField + 1);
  putEscaped(output, report.versionNames[version]);
}

void putNames(Output* output, const Report& report, const std::vector<const ReportRow*>& rows,
              size_t first, size_t end) {
  for (size_t i = first; i < end && i < rows.size(); ++i) {
    if (i > first) put(output, ", ");
    putEscaped(output, report.machineNames[rows[i]->machine]);
  }
}

void putNameGroup(Output* output, const Report& report, const char* title,
                  const std::vector<const ReportRow*>& rows) {
  if (rows.empty()) return;
  putFormat(output, "<h3>%s (%lu)</h3>%s<p>", title, static_cast<unsigned long>(rows.size()),
            kFileLineEnd);
  putNames(output, report, rows, 0, kOpenNames);
  if (rows.size() > kOpenNames) {
    putFormat(output, "</p>%s<details><summary>%lu more</summary><p>", kFileLineEnd,
              static_cast<unsigned long>(rows.size() - kOpenNames));
    putNames(output, report, rows, kOpenNames, rows.size());
    put(output, "</p></details>");
  } else {
    put(output, "</p>");
  }
  put(output, kFileLineEnd);
}
