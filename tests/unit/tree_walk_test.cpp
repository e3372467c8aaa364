// Tree copy and removal over the fake platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "platform/platform.h"
#include "staging/tree_walk.h"

namespace {

class TreeWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    fake::addDirectory("C:\\dst");
  }

  int copyTree(const std::string& source, const std::string& destination = "C:\\dst\\") {
    char buffer[kPathBufferSize + 1];
    snprintf(buffer, sizeof buffer, "%s", source.c_str());
    return walkTree(buffer, sizeof buffer, destination.c_str());
  }

  int removeTree(const std::string& source) {
    char buffer[kPathBufferSize + 1];
    snprintf(buffer, sizeof buffer, "%s", source.c_str());
    return walkTree(buffer, sizeof buffer, nullptr);
  }

  int callsNamed(const std::string& name) const {
    int count = 0;
    for (const std::string& call : fs.calls) count += call == name ? 1 : 0;
    return count;
  }

  fake::State& fs = fake::state();
};

using Paths = std::vector<std::string>;

// --- Copy mode ------------------------------------------------------------------

TEST_F(TreeWalkTest, NestedTreeIsCopiedWhole) {
  fake::addFile("C:\\src\\setup.exe", "MZ setup");
  fake::addFile("C:\\src\\a\\one.txt", "1");
  fake::addFile("C:\\src\\a\\b\\c\\d\\deep.txt", "deep");
  fake::addDirectory("C:\\src\\empty");
  EXPECT_EQ(0, copyTree("C:\\src"));
  EXPECT_EQ(Paths({"C:\\dst\\a", "C:\\dst\\a\\b", "C:\\dst\\a\\b\\c", "C:\\dst\\a\\b\\c\\d",
                   "C:\\dst\\a\\b\\c\\d\\deep.txt", "C:\\dst\\a\\one.txt", "C:\\dst\\empty",
                   "C:\\dst\\setup.exe"}),
            fake::listTree("C:\\dst"));
  EXPECT_EQ("deep", fake::fileContent("C:\\dst\\a\\b\\c\\d\\deep.txt"));
  EXPECT_EQ("MZ setup", fake::fileContent("C:\\dst\\setup.exe"));
  EXPECT_EQ("", fs.console);
}

TEST_F(TreeWalkTest, SourceWithTrailingSeparatorCopiesTheSame) {
  fake::addFile("C:\\src\\a\\one.txt", "1");
  EXPECT_EQ(0, copyTree("C:\\src\\"));
  EXPECT_EQ("1", fake::fileContent("C:\\dst\\a\\one.txt"));
}

TEST_F(TreeWalkTest, SeparatorIsAppendedToTheCallersSource) {
  char source[kPathBufferSize] = "C:\\src";
  fake::addDirectory("C:\\src");
  EXPECT_EQ(0, walkTree(source, sizeof source, "C:\\dst\\"));
  EXPECT_STREQ("C:\\src\\", source);
}

