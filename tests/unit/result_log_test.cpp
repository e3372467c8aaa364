// The result record and the log file, over the fake platform.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/run_update.h"
#include "fake_platform.h"
#include "log/result_log.h"

namespace {

const char kLogPath[] = "C:\\QNLOG\\QN.log";

class ResultLogTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  std::string compose(int32_t result, const char* updateValue = "4.1",
                      const char* newValue = "4.2") {
    char record[kRecordSize];
    size_t length = composeRecord("11-02-2006", "09:05:07", updateValue, newValue, result, record,
                                  sizeof record);
    EXPECT_EQ(strlen(record), length);
    return record;
  }

  // Writes a record for `result` with this version file in the current directory.
  std::string recordFor(const std::string& versionFile, int32_t result = 0) {
    fake::addFile("C:\\work\\version.id", versionFile);
    EXPECT_EQ(kRecordWritten, writeResultRecord(result));
    return fake::fileContent(kLogPath);
  }

  static std::string record(const std::string& updateValue, const std::string& newValue,
                            const std::string& tail = "Status=Success,ReturnCode=0") {
    return "11-02-2006 09:05:07,Update=" + updateValue + ",New=" + newValue + "," + tail + " \r\n";
  }

  fake::State& fs = fake::state();
  const char* noArguments[2] = {"qnUpdate", nullptr};
};

// --- Composing the record ------------------------------------------------------

TEST_F(ResultLogTest, SuccessForZero) {
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Success,ReturnCode=0 \n", compose(0));
}

TEST_F(ResultLogTest, UnknownForAnyOtherValue) {
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=9 \n", compose(9));
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=3010 \n",
            compose(3010));
}

TEST_F(ResultLogTest, NegativeValueIsWrittenInFull) {
  EXPECT_EQ(
      "11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=-1073741819 \n",
      compose(static_cast<int32_t>(0xC0000005u)));
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=-2147483648 \n",
            compose(INT32_MIN));
}

TEST_F(ResultLogTest, LongestRecordFits) {
  std::string longest(127, 'v');
  std::string text = compose(INT32_MIN, longest.c_str(), longest.c_str());
  EXPECT_EQ(326u, text.size());
  EXPECT_EQ(",ReturnCode=-2147483648 \n", text.substr(text.size() - 25));
}

TEST_F(ResultLogTest, TriplesArePaddedToTwoDigits) {
  char out[16];
  formatTriple(1, 2, 2007, '-', out, sizeof out);
  EXPECT_STREQ("01-02-2007", out);
  formatTriple(0, 0, 0, ':', out, sizeof out);
  EXPECT_STREQ("00:00:00", out);
  formatTriple(23, 59, 59, ':', out, sizeof out);
  EXPECT_STREQ("23:59:59", out);
}

TEST_F(ResultLogTest, RecordCarriesTheLocalTime) {
  fs.localTime = {2010, 1, 2, 0, 0, 0};
  EXPECT_EQ("01-02-2010 00:00:00,Update=a,New=b,Status=Success,ReturnCode=0 \r\n",
            recordFor("a\r\nb\r\n"));
}

// --- The version file ------------------------------------------------------------

TEST_F(ResultLogTest, MissingVersionFileLeavesTheLogAlone) {
  EXPECT_EQ(kNoVersionFile, writeResultRecord(0));
  EXPECT_EQ("qnLogger: Cannot Read Version.id file\r\n", fs.console);
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
}

TEST_F(ResultLogTest, MissingVersionFileLeavesAnExistingLogUntouched) {
  fake::addFile(kLogPath, "old\r\n\x1A");
  EXPECT_EQ(kNoVersionFile, writeResultRecord(0));
  EXPECT_EQ("old\r\n\x1A", fake::fileContent(kLogPath));
}

TEST_F(ResultLogTest, MissingVersionFileDoesNotChangeTheExitStatus) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fs.commandRunner = [](const fake::CommandRun&) { return 3010; };
  EXPECT_EQ(3010, runUpdate(1, noArguments));
  EXPECT_EQ(
      "a.exe doesn't exist in current directory\r\n"
      "qnLogger: Cannot Read Version.id file\r\n",
      fs.console);
  EXPECT_FALSE(fake::exists(kLogPath));
}

