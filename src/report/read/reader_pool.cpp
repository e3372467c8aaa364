#include "report/read/reader_pool.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/threads.h"
#include "report/read/walk_order.h"

enum JobState { kQueued, kReading, kRead, kAbandoned };

struct Job {
  std::string path;
  std::string position;  // its place in the order of the walk (walk_order.h)
  ReadKind kind;
  LogKind logKind;  // a log found in a folder: what its listing told of it
  bool given;
  bool folder;  // listed as a folder
  size_t logsListed;
  JobState state;
  uint32_t startedAt;  // tickMilliseconds() when a reader took it
  platform::ThreadToken* reader;  // the reader that took it, if the system has a token for it
  unsigned tries;      // readers that took it
  bool crowded;        // when last taken, kConnectionSlots other reads were under way
  std::vector<FolderEntry> entries;  // a folder's, once listed
  LogResult result;
};

// A folder listed, whose entries are not all given to the readers yet.
struct Listing {
  std::string path;
  std::string position;  // the folder's
  std::vector<FolderEntry> entries;
  size_t next;  // the entry to give next
};

// Jobs by position: in the order of the walk.
using JobsInOrder = std::map<std::string, Job*>;

// Everything below is shared by the caller's thread and the readers, under
// `mutex`, except `settings` (set once).
struct ReaderPool {
  ReaderPoolSettings settings;
  platform::Mutex* mutex;
  platform::Semaphore* wakeReader;  // posted once for each sleeping reader woken
  platform::Semaphore* wakeCaller;  // posted to wake the caller's thread
  JobsInOrder pending;  // every job not given back
  JobsInOrder queue;    // of them, those that no reader has taken yet
  size_t foundQueued;   // of those, the ones found in folders
  // Folders listed and not yet given out whole, by the position of each
  // one's next entry.
  std::map<std::string, Listing*> listings;
  std::string furthestTaken;  // the latest position taken by a reader and not given back
  std::vector<Job*> reading;  // jobs that readers are reading
  uint32_t nextGiven;  // the place of the next path given
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
// caller goes on giving paths. A reader that reads faster than logs are found
// (files on a local disk) then sleeps and wakes once for so many logs, not
// for each one; slow reads (over a network) let the queue grow, and every
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
               pool->settings.startThread(readerThread, pool)) {
      ++pool->threads;
    } else {
      return;
    }
  }
}

static void enqueue(ReaderPool* pool, Job* job) {
  job->state = kQueued;
  pool->pending.emplace(job->position, job);
  pool->queue.emplace(job->position, job);
  if (!job->given) ++pool->foundQueued;
}

// Gives the readers the next entry of the first listing.
static void giveNextEntry(ReaderPool* pool) {
  auto first = pool->listings.begin();
  Listing* listing = first->second;
  const FolderEntry& entry = listing->entries[listing->next];
  Job* job = new Job{};
  job->path = entryPath(listing->path, entry.name);
  job->position = first->first;
  job->kind = entry.folder ? kReadFolder : kReadLog;
  job->logKind = entry.kind;
  enqueue(pool, job);
  auto node = pool->listings.extract(first);
  if (++listing->next == listing->entries.size()) {
    delete listing;
    return;
  }
  node.key() = listing->position;
  appendPlace(&node.key(), static_cast<uint32_t>(listing->next));
  pool->listings.insert(std::move(node));
}

// Gives the readers entries of the listed folders, first in the order of the
// walk: always the one that comes before every job pending (the caller waits
// for it); and more while fewer than kWakeBatch for each reader wait to be
// taken and fewer than kMostPending are held (being read or read), or, up to
// twice as many, while it comes before a job already taken, so that what
// comes first never waits for what was read ahead of it.
static void giveEntries(ReaderPool* pool) {
  size_t queueLimit = kWakeBatch * (pool->settings.readers + 1);
  while (!pool->listings.empty()) {
    const std::string& next = pool->listings.begin()->first;
    size_t held = pool->pending.size() - pool->queue.size();
    bool first = pool->pending.empty() || next < pool->pending.begin()->first;
    bool room = pool->foundQueued < queueLimit &&
                (held < kMostPending || (held < 2 * kMostPending && next < pool->furthestTaken));
    if (!first && !room) return;
    giveNextEntry(pool);
  }
}

