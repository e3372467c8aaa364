// Reading many logs at once. A pool of reader threads lists the folders and
// reads the logs given to it, each into a result of its own, while the caller
// takes in what has been read. A folder's logs and sub-folders are read in
// turn, as they are listed. Each result comes back on the caller's thread in
// the order of the walk: the paths in the order given, each folder's entries
// right after the folder, in the order of their names (listLogFolder), before
// the folder's next sibling; whatever the order in which the reads end, so
// that what the caller makes of them is the same for any number of readers.
// The pool knows of each read its path alone.
//
// A read or a listing that has not ended `timeout` milliseconds after it
// started is abandoned: it comes back as timed out, and a new reader takes
// the place of the one that waits. One that started while kConnectionSlots
// other reads were under way is first tried once more, with a time limit of
// its own: it may have waited for a connection that others held (a machine
// that is switched off holds one until the network gives up on it). The abandoned reader owns its read from
// then on; it ends when the system call it waits in returns, or with the
// process. It touches nothing but its own read and the pool, which lives
// until its last reader has ended, so that nothing waits for it and the
// process may end while it waits. No read is ever made on the caller's
// thread: a pool whose first reader cannot start is not made.
//
// Memory: a read buffer per reader; the entries of the folders listed and not
// yet read; and at most kMostPending reads given or found and not yet given
// back, more only for the reads that come before those already made.
#ifndef QN_REPORT_READ_READER_POOL_H
#define QN_REPORT_READ_READER_POOL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/find/log_finder.h"
#include "report/read/log_file.h"
#include "report/read/log_lines.h"

// Reads given and not yet given back, at most: past it, giving a read waits,
// and no more entries of listed folders are read.
constexpr size_t kMostPending = 4096;
// Connections that Windows XP SP2 and later versions of its TCP/IP let wait
// for an answer at once: past them, a connection waits for another to end.
constexpr unsigned kConnectionSlots = 10;
// Readers waiting in an abandoned read, at most, beside the readers at work:
// past it, no new reader replaces one that is abandoned.
constexpr unsigned kMostAbandoned = 64;

// What a path given to the pool is.
enum ReadKind {
  kReadLog,     // a log
  kReadFolder,  // a folder: its logs and sub-folders are read in turn
  kReadPlace,   // a PATH: a folder when it can be listed, otherwise a log
};

// What the pool gives back for each path, read or given up.
struct ReadDone {
  const std::string& path;
  bool given;          // given to the pool; otherwise found in a folder
  ReadKind kind;       // as given or found
  LogKind logKind;     // a log found in a folder: what listLogFolder told of it; kNamedLog otherwise
  bool folder;         // it was listed as a folder (in part, maybe)
  size_t logsListed;   // a folder's: the logs in it (its sub-folders' not counted)
  LogResult* result;   // a log's result; for a folder, only result->failure:
                       // kReadWhole when it was listed whole
};

// Reads one log into a result, with `lines` as its buffer: readLogFile, or a
// test's stand-in.
typedef void (*LogReader)(const char* path, LogLines* lines, bool keepNotes, LogResult* result);
// Lists one folder: listLogFolder, or a test's stand-in.
typedef FolderListing (*FolderLister)(const std::string& folder, std::vector<FolderEntry>* entries);
// Starts a thread: platform::startThread, or a test's stand-in.
typedef bool (*ThreadStarter)(void (*routine)(void* argument), void* argument);

struct ReaderPoolSettings {
  unsigned readers;  // reading at once, at least 1
  uint32_t timeout;  // milliseconds that a read may take
  bool keepNotes;    // note each line that is not a record
  LogReader read;
  FolderLister list;
  ThreadStarter startThread;
  // Called on the caller's thread with each path read or given up (failure
  // kReadTimedOut), in the order of the walk; `done.result` is freed when it
  // returns.
  void (*done)(const ReadDone& done, void* context);
  // Called on the caller's thread whenever it has waited for the readers, at
  // least every kWaitingCall milliseconds while it waits; may be null.
  void (*waiting)(void* context);
  void* context;
};

constexpr uint32_t kWaitingCall = 250;

struct ReaderPool;

// Starts the pool and its first reader; more start as reads come. Null when
// the pool or its first reader cannot be made: then nothing can be read with
// a time limit.
ReaderPool* startReaderPool(const ReaderPoolSettings& settings);

// Gives a path to read, after those given before. Gives back the reads whose
// turn has come, and waits, giving back reads, while kMostPending are given
// and not given back.
void addRead(ReaderPool* pool, const char* path, ReadKind kind);

// Waits until every path given, and everything found in its folders, has
// been given back, then lets the readers end (an abandoned one when its read
// returns) and the pool with them. `pool` is not to be used afterwards.
// Returns the readers still waiting in a read given up on.
unsigned finishReaderPool(ReaderPool* pool);

#endif  // QN_REPORT_READ_READER_POOL_H
