// The staged run: naming, free-space check, copy, run from the copy and clean-up,
// over the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_update.h"
#include "fake_platform.h"
#include "staging/staged_run.h"

namespace {

// The fake's temporary-name service starts numbering at 0x1A2.
const char kStagingDir[] = "C:\\QNT1A2.tmp";

class StagedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    fake::addFile("C:\\cd\\qnInst.cfg", "[WINK3]\r\nsetup.exe /q\r\n");
    fake::addFile("C:\\cd\\setup.exe", "MZ");
    fake::addFile("C:\\cd\\version.id", "4.1\r\n4.2\r\n");
    fake::addFile("C:\\cd\\data\\payload.bin", "payload");
  }

  int32_t runStaged(const char* argument) {
    const char* argv[3] = {"qnUpdate", argument, nullptr};
    return runUpdate(2, argv);
  }

  int32_t runInPlace() {
    const char* argv[2] = {"qnUpdate", nullptr};
    return runUpdate(1, argv);
  }

  int callsNamed(const std::string& name) const {
    int count = 0;
    for (const std::string& call : fs.calls) count += call == name ? 1 : 0;
    return count;
  }

  // Names in the root of C: that look like staging names.
  std::vector<std::string> stagingLeftovers() const {
    std::vector<std::string> found;
    for (const auto& [path, node] : fs.nodes) {
      if (path.rfind("C:\\QNT", 0) == 0 && path.find('\\', 3) == std::string::npos) {
        found.push_back(path);
      }
    }
    return found;
  }

  fake::State& fs = fake::state();
};

using Paths = std::vector<std::string>;

// --- Naming ----------------------------------------------------------------------

TEST_F(StagedRunTest, StagingNameIsATemporaryNameWithASeparator) {
  char name[kPathBufferSize];
  makeStagingName("C:\\", name, sizeof name);
  EXPECT_STREQ("C:\\QNT1A2.tmp\\", name);
  EXPECT_EQ(Paths(), stagingLeftovers());
}

TEST_F(StagedRunTest, NamingSkipsNamesInUse) {
  fake::addDirectory("C:\\QNT1A2.tmp");
  char name[kPathBufferSize];
  makeStagingName("C:\\", name, sizeof name);
  EXPECT_STREQ("C:\\QNT1A3.tmp\\", name);
}

TEST_F(StagedRunTest, FailedNamingGivesTheSeparatorAlone) {
  fs.failingCalls = {"getTempFileName"};
  char name[kPathBufferSize];
  makeStagingName("C:\\", name, sizeof name);
  EXPECT_STREQ("\\", name);
}

TEST_F(StagedRunTest, StagingNameNeverWritesPastItsBuffer) {
  char name[4] = {'x', 'x', 'x', 'x'};
  makeStagingName("C:\\", name, 0);
  EXPECT_EQ('x', name[0]);
  makeStagingName("C:\\", name, 1);
  EXPECT_EQ('\0', name[0]);
  EXPECT_EQ('x', name[1]);
  makeStagingName("C:\\", name, 2);
  EXPECT_STREQ("\\", name);
  EXPECT_EQ('x', name[2]);
  EXPECT_EQ(Paths(), stagingLeftovers());
}

TEST_F(StagedRunTest, InPlaceRunReservesAndReleasesOneTemporaryFile) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "MZ");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  EXPECT_EQ(0, runInPlace());
  EXPECT_EQ(1, callsNamed("getTempFileName"));
  EXPECT_EQ(1, callsNamed("deleteFile"));
  EXPECT_EQ(Paths(), stagingLeftovers());
  EXPECT_EQ(0, callsNamed("getDiskFreeSpace"));
  EXPECT_EQ(0u, fs.sleptMilliseconds);
}

TEST_F(StagedRunTest, InPlaceRunIsUnaffectedByAFailedNaming) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\na.exe\r\n");
  fake::addFile("C:\\work\\a.exe", "MZ");
  fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
  fs.failingCalls = {"getTempFileName"};
  fs.commandRunner = [](const fake::CommandRun&) { return 7; };
  EXPECT_EQ(7, runInPlace());
  EXPECT_EQ("", fs.console);
  EXPECT_TRUE(fake::exists("C:\\QNLOG\\QN.log"));
}

// --- A staged run that works --------------------------------------------------------

TEST_F(StagedRunTest, StagedRunRunsFromTheCopyAndRemovesIt) {
  std::string payloadSeen;
  fs.commandRunner = [&payloadSeen](const fake::CommandRun& run) {
    payloadSeen = fake::fileContent(run.directory + "\\data\\payload.bin");
    return 3010;
  };
  EXPECT_EQ(3010, runStaged("C:\\cd"));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ(kStagingDir, fs.commands[0].directory);
  EXPECT_EQ("payload", payloadSeen);
  EXPECT_EQ("", fs.console);
  EXPECT_EQ(5000u, fs.sleptMilliseconds);
  EXPECT_EQ(Paths(), stagingLeftovers());
  EXPECT_EQ("C:\\work", fs.currentDirectory);
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
  // The source is left as it was.
  EXPECT_EQ(5u, fake::listTree("C:\\cd").size());
}

