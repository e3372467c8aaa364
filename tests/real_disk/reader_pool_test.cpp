// The pool of log readers over the real threads of the platform layer, with
// stand-in reads that end when a test says so.
#include "report/read/reader_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/threads.h"

namespace {

struct Given {
  std::string path;
  uint32_t rank;
  ReadFailure failure;
};

std::vector<Given> given;
platform::Semaphore* release = nullptr;  // a read of "hang" waits for it
std::atomic<int> readsEnded{0};

std::vector<std::string> paths;  // by rank

void standInRead(const char* path, LogLines*, bool, LogResult* result) {
  std::string name = path;
  if (name == "hang") {
    platform::waitSemaphore(release, platform::kWaitForever);
  } else {
    // The logs given first take the longest: they end last.
    int number = name.compare(0, 3, "log") == 0 ? std::stoi(name.substr(3)) : 0;
    platform::sleepMilliseconds(5 * (20 - number % 20));
  }
  result->opened = true;
  ++readsEnded;
}

void giveBack(uint32_t rank, LogResult* result, void*) {
  given.push_back(Given{paths.at(rank), rank, result->failure});
}

ReaderPool* startPool(unsigned readers, uint32_t timeout) {
  given.clear();
  paths.clear();
  readsEnded = 0;
  ReaderPoolSettings settings = {readers, timeout, false, standInRead, giveBack, nullptr, nullptr};
  return startReaderPool(settings);
}

uint32_t give(ReaderPool* pool, const std::string& path) {
  paths.push_back(path);
  return addLogRead(pool, path.c_str());
}

TEST(ReaderPoolTest, LogsComeBackInTheOrderGivenWhateverOrderTheReadsEndIn) {
  ReaderPool* pool = startPool(8, 10000);
  ASSERT_NE(pool, nullptr);
  for (uint32_t i = 0; i < 40; ++i) EXPECT_EQ(give(pool, "log" + std::to_string(i)), i);
  finishReaderPool(pool);
  ASSERT_EQ(given.size(), 40u);
  for (uint32_t i = 0; i < 40; ++i) {
    EXPECT_EQ(given[i].path, "log" + std::to_string(i));
    EXPECT_EQ(given[i].rank, i);
    EXPECT_EQ(given[i].failure, kReadWhole);
  }
}

TEST(ReaderPoolTest, AReadPastItsTimeIsGivenUpAndANewReaderTakesItsPlace) {
  release = platform::newSemaphore();
  ASSERT_NE(release, nullptr);
  ReaderPool* pool = startPool(1, 200);
  ASSERT_NE(pool, nullptr);
  uint32_t started = platform::tickMilliseconds();
  give(pool, "hang");
  give(pool, "after");
  finishReaderPool(pool);
  uint32_t elapsed = platform::tickMilliseconds() - started;
  ASSERT_EQ(given.size(), 2u);
  EXPECT_EQ(given[0].path, "hang");
  EXPECT_EQ(given[0].failure, kReadTimedOut);
  EXPECT_EQ(given[1].path, "after");
  EXPECT_EQ(given[1].failure, kReadWhole);  // read by the reader that replaced the first
  EXPECT_GE(elapsed, 200u);
  EXPECT_LT(elapsed, 2000u);

  // The abandoned read returns after all: its reader frees it and ends.
  EXPECT_EQ(readsEnded, 1);
  platform::postSemaphore(release);
  for (int i = 0; i < 200 && readsEnded < 2; ++i) platform::sleepMilliseconds(10);
  EXPECT_EQ(readsEnded, 2);
  platform::sleepMilliseconds(50);
  platform::deleteSemaphore(release);
}

}  // namespace
