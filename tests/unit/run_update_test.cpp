// The update run as a whole, over the fake platform.
#include <gtest/gtest.h>

#include "app/run_update.h"
#include "fake_platform.h"

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

}  // namespace
