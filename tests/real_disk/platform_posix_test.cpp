// The POSIX platform layer's files, names, commands and directories on a real disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "disk_test.h"
#include "platform/held_directory.h"
#include "platform/platform.h"
#include "runtime/text_file.h"

namespace {

class PlatformPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.valid());
    ASSERT_NE(nullptr, getcwd(startDirectory, sizeof startDirectory));
    const char* value = getenv("systemdrive");
    hadSystemDrive = value != nullptr;
    if (hadSystemDrive) savedSystemDrive = value;
  }

  void TearDown() override {
    ASSERT_EQ(0, chdir(startDirectory));
    if (hadSystemDrive) {
      setenv("systemdrive", savedSystemDrive.c_str(), 1);
    } else {
      unsetenv("systemdrive");
    }
  }

  // The scratch directory, held.
  platform::DirectoryHandle holdTemp() {
    platform::DirectoryHandle directory = platform::kNoDirectory;
    EXPECT_EQ(platform::kOpened, platform::holdDirectory(temp.path().c_str(), &directory));
    return directory;
  }

  // Opens "log" in the held scratch directory for appending.
  platform::FileHandle openLog() {
    platform::DirectoryHandle directory = holdTemp();
    platform::FileHandle log = platform::kNoFile;
    EXPECT_EQ(platform::kOpened, platform::openForAppending(directory, "log", &log));
    platform::releaseDirectory(directory);
    return log;
  }

  // Appends through the platform layer and returns the file's bytes afterwards.
  std::string appendTo(const std::string& initial, const std::string& data) {
    std::string path = temp.path() + "log";
    writeBytes(path, initial);
    platform::FileHandle log = openLog();
    EXPECT_NE(platform::kNoFile, log);
    EXPECT_EQ(platform::kAppended, platform::appendToFile(log, data.data(), data.size()));
    EXPECT_TRUE(platform::closeFile(log));
    return readBytes(path);
  }

  std::vector<std::string> pieces(const std::string& content, size_t size = 8192) {
    std::string path = temp.path() + "text";
    writeBytes(path, content);
    TextFile file;
    EXPECT_TRUE(openTextFile(&file, path.c_str()));
    std::vector<std::string> result;
    std::vector<char> buffer(size);
    int count;
    while ((count = readTextPiece(&file, buffer.data(), size)) >= 0) {
      result.emplace_back(buffer.data(), static_cast<size_t>(count));
    }
    closeTextFile(&file);
    return result;
  }

  int32_t run(const std::string& line) {
    char commandText[] = "unused on POSIX";
    return platform::runCommand(commandText, line.c_str());
  }

  ScopedTempDir temp;
  char startDirectory[PATH_MAX];
  bool hadSystemDrive = false;
  std::string savedSystemDrive;
};

using Pieces = std::vector<std::string>;

// --- Appending ------------------------------------------------------------------

TEST_F(PlatformPosixTest, AppendingCreatesTheFileForItsOwnerOnly) {
  platform::FileHandle log = openLog();
  ASSERT_NE(platform::kNoFile, log);
  EXPECT_EQ(platform::kAppended, platform::appendToFile(log, "rec\r\n", 5));
  EXPECT_TRUE(platform::closeFile(log));
  EXPECT_EQ("rec\r\n", readBytes(temp.path() + "log"));
  EXPECT_EQ(0600u, modeOf(temp.path() + "log"));
}

TEST_F(PlatformPosixTest, AppendingRemovesOneTrailingCtrlZ) {
  EXPECT_EQ("old\r\nnew", appendTo("old\r\n\x1A", "new"));
  EXPECT_EQ("old\x1A" "new", appendTo("old\x1A\x1A", "new"));
  EXPECT_EQ("\x1A" "old\r\nnew", appendTo("\x1A" "old\r\n", "new"));
  EXPECT_EQ("new", appendTo("\x1A", "new"));
}

TEST_F(PlatformPosixTest, CtrlZIsRemovedEvenWhenNothingIsWritten) {
  std::string path = temp.path() + "log";
  writeBytes(path, "old\x1A");
  platform::FileHandle log = openLog();
  ASSERT_NE(platform::kNoFile, log);
  EXPECT_TRUE(platform::closeFile(log));
  EXPECT_EQ("old", readBytes(path));
}