TEST_F(StagedRunTest, StagedCopiesAreWritable) {
  fs.nodes.at("C:\\cd\\setup.exe").attributes = fake::kAttributeReadOnly;
  uint32_t attributesSeen = 0;
  fs.commandRunner = [&attributesSeen](const fake::CommandRun& run) {
    attributesSeen = fake::state().nodes.at(run.directory + "\\setup.exe").attributes;
    return 0;
  };
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ(fake::kAttributeNormal, attributesSeen);
  EXPECT_EQ(Paths(), stagingLeftovers());
}

TEST_F(StagedRunTest, RelativeArgumentIsResolvedAgainstTheWorkingDirectory) {
  fake::addFile("C:\\work\\upd\\qnInst.cfg", "[WINK3]\r\nfrom-work-upd\r\n");
  EXPECT_EQ(0, runStaged("upd"));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("from-work-upd", fs.commands[0].line);
  EXPECT_EQ(kStagingDir, fs.commands[0].directory);
}

TEST_F(StagedRunTest, ArgumentThatCannotBeEnteredStagesTheWorkingDirectory) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\nfrom-work\r\n");
  EXPECT_EQ(0, runStaged("C:\\nowhere"));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("from-work", fs.commands[0].line);
  EXPECT_EQ(kStagingDir, fs.commands[0].directory);
  EXPECT_EQ("C:\\work", fs.currentDirectory);
}

TEST_F(StagedRunTest, QuotedDriveRootArgumentStagesTheWorkingDirectory) {
  fake::addFile("C:\\work\\qnInst.cfg", "[WINK3]\r\nfrom-work\r\n");
  EXPECT_EQ(0, runStaged("D:\""));
  ASSERT_EQ(1u, fs.commands.size());
  EXPECT_EQ("from-work", fs.commands[0].line);
}

// --- Free space ------------------------------------------------------------------------

TEST_F(StagedRunTest, FreeSpaceQueryFailing) {
  fs.failingCalls = {"getDiskFreeSpace"};
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to determine if enough free space to copy files.\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
  EXPECT_EQ(Paths(), stagingLeftovers());
  EXPECT_TRUE(fs.commands.empty());
}

// The update of SetUp holds 42 bytes in four files and one sub-directory: with
// clusters of one byte, 42 + 1 for the sub-directory + 1 for the staging directory.
const uint32_t kUpdateInBytes = 44;

TEST_F(StagedRunTest, CopyPlusTwoMillionBytesIsEnough) {
  fs.diskSpace = {1, 1, 2000000 + kUpdateInBytes};
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ("", fs.console);
  EXPECT_EQ(1u, fs.commands.size());
}

TEST_F(StagedRunTest, OneByteLessIsNotEnoughAndNothingIsCreated) {
  fs.diskSpace = {1, 1, 2000000 + kUpdateInBytes - 1};
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Not enough disk space to copy necessary files.\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
  EXPECT_EQ(Paths(), stagingLeftovers());
  EXPECT_EQ(0, callsNamed("createPrivateDirectory") + callsNamed("copyFile"));
  EXPECT_TRUE(fs.commands.empty());
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
}

TEST_F(StagedRunTest, EachFileAndDirectoryTakesWholeClusters) {
  // Clusters of 4096 bytes: 4 files, the sub-directory and the staging
  // directory take 6 clusters, 24,576 bytes; 2,024,576 bytes are needed.
  fs.diskSpace = {8, 512, 495};  // 2,027,520 bytes
  EXPECT_EQ(0, runStaged("C:\\cd"));
  fs.diskSpace = {8, 512, 494};  // 2,023,424 bytes: enough for the bytes alone
  fs.console.clear();
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Not enough disk space to copy necessary files.\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
}

TEST_F(StagedRunTest, FreeSpaceIsComputedWiderThan32Bits) {
  // 128 x 512 x 65536 is 2^32: zero if the product were taken in 32 bits.
  fs.diskSpace = {128, 512, 65536};
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ("", fs.console);
  fs.diskSpace = {128, 4096, 0xFFFFFFFFu};  // clusters of 512 KiB, 2^51 bytes free
  fs.console.clear();
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ("", fs.console);
}

TEST_F(StagedRunTest, EachFactorCountsInTheFreeSpace) {
  // 2 x 1000 x 999 = 1,998,000: every factor taken once.
  fs.diskSpace = {2, 1000, 999};
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Not enough disk space to copy necessary files.\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
}

// --- Staging failures ---------------------------------------------------------------------

TEST_F(StagedRunTest, StagingDirectoryThatCannotBeCreated) {
  fs.failingCalls = {"createPrivateDirectory"};
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to create temporary directory!\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
  EXPECT_TRUE(fs.commands.empty());
}

