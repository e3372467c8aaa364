// The report as CSV (RFC 4180): one row per machine and update, by update and
// then machine name, under the header
//   host,update,new,state,code,meaning,last_run,attempts
#include <cstdio>
#include <cstring>
#include <string>

#include "report/report.h"

// A field as it is, or in double quotes (each one inside doubled) when it holds
// a comma, a double quote, a CR or an LF.
static void putField(Output* output, const char* text, size_t length) {
  bool quoted = false;
  for (size_t i = 0; i < length && !quoted; ++i) {
    quoted = text[i] == ',' || text[i] == '"' || text[i] == '\r' || text[i] == '\n';
  }
  if (!quoted) {
    put(output, text, length);
    return;
  }
  put(output, "\"", 1);
  size_t start = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '"') continue;
    put(output, text + start, i + 1 - start);
    put(output, "\"", 1);
    start = i + 1;
  }
  put(output, text + start, length - start);
  put(output, "\"", 1);
}

static void putField(Output* output, const std::string& text) {
  putField(output, text.data(), text.size());
}

void writeCsvReport(const Report& report, Output* output) {
  putFormat(output, "host,update,new,state,code,meaning,last_run,attempts%s", kFileLineEnd);
  for (const ReportRow& row : report.rows) {
    const Update& update = report.fleet->updates[row.update];
    putField(output, report.fleet->machines[row.machine].name);
    put(output, ",", 1);
    putField(output, update.updateValue);
    put(output, ",", 1);
    putField(output, update.newValue);
    putFormat(output, ",%s,", stateName(row.kind));
    if (row.state == nullptr) {
      putFormat(output, ",,,0%s", kFileLineEnd);
      continue;
    }
    char meaning[128];
    describeCode(row.state->code, meaning, sizeof meaning);
    char moment[32];
    formatMoment(row.state->moment, moment, sizeof moment);
    putFormat(output, "%ld,", static_cast<long>(row.state->code));
    putField(output, meaning, strlen(meaning));
    putFormat(output, ",%s,%lu%s", moment, static_cast<unsigned long>(attemptsOf(*row.state)),
              kFileLineEnd);
  }
}
