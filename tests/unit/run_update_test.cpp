// The update run as a whole, over the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_update.h"
#include "fake_platform.h"
#include "runtime/program_start.h"

namespace {

class RunUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
  fake::State& fs = fake::state();
  const char* noArguments[2] = {"qnUpdate", nullptr};
};

TEST_F(RunUpdateTest, InPlaceRunReturnsLastCommandAndLogsIt) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\nb.exe /q\r\n");
  fake::addFile("C:\\work\\a.exe", "");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.commandRunner = [](const fake::CommandRun& run) { return run.line == "a.exe" ? 5 : 3010; };
  EXPECT_EQ(3010, runUpdate(1, noArguments));
  EXPECT_EQ("b.exe doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=3010 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, InPlaceRunRunsInTheWorkingDirectory) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(0, runUpdate(1, noArguments));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("C:\\work", fs.commands[0].directory);
  EXPECT_EQ("", fs.console);
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Success,ReturnCode=0 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, ExtraArgumentsAreIgnored) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fake::addDirectory("C:\\cd");
  const char* threeArguments[5] = {"qnUpdate", "C:\\cd", "b", "c", nullptr};
  EXPECT_EQ(0, runUpdate(4, threeArguments));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("C:\\work", fs.commands[0].directory);
  EXPECT_EQ(0u, fs.sleptMilliseconds);
  EXPECT_TRUE(fake::exists("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, UsageRequestPrintsTheUsageAndDoesNothingElse) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  const char* usage[3] = {"qnUpdate", "/?", nullptr};
  EXPECT_EQ(0, runUpdate(2, usage));
  EXPECT_NE(std::string::npos, fs.console.find("qnUpdate applies a software update"));
  EXPECT_NE(std::string::npos, fs.console.find("  qnUpdate DIR "));
  EXPECT_NE(std::string::npos, fs.console.find("QN.log"));
  // Only console lines: no temporary name, no staging, no command, no record.
  for (const std::string& call : fs.calls) EXPECT_EQ("writeConsole", call);
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(RunUpdateTest, HelpFlagsAloneAskForTheUsageUnlessSuchADirectoryExists) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  for (const char* flag : {"-?", "-h", "--help", "/h", "/help", "/HELP", "-H"}) {
    const char* help[3] = {"qnUpdate", flag, nullptr};
    fs.console.clear();
    EXPECT_EQ(0, runUpdate(2, help)) << flag;
    EXPECT_NE(std::string::npos, fs.console.find("qnUpdate applies a software update")) << flag;
  }
  EXPECT_TRUE(fs.commands.empty());
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
  fs.console.clear();
  const char* twoArguments[4] = {"qnUpdate", "/?", "x", nullptr};
  EXPECT_EQ(0, runUpdate(3, twoArguments));
  fake::addFile("C:\\work\\-h\\qnInst.cfg", "[WINK3]\r\nfrom-h.exe\r\n");
  const char* directory[3] = {"qnUpdate", "-h", nullptr};
  EXPECT_EQ(0, runUpdate(2, directory));
  ASSERT_EQ(2u, fs.commands.size());
  EXPECT_EQ("C:\\work", fs.commands[0].directory);
  EXPECT_EQ("from-h.exe", fs.commands[1].line);  // the directory "-h", staged
  EXPECT_EQ("from-h.exe doesn't exist in current directory\r\n", fs.console);
}

TEST_F(RunUpdateTest, DrivesFailWithoutABoxFromTheStartAndEachCommandGetsItsCallersErrorMode) {
  fake::addFile("C:\\cd\\qnInst.cfg", "[WINK3]\r\na.exe\r\nb.exe\r\n");
  fs.errorMode = 0x0002;  // the caller's: no fault box, but the drive's boxes
  char program[] = "qnUpdate";
  char source[] = "C:\\cd";
  char* argv[3] = {program, source, nullptr};
  EXPECT_EQ(0, runProgram(2, argv, runUpdate));
  EXPECT_EQ(std::vector<std::string>(), fs.boxableCalls);
  ASSERT_EQ(2u, fs.commands.size());
  for (const fake::CommandRun& run : fs.commands) EXPECT_EQ(0x0002u, run.errorMode) << run.line;
  EXPECT_EQ(0x8003u, fs.errorMode);
  EXPECT_FALSE(fake::exists("C:\\QNT1A2.tmp"));
}

TEST_F(RunUpdateTest, MissingScriptEndsWithNineAndNoRecord) {
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(9, runUpdate(1, noArguments));
  EXPECT_EQ("ERROR: Could not open config FILE qnInst.cfg\r\n", fs.console);
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
}

TEST_F(RunUpdateTest, MissingSectionIsRecordedAsNine) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINNT]\r\na.exe\r\n");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(9, runUpdate(1, noArguments));
  EXPECT_TRUE(fs.commands.empty());
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=9 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, SectionEndingAtOnceIsRecordedAsNine) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\n\r\na.exe\r\n");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(9, runUpdate(1, noArguments));
  EXPECT_TRUE(fs.commands.empty());
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=9 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, LastCommandDecidesAfterAnEarlierFailure) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\nfirst\r\nsecond\r\n");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.commandRunner = [](const fake::CommandRun& run) { return run.line == "first" ? 5 : 0; };
  EXPECT_EQ(0, runUpdate(1, noArguments));
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Success,ReturnCode=0 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, ExitStatusKeepsAll32Bits) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\ncrash.exe\r\n");
  fake::addFile("C:\\work\\crash.exe", "");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.commandRunner = [](const fake::CommandRun&) { return static_cast<int32_t>(0xC0000005u); };
  EXPECT_EQ(static_cast<int32_t>(0xC0000005u), runUpdate(1, noArguments));
  EXPECT_EQ("11-02-2006 09:05:07,Update=4.1,New=4.2,Status=Unknown,ReturnCode=-1073741819 \r\n",
            fake::fileContent("C:\\QNLOG\\QN.log"));
}

TEST_F(RunUpdateTest, PlatformChoosesTheSection) {
  fake::addFile("C:\\work\\qnInst.cfg",
                "[WINNT]\r\nnt\r\n[WIN2K]\r\nw2k\r\n[64WINK3]\r\nk364\r\n[WINK3]\r\nk3\r\n");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.version = {4, 0, 2, 0};
  runUpdate(1, noArguments);
  fs.version = {5, 2, 2, 0};
  fs.wow64 = true;
  runUpdate(1, noArguments);
  fs.version = {5, 1, 2, 0};
  runUpdate(1, noArguments);
  ASSERT_EQ(3u, fs.commands.size());
  EXPECT_EQ("nt", fs.commands[0].line);
  EXPECT_EQ("k364", fs.commands[1].line);
  EXPECT_EQ("k3", fs.commands[2].line);
}

TEST_F(RunUpdateTest, StagingGoesToTheSystemDirectorysVolume) {
  fake::addDirectory("D:\\WINNT\\system32");
  fs.systemDirectory = "D:\\WINNT\\system32";
  fake::addFile("C:\\cd\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  const char* oneArgument[3] = {"qnUpdate", "C:\\cd", nullptr};
  EXPECT_EQ(0, runUpdate(2, oneArgument));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("D:\\QNT1A2.tmp", fs.commands[0].directory);
  EXPECT_FALSE(fake::exists("D:\\QNT1A2.tmp"));
}

}  // namespace
