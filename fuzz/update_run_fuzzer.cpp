// Fuzzes the whole run with a failing platform call: an arbitrary script and
// version.id, in place or staged, on an arbitrary Windows version, with the
// platform call chosen by the input made to fail. Whatever fails, the run must
// close what it opens, end with a status it can explain, and leave the log
// holding whole records only.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "app/run_update.h"
#include "fake_platform.h"
#include "fuzz_check.h"

namespace {

constexpr long kMostCalls = 160;

int32_t valueOf(const std::string& line) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : line) hash = (hash ^ c) * 16777619u;
  return static_cast<int32_t>(hash);
}

// "MM-DD-YYYY HH:MM:SS,Update=...,New=...,Status=...,ReturnCode=N " and CR LF.
// Returns the return code's text.
std::string checkRecord(const std::string& line) {
  FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0 &&
                 line.find('\n') == line.size() - 1,
             "a record is one whole CR LF line");
  FUZZ_CHECK(line.compare(0, 20, "11-02-2006 09:05:07,") == 0, "a record starts with the date and time");
  size_t code = line.rfind(",ReturnCode=");
  size_t status = line.rfind(",Status=");
  FUZZ_CHECK(code != std::string::npos && status != std::string::npos && status < code,
             "a record ends with Status and ReturnCode");
  std::string value = line.substr(code + 12, line.size() - code - 12 - 3);
  std::string word = line.substr(status + 8, code - status - 8);
  FUZZ_CHECK(word == (value == "0" ? "Success" : "Unknown"), "Success exactly for 0");
  FUZZ_CHECK(line.compare(line.size() - 3, 3, " \r\n") == 0, "a record ends with a space");
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  bool staged = input.ConsumeBool();
  long failing = input.ConsumeIntegralInRange<long>(-1, kMostCalls);
  const platform::VersionInfo versions[] = {
      {4, 0, 2, 0}, {5, 0, 2, 0}, {5, 0, 2, 0x80}, {5, 1, 2, 0x100}, {5, 2, 2, 0x100}, {6, 1, 2, 0x100}};
  platform::VersionInfo version = versions[input.ConsumeIntegralInRange(0, 5)];
  bool wow64 = input.ConsumeBool();
  std::string versionId = input.ConsumeRandomLengthString(300);
  std::string script = input.ConsumeRemainingBytesAsString();

  fake::reset();
  fake::State& state = fake::state();
  state.version = version;
  state.wow64 = wow64;
  state.failCallNumber = failing;
  state.commandRunner = [](const fake::CommandRun& run) { return valueOf(run.line); };
  std::string updateDir = staged ? "D:\\upd\\" : "C:\\work\\";
  fake::addFile(updateDir + "qnInst.cfg", script);
  fake::addFile(updateDir + "version.id", versionId);
  fake::addFile(updateDir + "setup.exe", "MZ");
  fake::addFile(updateDir + "sub\\tool.exe", "MZ", fake::kAttributeReadOnly);
  fake::addFile("C:\\work\\version.id", versionId);

  const char* argv[3] = {"qnUpdate", staged ? "D:\\upd" : nullptr, nullptr};
  int32_t status = runUpdate(staged ? 2 : 1, argv);

  bool failed = failing >= 0 && static_cast<size_t>(failing) < state.calls.size();
  std::string failedCall = failed ? state.calls[failing] : "";
  FUZZ_CHECK(state.openFiles.empty(), "every file opened is closed");
  FUZZ_CHECK(state.listings.empty(), "every listing is closed");
  if (failedCall != "writeConsole") {
    FUZZ_CHECK(model::wholeCrLfLines(state.console), "the console holds whole CR LF lines");
  }

  bool commandValue = !state.commands.empty() && status == valueOf(state.commands.back().line);
  FUZZ_CHECK(commandValue || status == 1 || status == 9 || (failedCall == "runCommand" && status == state.startError),
             "the status is the last command's value, a start error, 1 or 9");
  if (!state.commands.empty() && status == 9 && failedCall != "runCommand") {
    FUZZ_CHECK(valueOf(state.commands.back().line) == 9, "after a command, 9 only as its value");
  }

  std::string log = fake::fileContent("C:\\QNLOG\\QN.log");
  if (log.empty()) return 0;
  std::string code = checkRecord(log);
  if (staged) {
    FUZZ_CHECK(status == 1 && code == "1", "a staged run logs only a working directory it cannot read");
  } else if (status != 1) {
    FUZZ_CHECK(code == std::to_string(status), "the record holds the exit status");
  }
  return 0;
}