TEST_F(PlatformPosixTest, AppendingWritesAtTheCurrentEnd) {
  std::string path = temp.path() + "log";
  writeBytes(path, "abc");
  platform::FileHandle log = openLog();
  ASSERT_NE(platform::kNoFile, log);
  // Another writer lengthens the file after it was opened.
  int other = open(path.c_str(), O_WRONLY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(3, pwrite(other, "XYZ", 3, 3));
  close(other);
  EXPECT_EQ(platform::kAppended, platform::appendToFile(log, "1", 1));
  EXPECT_EQ(platform::kAppended, platform::appendToFile(log, "2", 1));
  EXPECT_TRUE(platform::closeFile(log));
  EXPECT_EQ("abcXYZ12", readBytes(path));
}

TEST_F(PlatformPosixTest, LockIsHadByOneHolderAtATimeAndIsForItsOwnerOnly) {
  platform::DirectoryHandle directory = holdTemp();
  platform::FileHandle first = platform::kNoFile;
  platform::FileHandle second = platform::kNoFile;
  ASSERT_EQ(platform::kOpened, platform::takeLockFile(directory, "lock", &first));
  EXPECT_EQ(0600u, modeOf(temp.path() + "lock"));
  EXPECT_EQ(platform::kOpenBusy, platform::takeLockFile(directory, "lock", &second));
  EXPECT_TRUE(platform::closeFile(first));
  ASSERT_EQ(platform::kOpened, platform::takeLockFile(directory, "lock", &second));
  EXPECT_TRUE(platform::closeFile(second));
  platform::releaseDirectory(directory);
}

TEST_F(PlatformPosixTest, HeldDirectoryIsNeverALinkAndHoldsOnlyPlainFiles) {
  ASSERT_EQ(0, mkdir((temp.path() + "dir").c_str(), 0700));
  ASSERT_EQ(0, symlink("dir", (temp.path() + "link").c_str()));
  platform::DirectoryHandle held = platform::kNoDirectory;
  EXPECT_EQ(platform::kOpenFailed, platform::holdDirectory((temp.path() + "link").c_str(), &held));
  EXPECT_EQ(platform::kOpenFailed, platform::holdDirectory((temp.path() + "missing").c_str(), &held));
  EXPECT_EQ(platform::kNoDirectory, held);
  platform::DirectoryHandle directory = holdTemp();
  platform::FileHandle file = platform::kNoFile;
  EXPECT_EQ(platform::kOpenFailed, platform::openForAppending(directory, "dir", &file));
  platform::FileHandle lock = platform::kNoFile;
  EXPECT_EQ(platform::kOpenFailed, platform::takeLockFile(directory, "link", &lock));
  platform::releaseDirectory(directory);
}

// --- Reading text --------------------------------------------------------------------

TEST_F(PlatformPosixTest, TextReaderFollowsTheLineEndRules) {
  EXPECT_EQ(Pieces({"a\n", "b\rc\n", "d"}), pieces("a\r\nb\rc\nd"));
  EXPECT_EQ(Pieces({"a\n", "b"}), pieces("a\r\nb\x1A" "c\r\n"));
  const char withNul[] = "a\0b\r\n";
  EXPECT_EQ(Pieces({std::string("a\0b\n", 4)}), pieces(std::string(withNul, sizeof withNul - 1)));
}

TEST_F(PlatformPosixTest, TextReaderCrossesReadBuffers) {
  std::string head(kTextBufferSize - 1, 'x');
  EXPECT_EQ(Pieces({head + "\n", "y"}), pieces(head + "\r\ny"));
  std::string content;
  Pieces expected;
  for (int i = 0; i < 3000; ++i) {
    content += std::to_string(i) + "\r\n";
    expected.push_back(std::to_string(i) + "\n");
  }
  EXPECT_EQ(expected, pieces(content));
}

TEST_F(PlatformPosixTest, TextReaderRefusesDirectoriesAndMissingFiles) {
  TextFile file;
  EXPECT_FALSE(openTextFile(&file, temp.path().c_str()));
  EXPECT_FALSE(openTextFile(&file, (temp.path() + "missing").c_str()));
}

// --- Temporary names -------------------------------------------------------------------

TEST_F(PlatformPosixTest, TemporaryNamesAreDistinctAndWellFormed) {
  const std::regex form("QNT[0-9A-F]{1,4}\\.tmp");
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    char name[kPathBufferSize];
    ASSERT_TRUE(platform::getTempFileName(temp.path().c_str(), "QNTEMP\\", name, sizeof name));
    std::string path = name;
    ASSERT_EQ(0u, path.find(temp.path()));
    std::string leaf = path.substr(temp.path().size());
    EXPECT_TRUE(std::regex_match(leaf, form)) << leaf;
    EXPECT_TRUE(pathExists(path));
    EXPECT_EQ("", readBytes(path));
    names.insert(leaf);
  }
  EXPECT_EQ(50u, names.size());
}