// True when the first pending job may be given back: it has been read, and no
// entry of a listed folder comes before it.
static bool frontReady(const ReaderPool* pool) {
  if (pool->pending.empty()) return false;
  auto front = pool->pending.begin();
  return front->second->state == kRead &&
         (pool->listings.empty() || front->first < pool->listings.begin()->first);
}

// Reads a job's path, as a log or a folder, without the lock.
static void readJob(ReaderPool* pool, Job* job, LogLines* lines) {
  const ReaderPoolSettings& settings = pool->settings;
  if (job->kind != kReadLog) {
    FolderListing listing = settings.list(job->path, &job->entries);
    if (listing == kFolderListed || listing == kFolderCutShort) {
      job->folder = true;
      for (const FolderEntry& entry : job->entries) job->logsListed += entry.folder ? 0 : 1;
      if (listing == kFolderCutShort) job->result.failure = lastReadFailure();
      return;
    }
    ReadFailure failure = listing == kFolderTooLong ? kReadFailed : lastReadFailure();
    // A folder fails here; so does a PATH whose machine or share cannot be
    // reached: opening it as a log would only wait for the network again.
    if (job->kind == kReadFolder || failure == kReadNetworkPathNotFound || failure == kReadTimedOut) {
      job->folder = job->kind == kReadFolder;
      job->result.failure = failure;
      return;
    }
  }
  settings.read(job->path.c_str(), lines, settings.keepNotes, &job->result);
}

static void readerThread(void* argument) {
  ReaderPool* pool = static_cast<ReaderPool*>(argument);
  LogLines* lines = new LogLines;
  platform::ThreadToken* token = platform::currentThreadToken();
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
    Job* job = pool->queue.begin()->second;
    pool->queue.erase(pool->queue.begin());
    if (!job->given) --pool->foundQueued;
    if (job->position > pool->furthestTaken) pool->furthestTaken = job->position;
    job->state = kReading;
    job->startedAt = platform::tickMilliseconds();
    job->reader = token;
    ++job->tries;
    job->crowded = pool->reading.size() + pool->abandoned >= kConnectionSlots;
    pool->reading.push_back(job);
    platform::unlockMutex(pool->mutex);

    readJob(pool, job, lines);

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
    if (!job->entries.empty()) {
      std::string first = job->position;
      appendPlace(&first, 0);
      pool->listings.emplace(first, new Listing{job->path, job->position, std::move(job->entries), 0});
      job->entries.clear();
    }
    giveEntries(pool);
    wakeReaders(pool, false);
    if (pool->callerWaiting && (frontReady(pool) || pool->pending.empty())) {
      pool->callerWaiting = false;
      platform::postSemaphore(pool->wakeCaller);
    }
  }
  --pool->threads;
  bool last = pool->callerGone && pool->threads == 0;
  platform::unlockMutex(pool->mutex);
  platform::releaseThreadToken(token);
  delete lines;
  if (last) freePool(pool);
}

ReaderPool* startReaderPool(const ReaderPoolSettings& settings) {
  ReaderPool* pool = new ReaderPool{};
  pool->settings = settings;
  if (pool->settings.readers == 0) pool->settings.readers = 1;
  pool->mutex = platform::newMutex();
  pool->wakeReader = platform::newSemaphore();
  pool->wakeCaller = platform::newSemaphore();
  if (pool->mutex == nullptr || pool->wakeReader == nullptr || pool->wakeCaller == nullptr ||
      !pool->settings.startThread(readerThread, pool)) {
    freePool(pool);
    return nullptr;
  }
  pool->threads = 1;
  return pool;
}

// A job given back as timed out, in place of one whose reader is abandoned
// with it, or that no reader could take in time.
static Job* timedOut(const Job& job) {
  Job* given = new Job{};
  given->path = job.path;
  given->position = job.position;
  given->kind = job.kind;
  given->logKind = job.logKind;
  given->given = job.given;
  given->folder = job.kind == kReadFolder;
  given->result.failure = kReadTimedOut;
  given->state = kRead;
  return given;
}

