// Fuzzes reading result records back, as qnReport does with every log line.
// The input is taken three times:
// - as one line: parseRecord must not read outside it, and a line it accepts
//   must be exactly the record qnUpdate writes for the fields it found;
// - as a whole log, read by qnReport's line reader: every record it accepts
//   is a piece of the log that a line end, a NUL or a 0x1A byte (or the log's
//   start) comes before, and that its line end or the log's end comes after,
//   so a torn record never joins the record after it;
// - as the values of a record (a code, then Update and New): the record
//   composeRecord makes from them must read back as those values.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/utf8_text.h"
#include "fake_platform.h"
#include "fuzz_check.h"
#include "log/record_format.h"
#include "log/result_log.h"
#include "report/read/log_lines.h"

namespace {

constexpr size_t kVersionValueCharacters = 127;

std::string composed(const RecordTime& time, const std::string& updateValue,
                     const std::string& newValue, int32_t code) {
  char date[16];
  char clock[16];
  formatTriple(time.month, time.day, time.year, kDateSeparator, date, sizeof date);
  formatTriple(time.hour, time.minute, time.second, kTimeSeparator, clock, sizeof clock);
  char record[kRecordSize];
  size_t length = composeRecord(date, clock, updateValue.c_str(), newValue.c_str(), code, record,
                                sizeof record);
  FUZZ_CHECK(length > 0 && length < sizeof record && record[length - 1] == '\n',
             "a record fits its buffer and ends with its line end");
  return std::string(record, length - 1);
}

void checkLine(const uint8_t* data, size_t size) {
  // A copy of exactly the line's bytes, so that the sanitizer sees any read past it.
  std::vector<char> line(data, data + size);
  ParsedRecord record;
  if (!parseRecord(line.data(), line.size(), &record)) return;
  const char* begin = line.data();
  const char* end = begin + line.size();
  FUZZ_CHECK(record.updateValue >= begin && record.updateValue + record.updateLength <= end &&
                 record.newValue >= begin && record.newValue + record.newLength <= end,
             "the fields lie in the line");
  std::string updateValue(record.updateValue, record.updateLength);
  std::string newValue(record.newValue, record.newLength);
  FUZZ_CHECK(newValue.find(kNewField) == std::string::npos, "New holds no later \",New=\"");
  // Lines the writer cannot make: a NUL byte, or a value longer than version.id gives.
  if (memchr(begin, '\0', line.size()) != nullptr || updateValue.size() > kVersionValueCharacters ||
      newValue.size() > kVersionValueCharacters) {
    return;
  }
  FUZZ_CHECK(composed(record.time, updateValue, newValue, record.returnCode) ==
                 std::string(begin, line.size()),
             "an accepted line is the record of its fields");
}

bool isMark(char c) { return c == '\0' || c == 0x1A; }

// The log's text as the reader gives it: after a UTF-8 byte-order mark, or
// turned from UTF-16 after a UTF-16 one.
std::string textOf(const std::string& log) {
  if (log.compare(0, 3, "\xEF\xBB\xBF") == 0) return log.substr(3);
  bool little = log.compare(0, 2, "\xFF\xFE") == 0;
  if (little || log.compare(0, 2, "\xFE\xFF") == 0) {
    return utf8FromUtf16(log.data() + 2, log.size() - 2, !little);
  }
  return log;
}

void checkLog(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  std::string log = textOf(file);
  size = log.size();
  fake::reset();
  fake::addFile("C:\\work\\QN.log", file);
  // Short reads, as over a slow share, cut the text anywhere.
  if (!file.empty()) fake::state().readLimit = 1 + static_cast<unsigned char>(file.back()) % 64;
  static LogLines lines;
  FUZZ_CHECK(openLogLines(&lines, "QN.log"), "the log opens");
  char* line;
  size_t length;
  bool whole;
  while (nextLogLine(&lines, &line, &length, &whole)) {
    ParsedRecord record;
    if (!whole || !parseRecord(line, length, &record)) continue;
    size_t at = static_cast<size_t>(lines.lineOffset);
    size_t end = at + length;
    FUZZ_CHECK(end <= size && log.compare(at, length, line, length) == 0,
               "a record is the log's own bytes");
    FUZZ_CHECK(std::none_of(line, line + length, isMark), "a record holds no NUL or 0x1A");
    FUZZ_CHECK(at == 0 || log[at - 1] == '\n' || isMark(log[at - 1]),
               "a record starts a line, or follows NUL or 0x1A bytes");
    FUZZ_CHECK(end == size || log[end] == '\n' || (log[end] == '\r' && end + 1 < size &&
                                                      log[end + 1] == '\n'),
               "a record ends with its line end, or the log");
  }
  closeLogLines(&lines);
}

void checkValues(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int32_t code = input.ConsumeIntegral<int32_t>();
  std::string updateValue = input.ConsumeRandomLengthString(kVersionValueCharacters);
  std::string newValue = input.ConsumeRemainingBytesAsString();
  // What version.id can give: no line feed, no NUL (the C text ends there), and
  // at most 127 characters.
  for (std::string* value : {&updateValue, &newValue}) {
    size_t end = std::min(value->find_first_of(std::string("\n\0", 2)), kVersionValueCharacters);
    if (end < value->size()) value->resize(end);
  }
  RecordTime time = {2006, 11, 2, 9, 5, 7};
  std::string line = composed(time, updateValue, newValue, code);
  ParsedRecord record;
  FUZZ_CHECK(parseRecord(line.data(), line.size(), &record), "every written record reads back");
  FUZZ_CHECK(record.returnCode == code, "the code reads back");
  FUZZ_CHECK(memcmp(&record.time, &time, sizeof time) == 0, "the date and time read back");
  if (newValue.find(kNewField) != std::string::npos) return;  // New is taken from its last ",New="
  FUZZ_CHECK(std::string(record.updateValue, record.updateLength) == updateValue,
             "Update reads back");
  FUZZ_CHECK(std::string(record.newValue, record.newLength) == newValue, "New reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  checkLine(data, size);
  checkLog(data, size);
  checkValues(data, size);
  return 0;
}
