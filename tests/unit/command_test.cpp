// One command line: its program name, the probe and the command text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_platform.h"
#include "script/command.h"
#include "script/script_reader.h"

namespace {

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
  fake::State& fs = fake::state();
};

TEST_F(CommandTest, ProgramNameEndsAtTheFirstSpace) {
  char name[kScriptLineSize];
  programName("setup.exe /q /x", name, sizeof name);
  EXPECT_STREQ("setup.exe", name);
  programName("setup.exe", name, sizeof name);
  EXPECT_STREQ("setup.exe", name);
  programName(" setup.exe", name, sizeof name);
  EXPECT_STREQ("", name);
  programName("a\tb c", name, sizeof name);
  EXPECT_STREQ("a\tb", name);
}

TEST_F(CommandTest, ProgramNameIsCutToItsBuffer) {
  char name[8];
  memset(name, 'Z', sizeof name);
  programName("abcdefghijk x", name, 6);
  EXPECT_STREQ("abcde", name);
  EXPECT_EQ('Z', name[6]);
}

TEST_F(CommandTest, ProbeFindsAFileInTheCurrentDirectory) {
  fake::addFile("C:\\work\\setup.exe", "MZ");
  EXPECT_TRUE(programFileExists("setup.exe"));
  EXPECT_FALSE(programFileExists("other.exe"));
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(CommandTest, ProbeRefusesDirectoriesUnreadableFilesAndEmptyNames) {
  fake::addDirectory("C:\\work\\tools");
  fake::addFile("C:\\work\\locked.exe", "MZ");
  fs.nodes["C:\\work\\locked.exe"].unreadable = true;
  EXPECT_FALSE(programFileExists("tools"));
  EXPECT_FALSE(programFileExists("locked.exe"));
  EXPECT_FALSE(programFileExists(""));
}

TEST_F(CommandTest, CommandTextFitsExactly) {
  std::string line(10, 'x');
  // "cmd /d /c \"" (11), the line, the closing quote and the terminator.
  char text[23];
  ASSERT_TRUE(formatCommandText(line.c_str(), text, sizeof text));
  EXPECT_EQ("cmd /d /c \"" + line + "\"", std::string(text));
}

TEST_F(CommandTest, CommandTextOneByteShortIsRefusedUntouched) {
  std::string line(10, 'x');
  char text[22];
  memset(text, 'Z', sizeof text);
  EXPECT_FALSE(formatCommandText(line.c_str(), text, sizeof text));
  EXPECT_EQ(std::string(sizeof text, 'Z'), std::string(text, sizeof text));
}

TEST_F(CommandTest, CommandBufferHoldsTheLongestScriptLine) {
  std::string line(kScriptLineSize - 1, 'y');
  EXPECT_EQ(0, runCommandLine(line.c_str()));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("cmd /d /c \"" + line + "\"", fs.commands[0].commandText);
  EXPECT_EQ(line, fs.commands[0].line);
}

TEST_F(CommandTest, LineTooLongForTheCommandTextIsNeverRunCut) {
  std::string line(kCommandTextSize, 'y');
  EXPECT_NE(0, runCommandLine(line.c_str()));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(CommandTest, RunCommandLineGivesTheExitCode) {
  fs.commandRunner = [](const fake::CommandRun&) { return -2; };
  EXPECT_EQ(-2, runCommandLine("x.exe"));
  EXPECT_EQ("C:\\work", fs.commands.at(0).directory);
}

}  // namespace