TEST_F(PlatformPosixTest, TemporaryNameThatDoesNotFitIsRefused) {
  char name[8];
  EXPECT_FALSE(platform::getTempFileName(temp.path().c_str(), "QNTEMP\\", name, sizeof name));
}

TEST_F(PlatformPosixTest, TemporaryNameInAMissingDirectoryIsRefused) {
  char name[kPathBufferSize];
  EXPECT_FALSE(
      platform::getTempFileName((temp.path() + "no/").c_str(), "QNTEMP\\", name, sizeof name));
}

// --- Commands ------------------------------------------------------------------------------

TEST_F(PlatformPosixTest, CommandExitStatusComesBack) {
  EXPECT_EQ(0, run("exit 0"));
  EXPECT_EQ(3, run("exit 3"));
  EXPECT_EQ(255, run("exit 255"));
  EXPECT_EQ(127, run("no-such-command-qn 2>/dev/null"));
}

TEST_F(PlatformPosixTest, KilledShellGives128PlusTheSignal) {
  EXPECT_EQ(128 + 9, run("kill -9 $$"));
  EXPECT_EQ(128 + 15, run("kill -15 $$"));
}

TEST_F(PlatformPosixTest, CommandRunsInTheCurrentDirectory) {
  ASSERT_EQ(0, chdir(temp.path().c_str()));
  EXPECT_EQ(0, run("pwd > here.txt"));
  char cwd[PATH_MAX];
  ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
  EXPECT_EQ(std::string(cwd) + "\n", readBytes(temp.path() + "here.txt"));
}

TEST_F(PlatformPosixTest, CommandLineReachesTheShellUnchanged) {
  ASSERT_EQ(0, chdir(temp.path().c_str()));
  EXPECT_EQ(0, run("printf '%s|' \"a  b\" 'c\"d' > out.txt"));
  EXPECT_EQ("a  b|c\"d|", readBytes(temp.path() + "out.txt"));
}

TEST_F(PlatformPosixTest, CommandSeesTheEnvironment) {
  ASSERT_EQ(0, chdir(temp.path().c_str()));
  setenv("systemdrive", "/qn-volume", 1);
  EXPECT_EQ(0, run("printf '%s' \"$systemdrive\" > env.txt"));
  EXPECT_EQ("/qn-volume", readBytes(temp.path() + "env.txt"));
}

// --- Directories and the system volume -----------------------------------------------------

TEST_F(PlatformPosixTest, SystemRootIsTheSystemDriveDirectory) {
  char root[kPathBufferSize];
  std::string directory = temp.path().substr(0, temp.path().size() - 1);
  setenv("systemdrive", directory.c_str(), 1);
  platform::systemRoot(root, sizeof root);
  EXPECT_EQ(directory + "/", std::string(root));
  setenv("systemdrive", temp.path().c_str(), 1);
  platform::systemRoot(root, sizeof root);
  EXPECT_EQ(temp.path(), std::string(root));
}

TEST_F(PlatformPosixTest, SystemRootWithoutSystemDriveIsTheFileSystemRoot) {
  char root[kPathBufferSize];
  unsetenv("systemdrive");
  platform::systemRoot(root, sizeof root);
  EXPECT_STREQ("/", root);
  setenv("systemdrive", "", 1);
  platform::systemRoot(root, sizeof root);
  EXPECT_STREQ("/", root);
}

TEST_F(PlatformPosixTest, LogVolumeIsTheSystemDriveValue) {
  char volume[kPathBufferSize];
  setenv("systemdrive", "/some/volume", 1);
  ASSERT_TRUE(platform::logVolume(volume, sizeof volume));
  EXPECT_STREQ("/some/volume", volume);
  EXPECT_FALSE(platform::logVolume(volume, 12));
  unsetenv("systemdrive");
  ASSERT_TRUE(platform::logVolume(volume, sizeof volume));
  EXPECT_STREQ("", volume);
}

TEST_F(PlatformPosixTest, CurrentDirectoryThatDoesNotFitLeavesTheBuffer) {
  ASSERT_EQ(0, chdir(temp.path().c_str()));
  char buffer[8] = "unset";
  EXPECT_FALSE(platform::getCurrentDirectory(buffer, sizeof buffer));
  EXPECT_STREQ("unset", buffer);
  char full[PATH_MAX];
  ASSERT_TRUE(platform::getCurrentDirectory(full, sizeof full));
  EXPECT_EQ(temp.path(), std::string(full) + "/");
}

