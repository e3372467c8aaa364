// The result record: one line per run appended to QNLOG\QN.log on the system
// volume, naming the update by the two lines of its version.id.
#ifndef QN_LOG_RESULT_LOG_H
#define QN_LOG_RESULT_LOG_H

#include <cstddef>
#include <cstdint>

#include "platform/held_directory.h"
#include "platform/platform.h"
#include "runtime/text_file.h"

// Each version.id line is read into 128 bytes: at most 127 characters.
constexpr size_t kVersionLineSize = 128;
// The record, which the longest one (325 characters and the line end) fits.
constexpr size_t kRecordSize = 512;
// The log file's path: the volume, "\QNLOG" and "\QN.log".
constexpr size_t kLogPathSize = 128;

// Runs that end at the same moment take turns through a lock file beside the
// log. A record waits at most this long in all: for the log's directory and
// file while another process holds them (a copy of the log being collected),
// for the lock, and for a write that another process's lock on the log
// refuses, trying again at each step.
constexpr uint32_t kLogWaitMilliseconds = 30000;
constexpr uint32_t kLogRetryMilliseconds = 50;

// What writeResultRecord reports.
constexpr int kRecordWritten = 0;
constexpr int kNoVersionFile = 1;
// The log could not be opened or written: the run must end at once with status 1.
constexpr int kLogFailed = 2;

// The name of the version file in the run directory.
extern const char kVersionFileName[];

// Reads the value of the next version.id line into `value` (kVersionLineSize
// bytes): at most 127 characters, without its line end; a longer line goes on as
// the next value. An empty text when the file has ended. Returns what
// readTextPiece returned: the characters read, or -1 at the end.
int readVersionValue(TextFile* file, char* value);

// Reads the local time and version.id in the current directory, then appends one
// record for `result`. Without a readable version.id it prints
// "qnLogger: Cannot Read Version.id file", leaves the log alone and returns
// kNoVersionFile. When the log cannot be opened or written it prints
// "Log File Creation Failed!" and returns kLogFailed.
int writeResultRecord(int32_t result);

// Opens the log, writes one record with one write, and closes it. Returns
// kRecordWritten or kLogFailed (with its message printed).
int appendRecord(const char* date, const char* time, const char* updateValue,
                 const char* newValue, int32_t result);

// The log while one record is written: its directory held, the lock taken,
// the file open, and how long the record has waited so far.
struct LogFile {
  platform::DirectoryHandle directory;
  platform::FileHandle lock;
  platform::FileHandle file;
  uint32_t waitedMilliseconds;
};

// Makes sure the log directory exists (for its owners only when it is
// created), holds it, waits for the lock in it, and opens the log file in it
// for appending, waiting while another process holds any of the three.
// Prints "Log File Creation Failed!" and returns false, with nothing left
// open, when it cannot, also when they are not had within
// kLogWaitMilliseconds.
bool openLogFile(LogFile* log);

// Appends `size` bytes to the open log in one write; a write that another
// process's lock refuses is tried again until the record has waited
// kLogWaitMilliseconds in all. False when it was not written.
bool writeToLog(LogFile* log, const void* data, size_t size);

// Closes the log file, then lets the lock and the directory go. False when the
// log file's data could not be written out.
bool closeLogFile(LogFile* log);

// Three numbers, each padded with zeros to at least two digits, joined by
// `separator`: "09:05:07", "11-02-2006".
void formatTriple(int first, int second, int third, char separator, char* out, size_t size);

// The record's text, ending with a line feed (written to the file as CR LF):
// "DATE TIME,Update=U,New=N,Status=Success|Unknown,ReturnCode=R ". Returns its length.
size_t composeRecord(const char* date, const char* time, const char* updateValue,
                     const char* newValue, int32_t result, char* record, size_t size);

#endif  // QN_LOG_RESULT_LOG_H
