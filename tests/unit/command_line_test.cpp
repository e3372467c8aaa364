// Splitting a Windows command line by the classic rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/command_line.h"

namespace {

using Elements = std::vector<std::string>;

TEST(CommandLineTest, UnquotedProgramNameEndsAtSpaceOrTab) {
  EXPECT_EQ(Elements({"qnUpdate.exe"}), splitCommandLine("qnUpdate.exe"));
  EXPECT_EQ(Elements({"qnUpdate", "x"}), splitCommandLine("qnUpdate x"));
  EXPECT_EQ(Elements({"qnUpdate", "x"}), splitCommandLine("qnUpdate\tx"));
}

TEST(CommandLineTest, QuotedProgramNameKeepsSpacesAndBackslashes) {
  EXPECT_EQ(Elements({"C:\\Program Files\\qn\\qnUpdate.exe", "D:\\"}),
            splitCommandLine("\"C:\\Program Files\\qn\\qnUpdate.exe\" D:\\"));
}

TEST(CommandLineTest, ProgramNameHasNoBackslashRules) {
  // The backslash before the quote does not make it literal in the name.
  EXPECT_EQ(Elements({"C:\\qn\\", "x"}), splitCommandLine("\"C:\\qn\\\" x"));
  EXPECT_EQ(Elements({"C:\\qn\\\"a\\\\\"", "x"}), splitCommandLine("C:\\qn\\\"a\\\\\" x"));
}

TEST(CommandLineTest, TextRightAfterAQuotedProgramNameStartsTheNextElement) {
  EXPECT_EQ(Elements({"prog", "next"}), splitCommandLine("\"prog\"next"));
}

TEST(CommandLineTest, UnterminatedQuotedProgramNameRunsToTheEnd) {
  EXPECT_EQ(Elements({"my prog x"}), splitCommandLine("\"my prog x"));
}

TEST(CommandLineTest, RunsOfSpacesAndTabsSeparateElements) {
  EXPECT_EQ(Elements({"p", "a", "b", "c"}), splitCommandLine("p  a \t b\t\tc"));
}

TEST(CommandLineTest, TrailingSpacesAddNothing) {
  EXPECT_EQ(Elements({"p", "a"}), splitCommandLine("p a  \t "));
  EXPECT_EQ(Elements({"p"}), splitCommandLine("p   "));
}

TEST(CommandLineTest, EmptyCommandLineGivesOneEmptyProgramName) {
  EXPECT_EQ(Elements({""}), splitCommandLine(""));
}

TEST(CommandLineTest, QuotedStretchKeepsSpacesAndTabs) {
  EXPECT_EQ(Elements({"p", "C:\\My Update\\cd 1", "x"}),
            splitCommandLine("p \"C:\\My Update\\cd 1\" x"));
  EXPECT_EQ(Elements({"p", "a\tb"}), splitCommandLine("p \"a\tb\""));
}

TEST(CommandLineTest, QuotesInsideAnElementSwitchTheStretch) {
  EXPECT_EQ(Elements({"p", "ab cd"}), splitCommandLine("p a\"b c\"d"));
}

TEST(CommandLineTest, UnterminatedStretchRunsToTheEnd) {
  EXPECT_EQ(Elements({"p", "a b  c"}), splitCommandLine("p \"a b  c"));
}

TEST(CommandLineTest, TwoQuotesInAStretchGiveAQuoteAndEndIt) {
  EXPECT_EQ(Elements({"p", "a \"b", "c d"}), splitCommandLine("p \"a \"\"b\"\" c\" d"));
}

TEST(CommandLineTest, TwoQuotesOutsideAStretchGiveNothing) {
  EXPECT_EQ(Elements({"p", "ab"}), splitCommandLine("p a\"\"b"));
}

TEST(CommandLineTest, EmptyQuotedArgumentIsAnEmptyElement) {
  EXPECT_EQ(Elements({"p", ""}), splitCommandLine("p \"\""));
  EXPECT_EQ(Elements({"p", "", "x"}), splitCommandLine("p \"\" x"));
}

TEST(CommandLineTest, EvenBackslashesBeforeAQuoteAreHalvedAndTheQuoteSwitches) {
  EXPECT_EQ(Elements({"p", "\\a b"}), splitCommandLine("p \\\\\"a b\""));
  EXPECT_EQ(Elements({"p", "a\\\\b c"}), splitCommandLine("p a\\\\\\\\\"b c\""));
}

TEST(CommandLineTest, OddBackslashesBeforeAQuoteGiveALiteralQuote) {
  EXPECT_EQ(Elements({"p", "\"a", "b"}), splitCommandLine("p \\\"a b"));
  EXPECT_EQ(Elements({"p", "\\\"a", "b"}), splitCommandLine("p \\\\\\\"a b"));
}

TEST(CommandLineTest, BackslashesNotBeforeAQuoteAreCopiedAsTheyAre) {
  EXPECT_EQ(Elements({"p", "a\\\\b\\", "\\\\server\\share\\\\"}),
            splitCommandLine("p a\\\\b\\ \\\\server\\share\\\\"));
}

TEST(CommandLineTest, DriveRootInQuotesKeepsTheQuote) {
  EXPECT_EQ(Elements({"p", "D:\""}), splitCommandLine("p \"D:\\\""));
}

TEST(CommandLineTest, DriveRootInQuotesSwallowsWhatFollows) {
  EXPECT_EQ(Elements({"p", "D:\" next"}), splitCommandLine("p \"D:\\\" next"));
  EXPECT_EQ(Elements({"p", "D:\" next", "more"}), splitCommandLine("p \"D:\\\" next\" more"));
}

}  // namespace
