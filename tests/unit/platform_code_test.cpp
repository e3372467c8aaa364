// Platform classification and section headers, over the fake platform.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "script/platform_code.h"

namespace {

constexpr uint16_t kSuiteDatacenter = 0x80;
constexpr uint16_t kSuiteSingleUser = 0x100;

class PlatformCodeTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  PlatformCode classify(uint32_t major, uint32_t minor, bool wow64 = false,
                        uint16_t suiteMask = 0, uint32_t platformId = 2) {
    fs.version = {major, minor, platformId, suiteMask};
    fs.wow64 = wow64;
    return classifyPlatform();
  }

  fake::State& fs = fake::state();
};

TEST_F(PlatformCodeTest, NT40IsWinNT) { EXPECT_EQ(0, classify(4, 0)); }

TEST_F(PlatformCodeTest, NT4WithOtherMinorIsOther) { EXPECT_EQ(3, classify(4, 1)); }

TEST_F(PlatformCodeTest, Windows2000IsWin2K) {
  EXPECT_EQ(1, classify(5, 0));
  EXPECT_EQ(1, fs.wow64Questions);
}

TEST_F(PlatformCodeTest, Windows2000UnderWow64IsWin2K64) { EXPECT_EQ(7, classify(5, 0, true)); }

TEST_F(PlatformCodeTest, Windows2000DatacenterIsOther) {
  EXPECT_EQ(3, classify(5, 0, false, kSuiteDatacenter | kSuiteSingleUser));
  EXPECT_EQ(3, classify(5, 0, true, kSuiteDatacenter));
}

TEST_F(PlatformCodeTest, OtherSuiteBitsDoNotMakeDatacenter) {
  EXPECT_EQ(1, classify(5, 0, false, 0xFF7F));
}

TEST_F(PlatformCodeTest, DatacenterGoesUnseenWhenTheExtendedRequestIsRefused) {
  fs.refuseExtendedVersion = true;
  EXPECT_EQ(1, classify(5, 0, false, kSuiteDatacenter));
  EXPECT_EQ(7, classify(5, 0, true, kSuiteDatacenter));
}

TEST_F(PlatformCodeTest, ExtendedRecordIsUsedForTheAnswerWhenAccepted) {
  // The fake answers a plain request without the suite mask: asking the second
  // time for the plain record would lose the Datacenter bit.
  EXPECT_EQ(3, classify(5, 0, false, kSuiteDatacenter));
  int versionRequests = 0;
  for (const std::string& call : fs.calls) versionRequests += call == "getVersion" ? 1 : 0;
  EXPECT_EQ(2, versionRequests);
}

TEST_F(PlatformCodeTest, XPIsWinXPWithoutAskingAboutWow64) {
  EXPECT_EQ(6, classify(5, 1));
  EXPECT_EQ(0, fs.wow64Questions);
}

TEST_F(PlatformCodeTest, XPUnderWow64IsStillWinXP) {
  EXPECT_EQ(6, classify(5, 1, true));
  EXPECT_EQ(0, fs.wow64Questions);
}

TEST_F(PlatformCodeTest, Server2003IsWinK3) {
  EXPECT_EQ(2, classify(5, 2));
  EXPECT_EQ(1, fs.wow64Questions);
}

TEST_F(PlatformCodeTest, Server2003UnderWow64IsWinK364) { EXPECT_EQ(8, classify(5, 2, true)); }

TEST_F(PlatformCodeTest, LaterMinorVersionsOf5AreOther) {
  EXPECT_EQ(3, classify(5, 3));
  EXPECT_EQ(3, classify(5, 3, true));
}

TEST_F(PlatformCodeTest, OtherMajorVersionsAreOther) {
  EXPECT_EQ(3, classify(6, 0));
  EXPECT_EQ(3, classify(6, 0, true));
  EXPECT_EQ(3, classify(3, 51));
  EXPECT_EQ(0, fs.wow64Questions);
}

TEST_F(PlatformCodeTest, NonNTPlatformIsOther) {
  EXPECT_EQ(3, classify(4, 0, false, 0, 1));
  EXPECT_EQ(3, classify(5, 0, false, 0, 1));
  EXPECT_EQ(3, classify(5, 2, true, 0, 0));
}

TEST_F(PlatformCodeTest, RefusedVersionRequestsGiveOther) {
  fs.refuseVersion = true;
  EXPECT_EQ(3, classify(5, 0));
  EXPECT_EQ(3, classify(4, 0));
}

TEST_F(PlatformCodeTest, RefusedSecondRequestGivesOther) {
  fs.version = {4, 0, 2, 0};
  fs.failCallNumber = 1;  // the extended request is accepted, the answer refused
  EXPECT_EQ(3, classifyPlatform());
}

TEST_F(PlatformCodeTest, SectionHeaderForEachCode) {
  EXPECT_STREQ("[WINNT]", sectionHeaderFor(0));
  EXPECT_STREQ("[WIN2K]", sectionHeaderFor(1));
  EXPECT_STREQ("[WINK3]", sectionHeaderFor(2));
  EXPECT_STREQ("[64WIN2K]", sectionHeaderFor(7));
  EXPECT_STREQ("[64WINK3]", sectionHeaderFor(8));
}

TEST_F(PlatformCodeTest, SectionHeaderForOtherCodesIsWinK3) {
  for (int32_t code : {3, 6, 4, 5, -1, 9, 99}) {
    EXPECT_STREQ("[WINK3]", sectionHeaderFor(code)) << "code " << code;
  }
}

}  // namespace
