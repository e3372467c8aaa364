// qnReport's rules over the fake platform: which attempt of a machine is the
// latest, what state each machine is in at a version, how a log's path names
// its machine, what a read that fails part-way leaves, the dates of the
// report, and the history: the state as of a moment, and day by day.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "report/find/machine_names.h"
#include "report/model/fleet.h"
#include "report/model/machine_state.h"
#include "report/model/report_time.h"
#include "report/output/progress.h"
#include "report/output/read_messages.h"
#include "report/output/rollout_progress.h"
#include "report/read/log_file.h"

namespace {

// A record as qnUpdate writes it, dated "MM-DD-YYYY HH:MM:SS".
std::string record(const char* date, const char* newValue, int code, const char* update = "4.1") {
  return std::string(date) + ",Update=" + update + ",New=" + newValue +
         (code == 0 ? ",Status=Success" : ",Status=Unknown") + ",ReturnCode=" + std::to_string(code) +
         " \r\n";
}

LogResult readLog(const std::string& path, const std::string& text,
                  const ReadRules& rules = ReadRules{false, true, kNoMoment, kNoMoment, kNoMoment}) {
  fake::addFile(path, text);
  static LogLines lines;
  LogResult result{};
  readLogFile(path.c_str(), &lines, rules, &result);
  return result;
}

class FleetRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  // Reads the logs of one machine, in this order, into the fleet: each a log
  // of its own kind, in a folder of its own.
  uint32_t machineWithLogs(const std::vector<std::string>& logs, const char* name = "PC01",
                           LogKind kind = kNamedLog) {
    uint32_t machine = machineNamed(&fleet, name);
    for (const std::string& text : logs) {
      std::string folder = kind == kNamedLog ? "C:\\logs\\" + std::to_string(rank) : "C:\\QNLOG";
      add(machine, readLog(folder + "\\" + std::to_string(rank) + ".log", text), folder, kind);
    }
    return machine;
  }

  void add(uint32_t machine, const LogResult& result, const std::string& folder = "C:\\logs",
           LogKind kind = kNamedLog) {
    addLog(&fleet, machine, rank++, result, LogPlace{&folder, kind});
  }

  uint32_t version(const char* newValue) { return fleet.versionByValue.at(newValue); }

  // The machine's state at a version, and whether it has a row there.
  VersionState stateOf(uint32_t machine, const char* newValue, bool* row = nullptr) {
    VersionState state = {};
    uint32_t installed = latestInstalledVersion(fleet, machine, rules.codes);
    bool hasRow = stateAt(fleet, machine, version(newValue), installed, rules, &state);
    if (row != nullptr) *row = hasRow;
    return state;
  }

  Fleet fleet;
  StateRules rules = {{}, false, 20070201000000};
  uint32_t rank = 0;
};

// Each sentence of the rule of the latest attempt, with the logs read in the
// order that the rule must overrule.
TEST_F(FleetRulesTest, WithinOneLogALaterLineIsALaterAttemptWhateverTheClockSaid) {
  uint32_t pc = machineWithLogs({record("01-05-2007 10:00:00", "4.2", 1603) +
                                 record("01-03-2007 10:00:00", "4.2", 0)});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
}

TEST_F(FleetRulesTest, ARecordIsOrderedByTheLatestDateOfItsLogUpToIt) {
  // The success after the clock went back is ordered 01-05, after the other
  // log's restart of 01-04.
  uint32_t pc = machineWithLogs({record("01-05-2007 10:00:00", "4.2", 1603) +
                                     record("01-01-2007 10:00:00", "4.2", 0),
                                 record("01-04-2007 10:00:00", "4.2", 3010)});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
}

TEST_F(FleetRulesTest, AcrossLogsTheGreatestOrderWinsOverTheLogReadLater) {
  uint32_t pc = machineWithLogs({record("01-04-2007 10:00:00", "4.2", 0),
                                 record("01-03-2007 10:00:00", "4.2", 1603)});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
}

TEST_F(FleetRulesTest, AtTheSameOrderTheLaterPlaceInItsLogWins) {
  uint32_t pc = machineWithLogs({record("01-05-2007 10:00:00", "4.3", 0) +
                                     record("01-05-2007 10:00:00", "4.2", 0),
                                 record("01-05-2007 10:00:00", "4.2", 1603)});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
}

