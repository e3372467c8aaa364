// Reading the installation script and running a section, over the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "script/platform_code.h"
#include "script/script_reader.h"

namespace {

class ScriptReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  // Writes the script into the current directory and runs the section for `code`.
  int32_t runScript(const std::string& text, int32_t code = OTHER) {
    fake::addFile("C:\\work\\qnInst.cfg", text);
    TextFile script;
    EXPECT_TRUE(openTextFile(&script, kScriptName));
    int32_t result = runSection(&script, code);
    closeTextFile(&script);
    return result;
  }

  // The command lines run, in order.
  std::vector<std::string> linesRun() const {
    std::vector<std::string> lines;
    for (const fake::CommandRun& run : fs.commands) lines.push_back(run.line);
    return lines;
  }

  // Makes program files present in the current directory.
  void present(std::initializer_list<const char*> names) {
    for (const char* name : names) fake::addFile(std::string("C:\\work\\") + name, "MZ");
  }

  fake::State& fs = fake::state();
};

using Lines = std::vector<std::string>;

// --- Line reading and trimming ---------------------------------------------

TEST_F(ScriptReaderTest, TrailingSpacesAreRemovedBeforeProbeAndCommandText) {
  present({"a.exe"});
  runScript("[WINK3]\r\na.exe /q   \r\n");
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("a.exe /q", fs.commands[0].line);
  EXPECT_EQ("cmd /d /c \"a.exe /q\"", fs.commands[0].commandText);
  EXPECT_EQ("", fs.console);
}

TEST_F(ScriptReaderTest, OnlySpacesAreTrimmedNotTabs) {
  present({"a.exe"});
  runScript("[WINK3]\r\na.exe\t \r\n");
  EXPECT_EQ(Lines({"a.exe\t"}), linesRun());
  EXPECT_EQ("a.exe\t doesn't exist in current directory\r\n", fs.console);
}

