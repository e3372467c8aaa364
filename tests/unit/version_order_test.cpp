// The order of versions in qnReport's reports, and which one supersedes another.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "report/model/version_order.h"

namespace {

TEST(VersionOrderTest, DottedNumbersSortByNumberThenTheRestByBytes) {
  std::vector<std::string> versions = {"", "10", "7.10", "4.2, final", "7.2", "7.2.1",
                                       "2", "1x", "7.02", "99999999999999999999.1"};
  std::sort(versions.begin(), versions.end(), versionBefore);
  const std::vector<std::string> expected = {"2", "7.02", "7.2", "7.2.1", "7.10", "10",
                                             "99999999999999999999.1", "", "1x", "4.2, final"};
  EXPECT_EQ(expected, versions);
}

TEST(VersionOrderTest, OnlyAGreaterDottedNumberIsLater) {
  EXPECT_TRUE(versionLater("4.10", "4.2"));
  EXPECT_TRUE(versionLater("5", "4.99.1"));
  EXPECT_FALSE(versionLater("7.2", "7.02"));  // the same number
  EXPECT_FALSE(versionLater("4.2", "4.10"));
  EXPECT_FALSE(versionLater("5.0 final", "4.2"));
  for (const char* notDotted : {"", ".1", "1.", "1..2", "v1.2", "1.2 "}) {
    EXPECT_FALSE(isDottedNumber(notDotted)) << notDotted;
  }
}

}  // namespace