TEST_F(FleetRulesTest, AtTheSameOrderAndPlaceTheLogReadLaterWins) {
  uint32_t pc = machineWithLogs({record("01-05-2007 10:00:00", "4.2", 1603),
                                 record("01-05-2007 10:00:00", "4.2", 0)});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
}

TEST_F(FleetRulesTest, CopiesOfOneLogCountTheirAttemptsOnceAndOtherLogsAddTheirs) {
  std::string first = record("01-02-2007 10:00:00", "4.2", 1603);
  std::string second = record("01-03-2007 10:00:00", "4.2", 1603);
  uint32_t pc = machineWithLogs({first + second, first + second + record("01-04-2007 10:00:00", "4.2", 0),
                                 first, record("12-30-2006 10:00:00", "4.2", 1618)});
  const MachineVersion& state = *stateOf(pc, "4.2").attempts;
  EXPECT_EQ(attemptsOf(fleet, pc, state), 4u);  // three in the longest copy, one in the rotated log
  EXPECT_EQ(state.last.code, 0);
}

TEST_F(FleetRulesTest, AFoldersRotatedLogsComeBeforeItsCurrentLogWhateverTheirDates) {
  // The current log was written after the clock was reset to 1980; a copy of
  // the rotated log collected elsewhere is still ordered by its dates.
  uint32_t pc = machineWithLogs({record("11-02-2026 10:00:00", "4.2", 1603)}, "PC01", kRotatedLog);
  machineWithLogs({record("01-01-1980 00:10:00", "4.2", 0)}, "PC01", kCurrentLog);
  EXPECT_EQ(stateOf(pc, "4.2").kind, kInstalled);
  EXPECT_FALSE(fleet.machines[pc].startsDiffer);

  uint32_t copy = machineWithLogs({record("11-02-2026 10:00:00", "4.2", 1603)}, "PC02");
  machineWithLogs({record("01-01-1980 00:10:00", "4.2", 0)}, "PC02");
  EXPECT_EQ(stateOf(copy, "4.2").kind, kFailed);
  EXPECT_TRUE(fleet.machines[copy].startsDiffer);
}

// Each kind of row.
TEST_F(FleetRulesTest, TheLatestAttemptsCodeDecidesTheState) {
  rules.codes.success = {1605};
  rules.codes.restart = {3011};
  const struct {
    int code;
    MachineState kind;
  } cases[] = {{0, kInstalled},    {1707, kInstalled}, {1605, kInstalled}, {3010, kRestart},
               {1641, kRestart},   {3011, kRestart},   {1603, kFailed},    {1, kFailed},
               {-1073741819, kFailed}};
  for (const auto& test : cases) {
    std::string name = "PC" + std::to_string(test.code);
    uint32_t pc = machineWithLogs({record("01-05-2007 10:00:00", "4.2", test.code)}, name.c_str());
    EXPECT_EQ(stateOf(pc, "4.2").kind, test.kind) << test.code;
  }
}

TEST_F(FleetRulesTest, AMachineThatInstalledALaterDottedVersionIsSuperseded) {
  uint32_t later = machineWithLogs({record("01-05-2007 10:00:00", "4.3", 3010)}, "LATER");
  uint32_t failed = machineWithLogs({record("01-05-2007 10:00:00", "4.3", 1603)}, "FAILED");
  uint32_t named = machineWithLogs({record("01-05-2007 10:00:00", "beta", 0)}, "NAMED");
  machineWithLogs({record("01-04-2007 10:00:00", "4.2", 0)}, "OTHER");
  bool row = false;
  VersionState state = stateOf(later, "4.2", &row);
  EXPECT_TRUE(row);
  EXPECT_EQ(state.kind, kSuperseded);
  EXPECT_EQ(state.supersededBy, version("4.3"));
  EXPECT_FALSE(stateOf(failed, "4.2", &row).kind == kSuperseded || row);
  EXPECT_FALSE(stateOf(named, "4.2", &row).kind == kSuperseded || row);
}

