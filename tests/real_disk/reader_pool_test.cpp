// The pool of log readers over the real threads of the platform layer, with
// stand-in reads and listings that end when a test says so.
#include "report/read/reader_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/threads.h"

namespace {

struct Given {
  std::string path;
  ReadFailure failure;
};

std::vector<Given> given;
platform::Semaphore* release = nullptr;  // a read or listing of "hang" waits for it
std::atomic<int> readsEnded{0};
std::atomic<int> threadsStarted{0};
int threadsAllowed = 1000;  // startThread fails past this many

// The time a read of `path` takes: the paths given first take longest, so
// that the reads end in another order than the walk's.
void pause(const std::string& path) {
  int sum = 0;
  for (char c : path) sum += static_cast<unsigned char>(c);
  platform::sleepMilliseconds(static_cast<uint32_t>(1 + (40 - sum % 20) % 20));
}

std::atomic<bool> onceHung{false};  // "once" hangs on its first read only

void standInRead(const char* path, LogLines*, bool, LogResult* result) {
  std::string name = path;
  if (name.find("hang") != std::string::npos || (name == "once" && !onceHung.exchange(true))) {
    platform::waitSemaphore(release, platform::kWaitForever);
  } else {
    pause(name);
  }
  result->opened = true;
  ++readsEnded;
}

// The folders of the stand-in tree, each entry a log unless it ends in "/".
const std::map<std::string, std::vector<std::string>> kFolders = {
    {"A", {"b/", "x.log", "c/"}},
    {"A/b", {"y.log"}},
    {"A/c", {"hang/", "z.log", "d/"}},
    {"A/c/d", {"w.log"}},
    {"E", {}},
};

FolderListing standInList(const std::string& folder, std::vector<FolderEntry>* entries) {
  if (folder.find("hang") != std::string::npos) platform::waitSemaphore(release, platform::kWaitForever);
  auto found = kFolders.find(folder);
  if (found == kFolders.end()) {
    errno = ENOENT;
    return kFolderNotListed;
  }
  pause(folder);
  for (const std::string& name : found->second) {
    bool folderEntry = name.back() == '/';
    entries->push_back(FolderEntry{folderEntry ? name.substr(0, name.size() - 1) : name, folderEntry, kNamedLog});
  }
  return kFolderListed;
}

bool countedStart(void (*routine)(void*), void* argument) {
  if (threadsStarted >= threadsAllowed) return false;
  ++threadsStarted;
  return platform::startThread(routine, argument);
}

void giveBack(const ReadDone& done, void*) { given.push_back(Given{done.path, done.result->failure}); }

ReaderPool* startPool(unsigned readers, uint32_t timeout) {
  given.clear();
  readsEnded = 0;
  onceHung = false;
  threadsStarted = 0;
  ReaderPoolSettings settings = {readers,  timeout, false,   standInRead, standInList,
                                 countedStart, giveBack, nullptr, nullptr};
  return startReaderPool(settings);
}

// What a walk gave back, one path a line, with " (timed out)" and the like.
std::string walked() {
  std::string text;
  for (const Given& read : given) {
    text += read.path;
    if (read.failure != kReadWhole) text += std::string(" (") + readFailureText(read.failure) + ")";
    text += "\n";
  }
  return text;
}

class ReaderPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    release = platform::newSemaphore();
    ASSERT_NE(release, nullptr);
    threadsAllowed = 1000;
  }
  // Lets every read that waits for "hang" end, and waits for them.
  void TearDown() override {
    for (int i = 0; i < 100; ++i) platform::postSemaphore(release);
    platform::sleepMilliseconds(100);
    platform::deleteSemaphore(release);
  }
};

TEST_F(ReaderPoolTest, LogsComeBackInTheOrderGivenWhateverOrderTheReadsEndIn) {
  ReaderPool* pool = startPool(8, 10000);
  ASSERT_NE(pool, nullptr);
  for (uint32_t i = 0; i < 40; ++i) addRead(pool, ("log" + std::to_string(i)).c_str(), kReadLog);
  finishReaderPool(pool);
  ASSERT_EQ(given.size(), 40u);
  for (uint32_t i = 0; i < 40; ++i) {
    EXPECT_EQ(given[i].path, "log" + std::to_string(i));
    EXPECT_EQ(given[i].failure, kReadWhole);
  }
}