TEST_F(PlatformPosixTest, DirectoriesAreCreatedOnceAndRemovedOnlyWhenEmpty) {
  std::string directory = temp.path() + "d";
  EXPECT_TRUE(platform::createDirectory(directory.c_str()));
  EXPECT_FALSE(platform::createDirectory(directory.c_str()));
  writeBytes(directory + "/f", "x");
  EXPECT_FALSE(platform::removeDirectory(directory.c_str()));
  EXPECT_TRUE(platform::deleteFile((directory + "/f").c_str()));
  EXPECT_FALSE(platform::deleteFile((directory + "/f").c_str()));
  EXPECT_TRUE(platform::removeDirectory(directory.c_str()));
}

TEST_F(PlatformPosixTest, PrivateDirectoryIsForItsOwnerOnly) {
  std::string directory = temp.path() + "staging";
  EXPECT_TRUE(platform::createPrivateDirectory(directory.c_str()));
  EXPECT_EQ(0u, modeOf(directory) & 077);
  EXPECT_FALSE(platform::createPrivateDirectory(directory.c_str()));
}

TEST_F(PlatformPosixTest, ListingMarksDirectoriesAndLinksAsWindowsDoes) {
  ASSERT_EQ(0, mkdir((temp.path() + "sub").c_str(), 0755));
  writeBytes(temp.path() + "file", "x");
  ASSERT_EQ(0, symlink((temp.path() + "sub").c_str(), (temp.path() + "dirlink").c_str()));
  ASSERT_EQ(0, symlink((temp.path() + "file").c_str(), (temp.path() + "filelink").c_str()));
  ASSERT_EQ(0, symlink((temp.path() + "none").c_str(), (temp.path() + "dangling").c_str()));
  std::string pattern = temp.path() + "*.*";
  platform::DirectoryEntry entry;
  platform::FindHandle find = platform::findFirstFile(pattern.c_str(), &entry);
  ASSERT_NE(platform::kNoFind, find);
  std::map<std::string, uint32_t> attributes;
  do {
    attributes[entry.name] = entry.attributes;
  } while (platform::findNextFile(find, &entry) == platform::kFoundEntry);
  platform::findClose(find);
  const uint32_t directory = platform::kAttributeDirectory;
  const uint32_t link = platform::kAttributeReparsePoint;
  EXPECT_EQ((std::map<std::string, uint32_t>{{".", directory},
                                             {"..", directory},
                                             {"sub", directory},
                                             {"file", 0},
                                             {"dirlink", directory | link},
                                             {"filelink", link},
                                             {"dangling", link}}),
            attributes);
}

TEST_F(PlatformPosixTest, ListingOfAMissingDirectoryCannotStart) {
  platform::DirectoryEntry entry;
  EXPECT_EQ(platform::kNoFind,
            platform::findFirstFile((temp.path() + "no/*.*").c_str(), &entry));
}

TEST_F(PlatformPosixTest, CopyRefusesDirectoriesAndMissingFiles) {
  ASSERT_EQ(0, mkdir((temp.path() + "sub").c_str(), 0755));
  uint64_t size = 0;
  EXPECT_FALSE(platform::copyFile((temp.path() + "sub").c_str(), (temp.path() + "t").c_str(), &size));
  EXPECT_FALSE(platform::copyFile((temp.path() + "none").c_str(), (temp.path() + "t").c_str(), &size));
  EXPECT_FALSE(pathExists(temp.path() + "t"));
}

// glibc 2.36 changes a mode without following a link through /proc: a
// machine, container or chroot without /proc must still empty a read-only
// directory. /proc is taken away in a mount namespace of a child's own, which
// takes root.
TEST_F(PlatformPosixTest, ReadOnlyDirectoryIsMadeWritableWithoutProc) {
  std::string directory = temp.path() + "ro";
  ASSERT_EQ(0, mkdir(directory.c_str(), 0555));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        umount2("/proc", MNT_DETACH) != 0) {
      _exit(2);
    }
    _exit(access("/proc/self", F_OK) == 0 ? 3 : platform::setFileAttributesNormal(directory.c_str()) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no mount namespace here (it takes root)";
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ(0755u, modeOf(directory));
}

TEST_F(PlatformPosixTest, FreeSpaceOfARealVolumeIsKnown) {
  platform::DiskSpace space = {};
  ASSERT_TRUE(platform::getDiskFreeSpace(temp.path().c_str(), &space));
  EXPECT_GT(static_cast<uint64_t>(space.sectorsPerCluster) * space.bytesPerSector *
                space.freeClusters,
            0u);
  EXPECT_FALSE(platform::getDiskFreeSpace((temp.path() + "no/").c_str(), &space));
}

}  // namespace