TEST_F(FleetRulesTest, AListedMachineWithoutARecordSaysWhetherItsLogWasFound) {
  uint32_t other = machineWithLogs({record("01-04-2007 10:00:00", "4.1", 0)}, "OTHER");
  machineWithLogs({record("01-04-2007 10:00:00", "4.2", 0)}, "PC01");
  uint32_t silent = machineNamed(&fleet, "SILENT");
  bool row = true;
  stateOf(other, "4.2", &row);
  EXPECT_FALSE(row);  // without --hosts, no row
  rules.hostsListed = true;
  VersionState state = stateOf(other, "4.2", &row);
  EXPECT_TRUE(row);
  EXPECT_EQ(state.kind, kNoRecord);
  EXPECT_TRUE(state.logFound);
  state = stateOf(silent, "4.2", &row);
  EXPECT_TRUE(row);
  EXPECT_EQ(state.kind, kNoRecord);
  EXPECT_FALSE(state.logFound);
}

TEST_F(FleetRulesTest, AMachineWithALogThatCouldNotBeReadIsUnreadableAtEveryVersion) {
  uint32_t pc = machineWithLogs({record("01-04-2007 10:00:00", "4.2", 0)});
  add(pc, LogResult{kReadTimedOut, false, {}, 0, {}});
  EXPECT_EQ(stateOf(pc, "4.2").kind, kUnreadable);
  EXPECT_EQ(fleet.machines[pc].unreadable, kReadTimedOut);
}

TEST_F(FleetRulesTest, ARecordOfTheVersionDatedAfterTheLimitFlagsItsClockAhead) {
  uint32_t at = machineWithLogs({record("02-01-2007 00:00:00", "4.2", 0)}, "AT");
  uint32_t after = machineWithLogs({record("02-01-2007 00:00:01", "4.2", 0)}, "AFTER");
  // Another version's record ahead orders the later one, but flags only its own.
  uint32_t other = machineWithLogs({record("02-05-2007 10:00:00", "4.3", 0) +
                                    record("01-05-2007 10:00:00", "4.2", 1603)},
                                   "OTHER");
  EXPECT_FALSE(stateOf(at, "4.2").clockAhead);
  EXPECT_TRUE(stateOf(after, "4.2").clockAhead);
  EXPECT_FALSE(stateOf(other, "4.2").clockAhead);
  EXPECT_TRUE(stateOf(other, "4.3").clockAhead);
}

TEST_F(FleetRulesTest, VersionsAreComparedWithoutTheBlanksAtTheirEnds) {
  uint32_t pc = machineWithLogs({record("01-04-2007 10:00:00", "4.2", 0, " 4.1\t") +
                                 record("01-05-2007 10:00:00", "4.2 ", 1603, "4.1")});
  ASSERT_EQ(fleet.versions.size(), 1u);
  EXPECT_EQ(fleet.versions[0].newValue, "4.2");
  const MachineVersion& state = *stateOf(pc, "4.2").attempts;
  EXPECT_EQ(state.last.code, 1603);
  EXPECT_EQ(attemptsOf(fleet, pc, state), 2u);
  EXPECT_EQ(fleet.pairs[state.last.pair].updateValue, "4.1");
}

// A read that fails part-way keeps what came before it, and makes its machine
// unreadable.
TEST_F(FleetRulesTest, AReadThatFailsInTheMiddleOfALogKeepsItsRecordsAndTellsWhy) {
  std::string line = record("01-04-2007 10:00:00", "4.2", 0);
  std::string text;
  while (text.size() < 2 * kLogReadSize) text += line;
  fake::state().failCallNumber = 2;  // the open, the first read, then this one
  LogResult result = readLog("C:\\logs\\big.log", text);
  EXPECT_TRUE(result.opened);
  EXPECT_EQ(result.failure, kReadFailed);
  EXPECT_EQ(result.summary.records, kLogReadSize / line.size());

  Progress progress = {};
  sayLogRead(&progress, "C:\\logs\\big.log", "big", result, true, false);
  EXPECT_EQ(fake::state().errors, "qnReport: cannot read all of C:\\logs\\big.log: cannot be read\r\n");
  uint32_t pc = machineNamed(&fleet, "big");
  add(pc, result);
  EXPECT_EQ(fleet.machines[pc].unreadable, kReadFailed);
  EXPECT_EQ(fleet.records, result.summary.records);
}