// Each folder comes back before its entries, and they before its next
// sibling, in the order of its listing, for one reader as for many; a folder
// whose listing hangs comes back timed out in its place; a PATH that cannot
// be listed is read as a log.
TEST_F(ReaderPoolTest, FoldersComeBackInTheOrderOfTheWalkForAnyNumberOfReaders) {
  const std::string expected =
      "A\nA/b\nA/b/y.log\nA/x.log\nA/c\nA/c/hang (timed out)\nA/c/z.log\nA/c/d\nA/c/d/w.log\n"
      "E\nlone.log\nF (not found)\n";
  for (unsigned readers : {1u, 2u, 8u}) {
    ReaderPool* pool = startPool(readers, 300);
    ASSERT_NE(pool, nullptr);
    addRead(pool, "A", kReadPlace);
    addRead(pool, "E", kReadPlace);
    addRead(pool, "lone.log", kReadPlace);
    addRead(pool, "F", kReadFolder);
    finishReaderPool(pool);
    EXPECT_EQ(walked(), expected) << readers << " readers";  // F is no folder of the tree
  }
}

TEST_F(ReaderPoolTest, AReadPastItsTimeIsGivenUpAndANewReaderTakesItsPlace) {
  ReaderPool* pool = startPool(1, 200);
  ASSERT_NE(pool, nullptr);
  uint32_t started = platform::tickMilliseconds();
  addRead(pool, "hang", kReadLog);
  addRead(pool, "after", kReadLog);
  finishReaderPool(pool);
  uint32_t elapsed = platform::tickMilliseconds() - started;
  EXPECT_EQ(walked(), "hang (timed out)\nafter\n");  // read by the reader that replaced the first
  EXPECT_GE(elapsed, 200u);
  EXPECT_LT(elapsed, 2000u);

  // The abandoned read returns after all: its reader frees it and ends.
  EXPECT_EQ(readsEnded, 1);
  platform::postSemaphore(release);
  for (int i = 0; i < 200 && readsEnded < 2; ++i) platform::sleepMilliseconds(10);
  EXPECT_EQ(readsEnded, 2);
}

// A read that times out is tried once more when it started while
// kConnectionSlots others were under way (it may have waited for one of
// their connections), and only then.
TEST_F(ReaderPoolTest, AReadThatStartedBehindTheConnectionsOfOthersIsTriedOnceMore) {
  ReaderPool* pool = startPool(kConnectionSlots + 2, 300);
  ASSERT_NE(pool, nullptr);
  uint32_t started = platform::tickMilliseconds();
  std::string expected;
  for (unsigned i = 0; i < kConnectionSlots; ++i) {
    std::string path = "hang" + std::to_string(i);
    addRead(pool, path.c_str(), kReadLog);
    expected += path + " (timed out)\n";
  }
  addRead(pool, "once", kReadLog);
  finishReaderPool(pool);
  uint32_t elapsed = platform::tickMilliseconds() - started;
  EXPECT_EQ(walked(), expected + "once\n");
  EXPECT_GE(elapsed, 300u);
  EXPECT_LT(elapsed, 2000u);

  pool = startPool(kConnectionSlots + 2, 300);
  ASSERT_NE(pool, nullptr);
  addRead(pool, "once", kReadLog);
  finishReaderPool(pool);
  EXPECT_EQ(walked(), "once (timed out)\n");
}

TEST_F(ReaderPoolTest, NoPoolWithoutAReaderThreadAndNoWaitPastTheLimitWhenNoneCanReplaceOne) {
  threadsAllowed = 0;
  EXPECT_EQ(startPool(4, 200), nullptr);

  // One reader, stuck; none can start in its place: what waits for a reader
  // is given up as well, a time limit later.
  threadsAllowed = 1;
  ReaderPool* pool = startPool(4, 200);
  ASSERT_NE(pool, nullptr);
  uint32_t started = platform::tickMilliseconds();
  addRead(pool, "hang", kReadLog);
  addRead(pool, "A", kReadFolder);
  addRead(pool, "after", kReadLog);
  finishReaderPool(pool);
  uint32_t elapsed = platform::tickMilliseconds() - started;
  EXPECT_EQ(walked(), "hang (timed out)\nA (timed out)\nafter (timed out)\n");
  EXPECT_LT(elapsed, 2000u);
  EXPECT_EQ(threadsStarted, 1);
}

}  // namespace
