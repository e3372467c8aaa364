// Tree copy and removal through the real POSIX platform layer.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disk_test.h"
#include "platform/platform.h"
#include "staging/staged_run.h"
#include "staging/tree_walk.h"

namespace {

class TreeWalkDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.valid());
    source = temp.path() + "src";
    destination = temp.path() + "dst/";
    ASSERT_EQ(0, mkdir(source.c_str(), 0755));
    ASSERT_EQ(0, mkdir(destination.c_str(), 0755));
  }

  // Creates `relative` below the source, with its parent directories.
  void addFile(const std::string& relative, const std::string& content, mode_t mode = 0644) {
    std::string path = source + "/" + relative;
    for (size_t slash = path.find('/', source.size() + 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      mkdir(path.substr(0, slash).c_str(), 0755);
    }
    writeBytes(path, content);
    chmod(path.c_str(), mode);
  }

  int walk(const std::string& from, const char* to) {
    char buffer[kPathBufferSize + 1];
    snprintf(buffer, sizeof buffer, "%s", from.c_str());
    testing::internal::CaptureStdout();
    int result = walkTree(buffer, sizeof buffer, to);
    console = testing::internal::GetCapturedStdout();
    return result;
  }

  // Every path below `directory`, relative to it, sorted.
  static std::vector<std::string> listTree(const std::string& directory) {
    std::vector<std::string> paths;
    std::vector<std::string> pending = {""};
    while (!pending.empty()) {
      std::string relative = pending.back();
      pending.pop_back();
      DIR* stream = opendir((directory + relative).c_str());
      if (stream == nullptr) continue;
      while (struct dirent* item = readdir(stream)) {
        std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        paths.push_back(relative + name);
        if (isDirectory(directory + relative + name)) pending.push_back(relative + name + "/");
      }
      closedir(stream);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  ScopedTempDir temp;
  std::string source;
  std::string destination;
  std::string console;
};

using Paths = std::vector<std::string>;

TEST_F(TreeWalkDiskTest, NestedTreeIsCopiedWhole) {
  addFile("setup.exe", "MZ setup");
  addFile("a/one.txt", "1");
  addFile("a/b/c/d/e/deep.txt", std::string(100000, 'd'));
  mkdir((source + "/empty").c_str(), 0755);
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ(listTree(source + "/"), listTree(destination));
  EXPECT_EQ(std::string(100000, 'd'), readBytes(destination + "a/b/c/d/e/deep.txt"));
  EXPECT_EQ("MZ setup", readBytes(destination + "setup.exe"));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, NestedTreeIsRemovedWhole) {
  addFile("setup.exe", "x");
  addFile("a/one.txt", "1");
  addFile("a/b/c/d/e/deep.txt", "d");
  addFile("a/b/ro.txt", "r", 0444);
  mkdir((source + "/empty").c_str(), 0755);
  EXPECT_EQ(0, walk(source, nullptr));
  EXPECT_EQ(Paths(), listTree(source + "/"));
  EXPECT_TRUE(isDirectory(source));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, ReadOnlyFileIsCopiedWritable) {
  addFile("ro.txt", "r", 0444);
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ("r", readBytes(destination + "ro.txt"));
  EXPECT_NE(0u, modeOf(destination + "ro.txt") & S_IWUSR);
  EXPECT_EQ(0444u, modeOf(source + "/ro.txt"));
}

TEST_F(TreeWalkDiskTest, ExecutableFileStaysExecutable) {
  addFile("run.sh", "#!/bin/sh\nexit 0\n", 0755);
  addFile("plain.txt", "p", 0644);
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_NE(0u, modeOf(destination + "run.sh") & S_IXUSR);
  EXPECT_EQ(0u, modeOf(destination + "plain.txt") & S_IXUSR);
}

TEST_F(TreeWalkDiskTest, ExistingTargetFileIsOverwritten) {
  addFile("setup.exe", "new");
  writeBytes(destination + "setup.exe", "old and much longer");
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ("new", readBytes(destination + "setup.exe"));
}

TEST_F(TreeWalkDiskTest, ExistingSubDirectoryIsRefused) {
  addFile("a/one.txt", "1");
  ASSERT_EQ(0, mkdir((destination + "a").c_str(), 0755));
  EXPECT_EQ(1, walk(source, destination.c_str()));
  EXPECT_EQ("Unable to create temporary sub-directory!\n", console);
  EXPECT_FALSE(pathExists(destination + "a/one.txt"));
}

TEST_F(TreeWalkDiskTest, MissingSourceIsSuccessWithNothingDone) {
  EXPECT_EQ(0, walk(temp.path() + "nowhere", destination.c_str()));
  EXPECT_EQ(0, walk(temp.path() + "nowhere", nullptr));
  EXPECT_EQ(Paths(), listTree(destination));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, EmptySourceCopiesNothing) {
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ(Paths(), listTree(destination));
}

TEST_F(TreeWalkDiskTest, SymlinkToADirectoryIsRemovedAsALink) {
  std::string outside = temp.path() + "outside";
  ASSERT_EQ(0, mkdir(outside.c_str(), 0755));
  writeBytes(outside + "/keep.txt", "keep");
  addFile("a/file.txt", "x");
  ASSERT_EQ(0, symlink(outside.c_str(), (source + "/a/link").c_str()));
  EXPECT_EQ(0, walk(source, nullptr));
  EXPECT_EQ(Paths(), listTree(source + "/"));
  EXPECT_EQ("keep", readBytes(outside + "/keep.txt"));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, LinkAtTheStagingDirectorysNameKeepsWhatItLeadsToAsItIs) {
  std::string elsewhere = temp.path() + "elsewhere";
  ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0500));
  std::string staging = temp.path() + "QNT1A2.tmp";
  ASSERT_EQ(0, symlink(elsewhere.c_str(), staging.c_str()));
  testing::internal::CaptureStdout();
  removeStaging((staging + "/").c_str());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(0500u, modeOf(elsewhere));
}