// As of a moment, a log counts its lines while the latest date it has shown,
// records ahead left out, is not past the moment: a line after a later-dated
// one is not counted before it.
TEST_F(FleetRulesTest, AsOfAMomentALogCountsItsLinesUntilItsDatesPassIt) {
  std::string log = record("01-10-2007 09:00:00", "4.2", 1603) +
                    record("01-02-2030 09:00:00", "4.2", 0) +  // ahead: no history
                    record("01-15-2007 09:00:00", "4.2", 0) +
                    record("01-25-2007 09:00:00", "4.2", 1618) +
                    record("01-19-2007 09:00:00", "4.2", 3010);  // the clock set back
  const struct {
    RecordMoment cutoff;
    RecordMoment since;
    MachineState now;
    MachineState then;  // kNoRecord: no attempt by then
  } readings[] = {{kNoMoment, 20070112000000, kRestart, kFailed},
                  {kNoMoment, 20070115090000, kRestart, kInstalled},
                  {kNoMoment, 20070120000000, kRestart, kInstalled},
                  {kNoMoment, 20070109000000, kRestart, kNoRecord},
                  {20070120235959, kNoMoment, kInstalled, kNoRecord},
                  {20070125085959, kNoMoment, kInstalled, kNoRecord},
                  {20070125090000, kNoMoment, kRestart, kNoRecord}};
  for (const auto& test : readings) {
    SCOPED_TRACE(std::to_string(test.cutoff) + " " + std::to_string(test.since));
    SetUp();
    fleet = Fleet();
    uint32_t pc = machineNamed(&fleet, "PC01");
    ReadRules reading = {false, true, 20070129000000, test.cutoff, test.since};
    add(pc, readLog("C:\\logs\\PC01.log", log, reading));
    EXPECT_EQ(stateOf(pc, "4.2").kind, test.now);
    VersionState then = {};
    const ThenAttempt* attempt = nullptr;
    uint32_t installed = latestInstalledThen(fleet, pc, rules.codes);
    if (stateThenAt(fleet, pc, version("4.2"), installed, rules, &then, &attempt)) {
      EXPECT_EQ(then.kind, test.then);
    } else {
      EXPECT_EQ(kNoRecord, test.then);
    }
    EXPECT_TRUE(fleet.machines[pc].wrongClock);
  }
}

// The progress of a version day by day, or by weeks from a Monday when the
// rollout is long; the machines whose clocks cannot be trusted left out.
TEST_F(FleetRulesTest, ARolloutIsCountedByDayOrByWeekWithoutTheWrongClocks) {
  machineWithLogs({record("01-03-2007 09:00:00", "4.2", 1603) +
                   record("01-03-2007 11:00:00", "4.2", 1618) +  // the same day: the later counts
                   record("01-05-2007 09:00:00", "4.2", 0)}, "PC01");
  machineWithLogs({record("01-04-2007 09:00:00", "4.2", 3010) +
                   record("01-07-2007 09:00:00", "4.2", 0, "4.0")}, "PC02");  // from another version
  machineWithLogs({record("01-01-1980 00:05:00", "4.2", 0)}, "PC03");  // a clock reset
  machineWithLogs({record("01-06-2007 09:00:00", "4.2", 0) +
                   record("01-04-2007 09:00:00", "4.2", 1603)}, "PC04");  // a clock set back
  ReportRequest request = {{}, nullptr, nullptr, nullptr};
  auto progressAt = [&](RecordMoment madeAt) {
    Report report;
    buildReport(&fleet, &request, &rules, ReportDates{madeAt, false, kNoMoment}, &report);
    return versionProgress(report, versionRows(report, report.versions[0]));
  };
  VersionProgress byDay = progressAt(20070108120000);
  EXPECT_EQ(byDay.daysPerBar, 1u);
  EXPECT_EQ(byDay.wrongClock, 2u);
  ASSERT_EQ(byDay.bars.size(), 6u);
  EXPECT_EQ(byDay.bars[0].firstDay, dayOf(2007, 1, 3));
  const unsigned long expected[][3] = {{0, 0, 1}, {0, 1, 1}, {1, 1, 0},
                                       {1, 1, 0}, {2, 0, 0}, {2, 0, 0}};
  for (size_t i = 0; i < 6; ++i) {
    const ProgressBar& bar = byDay.bars[i];
    EXPECT_EQ((std::vector<unsigned long>{bar.installed, bar.restart, bar.failed}),
              (std::vector<unsigned long>(expected[i], expected[i] + 3)))
        << i;
  }

  // Ten months: weeks, the first from Monday 2006-02-27.
  machineWithLogs({record("03-01-2006 09:00:00", "4.2", 0)}, "PC05");
  VersionProgress byWeek = progressAt(20070108120000);
  EXPECT_EQ(byWeek.daysPerBar, 7u);
  EXPECT_EQ(byWeek.bars.front().firstDay, dayOf(2006, 2, 27));
  EXPECT_EQ(byWeek.bars.size(), 46u);
  EXPECT_EQ(byWeek.bars.back().installed, 3u);
}

