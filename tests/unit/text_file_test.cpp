// The text file reader's line-end, Ctrl-Z and buffer rules, over the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "runtime/text_file.h"

namespace {

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  // Reads every piece of a file with this content, pieces of at most size - 1.
  std::vector<std::string> pieces(const std::string& content, size_t size = 8192) {
    fake::addFile("C:\\work\\t.txt", content);
    TextFile file;
    EXPECT_TRUE(openTextFile(&file, "t.txt"));
    std::vector<std::string> result;
    std::vector<char> buffer(size);
    int count;
    while ((count = readTextPiece(&file, buffer.data(), size)) >= 0) {
      EXPECT_EQ('\0', buffer[static_cast<size_t>(count)]);
      result.emplace_back(buffer.data(), static_cast<size_t>(count));
      if (result.size() > 10000) break;
    }
    EXPECT_EQ(-1, readTextPiece(&file, buffer.data(), size));
    closeTextFile(&file);
    return result;
  }

  fake::State& fs = fake::state();
};

using Pieces = std::vector<std::string>;

TEST_F(TextFileTest, CarriageReturnLineFeedReadsAsLineFeed) {
  EXPECT_EQ(Pieces({"a\n", "b\n"}), pieces("a\r\nb\r\n"));
}

TEST_F(TextFileTest, BareLineFeedEndsALine) { EXPECT_EQ(Pieces({"a\n", "b"}), pieces("a\nb")); }

TEST_F(TextFileTest, LoneCarriageReturnIsACharacter) {
  EXPECT_EQ(Pieces({"a\rb\n"}), pieces("a\rb\r\n"));
  EXPECT_EQ(Pieces({"a\r\n"}), pieces("a\r\r\n"));
  EXPECT_EQ(Pieces({"a\r"}), pieces("a\r"));
}

TEST_F(TextFileTest, CtrlZEndsTheFile) {
  EXPECT_EQ(Pieces({"ab"}), pieces("ab\x1A" "cd\r\nef\r\n"));
  EXPECT_EQ(Pieces({"ab\n"}), pieces("ab\r\n\x1A"));
  EXPECT_EQ(Pieces({}), pieces("\x1A" "ab"));
}

TEST_F(TextFileTest, CtrlZAfterACarriageReturnLeavesTheCarriageReturn) {
  EXPECT_EQ(Pieces({"ab\r"}), pieces("ab\r\x1A\n"));
}

TEST_F(TextFileTest, NulBytesAreStored) {
  EXPECT_EQ(Pieces({std::string("a\0b\n", 4), "c"}), pieces(std::string("a\0b\r\nc", 6)));
}

TEST_F(TextFileTest, PiecesAreCutToTheBuffer) {
  EXPECT_EQ(Pieces({"abc", "def", "\n", "gh"}), pieces("abcdef\r\ngh", 4));
}

TEST_F(TextFileTest, CarriageReturnLineFeedIsNeverSplitByAPiece) {
  // "abc" fills the piece; the pair then reads as one line feed.
  EXPECT_EQ(Pieces({"abc", "\n"}), pieces("abc\r\n", 4));
  // The carriage return is the piece's last character: the line feed is taken
  // with it only when they form a pair.
  EXPECT_EQ(Pieces({"ab\n"}), pieces("ab\r\n", 4));
  EXPECT_EQ(Pieces({"ab\r", "x"}), pieces("ab\rx", 4));
}

TEST_F(TextFileTest, EmptyFileHasNoPieces) { EXPECT_EQ(Pieces({}), pieces("")); }

TEST_F(TextFileTest, CarriageReturnLineFeedAcrossTheReadBuffer) {
  std::string head(kTextBufferSize - 1, 'x');
  EXPECT_EQ(Pieces({head + "\n", "y"}), pieces(head + "\r\ny"));
}

TEST_F(TextFileTest, LoneCarriageReturnAtTheEndOfTheReadBuffer) {
  std::string head(kTextBufferSize - 1, 'x');
  EXPECT_EQ(Pieces({head + "\ry\n"}), pieces(head + "\ry\r\n"));
  EXPECT_EQ(Pieces({head + "\r"}), pieces(head + "\r"));
}

TEST_F(TextFileTest, CtrlZAtTheStartOfTheSecondReadBuffer) {
  std::string head(kTextBufferSize - 1, 'x');
  EXPECT_EQ(Pieces({head + "\r"}), pieces(head + "\r\x1A\n"));
  std::string full(kTextBufferSize, 'x');
  EXPECT_EQ(Pieces({full}), pieces(full + "\x1A" "more"));
}

TEST_F(TextFileTest, LongFileReadsWhole) {
  std::string content;
  std::vector<std::string> expected;
  for (int i = 0; i < 1000; ++i) {
    std::string line = "line " + std::to_string(i);
    content += line + "\r\n";
    expected.push_back(line + "\n");
  }
  EXPECT_EQ(expected, pieces(content));
}

TEST_F(TextFileTest, ReadFailureEndsTheFile) {
  fake::addFile("C:\\work\\t.txt", "abc\r\n");
  TextFile file;
  ASSERT_TRUE(openTextFile(&file, "t.txt"));
  fs.failingCalls = {"readFile"};
  char buffer[16];
  EXPECT_EQ(-1, readTextPiece(&file, buffer, sizeof buffer));
  fs.failingCalls.clear();
  EXPECT_EQ(-1, readTextPiece(&file, buffer, sizeof buffer));
  closeTextFile(&file);
}

TEST_F(TextFileTest, ZeroSizedBufferReadsNothing) {
  fake::addFile("C:\\work\\t.txt", "abc");
  TextFile file;
  ASSERT_TRUE(openTextFile(&file, "t.txt"));
  char buffer[1] = {'Z'};
  EXPECT_EQ(-1, readTextPiece(&file, buffer, 0));
  EXPECT_EQ('Z', buffer[0]);
  char rest[8];
  EXPECT_EQ(3, readTextPiece(&file, rest, sizeof rest));
  closeTextFile(&file);
}

TEST_F(TextFileTest, MissingFileOrDirectoryDoesNotOpen) {
  TextFile file;
  EXPECT_FALSE(openTextFile(&file, "missing.txt"));
  fake::addDirectory("C:\\work\\dir");
  EXPECT_FALSE(openTextFile(&file, "dir"));
}

TEST_F(TextFileTest, CloseReleasesTheFile) {
  fake::addFile("C:\\work\\t.txt", "abc");
  TextFile file;
  ASSERT_TRUE(openTextFile(&file, "t.txt"));
  EXPECT_EQ(1u, fs.openFiles.size());
  closeTextFile(&file);
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(TextFileTest, LineFeedsAreWrittenAsCarriageReturnLineFeed) {
  char out[16];
  size_t length = toFileLineEnds("a\nbc\n", out, sizeof out);
  EXPECT_EQ("a\r\nbc\r\n", std::string(out, length));
}

TEST_F(TextFileTest, LineEndConversionRefusesATooSmallBuffer) {
  char out[7];
  EXPECT_EQ(7u, toFileLineEnds("a\nbc\n", out, 7));
  EXPECT_EQ(0u, toFileLineEnds("a\nbc\n", out, 6));
  EXPECT_EQ(0u, toFileLineEnds("abc\n", out, 4));
}

}  // namespace
