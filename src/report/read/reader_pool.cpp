#include "report/read/reader_pool.h"

#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/threads.h"

enum JobState { kQueued, kReading, kRead, kAbandoned };

struct Job {
  std::string path;
  uint32_t rank;
  LogResult result;
  JobState state;
  uint32_t startedAt;  // tickMilliseconds() when a reader took it
};

// Everything below is shared by the caller's thread and the readers, under
// `mutex`, except `settings` (set once) and `pending`, which only the caller's
// thread changes (under the lock, since readers look at its front).
struct ReaderPool {
  ReaderPoolSettings settings;
  platform::Mutex* mutex;
  platform::Semaphore* wakeReader;  // posted once for each sleeping reader woken
  platform::Semaphore* wakeCaller;  // posted to wake the caller's thread
  std::deque<Job*> queue;       // jobs that no reader has taken yet, in order
  std::deque<Job*> pending;     // every job not given back, by rank
  std::vector<Job*> reading;    // jobs that readers are reading
  uint32_t nextRank;
  unsigned threads;    // reader threads alive
  unsigned abandoned;  // of them, those in an abandoned read
  unsigned sleeping;   // of them, those asleep for want of a job, and not yet woken
  bool callerWaiting;  // the caller's thread waits for `wakeCaller`
  bool ending;         // no more jobs will come
  bool callerGone;     // finishReaderPool has returned: the last reader frees the pool
  uint32_t stalledSince;  // while jobs wait and no reader can take them
  bool stalled;
};

// Jobs queued for each reader awake before another one is woken, while the
// caller goes on giving logs. A reader that reads faster than the caller finds
// logs (files on a local disk) then sleeps and wakes once for so many logs,
// not for each one; slow reads (over a network) let the queue grow, and every
// reader wakes. When the caller waits, every reader that has a job wakes.
constexpr size_t kWakeBatch = 16;

static void freePool(ReaderPool* pool) {
  platform::deleteSemaphore(pool->wakeCaller);
  platform::deleteSemaphore(pool->wakeReader);
  platform::deleteMutex(pool->mutex);
  delete pool;
}

static unsigned activeReaders(const ReaderPool* pool) { return pool->threads - pool->abandoned; }

static void readerThread(void* argument);

// Wakes sleeping readers, or starts new ones (up to the number asked for,
// and up to kMostAbandoned more while some are abandoned), while the queue
// holds kWakeBatch jobs for each reader awake, or, with `all`, more jobs than
// readers awake.
static void wakeReaders(ReaderPool* pool, bool all) {
  for (;;) {
    size_t queued = pool->queue.size();
    size_t awake = activeReaders(pool) - pool->sleeping;
    if (all ? queued <= awake : queued < kWakeBatch * (awake + 1)) return;
    if (pool->sleeping > 0) {
      --pool->sleeping;
      platform::postSemaphore(pool->wakeReader);
    } else if (activeReaders(pool) < pool->settings.readers &&
               pool->threads < pool->settings.readers + kMostAbandoned &&
               platform::startThread(readerThread, pool)) {
      ++pool->threads;
    } else {
      return;
    }
  }
}

static void readerThread(void* argument) {
  ReaderPool* pool = static_cast<ReaderPool*>(argument);
  LogLines* lines = new LogLines;
  platform::lockMutex(pool->mutex);
  for (;;) {
    if (pool->queue.empty()) {
      if (pool->ending) break;
      ++pool->sleeping;
      platform::unlockMutex(pool->mutex);
      platform::waitSemaphore(pool->wakeReader, platform::kWaitForever);
      platform::lockMutex(pool->mutex);
      continue;
    }
    Job* job = pool->queue.front();
    pool->queue.pop_front();
    job->state = kReading;
    job->startedAt = platform::tickMilliseconds();
    pool->reading.push_back(job);
    platform::unlockMutex(pool->mutex);

    pool->settings.read(job->path.c_str(), lines, pool->settings.keepNotes, &job->result);

    platform::lockMutex(pool->mutex);
    if (job->state == kAbandoned) {
      delete job;
      --pool->abandoned;
      if (activeReaders(pool) > pool->settings.readers) break;  // replaced meanwhile
      continue;
    }
    job->state = kRead;
    for (Job*& entry : pool->reading) {
      if (entry != job) continue;
      entry = pool->reading.back();
      pool->reading.pop_back();
      break;
    }
    if (pool->callerWaiting && job == pool->pending.front()) {
      pool->callerWaiting = false;
      platform::postSemaphore(pool->wakeCaller);
    }
  }
  --pool->threads;
  bool last = pool->callerGone && pool->threads == 0;
  platform::unlockMutex(pool->mutex);
  delete lines;
  if (last) freePool(pool);
}