TEST(MachineNamesTest, ALogsPathNamesItsMachineAndWhatTheLogIsToIt) {
  fake::reset();
  const struct {
    const char* path;
    bool besideCurrentLog;
    const char* machine;
    LogKind kind;
  } cases[] = {
      {"C:\\fleet\\PC01.log", false, "PC01", kNamedLog},
      {"C:\\fleet\\pc02.LOG", false, "pc02", kNamedLog},
      {"C:\\fleet\\QNB-0001.log", false, "QNB-0001", kNamedLog},
      {"C:\\fleet\\QN_PC04.log", false, "QN_PC04", kNamedLog},
      {"C:\\fleet\\PC03\\QN.log", true, "PC03", kCurrentLog},
      {"C:\\fleet\\PC04\\QNLOG\\QN.log", true, "PC04", kCurrentLog},
      {"C:\\fleet\\PC05\\qnlog\\qn-2023.LOG", false, "PC05", kRotatedLog},
      {"C:\\fleet\\PC05\\QN.old.log", true, "PC05", kRotatedLog},
      {"C:\\fleet\\PC05\\QN_1.log", true, "PC05", kRotatedLog},
      {"C:\\fleet\\QN-2025.log", false, "QN-2025", kNamedLog},
      {"C:\\fleet\\PC05\\QN.log.log", true, "PC05", kRotatedLog},
      {"C:\\fleet\\PC05\\QNX.log", true, "QNX", kNamedLog},
      {"\\\\PC06\\C$\\QNLOG\\QN.log", true, "PC06", kCurrentLog},
      {"\\\\PC07\\d$\\QNLOG\\QN.log", true, "PC07", kCurrentLog},
      {"\\\\PC08\\ADMIN$\\QNLOG\\QN.log", true, "PC08", kCurrentLog},
      {"C:\\fleet\\PC09\\QNLOG - Copy\\QN.log", true, "PC09", kCurrentLog},
      {"C:\\fleet\\PC10\\QN$\\QN.log", true, "QN$", kCurrentLog},
      {"fleet/PC11/QN.log", true, "PC11", kCurrentLog},
      {"QN.log", true, "work", kCurrentLog},
      {"..\\PC12\\QNLOG\\..\\QN.log", true, "PC12", kCurrentLog},
      {"C:\\QNLOG\\QN.log", true, "QN", kCurrentLog},
  };
  for (const auto& test : cases) {
    LogOwner owner = ownerOfLog(test.path, "C:\\work", test.besideCurrentLog);
    EXPECT_EQ(owner.machine, test.machine) << test.path;
    EXPECT_EQ(owner.kind, test.kind) << test.path;
  }
  const struct {
    const char* path;
    const char* machine;
  } folders[] = {{"C:\\fleet\\PC01\\QNLOG", "PC01"},      {"\\\\PC02\\C$", "PC02"},
                 {"C:\\fleet\\PC03\\C$\\QNLOG\\old", "PC03"}, {"C:\\fleet\\PC04", ""},
                 {"C:\\fleet", ""}};
  for (const auto& test : folders) {
    EXPECT_EQ(machineOfFolder(test.path, "C:\\work"), test.machine) << test.path;
  }
}