TEST_F(TreeWalkDiskTest, CopyFollowsALinkToADirectoryAsWindowsDoes) {
  std::string outside = temp.path() + "outside";
  ASSERT_EQ(0, mkdir(outside.c_str(), 0755));
  writeBytes(outside + "/tool.exe", "MZ");
  addFile("setup.exe", "MZ");
  ASSERT_EQ(0, symlink(outside.c_str(), (source + "/tools").c_str()));
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ(Paths({"setup.exe", "tools", "tools/tool.exe"}), listTree(destination));
  EXPECT_TRUE(isDirectory(destination + "tools"));
  EXPECT_EQ("MZ", readBytes(destination + "tools/tool.exe"));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, CopyIntoTheStagingLayoutAndBack) {
  // The staging directory's own path form: ends with the separator.
  addFile("qnInst.cfg", "[WINK3]\r\n");
  addFile("sub/x.bin", std::string("\0\x1A\r\n", 4));
  EXPECT_EQ(0, walk(source + "/", destination.c_str()));
  EXPECT_EQ(std::string("\0\x1A\r\n", 4), readBytes(destination + "sub/x.bin"));
  EXPECT_EQ(0, walk(destination, nullptr));
  EXPECT_EQ(Paths(), listTree(destination));
}

TEST_F(TreeWalkDiskTest, PathOf259CharactersIsCopiedAndRemoved) {
  std::string name(259 - (source.size() + 1), 'n');
  ASSERT_EQ(source.size(), destination.size() - 1);
  addFile(name, "x");
  EXPECT_EQ(0, walk(source, destination.c_str()));
  EXPECT_EQ("x", readBytes(destination + name));
  EXPECT_EQ(0, walk(destination, nullptr));
  EXPECT_EQ(Paths(), listTree(destination));
  EXPECT_EQ("", console);
}

TEST_F(TreeWalkDiskTest, PathOf260CharactersFailsAndIsNeverCut) {
  std::string name(260 - (source.size() + 1), 'n');
  addFile(name, "x");
  EXPECT_EQ(1, walk(source, destination.c_str()));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\n", console);
  EXPECT_EQ(Paths(), listTree(destination));

  EXPECT_EQ(0, walk(source, nullptr));
  EXPECT_EQ("Unable to remove temp file " + source + "/" + name + "\n", console);
  EXPECT_EQ(Paths({name}), listTree(source + "/"));
}

}  // namespace
