// Fuzzes reading version.id and appending the result record: arbitrary
// version.id bytes, run result, local time, earlier log content and
// "systemdrive" value. Either exactly one whole record of the expected text is
// appended to the log, or the log is left alone with the message that says why.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>

#include "fake_platform.h"
#include "fuzz_check.h"
#include "log/result_log.h"

namespace {

constexpr size_t kVersionValueCharacters = 127;
constexpr size_t kLongestRecord = 325;

std::string twoDigits(int value) { return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value); }

// The record for these version.id bytes, built apart from the program's own
// formatting.
std::string expectedRecord(const std::string& versionBytes, const platform::LocalTime& t,
                           int32_t result) {
  std::string text = model::textStream(reinterpret_cast<const uint8_t*>(versionBytes.data()),
                                       versionBytes.size());
  size_t position = 0;
  std::string values[2];
  for (std::string& value : values) {
    std::string piece;
    if (!model::nextPiece(text, &position, kVersionValueCharacters, &piece)) continue;
    value = model::asCText(piece);
    if (!value.empty() && value.back() == '\n') value.pop_back();
  }
  return twoDigits(t.month) + "-" + twoDigits(t.day) + "-" + twoDigits(t.year) + " " +
         twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second) +
         ",Update=" + values[0] + ",New=" + values[1] +
         ",Status=" + (result == 0 ? "Success" : "Unknown") +
         ",ReturnCode=" + std::to_string(result) + " \r\n";
}

bool isDigits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size()) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

// MM-DD-YYYY HH:MM:SS,Update=...,New=...,Status=Success|Unknown,ReturnCode=N CR LF
void checkRecordShape(const std::string& record) {
  FUZZ_CHECK(record.size() <= kLongestRecord + 2, "a record is at most 325 characters and CR LF");
  FUZZ_CHECK(model::wholeCrLfLines(record) && record.find('\n') == record.size() - 1,
             "a record is one whole line");
  FUZZ_CHECK(isDigits(record, 0, 2) && record[2] == '-' && isDigits(record, 3, 2) &&
                 record[5] == '-' && isDigits(record, 6, 4) && record[10] == ' ',
             "the record starts with the date");
  FUZZ_CHECK(isDigits(record, 11, 2) && record[13] == ':' && isDigits(record, 14, 2) &&
                 record[16] == ':' && isDigits(record, 17, 2),
             "the date is followed by the time");
  FUZZ_CHECK(record.compare(19, 8, ",Update=") == 0, "then the Update field");
  size_t status = record.rfind(",Status=");
  FUZZ_CHECK(status != std::string::npos && record.find(",New=", 27) < status, "then New and Status");
  std::string tail = record.substr(status);
  const size_t fieldsLength = sizeof ",Status=Success,ReturnCode=" - 1;
  FUZZ_CHECK(tail.size() > fieldsLength + 3 && tail.compare(tail.size() - 3, 3, " \r\n") == 0,
             "the record ends with the return code, a space and CR LF");
  bool success = tail.compare(0, fieldsLength, ",Status=Success,ReturnCode=") == 0;
  FUZZ_CHECK(success || tail.compare(0, fieldsLength, ",Status=Unknown,ReturnCode=") == 0,
             "Status is Success or Unknown");
  std::string code = tail.substr(fieldsLength, tail.size() - fieldsLength - 3);
  size_t digits = code.size() > 0 && code[0] == '-' ? 1 : 0;
  FUZZ_CHECK(code.size() > digits && isDigits(code, digits, code.size() - digits), "ReturnCode is a number");
  FUZZ_CHECK(success == (code == "0"), "Success exactly when the code is 0");
}

// The files and directories, with their contents.
bool sameTree(const std::map<std::string, fake::Node>& a, const std::map<std::string, fake::Node>& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
    if (i->first != j->first || i->second.isDirectory != j->second.isDirectory ||
        i->second.content != j->second.content) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int32_t result = input.ConsumeIntegral<int32_t>();
  platform::LocalTime now;
  now.year = input.ConsumeIntegralInRange(1601, 9999);
  now.month = input.ConsumeIntegralInRange(1, 12);
  now.day = input.ConsumeIntegralInRange(1, 31);
  now.hour = input.ConsumeIntegralInRange(0, 23);
  now.minute = input.ConsumeIntegralInRange(0, 59);
  now.second = input.ConsumeIntegralInRange(0, 59);
  bool ownDrive = input.ConsumeBool();
  bool earlierLog = input.ConsumeBool();
  bool endsWithCtrlZ = input.ConsumeBool();
  bool versionFile = input.ConsumeBool() || input.remaining_bytes() == 0;
  std::string drive = ownDrive ? input.ConsumeRandomLengthString(160) : "C:";
  drive.resize(drive.find('\0') == std::string::npos ? drive.size() : drive.find('\0'));
  std::string versionBytes = input.ConsumeRemainingBytesAsString();

  fake::reset();
  fake::State& state = fake::state();
  state.localTime = now;
  if (ownDrive) state.environment = {"Path=C:\\WINDOWS", "systemdrive=" + drive};
  if (versionFile) fake::addFile("C:\\work\\version.id", versionBytes);
  std::string earlier = "01-02-2003 04:05:06,Update=1,New=2,Status=Success,ReturnCode=0 \r\n";
  if (endsWithCtrlZ) earlier += '\x1A';
  if (earlierLog) fake::addFile("C:\\QNLOG\\QN.log", earlier);
  std::map<std::string, fake::Node> before = state.nodes;

  int outcome = writeResultRecord(result);

  std::string logPath = fake::absolutePath(drive + "\\QNLOG\\QN.log");
  std::string lockPath = fake::absolutePath(drive + "\\QNLOG\\QN.lck");
  std::string oldContent = before.count(logPath) != 0 ? before[logPath].content : "";
  if (!oldContent.empty() && oldContent.back() == '\x1A') oldContent.pop_back();
  for (const auto& [path, node] : state.nodes) {
    if (path == logPath || node.isDirectory || (path == lockPath && node.content.empty())) continue;
    FUZZ_CHECK(before.count(path) != 0 && before[path].content == node.content,
               "no file but the log changes (and its lock file is made, empty)");
  }
  FUZZ_CHECK(state.openFiles.empty(), "every file opened is closed");

  if (!versionFile) {
    FUZZ_CHECK(outcome == kNoVersionFile, "no version.id, no record");
    FUZZ_CHECK(state.console == "qnLogger: Cannot Read Version.id file\r\n", "the version.id message");
    FUZZ_CHECK(sameTree(state.nodes, before), "the log is not touched");
    return 0;
  }
  if (outcome == kLogFailed) {
    FUZZ_CHECK(ownDrive, "the log on C: always opens");
    FUZZ_CHECK(state.console == "Log File Creation Failed!\r\n", "the log failure message");
    FUZZ_CHECK(state.nodes.count(logPath) == 0 || state.nodes[logPath].content == oldContent ||
                   state.nodes[logPath].content == before[logPath].content,
               "a log that failed holds no part of a record");
    return 0;
  }
  FUZZ_CHECK(outcome == kRecordWritten, "the record is written");
  FUZZ_CHECK(state.console.empty(), "a written record prints nothing");
  const std::string& content = state.nodes.at(logPath).content;
  FUZZ_CHECK(content.compare(0, oldContent.size(), oldContent) == 0, "earlier records stay, without a final Ctrl-Z");
  std::string record = content.substr(oldContent.size());
  checkRecordShape(record);
  FUZZ_CHECK(record == expectedRecord(versionBytes, now, result), "the record holds the expected fields");
  return 0;
}