// The same read, queued again in its place for another try.
static Job* triedAgain(ReaderPool* pool, const Job& job) {
  Job* again = new Job{};
  again->path = job.path;
  again->position = job.position;
  again->kind = job.kind;
  again->logKind = job.logKind;
  again->given = job.given;
  again->tries = job.tries;
  again->state = kQueued;
  pool->queue.emplace(again->position, again);
  if (!again->given) ++pool->foundQueued;
  return again;
}

// Abandons the reads past their time (asking the system to end the call each
// waits in, where it can), and gives up the jobs that no reader
// could take for as long (when every reader is abandoned and no new one can
// start: the process may not wait for them for ever), and with them the
// entries of the folders listed. Returns how long the caller may wait before
// it looks again.
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
    platform::cancelBlockingCall(job->reader);
    // A read that started while others held the connections may have waited
    // for one of them: it is tried once more before it is given up.
    bool retry = job->crowded && job->tries == 1;
    pool->pending[job->position] = retry ? triedAgain(pool, *job) : timedOut(*job);
    job->state = kAbandoned;
    pool->reading[i] = pool->reading.back();
    pool->reading.pop_back();
    ++pool->abandoned;
    wakeReaders(pool, true);
  }
  bool stalled = (!pool->queue.empty() || !pool->listings.empty()) && activeReaders(pool) == 0;
  if (stalled && !pool->stalled) pool->stalledSince = now;
  pool->stalled = stalled;
  if (stalled && now - pool->stalledSince >= timeout) {
    while (!pool->listings.empty()) giveNextEntry(pool);
    for (auto& queued : pool->queue) {
      pool->pending[queued.first] = timedOut(*queued.second);
      delete queued.second;
    }
    pool->queue.clear();
    pool->foundQueued = 0;
    pool->stalled = false;
  }
  return wait == 0 ? 1 : wait;
}

// Gives back the jobs whose turn has come, abandons late reads, and waits
// until no more than `most` jobs are pending. Called with the lock held; the
// lock is released while the caller's callbacks run and while it waits.
static void serveUntil(ReaderPool* pool, size_t most) {
  for (;;) {
    giveEntries(pool);
    while (frontReady(pool)) {
      Job* job = pool->pending.begin()->second;
      pool->pending.erase(pool->pending.begin());
      if (job->position >= pool->furthestTaken) pool->furthestTaken.clear();
      platform::unlockMutex(pool->mutex);
      ReadDone done = {job->path,   job->given,      job->kind,   job->logKind,
                       job->folder, job->logsListed, &job->result};
      pool->settings.done(done, pool->settings.context);
      delete job;
      platform::lockMutex(pool->mutex);
      giveEntries(pool);
    }
    uint32_t wait = abandonLateReads(pool);
    if (pool->pending.size() <= most && (most > 0 || pool->listings.empty())) return;
    if (frontReady(pool)) continue;
    wakeReaders(pool, true);
    pool->callerWaiting = true;
    platform::unlockMutex(pool->mutex);
    platform::waitSemaphore(pool->wakeCaller, wait);
    if (pool->settings.waiting != nullptr) pool->settings.waiting(pool->settings.context);
    platform::lockMutex(pool->mutex);
    pool->callerWaiting = false;
  }
}

void addRead(ReaderPool* pool, const char* path, ReadKind kind) {
  Job* job = new Job{};
  job->path = path;
  job->kind = kind;
  job->given = true;
  platform::lockMutex(pool->mutex);
  appendPlace(&job->position, pool->nextGiven++);
  enqueue(pool, job);
  wakeReaders(pool, false);
  serveUntil(pool, kMostPending);
  platform::unlockMutex(pool->mutex);
}

unsigned finishReaderPool(ReaderPool* pool) {
  platform::lockMutex(pool->mutex);
  serveUntil(pool, 0);
  unsigned waiting = pool->abandoned;
  pool->ending = true;
  pool->callerGone = true;
  for (; pool->sleeping > 0; --pool->sleeping) platform::postSemaphore(pool->wakeReader);
  bool last = pool->threads == 0;
  platform::unlockMutex(pool->mutex);
  if (last) freePool(pool);
  return waiting;
}