// Another staged run was given the same name and made its directory (or still
// holds its reservation file) between this run's naming and its creation.
TEST_F(StagedRunTest, NameTakenByAnotherRunIsReplacedByANewOne) {
  for (bool directory : {true, false}) {
    SCOPED_TRACE(directory ? "a directory" : "a reservation file");
    SetUp();
    char staging[kPathBufferSize];
    makeStagingName("C:\\", staging, sizeof staging);
    if (directory) {
      fake::addDirectory(kStagingDir);
    } else {
      fake::addFile(kStagingDir, "");
    }
    EXPECT_EQ(0, stageUpdate("C:\\", "C:\\cd", staging, sizeof staging));
    EXPECT_STREQ("C:\\QNT1A3.tmp\\", staging);
    EXPECT_EQ("MZ", fake::fileContent("C:\\QNT1A3.tmp\\setup.exe"));
    ASSERT_TRUE(fake::exists(kStagingDir));
    EXPECT_EQ(directory, fs.nodes.at(kStagingDir).isDirectory);
    EXPECT_EQ("", fs.console);
  }
}

TEST_F(StagedRunTest, FailedNamingFailsAStagedRun) {
  fs.failingCalls = {"getTempFileName"};
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to create temporary directory!\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
  EXPECT_EQ(1, callsNamed("getDiskFreeSpace"));
  EXPECT_TRUE(fs.commands.empty());
}

TEST_F(StagedRunTest, CopyFailureTakesBackWhatWasCopied) {
  fake::addFile("C:\\cd\\zz\\bad.dat", "x");
  fs.nodes.at("C:\\cd\\zz\\bad.dat").unreadable = true;
  EXPECT_EQ(1, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n"
      "Unable to copy update files to the hard drive.\r\n"
      "Copying update files to the hard drive failed.\r\n",
      fs.console);
  EXPECT_FALSE(fake::exists(kStagingDir));
  EXPECT_TRUE(fs.commands.empty());
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
  EXPECT_EQ(0u, fs.sleptMilliseconds);
}

TEST_F(StagedRunTest, SourcePathTooLongForTheCopyNamesTheFailure) {
  std::string source = "C:\\" + std::string(kPathBufferSize + 1 - 3, 's');
  char staging[] = "C:\\QNT1A2.tmp\\";
  EXPECT_EQ(1, stageUpdate("C:\\", source.c_str(), staging, sizeof staging));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy update files to the hard drive.\r\n",
      fs.console);
}

TEST_F(StagedRunTest, MissingScriptEndsWithNineAndTakesTheCopyBackAtOnce) {
  fs.nodes.erase("C:\\cd\\qnInst.cfg");
  EXPECT_EQ(9, runStaged("C:\\cd"));
  EXPECT_EQ("ERROR: Could not open config FILE qnInst.cfg\r\n", fs.console);
  EXPECT_FALSE(fake::exists(kStagingDir));
  EXPECT_EQ(0u, fs.sleptMilliseconds);
  EXPECT_FALSE(fake::exists("C:\\QNLOG"));
}

// --- Clean-up failures ------------------------------------------------------------------

TEST_F(StagedRunTest, StagingDirectoryThatCannotBeRemovedIsNamed) {
  fs.nodes.erase("C:\\cd\\data\\payload.bin");
  fs.nodes.erase("C:\\cd\\data");
  fs.commandRunner = [](const fake::CommandRun&) {
    fake::state().failingCalls = {"removeDirectory"};
    return 3;
  };
  EXPECT_EQ(3, runStaged("C:\\cd"));
  EXPECT_EQ("Could not remove temporary directoryC:\\QNT1A2.tmp\\\r\n", fs.console);
  EXPECT_EQ(Paths(), fake::listTree(kStagingDir));
}

TEST_F(StagedRunTest, FileHeldOpenInTheStagingDirectory) {
  fs.commandRunner = [](const fake::CommandRun& run) {
    fake::state().nodes.at(run.directory + "\\setup.exe").locked = true;
    return 0;
  };
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to remove temp file C:\\QNT1A2.tmp\\setup.exe\r\n"
      "Could not remove temporary directoryC:\\QNT1A2.tmp\\\r\n",
      fs.console);
  EXPECT_EQ(Paths({"C:\\QNT1A2.tmp\\setup.exe"}), fake::listTree(kStagingDir));
}

TEST_F(StagedRunTest, FileHeldOpenInAStagedSubDirectory) {
  fs.commandRunner = [](const fake::CommandRun& run) {
    fake::state().nodes.at(run.directory + "\\data\\payload.bin").locked = true;
    return 4;
  };
  EXPECT_EQ(4, runStaged("C:\\cd"));
  EXPECT_EQ(
      "Unable to remove temp file C:\\QNT1A2.tmp\\data\\payload.bin\r\n"
      "Could not remove temporary sub-directory.\r\n"
      "Could not remove temporary directoryC:\\QNT1A2.tmp\\\r\n",
      fs.console);
}

TEST_F(StagedRunTest, PauseComesAfterTheCommands) {
  uint32_t sleptBeforeCommands = 1;
  fs.commandRunner = [&sleptBeforeCommands](const fake::CommandRun&) {
    sleptBeforeCommands = fake::state().sleptMilliseconds;
    return 0;
  };
  EXPECT_EQ(0, runStaged("C:\\cd"));
  EXPECT_EQ(0u, sleptBeforeCommands);
  EXPECT_EQ(5000u, fs.sleptMilliseconds);
}

}  // namespace