TEST_F(ResultLogTest, FirstLineOf127CharactersLeavesNewEmpty) {
  std::string first(127, 'u');
  EXPECT_EQ(record(first, ""), recordFor(first + "\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, FirstLineOf126CharactersLeavesNewItsLine) {
  std::string first(126, 'u');
  EXPECT_EQ(record(first, "4.2"), recordFor(first + "\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, LongerFirstLineContinuesIntoNew) {
  std::string first(127, 'u');
  std::string more(73, 'w');
  EXPECT_EQ(record(first, more), recordFor(first + more + "\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, VeryLongLinesAreCutTo127Characters) {
  std::string line(400, 'u');
  EXPECT_EQ(record(std::string(127, 'u'), std::string(127, 'u')), recordFor(line + "\r\n"));
}

TEST_F(ResultLogTest, EmptyVersionFileGivesEmptyValues) {
  EXPECT_EQ(record("", ""), recordFor(""));
}

TEST_F(ResultLogTest, EmptyLinesGiveEmptyValues) {
  EXPECT_EQ(record("", "4.2"), recordFor("\r\n4.2\r\n"));
  fake::reset();
  EXPECT_EQ(record("4.1", ""), recordFor("4.1\r\n\r\n"));
}

TEST_F(ResultLogTest, OnlyOneLine) {
  EXPECT_EQ(record("4.1", ""), recordFor("4.1\r\n"));
  fake::reset();
  EXPECT_EQ(record("4.1", ""), recordFor("4.1"));
}

TEST_F(ResultLogTest, LineFeedAloneEndsAVersionLine) {
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\n4.2\n"));
}

TEST_F(ResultLogTest, LastVersionLineNeedsNoLineEnd) {
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\r\n4.2"));
}

TEST_F(ResultLogTest, LinesAfterTheSecondAreIgnored) {
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n4.3\r\n"));
}

TEST_F(ResultLogTest, SpacesInVersionLinesAreKept) {
  EXPECT_EQ(record(" 4.1 ", "4.2\t"), recordFor(" 4.1 \r\n4.2\t\r\n"));
}

// --- The log file ------------------------------------------------------------------

TEST_F(ResultLogTest, LogDirectoryIsCreatedWithTheFirstRecord) {
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, EmptyLogDirectoryIsReused) {
  fake::addDirectory("C:\\QNLOG");
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, RecordsAccumulateOldestFirst) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(kRecordWritten, writeResultRecord(0));
  fs.localTime.second = 8;
  EXPECT_EQ(kRecordWritten, writeResultRecord(5));
  EXPECT_EQ(
      "11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Success,ReturnCode=0 \r\n"
      "11-02-2006 09:05:08,Update=4.1,New=4.2,Status=Unknown,ReturnCode=5 \r\n",
      fake::fileContent(kLogPath));
}

TEST_F(ResultLogTest, CtrlZAtTheEndOfTheLogIsRemoved) {
  fake::addFile(kLogPath, "earlier\r\n\x1A");
  EXPECT_EQ("earlier\r\n" + record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n"));
}

TEST_F(ResultLogTest, RecordIsWrittenInOneWriteAndTheLogClosed) {
  recordFor("4.1\r\n4.2\r\n");
  int writes = 0;
  for (const std::string& call : fs.calls) writes += call == "appendToFile" ? 1 : 0;
  EXPECT_EQ(1, writes);
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(ResultLogTest, LogThatCannotBeOpenedFailsTheRun) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "MZ");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.failingCalls = {"openForAppending"};
  EXPECT_EQ(1, runUpdate(1, noArguments));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
}

TEST_F(ResultLogTest, LogThatCannotBeWrittenFailsTheRecord) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.failingCalls = {"appendToFile"};
  EXPECT_EQ(kLogFailed, writeResultRecord(0));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(ResultLogTest, LogDirectoryThatCannotBeMadeShowsAsTheLogFailing) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fake::addFile("C:\\QNLOG", "a file in the way");
  EXPECT_EQ(kLogFailed, writeResultRecord(0));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
}

// --- Taking turns ----------------------------------------------------------------

TEST_F(ResultLogTest, RecordWaitsForTheLockAtMostThirtySeconds) {
  fake::addFile("C:\\QNLOG\\QN.lck", "");
  fs.nodes.at("C:\\QNLOG\\QN.lck").lockedElsewhere = 3;  // another run, about to end
  EXPECT_EQ(record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n"));
  EXPECT_EQ(3 * kLogRetryMilliseconds, fs.sleptMilliseconds);

  fake::reset();
  fake::addFile(kLogPath, "old\r\n");
  fake::addFile("C:\\QNLOG\\QN.lck", "");
  fs.nodes.at("C:\\QNLOG\\QN.lck").lockedElsewhere = -1;
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(kLogFailed, writeResultRecord(0));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
  EXPECT_EQ(kLogWaitMilliseconds, fs.sleptMilliseconds);
  EXPECT_EQ("old\r\n", fake::fileContent(kLogPath));
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(ResultLogTest, WriteRefusedByAnotherLockIsTriedAgainWithinTheSameThirtySeconds) {
  fake::addFile(kLogPath, "old\r\n");
  fs.nodes.at(kLogPath).lockedElsewhere = 2;
  EXPECT_EQ("old\r\n" + record("4.1", "4.2"), recordFor("4.1\r\n4.2\r\n"));
  EXPECT_EQ(2 * kLogRetryMilliseconds, fs.sleptMilliseconds);

  // Ten seconds for the lock leave twenty for the write.
  fake::reset();
  fake::addFile(kLogPath, "old\r\n");
  fs.nodes.at(kLogPath).lockedElsewhere = -1;
  fake::addFile("C:\\QNLOG\\QN.lck", "");
  fs.nodes.at("C:\\QNLOG\\QN.lck").lockedElsewhere = 10000 / kLogRetryMilliseconds;
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(kLogFailed, writeResultRecord(0));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
  EXPECT_EQ(kLogWaitMilliseconds, fs.sleptMilliseconds);
  EXPECT_EQ("old\r\n", fake::fileContent(kLogPath));
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(ResultLogTest, CopyHoldingTheLogDirectoryTheLockOrTheLogIsWaitedForWithinTheThirtySeconds) {
  for (const char* held : {"C:\\QNLOG", "C:\\QNLOG\\QN.lck", kLogPath}) {
    SCOPED_TRACE(held);
    for (long tries : {3L, -1L}) {  // a copy that is done in a moment; one that never is
      fake::reset();
      fake::addFile(kLogPath, "old\r\n");
      fake::addFile("C:\\QNLOG\\QN.lck", "");
      fs.nodes.at(held).heldElsewhere = tries;
      fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
      bool written = tries > 0;
      EXPECT_EQ(written ? kRecordWritten : kLogFailed, writeResultRecord(0));
      EXPECT_EQ(written ? "" : "Log File Creation Failed!\r\n", fs.console);
      EXPECT_EQ(written ? "old\r\n" + record("4.1", "4.2") : "old\r\n", fake::fileContent(kLogPath));
      EXPECT_EQ(written ? 3 * kLogRetryMilliseconds : kLogWaitMilliseconds, fs.sleptMilliseconds);
      EXPECT_TRUE(fs.openFiles.empty());
    }
  }
}

// --- Where the log lives ---------------------------------------------------------

TEST_F(ResultLogTest, SystemDriveNamesTheLogVolume) {
  fake::addDirectory("E:");
  fs.environment = {"PATH=C:\\WINDOWS", "SYSTEMDRIVE=E:"};
  recordFor("4.1\r\n4.2\r\n");
  EXPECT_EQ(record("4.1", "4.2"), fake::fileContent("E:\\QNLOG\\QN.log"));
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
}

TEST_F(ResultLogTest, FirstSystemDriveEntryCounts) {
  fake::addDirectory("E:");
  fake::addDirectory("F:");
  fs.environment = {"sYsTeMdRiVe=E:", "SystemDrive=F:"};
  recordFor("4.1\r\n4.2\r\n");
  EXPECT_TRUE(fake::exists("E:\\QNLOG\\QN.log"));
  EXPECT_FALSE(fake::exists("F:\\QNLOG"));
}

TEST_F(ResultLogTest, SimilarNamesAreNotSystemDrive) {
  fake::addDirectory("E:");
  fake::addDirectory("F:");
  fs.environment = {"SystemDriveX=E:", "XSystemDrive=E:", "SystemDrive=F:"};
  recordFor("4.1\r\n4.2\r\n");
  EXPECT_TRUE(fake::exists("F:\\QNLOG\\QN.log"));
}

TEST_F(ResultLogTest, WithoutSystemDriveTheSystemDirectoryDriveIsUsed) {
  fake::addDirectory("D:\\WINNT\\system32");
  fs.systemDirectory = "D:\\WINNT\\system32";
  fs.environment = {"PATH=C:\\WINDOWS"};
  recordFor("4.1\r\n4.2\r\n");
  EXPECT_EQ(record("4.1", "4.2"), fake::fileContent("D:\\QNLOG\\QN.log"));
}

TEST_F(ResultLogTest, SystemDriveOf114CharactersFits) {
  // The value, "\QNLOG" and "\QN.log" fill the 128-byte path buffer exactly.
  std::string volume = "C:\\" + std::string(111, 'v');
  ASSERT_EQ(114u, volume.size());
  fake::addDirectory(volume);
  fs.environment = {"systemdrive=" + volume};
  recordFor("4.1\r\n4.2\r\n");
  EXPECT_EQ(record("4.1", "4.2"), fake::fileContent(volume + "\\QNLOG\\QN.log"));
}

TEST_F(ResultLogTest, SystemDriveOf115CharactersFailsCleanly) {
  std::string volume = "C:\\" + std::string(112, 'v');
  fake::addDirectory(volume);
  fs.environment = {"systemdrive=" + volume};
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "MZ");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(1, runUpdate(1, noArguments));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
  // Nothing but the log directory itself is made; no file under a cut name.
  for (const std::string& path : fake::listTree(volume)) {
    EXPECT_TRUE(fs.nodes.at(path).isDirectory) << path;
  }
}

TEST_F(ResultLogTest, VeryLongSystemDriveFailsCleanly) {
  fs.environment = {"systemdrive=C:\\" + std::string(1000, 'v')};
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(kLogFailed, writeResultRecord(0));
  EXPECT_EQ("Log File Creation Failed!\r\n", fs.console);
}

// --- Record point A -----------------------------------------------------------------

TEST_F(ResultLogTest, UnreadableWorkingDirectoryIsRecordedWithOne) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fs.failingCalls = {"getCurrentDirectory"};
  EXPECT_EQ(1, runUpdate(1, noArguments));
  EXPECT_EQ("Unable to determine current directory.  Aborting update!\r\n", fs.console);
  EXPECT_EQ(record("4.1", "4.2", "Status=Unknown,ReturnCode=1"), fake::fileContent(kLogPath));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ResultLogTest, UnreadableWorkingDirectoryIsRecordedEvenWithOneArgument) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fake::addDirectory("C:\\cd");
  fs.failingCalls = {"getCurrentDirectory"};
  const char* oneArgument[3] = {"qnUpdate", "C:\\cd", nullptr};
  EXPECT_EQ(1, runUpdate(2, oneArgument));
  EXPECT_EQ("Unable to determine current directory.  Aborting update!\r\n", fs.console);
  EXPECT_EQ(record("4.1", "4.2", "Status=Unknown,ReturnCode=1"), fake::fileContent(kLogPath));
  for (const std::string& call : fs.calls) EXPECT_NE("getDiskFreeSpace", call);
  EXPECT_FALSE(fake::exists("C:\\QNT1A2.tmp"));
}

}  // namespace