// A folder names a machine only where it is or lies in the machine's QNLOG
// folder or administrative share; any other folder may hold any machine's.
TEST(MachineNamesTest, AFolderNamesItsMachineOnlyBelowQnlogOrAnAdministrativeShare) {
  fake::reset();
  const struct {
    const char* path;
    const char* machine;
  } cases[] = {
      {"C:\\fleet\\PC01\\QNLOG", "PC01"},
      {"C:\\fleet\\PC02\\qnlog\\old", "PC02"},
      {"\\\\PC03\\C$", "PC03"},
      {"\\\\PC04\\ADMIN$\\QNLOG", "PC04"},
      {"X:\\PC05\\C$\\Windows", "PC05"},
      {"C:\\fleet\\PC06", ""},
      {"\\\\server\\logs\\wave1", ""},
      {"C:\\QNLOG", ""},
      {"QNLOG", "work"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(machineOfFolder(test.path, "C:\\work"), test.machine) << test.path;
  }
  EXPECT_EQ(lastPathPart("C:\\fleet\\PC06\\", "C:\\work"), "PC06");
  EXPECT_EQ(lastPathPart("..\\PC07\\.", "C:\\work\\fleet"), "PC07");
}

TEST(ReportTimeTest, DatesFollowTheCalendar) {
  const struct {
    RecordMoment moment;
    RecordMoment next;
  } days[] = {{20070128160000, 20070129160000}, {20070131235959, 20070201235959},
              {20061231000000, 20070101000000}, {20080228120000, 20080229120000},
              {20090228120000, 20090301120000}, {20000228000000, 20000229000000},
              {21000228000000, 21000301000000}, {20080229000000, 20080301000000}};
  for (const auto& test : days) EXPECT_EQ(dayAfter(test.moment), test.next) << test.moment;

  const struct {
    const char* epoch;
    const char* text;
  } epochs[] = {{"1170000000", "2007-01-28 16:00:00 +00:00"},
                {"951782400", "2000-02-29 00:00:00 +00:00"},
                {"4107542399", "2100-02-28 23:59:59 +00:00"},
                {"0", "1970-01-01 00:00:00 +00:00"},
                {"12x", "2006-11-02 09:05:07 +01:00"}};
  for (const auto& test : epochs) {
    fake::reset();
    fake::state().environment.push_back(std::string("SOURCE_DATE_EPOCH=") + test.epoch);
    ReportTime now;
    reportTime(&now);
    EXPECT_STREQ(now.text, test.text) << test.epoch;
  }
}

// --since names the start of its day or minute, --as-of its end.
TEST(ReportTimeTest, DatesGivenNameADayOrAMinuteOfTheCalendar) {
  const struct {
    const char* text;
    RecordMoment start;  // 0: not a date
    RecordMoment end;
  } dates[] = {{"2007-01-20", 20070120000000, 20070120235959},
               {"2007-01-20 16:05", 20070120160500, 20070120160559},
               {"2007-01-20T16:05", 20070120160500, 20070120160559},
               {"today", 20080301000000, 20080301235959},
               {"yesterday", 20080229000000, 20080229235959},
               {"2008-02-29", 20080229000000, 20080229235959},
               {"2007-02-29", 0, 0},
               {"2007-13-01", 0, 0},
               {"2007-00-10", 0, 0},
               {"2007-1-20", 0, 0},
               {"2007-01-20 24:00", 0, 0},
               {"2007-01-20 16:60", 0, 0},
               {"2007-01-20 16:05:00", 0, 0},
               {"20070120", 0, 0},
               {"", 0, 0}};
  for (const auto& test : dates) {
    RecordMoment start = 0, end = 0;
    bool read = parseReportDate(test.text, 20080301093000, kStartOfDate, &start);
    EXPECT_EQ(read, test.start != 0) << test.text;
    EXPECT_EQ(parseReportDate(test.text, 20080301093000, kEndOfDate, &end), read) << test.text;
    if (!read) continue;
    EXPECT_EQ(start, test.start) << test.text;
    EXPECT_EQ(end, test.end) << test.text;
    EXPECT_EQ(dateText(start), dateText(end)) << test.text;
  }
  EXPECT_EQ(dateText(20070120160500), "2007-01-20 16:05");
}

}  // namespace
