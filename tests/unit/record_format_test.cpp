// Reading result records back: the parser against the record writer.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "log/record_format.h"
#include "log/result_log.h"

namespace {

struct Fields {
  bool isRecord;
  std::string updateValue;
  std::string newValue;
  int32_t code;
  RecordTime time;
};

Fields parse(const std::string& line) {
  ParsedRecord record;
  Fields fields = {parseRecord(line.data(), line.size(), &record), "", "", 0, {}};
  if (fields.isRecord) {
    fields.updateValue.assign(record.updateValue, record.updateLength);
    fields.newValue.assign(record.newValue, record.newLength);
    fields.code = record.returnCode;
    fields.time = record.time;
  }
  return fields;
}

// The line qnUpdate writes for these values, without its line end.
std::string written(const char* updateValue, const char* newValue, int32_t code) {
  char record[kRecordSize];
  size_t length = composeRecord("12-31-2006", "23:59:58", updateValue, newValue, code, record,
                                sizeof record);
  return std::string(record, length - 1);
}

TEST(RecordFormatTest, EveryRecordTheWriterMakesReadsBack) {
  const char* const values[] = {"4.1", "", "a,b", "x=y", " spaced value ", "4.1,Update=9",
                                ",Status=Success,ReturnCode=0", "n,ReturnCode=5"};
  const int32_t codes[] = {0, 9, 3010, -1, INT32_MIN, INT32_MAX};
  for (const char* updateValue : values) {
    for (const char* newValue : values) {
      for (int32_t code : codes) {
        std::string line = written(updateValue, newValue, code);
        Fields fields = parse(line);
        ASSERT_TRUE(fields.isRecord) << line;
        EXPECT_EQ(updateValue, fields.updateValue) << line;
        EXPECT_EQ(newValue, fields.newValue) << line;
        EXPECT_EQ(code, fields.code) << line;
      }
    }
  }
}

TEST(RecordFormatTest, DateAndTimeAreMonthDayYearThenTheClock) {
  Fields fields = parse(written("4.1", "4.2", 0));
  ASSERT_TRUE(fields.isRecord);
  EXPECT_EQ(2006, fields.time.year);
  EXPECT_EQ(12, fields.time.month);
  EXPECT_EQ(31, fields.time.day);
  EXPECT_EQ(23, fields.time.hour);
  EXPECT_EQ(59, fields.time.minute);
  EXPECT_EQ(58, fields.time.second);
}

TEST(RecordFormatTest, NewIsTakenFromTheLastNewFieldBeforeStatus) {
  Fields fields = parse("01-02-2007 03:04:05,Update=a,New=b,New=c,Status=Success,ReturnCode=0 ");
  ASSERT_TRUE(fields.isRecord);
  EXPECT_EQ("a,New=b", fields.updateValue);
  EXPECT_EQ("c", fields.newValue);
}

TEST(RecordFormatTest, TheCodeEndsWithItsOneSpace) {
  EXPECT_EQ(-5, parse("01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=-5 ").code);
  // Torn inside its code, or before its space; or more than qnUpdate writes.
  const char* const lines[] = {
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=301",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3010",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=-5  "};
  for (const char* line : lines) EXPECT_FALSE(parse(line).isRecord) << line;
}

TEST(RecordFormatTest, LinesThatNoQnUpdateWritesAreNoRecords) {
  const char* const lines[] = {
      "",
      "ROBOCOPY: 1 file copied",
      "12-31-2006 09:2",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Success,ReturnCode=5 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=0 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=2147483648 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=-2147483649 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=12345678901 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode= ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=- ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=03 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Success,ReturnCode=-0 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3x ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 x",
      "01-02-2007 03:04:05,Update=a,New=b,ReturnCode=3 ",
      "01-02-2007 03:04:05,Update=a,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03:04:05,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03:04:05 ,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "1-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01/02/2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03-04-05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "13-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-32-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-00-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-0207 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 24:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03:60:05,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03:04:60,Update=a,New=b,Status=Unknown,ReturnCode=3 ",
      "01-02-2007 03:04:05,Update=a,New=b,Status=Unknown,ReturnCode=3,New=c",
  };
  for (const char* line : lines) EXPECT_FALSE(parse(line).isRecord) << line;
}

TEST(RecordFormatTest, ShortestRecordHasEmptyValues) {
  Fields fields = parse("01-02-2007 03:04:05,Update=,New=,Status=Success,ReturnCode=0 ");
  ASSERT_TRUE(fields.isRecord);
  EXPECT_EQ("", fields.updateValue);
  EXPECT_EQ("", fields.newValue);
  // Every shorter start of it is no record, and none is read past its end.
  std::string line = "01-02-2007 03:04:05,Update=,New=,Status=Success,ReturnCode=0 ";
  for (size_t length = 0; length < line.size(); ++length) {
    std::string start = line.substr(0, length);
    EXPECT_FALSE(parse(start).isRecord) << start;
  }
}

}  // namespace