ReaderPool* startReaderPool(const ReaderPoolSettings& settings) {
  ReaderPool* pool = new ReaderPool;
  pool->settings = settings;
  if (pool->settings.readers == 0) pool->settings.readers = 1;
  pool->mutex = platform::newMutex();
  pool->wakeReader = platform::newSemaphore();
  pool->wakeCaller = platform::newSemaphore();
  pool->nextRank = 0;
  pool->threads = 0;
  pool->abandoned = 0;
  pool->sleeping = 0;
  pool->callerWaiting = false;
  pool->ending = false;
  pool->callerGone = false;
  pool->stalledSince = 0;
  pool->stalled = false;
  if (pool->mutex == nullptr || pool->wakeReader == nullptr || pool->wakeCaller == nullptr) {
    freePool(pool);
    return nullptr;
  }
  return pool;
}

// A job given back as timed out, in place of one whose reader is abandoned
// with it.
static Job* timedOut(const Job& job) {
  Job* given = new Job{};
  given->rank = job.rank;
  given->result.failure = kReadTimedOut;
  given->state = kRead;
  return given;
}

// Abandons the reads past their time, and gives up the jobs that no reader
// could take for as long (when every reader is abandoned and no new one can
// start: the process may not wait for them for ever). Returns how long the
// caller may wait before it looks again.
static uint32_t abandonLateReads(ReaderPool* pool) {
  uint32_t now = platform::tickMilliseconds();
  uint32_t timeout = pool->settings.timeout;
  uint32_t wait = kWaitingCall;
  for (size_t i = 0; i < pool->reading.size();) {
    Job* job = pool->reading[i];
    uint32_t elapsed = now - job->startedAt;
    if (elapsed < timeout) {
      if (timeout - elapsed < wait) wait = timeout - elapsed;
      ++i;
      continue;
    }
    pool->pending[job->rank - pool->pending.front()->rank] = timedOut(*job);
    job->state = kAbandoned;
    pool->reading[i] = pool->reading.back();
    pool->reading.pop_back();
    ++pool->abandoned;
    wakeReaders(pool, true);
  }
  bool stalled = !pool->queue.empty() && pool->threads > 0 && activeReaders(pool) == 0;
  if (stalled && !pool->stalled) pool->stalledSince = now;
  pool->stalled = stalled;
  if (stalled && now - pool->stalledSince >= timeout) {
    for (Job* job : pool->queue) {
      pool->pending[job->rank - pool->pending.front()->rank] = timedOut(*job);
      delete job;
    }
    pool->queue.clear();
    pool->stalled = false;
  }
  return wait == 0 ? 1 : wait;
}

// Reads the next queued job on the caller's thread, without a time limit:
// for when no reader thread can be started at all.
static void readHere(ReaderPool* pool) {
  Job* job = pool->queue.front();
  pool->queue.pop_front();
  job->state = kReading;
  platform::unlockMutex(pool->mutex);
  LogLines* lines = new LogLines;
  pool->settings.read(job->path.c_str(), lines, pool->settings.keepNotes, &job->result);
  delete lines;
  platform::lockMutex(pool->mutex);
  job->state = kRead;
}

// Gives back the jobs whose turn has come, abandons late reads, and waits
// until no more than `most` jobs are pending. Called with the lock held; the
// lock is released while the caller's callbacks run and while it waits.
static void serveUntil(ReaderPool* pool, size_t most) {
  for (;;) {
    while (!pool->pending.empty() && pool->pending.front()->state == kRead) {
      Job* job = pool->pending.front();
      pool->pending.pop_front();
      platform::unlockMutex(pool->mutex);
      pool->settings.done(job->rank, &job->result, pool->settings.context);
      delete job;
      platform::lockMutex(pool->mutex);
    }
    uint32_t wait = abandonLateReads(pool);
    if (pool->pending.size() <= most) return;
    if (pool->pending.front()->state == kRead) continue;
    wakeReaders(pool, true);
    if (pool->threads == 0 && !pool->queue.empty()) {
      readHere(pool);
      continue;
    }
    pool->callerWaiting = true;
    platform::unlockMutex(pool->mutex);
    platform::waitSemaphore(pool->wakeCaller, wait);
    if (pool->settings.waiting != nullptr) pool->settings.waiting(pool->settings.context);
    platform::lockMutex(pool->mutex);
    pool->callerWaiting = false;
  }
}

uint32_t addLogRead(ReaderPool* pool, const char* path) {
  Job* job = new Job{};
  job->path = path;
  uint32_t rank = pool->nextRank++;
  job->rank = rank;
  job->state = kQueued;
  platform::lockMutex(pool->mutex);
  pool->pending.push_back(job);
  pool->queue.push_back(job);
  wakeReaders(pool, false);
  serveUntil(pool, kMostPending);
  platform::unlockMutex(pool->mutex);
  return rank;
}

void finishReaderPool(ReaderPool* pool) {
  platform::lockMutex(pool->mutex);
  serveUntil(pool, 0);
  pool->ending = true;
  pool->callerGone = true;
  for (; pool->sleeping > 0; --pool->sleeping) platform::postSemaphore(pool->wakeReader);
  bool last = pool->threads == 0;
  platform::unlockMutex(pool->mutex);
  if (last) freePool(pool);
}