TEST_F(ScriptReaderTest, LeadingSpaceIsKept) {
  runScript("[WINK3]\r\n  a.exe\r\n");
  EXPECT_EQ(Lines({"  a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, LineOf255CharactersLeavesItsLineFeedAsAnEmptyLine) {
  std::string line = "a.exe " + std::string(249, 'x');
  ASSERT_EQ(255u, line.size());
  present({"a.exe", "b.exe"});
  runScript("[WINK3]\r\n" + line + "\r\nb.exe\r\n");
  EXPECT_EQ(Lines({line}), linesRun());
}

TEST_F(ScriptReaderTest, LineOf255CharactersWithBareLineFeedEndsTheSectionToo) {
  std::string line = "a.exe " + std::string(249, 'x');
  runScript("[WINK3]\n" + line + "\nb.exe\n");
  EXPECT_EQ(Lines({line}), linesRun());
}

TEST_F(ScriptReaderTest, LineOf254CharactersTakesItsLineFeedAlong) {
  std::string line = "a.exe " + std::string(248, 'x');
  present({"a.exe", "b.exe"});
  runScript("[WINK3]\r\n" + line + "\r\nb.exe\r\n");
  EXPECT_EQ(Lines({line, "b.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, CommentOf255CharactersEndsTheSection) {
  std::string comment = ";" + std::string(254, 'c');
  runScript("[WINK3]\r\n" + comment + "\r\nb.exe\r\n");
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, LineLongerThan255RunsInPiecesOfItsOwn) {
  std::string first = "a.exe " + std::string(249, 'x');
  std::string second = "tail.cmd " + std::string(31, 'y');
  present({"a.exe"});
  int32_t result = runScript("[WINK3]\r\n" + first + second + "\r\nb.exe\r\n");
  EXPECT_EQ(Lines({first, second, "b.exe"}), linesRun());
  EXPECT_EQ(0, result);
  // Each piece is probed by its own program name.
  EXPECT_EQ(
      "tail.cmd doesn't exist in current directory\r\n"
      "b.exe doesn't exist in current directory\r\n",
      fs.console);
}

TEST_F(ScriptReaderTest, LineOf510CharactersGivesTwoFullPiecesAndEndsTheSection) {
  std::string first = std::string(255, 'p');
  std::string second = std::string(255, 'q');
  runScript("[WINK3]\r\n" + first + second + "\r\nb.exe\r\n");
  EXPECT_EQ(Lines({first, second}), linesRun());
}

TEST_F(ScriptReaderTest, NulByteCutsThePiece) {
  present({"a.exe", "b.exe"});
  const char text[] = "[WINK3]\r\na.exe  \0 junk\r\nb.exe\r\n";
  runScript(std::string(text, sizeof text - 1));
  EXPECT_EQ(Lines({"a.exe", "b.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, PieceStartingWithNulIsAnEmptyLine) {
  const char text[] = "[WINK3]\r\n\0a.exe\r\nb.exe\r\n";
  runScript(std::string(text, sizeof text - 1));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, NulDoesNotShortenTheRead) {
  // The rest of the 255-character piece is ignored, not read as the next line;
  // the line feed then arrives alone and ends the section.
  std::string piece = std::string("a.exe\0", 6) + std::string(249, 'x');
  ASSERT_EQ(255u, piece.size());
  runScript("[WINK3]\r\n" + piece + "\r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, CtrlZEndsTheScriptAfterTheTextBeforeIt) {
  runScript("[WINK3]\r\na.exe\r\nb.exe\x1A c.exe\r\nd.exe\r\n");
  EXPECT_EQ(Lines({"a.exe", "b.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, CtrlZBeforeTheHeaderMeansNoSection) {
  EXPECT_EQ(9, runScript("; x\x1A\r\n[WINK3]\r\na.exe\r\n"));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, LoneCarriageReturnIsKeptAndNotTrimmed) {
  runScript("[WINK3]\r\na.exe\rb\r\nc.exe  \r  \r\n");
  EXPECT_EQ(Lines({"a.exe\rb", "c.exe  \r"}), linesRun());
}

TEST_F(ScriptReaderTest, CarriageReturnLineFeedAcrossTheReadBufferIsOneLineEnd) {
  // Lines before the header fill the text reader's first buffer so that the
  // header's carriage return is its last byte and the line feed comes with the
  // next buffer.
  const std::string header = "[WINK3]";
  size_t remaining = kTextBufferSize - 1 - header.size();
  std::string filler;
  while (remaining > 100) {
    filler += std::string(98, 'x') + "\r\n";
    remaining -= 100;
  }
  filler += std::string(remaining - 2, 'x') + "\r\n";
  std::string text = filler + header + "\r\na.exe\r\n";
  ASSERT_EQ('\r', text[kTextBufferSize - 1]);
  ASSERT_EQ('\n', text[kTextBufferSize]);
  runScript(text);
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, LastLineNeedsNoLineEnd) {
  runScript("[WINK3]\r\na.exe\r\nb.exe");
  EXPECT_EQ(Lines({"a.exe", "b.exe"}), linesRun());
}

// --- Section search --------------------------------------------------------

TEST_F(ScriptReaderTest, HeaderWithTrailingSpacesMatches) {
  runScript("[WIN2K]   \r\na.exe\r\n", WIN2K);
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, HeaderInLowerCaseDoesNotMatch) {
  EXPECT_EQ(9, runScript("[win2k]\r\na.exe\r\n", WIN2K));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, HeaderWithLeadingSpaceDoesNotMatch) {
  EXPECT_EQ(9, runScript(" [WIN2K]\r\na.exe\r\n", WIN2K));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, HeaderWithTextAfterItDoesNotMatch) {
  EXPECT_EQ(9, runScript("[WIN2K] ; 2000\r\na.exe\r\n[WIN2K]\t\r\nb.exe\r\n", WIN2K));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, EachPlatformRunsItsOwnSection) {
  const std::string script =
      "[WINNT]\r\nnt\r\n[WIN2K]\r\nw2k\r\n[WINK3]\r\nk3\r\n"
      "[64WIN2K]\r\nw2k64\r\n[64WINK3]\r\nk364\r\n";
  const std::pair<int32_t, const char*> cases[] = {
      {WINNT, "nt"},     {WIN2K, "w2k"},    {WINK3, "k3"},   {WIN2K64, "w2k64"},
      {WINK364, "k364"}, {WINXP, "k3"},     {OTHER, "k3"},
  };
  for (const auto& [code, line] : cases) {
    fake::reset();
    runScript(script, code);
    EXPECT_EQ(Lines({line}), linesRun()) << "platform code " << code;
  }
}

TEST_F(ScriptReaderTest, CommentsAreSkipped) {
  runScript("[WINK3]\r\n; first\r\na.exe\r\n;\r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe", "b.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, BlankLineEndsTheSection) {
  runScript("[WINK3]\r\na.exe\r\n\r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, SpaceOnlyLineEndsTheSection) {
  runScript("[WINK3]\r\na.exe\r\n     \r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, BracketEndsTheSection) {
  runScript("[WINK3]\r\na.exe\r\n[not a header\r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, NextHeaderEndsTheSection) {
  runScript("[WINK3]\r\na.exe\r\n[WINNT]\r\nb.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, LaterDuplicateSectionIsIgnored) {
  runScript("[WINK3]\r\na.exe\r\n[WINNT]\r\nb.exe\r\n[WINK3]\r\nc.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, LinesBeforeTheHeaderAreIgnored) {
  runScript("before.exe\r\n\r\n; note\r\n[WINK3]\r\na.exe\r\n");
  EXPECT_EQ(Lines({"a.exe"}), linesRun());
}

TEST_F(ScriptReaderTest, MissingSectionGivesNine) {
  EXPECT_EQ(9, runScript("[WINNT]\r\na.exe\r\n[WIN2K]\r\nb.exe\r\n"));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, SectionEndingAtOnceGivesNine) {
  fs.commandRunner = [](const fake::CommandRun&) { return 0; };
  EXPECT_EQ(9, runScript("[WINK3]\r\n\r\na.exe\r\n"));
  EXPECT_EQ(9, runScript("[WINK3]\r\n[WINNT]\r\na.exe\r\n"));
  EXPECT_EQ(9, runScript("[WINK3]"));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, SectionOfCommentsOnlyGivesNine) {
  EXPECT_EQ(9, runScript("[WINK3]\r\n; one\r\n; two\r\n"));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(ScriptReaderTest, EmptyScriptGivesNine) { EXPECT_EQ(9, runScript("")); }

// --- Results ---------------------------------------------------------------

TEST_F(ScriptReaderTest, OnlyTheLastCommandCounts) {
  fs.commandRunner = [](const fake::CommandRun& run) { return run.line == "first" ? 5 : 0; };
  EXPECT_EQ(0, runScript("[WINK3]\r\nfirst\r\nsecond\r\n"));
}

TEST_F(ScriptReaderTest, FailingCommandDoesNotStopTheSection) {
  fs.commandRunner = [](const fake::CommandRun& run) { return run.line == "first" ? 0 : 5; };
  EXPECT_EQ(5, runScript("[WINK3]\r\nfirst\r\nsecond\r\n"));
  EXPECT_EQ(2u, fs.commands.size());
}

TEST_F(ScriptReaderTest, ExitCodeComesBackBitForBit) {
  fs.commandRunner = [](const fake::CommandRun&) { return static_cast<int32_t>(0xC0000005u); };
  EXPECT_EQ(-1073741819, runScript("[WINK3]\r\na.exe\r\n"));
}

TEST_F(ScriptReaderTest, CommandThatCannotStartGivesTheSystemError) {
  fs.failingCalls = {"runCommand"};
  fs.startError = 193;
  EXPECT_EQ(193, runScript("[WINK3]\r\na.exe\r\n"));
}

// --- The program probe and its message ---------------------------------------

TEST_F(ScriptReaderTest, MissingProgramIsNamedAndStillRun) {
  fs.commandRunner = [](const fake::CommandRun&) { return 3010; };
  EXPECT_EQ(3010, runScript("[WINK3]\r\nsetup.exe /q\r\n"));
  EXPECT_EQ("setup.exe doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(Lines({"setup.exe /q"}), linesRun());
}

TEST_F(ScriptReaderTest, MessageIsOutBeforeTheCommandRuns) {
  std::string consoleSeen;
  fs.commandRunner = [&consoleSeen](const fake::CommandRun&) {
    consoleSeen = fake::state().console;
    return fake::state().consoleFlushes > 0 ? 0 : 1;
  };
  EXPECT_EQ(0, runScript("[WINK3]\r\nsetup.exe\r\n"));
  EXPECT_EQ("setup.exe doesn't exist in current directory\r\n", consoleSeen);
}

TEST_F(ScriptReaderTest, PresentProgramsPrintNothing) {
  present({"a.exe", "b.cmd"});
  runScript("[WINK3]\r\na.exe /x\r\nb.cmd\r\n");
  EXPECT_EQ("", fs.console);
  EXPECT_EQ(2u, fs.commands.size());
}

TEST_F(ScriptReaderTest, LeadingSpaceGivesAnEmptyProgramName) {
  present({"a.exe"});
  runScript("[WINK3]\r\n a.exe\r\n");
  EXPECT_EQ(" doesn't exist in current directory\r\n", fs.console);
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("cmd /d /c \" a.exe\"", fs.commands[0].commandText);
}

TEST_F(ScriptReaderTest, SpaceBeforeSemicolonIsACommandLine) {
  runScript("[WINK3]\r\n ; not a comment\r\n");
  EXPECT_EQ(" doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(Lines({" ; not a comment"}), linesRun());
}

TEST_F(ScriptReaderTest, TabDoesNotEndTheProgramName) {
  present({"a.exe"});
  runScript("[WINK3]\r\na.exe\t/q /x\r\n");
  EXPECT_EQ("a.exe\t/q doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(Lines({"a.exe\t/q /x"}), linesRun());
}

TEST_F(ScriptReaderTest, QuotedProgramNameIsProbedUpToItsFirstSpace) {
  present({"my setup.exe"});
  runScript("[WINK3]\r\n\"my setup.exe\" /q\r\n");
  EXPECT_EQ("\"my doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(Lines({"\"my setup.exe\" /q"}), linesRun());
}

TEST_F(ScriptReaderTest, ProgramWithoutExtensionIsProbedUnderThatName) {
  present({"setup.exe"});
  runScript("[WINK3]\r\nsetup /q\r\n");
  EXPECT_EQ("setup doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(Lines({"setup /q"}), linesRun());
}

TEST_F(ScriptReaderTest, DirectoryNamedLikeTheProgramCountsAsMissing) {
  fake::addDirectory("C:\\work\\setup.exe");
  runScript("[WINK3]\r\nsetup.exe\r\n");
  EXPECT_EQ("setup.exe doesn't exist in current directory\r\n", fs.console);
  EXPECT_EQ(1u, fs.commands.size());
}

TEST_F(ScriptReaderTest, ProgramIsProbedInTheCurrentDirectoryOnly) {
  fake::addFile("C:\\WINDOWS\\system32\\setup.exe", "MZ");
  runScript("[WINK3]\r\nsetup.exe\r\n");
  EXPECT_EQ("setup.exe doesn't exist in current directory\r\n", fs.console);
}

// --- The command text --------------------------------------------------------

TEST_F(ScriptReaderTest, CommandTextQuotesTheLineForTheInterpreter) {
  present({"setup.exe"});
  runScript("[WINK3]\r\nsetup.exe /q\r\n");
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("cmd /d /c \"setup.exe /q\"", fs.commands[0].commandText);
  EXPECT_EQ("C:\\work", fs.commands[0].directory);
}

TEST_F(ScriptReaderTest, LineOf255CharactersRunsWhole) {
  std::string line = "a.exe " + std::string(248, 'x') + "z";
  ASSERT_EQ(255u, line.size());
  runScript("[WINK3]\r\n" + line);
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ(line, fs.commands[0].line);
  EXPECT_EQ("cmd /d /c \"" + line + "\"", fs.commands[0].commandText);
}

}  // namespace