TEST_F(TreeWalkTest, EmptySourceCreatesNothing) {
  fake::addDirectory("C:\\src");
  EXPECT_EQ(0, copyTree("C:\\src"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\dst"));
}

TEST_F(TreeWalkTest, MissingSourceIsSuccessWithNothingDone) {
  EXPECT_EQ(0, copyTree("C:\\nowhere"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\dst"));
  EXPECT_EQ(0, callsNamed("createDirectory") + callsNamed("copyFile"));
  EXPECT_EQ("", fs.console);
}

TEST_F(TreeWalkTest, CopiesHaveNormalAttributes) {
  fake::addFile("C:\\src\\ro.txt", "r", fake::kAttributeReadOnly);
  fake::addFile("C:\\src\\hidden.sys", "h", fake::kAttributeHidden | 0x04);
  EXPECT_EQ(0, copyTree("C:\\src"));
  EXPECT_EQ(fake::kAttributeNormal, fs.nodes.at("C:\\dst\\ro.txt").attributes);
  EXPECT_EQ(fake::kAttributeNormal, fs.nodes.at("C:\\dst\\hidden.sys").attributes);
  EXPECT_EQ("h", fake::fileContent("C:\\dst\\hidden.sys"));
  EXPECT_EQ(fake::kAttributeReadOnly, fs.nodes.at("C:\\src\\ro.txt").attributes);
}

TEST_F(TreeWalkTest, ExistingTargetFileIsOverwritten) {
  fake::addFile("C:\\src\\setup.exe", "new");
  fake::addFile("C:\\dst\\setup.exe", "old and longer");
  EXPECT_EQ(0, copyTree("C:\\src"));
  EXPECT_EQ("new", fake::fileContent("C:\\dst\\setup.exe"));
}

TEST_F(TreeWalkTest, ExistingSubDirectoryIsRefused) {
  fake::addFile("C:\\src\\a\\one.txt", "1");
  fake::addDirectory("C:\\dst\\a");
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ("Unable to create temporary sub-directory!\r\n", fs.console);
  EXPECT_FALSE(fake::exists("C:\\dst\\a\\one.txt"));
}

TEST_F(TreeWalkTest, SubDirectoryThatCannotBeCreatedStopsTheCopy) {
  fake::addFile("C:\\src\\a\\one.txt", "1");
  fs.failingCalls = {"createDirectory"};
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ("Unable to create temporary sub-directory!\r\n", fs.console);
}

TEST_F(TreeWalkTest, FileThatCannotBeCopiedStopsTheCopyWithALinePerLevel) {
  fake::addFile("C:\\src\\a\\b\\c\\bad.dat", "x");
  fs.nodes.at("C:\\src\\a\\b\\c\\bad.dat").unreadable = true;
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n",
      fs.console);
}

TEST_F(TreeWalkTest, CopyThatReportsSuccessButDiffersInSizeFailsTheCopy) {
  // Short: a copy layer hid a read error. Long: the file grew while it was copied.
  for (size_t copiedBytes : {size_t{4096}, size_t{65537}}) {
    SCOPED_TRACE(copiedBytes);
    SetUp();
    fake::addFile("C:\\src\\data\\BAD.CAB", std::string(65536, 'c'));
    fs.nodes.at("C:\\src\\data\\BAD.CAB").copiedBytes = copiedBytes;
    fake::addFile("C:\\src\\data\\GOOD.CAB", "g");
    EXPECT_EQ(1, copyTree("C:\\src"));
    EXPECT_EQ(
        "Unable to copy files from QN CD to hard drive.\r\n"
        "Unable to copy sub-directory update files to the hard drive.\r\n",
        fs.console);
    EXPECT_FALSE(fake::exists("C:\\dst\\data\\GOOD.CAB"));
  }
}

TEST_F(TreeWalkTest, CopyIsComparedWithItsSourceAsOpenedNotAsListed) {
  // A file symbolic link lists 0 bytes; NTFS may list an old size.
  for (size_t listed : {size_t{0}, size_t{100}}) {
    SCOPED_TRACE(listed);
    SetUp();
    fake::addFile("C:\\src\\SETUP.EXE", std::string(4096, 's'));
    fs.nodes.at("C:\\src\\SETUP.EXE").listedSize = listed;
    EXPECT_EQ(0, copyTree("C:\\src"));
    EXPECT_EQ(std::string(4096, 's'), fake::fileContent("C:\\dst\\SETUP.EXE"));
    EXPECT_EQ("", fs.console);
  }
}

TEST_F(TreeWalkTest, CopyStopsAtTheFirstFailureAndKeepsWhatWasCopied) {
  // The fake lists entries in name order.
  fake::addFile("C:\\src\\1.txt", "1");
  fake::addFile("C:\\src\\2.txt", "2");
  fake::addFile("C:\\src\\3.txt", "3");
  fs.nodes.at("C:\\src\\2.txt").unreadable = true;
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ(Paths({"C:\\dst\\1.txt"}), fake::listTree("C:\\dst"));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\r\n", fs.console);
}

TEST_F(TreeWalkTest, ListingThatBreaksOffFailsTheCopy) {
  fake::addFile("C:\\src\\1.txt", "1");
  fs.failingCalls = {"findNextFile"};
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\r\n", fs.console);
}

TEST_F(TreeWalkTest, ListingThatBreaksOffInASubDirectoryFailsEveryLevel) {
  fake::addFile("C:\\src\\a\\b\\1.txt", "1");
  // A clean run shows which call is the first findNextFile of the deepest walk.
  ASSERT_EQ(0, copyTree("C:\\src"));
  long deepestNext = -1;
  int firstFinds = 0;
  for (size_t i = 0; i < fs.calls.size() && deepestNext < 0; ++i) {
    if (fs.calls[i] == "findFirstFile") ++firstFinds;
    if (firstFinds == 3 && fs.calls[i] == "findNextFile") deepestNext = static_cast<long>(i);
  }
  ASSERT_GE(deepestNext, 0);

  fake::reset();
  fake::addDirectory("C:\\dst");
  fake::addFile("C:\\src\\a\\b\\1.txt", "1");
  fs.failCallNumber = deepestNext;
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n",
      fs.console);
  EXPECT_FALSE(fake::exists("C:\\dst\\a\\b\\1.txt"));
}

TEST_F(TreeWalkTest, SubDirectoryThatCannotBeListedFailsTheCopy) {
  fake::addFile("C:\\src\\a\\b\\1.txt", "1");
  fake::addFile("C:\\src\\z.txt", "z");
  fake::state().nodes["C:\\src\\a\\b"].unreadable = true;
  EXPECT_EQ(1, copyTree("C:\\src"));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n",
      fs.console);
}

TEST_F(TreeWalkTest, SourceThatCannotBeListedIsNothingToCopy) {
  fake::addFile("C:\\src\\1.txt", "1");
  fake::state().nodes["C:\\src"].unreadable = true;
  EXPECT_EQ(0, copyTree("C:\\src"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\dst"));
}

// --- Limits -------------------------------------------------------------------------

TEST_F(TreeWalkTest, EntryPathOf259CharactersIsCopied) {
  std::string name(259 - 7, 'n');  // "C:\src\" is 7 characters
  fake::addFile("C:\\src\\" + name, "x");
  fake::addDirectory("C:\\d");
  EXPECT_EQ(0, copyTree("C:\\src", "C:\\d\\"));
  EXPECT_EQ("x", fake::fileContent("C:\\d\\" + name));
}

TEST_F(TreeWalkTest, EntryPathTooLongForItsBufferFailsAndIsNeverCut) {
  std::string name(259 - 7 + 1, 'n');
  fake::addFile("C:\\src\\" + name, "x");
  EXPECT_EQ(1, copyTree("C:\\src", "C:\\dst\\"));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\r\n", fs.console);
  EXPECT_EQ(Paths(), fake::listTree("C:\\dst"));
}

TEST_F(TreeWalkTest, TargetPathTooLongFailsAndIsNeverCut) {
  std::string destination = "C:\\" + std::string(250, 'd') + "\\";
  fake::addDirectory(destination);
  fake::addFile("C:\\s\\longname.txt", "x");
  EXPECT_EQ(1, copyTree("C:\\s", destination));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\r\n", fs.console);
  EXPECT_EQ(Paths(), fake::listTree(destination));
}

TEST_F(TreeWalkTest, SubDirectoryTooLongToListFailsWithALinePerLevel) {
  // "C:\s\" and the name make 259 characters: the sub-directory fits with its
  // separator, but not with the "*.*" that lists it.
  std::string name(259 - 5 - 1, 'n');
  fake::addFile("C:\\s\\" + name + "\\f.txt", "x");
  fake::addDirectory("C:\\d");
  EXPECT_EQ(1, copyTree("C:\\s", "C:\\d\\"));
  EXPECT_EQ(
      "Unable to copy files from QN CD to hard drive.\r\n"
      "Unable to copy sub-directory update files to the hard drive.\r\n",
      fs.console);
}

TEST_F(TreeWalkTest, SourceTooLongForItsSeparatorFails) {
  char source[] = "C:\\src";  // no room for the separator
  fake::addFile("C:\\src\\1.txt", "1");
  EXPECT_EQ(1, walkTree(source, sizeof source, "C:\\dst\\"));
  EXPECT_EQ("Unable to copy files from QN CD to hard drive.\r\n", fs.console);
}

TEST_F(TreeWalkTest, SubDirectoryPathTooLongFailsAndIsNeverCut) {
  std::string destination = "C:\\" + std::string(250, 'd') + "\\";
  fake::addDirectory(destination);
  fake::addDirectory("C:\\s\\subdirectory");
  EXPECT_EQ(1, copyTree("C:\\s", destination));
  EXPECT_EQ("Unable to create temporary sub-directory!\r\n", fs.console);
  EXPECT_EQ(Paths(), fake::listTree(destination));
}

// --- Removal mode -----------------------------------------------------------------

TEST_F(TreeWalkTest, RemovalEmptiesTheTreeAndKeepsItsRoot) {
  fake::addFile("C:\\T\\setup.exe", "x");
  fake::addFile("C:\\T\\a\\b\\c\\d\\deep.txt", "x");
  fake::addDirectory("C:\\T\\empty");
  EXPECT_EQ(0, removeTree("C:\\T\\"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\T"));
  EXPECT_TRUE(fake::exists("C:\\T"));
  EXPECT_EQ("", fs.console);
}

TEST_F(TreeWalkTest, RemovalClearsReadOnlyAttributesAndTriesAgain) {
  fake::addFile("C:\\T\\ro.txt", "x", fake::kAttributeReadOnly);
  fake::addFile("C:\\T\\sub\\ro.dll", "x", fake::kAttributeReadOnly | fake::kAttributeHidden);
  fs.nodes.at("C:\\T\\sub").attributes = fake::kAttributeReadOnly;
  fake::addFile("C:\\T\\held.txt", "x", fake::kAttributeReadOnly);
  fs.nodes.at("C:\\T\\held.txt").locked = true;
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(Paths({"C:\\T\\held.txt"}), fake::listTree("C:\\T"));
  EXPECT_EQ("Unable to remove temp file C:\\T\\held.txt\r\n", fs.console);
}

TEST_F(TreeWalkTest, ReadOnlyFileWithOtherNamesIsRemovedAndTheyKeepTheirAttributes) {
  auto plant = [] {
    fake::addFile("C:\\outside\\ro.txt", "keep", fake::kAttributeReadOnly);
    fake::addHardLink("C:\\T\\inside.txt", "C:\\outside\\ro.txt");
    fake::addFile("C:\\T\\own.txt", "x", fake::kAttributeReadOnly | fake::kAttributeHidden);
    fake::addHardLink("C:\\T\\sub\\twin.txt", "C:\\T\\own.txt");
  };
  plant();
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\T"));
  EXPECT_EQ(fake::kAttributeReadOnly, fs.nodes.at("C:\\outside\\ro.txt").attributes);
  EXPECT_EQ("keep", fake::fileContent("C:\\outside\\ro.txt"));
  EXPECT_EQ("", fs.console);
  EXPECT_TRUE(fs.openFiles.empty());

  // Attributes that cannot be set back are never cleared: the name stays.
  fake::reset();
  plant();
  fs.failingCalls = {"restoreAttributes"};
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(fake::kAttributeReadOnly, fs.nodes.at("C:\\outside\\ro.txt").attributes);
  EXPECT_TRUE(fake::exists("C:\\T\\inside.txt"));
  EXPECT_EQ(0, callsNamed("clearAttributes"));
  EXPECT_EQ(0u, fs.console.find("Unable to remove temp file C:\\T\\inside.txt\r\n")) << fs.console;
  EXPECT_TRUE(fs.openFiles.empty());

  // Attributes that do not go back once the name is deleted are reported, and
  // the clean-up goes on: the second restore is the one after the delete.
  fake::reset();
  plant();
  EXPECT_EQ(0, removeTree("C:\\T"));
  std::vector<std::string> calls = fs.calls;
  auto restore = std::find(calls.begin(), calls.end(), "restoreAttributes");
  restore = std::find(restore + 1, calls.end(), "restoreAttributes");
  ASSERT_NE(calls.end(), restore);
  fake::reset();
  plant();
  fs.failCallNumber = restore - calls.begin();
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ("Unable to restore attributes of temp file C:\\T\\inside.txt\r\n", fs.console);
  EXPECT_EQ(fake::kAttributeNormal, fs.nodes.at("C:\\outside\\ro.txt").attributes);
  EXPECT_EQ(Paths(), fake::listTree("C:\\T"));
  EXPECT_TRUE(fs.openFiles.empty());
}

TEST_F(TreeWalkTest, RemovalTakesAJunctionAwayWithoutEnteringIt) {
  fake::addFile("C:\\precious\\data.txt", "keep");
  fake::addFile("C:\\precious\\sub\\more.txt", "keep");
  fake::addFile("C:\\T\\setup.exe", "x");
  fake::addJunction("C:\\T\\a\\planted", "C:\\precious");
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(Paths(), fake::listTree("C:\\T"));
  EXPECT_EQ(Paths({"C:\\precious\\data.txt", "C:\\precious\\sub", "C:\\precious\\sub\\more.txt"}),
            fake::listTree("C:\\precious"));
  EXPECT_EQ("", fs.console);
}

TEST_F(TreeWalkTest, RemovalOfAMissingDirectoryIsSuccess) {
  EXPECT_EQ(0, removeTree("C:\\nowhere"));
  EXPECT_EQ("", fs.console);
}

TEST_F(TreeWalkTest, LockedFileIsNamedAndEveryLevelAboveItStays) {
  fake::addFile("C:\\T\\top.txt", "x");
  fake::addFile("C:\\T\\x\\y\\locked.dat", "x");
  fake::addFile("C:\\T\\x\\y\\other.dat", "x");
  fake::addFile("C:\\T\\x\\sibling.txt", "x");
  fake::addFile("C:\\T\\z\\free.txt", "x");
  fs.nodes.at("C:\\T\\x\\y\\locked.dat").locked = true;
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(
      "Unable to remove temp file C:\\T\\x\\y\\locked.dat\r\n"
      "Could not remove temporary sub-directory.\r\n"
      "Could not remove temporary sub-directory.\r\n",
      fs.console);
  EXPECT_EQ(Paths({"C:\\T\\x", "C:\\T\\x\\y", "C:\\T\\x\\y\\locked.dat"}), fake::listTree("C:\\T"));
}

TEST_F(TreeWalkTest, LockedFileInTheWalkedDirectoryGivesOneLine) {
  fake::addFile("C:\\T\\locked.dat", "x");
  fake::addFile("C:\\T\\a\\free.txt", "x");
  fs.nodes.at("C:\\T\\locked.dat").locked = true;
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ("Unable to remove temp file C:\\T\\locked.dat\r\n", fs.console);
  EXPECT_EQ(Paths({"C:\\T\\locked.dat"}), fake::listTree("C:\\T"));
}

TEST_F(TreeWalkTest, RemovalGoesOnAfterEachFailure) {
  fake::addFile("C:\\T\\1.txt", "x");
  fake::addFile("C:\\T\\2.txt", "x");
  fake::addFile("C:\\T\\3.txt", "x");
  fs.nodes.at("C:\\T\\1.txt").locked = true;
  fs.nodes.at("C:\\T\\3.txt").locked = true;
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ(
      "Unable to remove temp file C:\\T\\1.txt\r\n"
      "Unable to remove temp file C:\\T\\3.txt\r\n",
      fs.console);
  EXPECT_FALSE(fake::exists("C:\\T\\2.txt"));
}

TEST_F(TreeWalkTest, RemovalNamesATooLongPathWholeAndDeletesNothingElse) {
  std::string name(259 - 5 + 1, 'n');  // "C:\T\" is 5 characters
  fake::addFile("C:\\T\\" + name, "x");
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ("Unable to remove temp file C:\\T\\" + name + "\r\n", fs.console);
  EXPECT_TRUE(fake::exists("C:\\T\\" + name));
  EXPECT_EQ(0, callsNamed("deleteFile"));
}

TEST_F(TreeWalkTest, RemovalOfATooLongSubDirectoryPathLeavesIt) {
  std::string name(259 - 5, 'n');  // fits, but leaves no room for the separator
  fake::addFile("C:\\T\\" + name + "\\f", "x");
  EXPECT_EQ(0, removeTree("C:\\T"));
  EXPECT_EQ("Could not remove temporary sub-directory.\r\n", fs.console);
  EXPECT_TRUE(fake::exists("C:\\T\\" + name + "\\f"));
}

}  // namespace
