// The operating-system services that the rest of the program uses.
//
// Two implementations exist, each in files named for what they cover
// (process_*, directories_*, files_*): *_win32.cpp over kernel32, the product,
// and *_posix.cpp, a stand-in for Windows on Linux. The unit tests link a fake
// in their place. The files in a held directory (the result log) have a header
// of their own, held_directory.h, and so do threads (threads.h) and the
// system's text (system_text.h). Nothing outside this folder includes an
// operating-system header.
#ifndef QN_PLATFORM_PLATFORM_H
#define QN_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>

// Path text: at most 259 characters and the terminator.
constexpr size_t kPathBufferSize = 260;

namespace platform {

// The separator between path components: '\\' on Windows, '/' on POSIX.
extern const char kPathSeparator;

// What ends a console line: CR LF on Windows, LF on POSIX.
extern const char kConsoleLineEnd[];

// --- The process ---------------------------------------------------------------

// Makes the process behave as when started from a plain console, whatever state
// its caller left it in. Every program calls it first in main, before any
// output and before any file is opened.
// - POSIX: a closed standard input, output or error is opened on /dev/null, so
//   that no file the program opens later takes its number; a write to standard
//   output whose reader has gone fails instead of ending the process (SIGPIPE is
//   caught and nothing is done); SIGCHLD is at its default, so that every
//   command's exit status can be taken. Commands start with both signals at
//   their defaults.
// - Windows: standard output and error are put in binary mode. A process
//   started without a console or with invalid standard handles writes its
//   lines nowhere, and goes on.
void prepareProcess();

// The program's names, paths, command line and console lines are UTF-8 from
// now on, whatever the system's code page: on Windows they go through the W
// functions (the A functions, which the other programs use, would change a
// name the code page lacks into another), and a console is written as
// Unicode; files and pipes get the UTF-8 bytes. On POSIX nothing changes:
// names are bytes. Called once, at the start, before the command line is read.
void useUtf8Text();
// Ends the process at once with `status`, once standard output and error are
// flushed: no exit handlers, no destructors of static objects, nothing that
// could wait for a thread. For a program that leaves threads waiting in
// system calls whose results it no longer wants (POSIX: _exit; Windows:
// ExitProcess, which still cannot end the process before their calls return).
[[noreturn]] void endProcess(int status);

// What Windows does when a drive has no medium or fails ("There is no disk in
// the drive"): by default it shows a box and the calling thread waits for a
// click. The process's error mode, as SetErrorMode has it, says otherwise.
constexpr uint32_t kFailCriticalErrors = 0x0001;  // the call fails instead: no box
constexpr uint32_t kNoOpenFileErrorBox = 0x8000;  // no box when a file is not found

// Sets the process's error mode and returns the mode it had. A process started
// afterwards inherits the mode in force when it is started. POSIX: kept, and
// changes nothing.
uint32_t setErrorMode(uint32_t mode);

// --- Directories -----------------------------------------------------------

// The root of the system volume ("C:\" on Windows, ending with the separator),
// or an empty text when it cannot be told.
void systemRoot(char* buffer, size_t size);

// The drive the result log lives on, to which "\QNLOG" is appended. Returns
// false when it does not fit in `size` bytes.
bool logVolume(char* buffer, size_t size);

// The current directory, absolute. False when it cannot be read or does not fit
// in `size` bytes (the buffer is then left unchanged).
bool getCurrentDirectory(char* buffer, size_t size);
bool setCurrentDirectory(const char* path);

// True when `path` names an existing directory (or a link to one).
bool isDirectory(const char* path);
// True when anything at all has the name `path`: a file, a directory, a link.
bool pathExists(const char* path);

// False on failure, also when the directory exists.
bool createDirectory(const char* path);
// As createDirectory, but nobody else may change what is in it. Windows: full
// control for Administrators, SYSTEM and this process's user only, inherited by
// everything created inside, and protected from the parent's inheritable
// entries where the system has such protection; false, creating nothing, when
// that security cannot be built. POSIX: mode 0700.
bool createPrivateDirectory(const char* path);
// Removes an empty directory, or a link to a directory (the link only, never
// what it leads to).
bool removeDirectory(const char* path);

// --- Enumeration -----------------------------------------------------------

// Read-only. POSIX lists a directory so when its owner may not read, write or
// search it, which stops its entries from being deleted; never a file, whose
// own permissions do not.
constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeSystem = 0x04;
constexpr uint32_t kAttributeDirectory = 0x10;
// A link: a junction or symbolic link on Windows, a symbolic link on POSIX.
// With kAttributeDirectory it leads to a directory, which a listing through
// the link shows.
constexpr uint32_t kAttributeReparsePoint = 0x400;

// A name in a directory: as UTF-8 (useUtf8Text), the longest takes three
// bytes for each of its UTF-16 units.
constexpr size_t kNameBufferSize = 3 * kPathBufferSize;

struct DirectoryEntry {
  uint32_t attributes;
  uint64_t size;  // a file's size in bytes (what a link leads to); 0 for a directory
  char name[kNameBufferSize];
};

using FindHandle = intptr_t;
constexpr FindHandle kNoFind = -1;

// What findNextFile gives.
constexpr int kFoundEntry = 1;
constexpr int kNoMoreEntries = 0;
constexpr int kListingFailed = -1;

// Every entry of a directory, "." and ".." included, for a pattern that is the
// directory followed by "*.*". kNoFind when the directory cannot be listed.
FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry);
// kFoundEntry, kNoMoreEntries, or kListingFailed when the listing broke off.
int findNextFile(FindHandle find, DirectoryEntry* entry);
// As findFirstFile and findNextFile, for a walk that needs of each entry only
// its name and whether it is a directory or a link: the other attributes and
// the size may be missing. Cheaper on POSIX, where a listing tells the kind of
// most entries without a look-up of each.
FindHandle findFirstName(const char* pattern, DirectoryEntry* entry);
int findNextName(FindHandle find, DirectoryEntry* entry);
void findClose(FindHandle find);

// --- Files -----------------------------------------------------------------

// Raw byte files. A handle is kNoFile when an open failed.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// Copies one file; an existing target is overwritten. `*sourceSize` is the
// size of the source as the file itself gives it once opened for the copy,
// which a directory listing may not (Windows: a stale size on NTFS for a file
// with several names or one open for writing, 0 for a file symbolic link).
// Windows holds the source open across the copy and does not let it be
// renamed or deleted meanwhile. On POSIX the source must be a regular file: a
// FIFO, socket or device fails the copy at once.
bool copyFile(const char* source, const char* target, uint64_t* sourceSize);
// The size in bytes of the file at `path` as the volume holds it now, read
// from the file itself rather than a directory listing. False when it cannot
// be told.
bool getFileSize(const char* path, uint64_t* size);
// Clears read-only and every other attribute, so the file can be changed and
// deleted, or the directory emptied and removed: on POSIX the owner may read
// and write it (and search a directory). Never through a link: false for one
// on POSIX, where an entry whose owner may not read it is changed through
// /proc, and without /proc keeps its mode. A file's attributes are those of
// every name it has.
bool setFileAttributesNormal(const char* path);
// Deletes one file; false when it cannot (for example while it is open).
bool deleteFile(const char* path);

// A file opened by its own name (never what a link leads to) for its
// attributes only, so that the attributes cleared to delete that name can be
// set back on the file, which keeps them under its other names (hard links).
struct AttributeHandle {
  FileHandle handle;
  uint32_t links;       // the number of names the file has
  uint32_t attributes;  // as they were when it was opened, in the platform's own form
};

// Opens a file, not a directory or a link. False when it cannot.
bool openForAttributes(const char* path, AttributeHandle* file);
// Clears the file's attributes, as setFileAttributesNormal does.
bool clearAttributes(const AttributeHandle& file);
// Sets the attributes the file had when it was opened.
bool restoreAttributes(const AttributeHandle& file);
void closeAttributeHandle(const AttributeHandle& file);

// Creates an empty, uniquely named file in `directory` from the first three
// characters of `prefix`, a number of one to four hexadecimal digits and ".tmp",
// and puts its path into `buffer`. False when no name could be made.
bool getTempFileName(const char* directory, const char* prefix, char* buffer, size_t size);

struct DiskSpace {
  uint32_t sectorsPerCluster;
  uint32_t bytesPerSector;
  uint32_t freeClusters;
};

// The free space that this user may use on the volume whose root is given.
bool getDiskFreeSpace(const char* root, DiskSpace* space);

// Opens an existing file, not a directory, for reading. On POSIX only a
// regular file opens, and the open never waits: a FIFO, socket or device is
// refused at once.
FileHandle openForReading(const char* path);
// Bytes read (0 at the end of the file), or -1 on failure.
long readFile(FileHandle file, void* buffer, size_t size);

// Why the calling thread's last openForReading or readFile failed, as far as
// the system tells: the file or a folder on its path is missing; access is
// denied; the machine or share of a network path cannot be reached (Windows:
// the network path or name is not found, the host is unreachable; POSIX: the
// host is down or unreachable); the network timed out; or anything else.
enum FileFailure { kFileFailed, kFileNotFound, kFileAccessDenied, kFileNetworkPathNotFound,
                   kFileTimedOut };
FileFailure lastFileFailure();
// One write of all `size` bytes; false unless every byte was written.
bool writeFile(FileHandle file, const void* data, size_t size);
// False when data could not be written out.
bool closeFile(FileHandle file);
// Creates a file, or empties an existing one, for writing with writeFile.
FileHandle openForWriting(const char* path);

// --- Platform facts --------------------------------------------------------

struct VersionInfo {
  uint32_t major;
  uint32_t minor;
  uint32_t platformId;  // 2 for the NT family
  uint16_t suiteMask;
};

// Asks for the system's version in the extended record (with the suite mask) or
// the plain one. False when the request is refused.
bool getVersion(VersionInfo* info, bool extended);

// The address of IsWow64Process, or null where the system has none.
using Wow64Probe = void*;
Wow64Probe findWow64Probe();
// Asks the probe whether this process runs under WOW64; false when it cannot tell.
bool callWow64Probe(Wow64Probe probe);

// --- Processes, time, environment, console ---------------------------------

// The value given for a child that ended but whose exit code cannot be read. It
// is never 0, so it cannot be taken for success.
constexpr int32_t kExitCodeUnreadable = -1;

// Runs a command line through the command interpreter in the current directory
// and waits for it. Windows starts `commandText` (cmd /d /c "line") with the
// system directory's cmd.exe, never one found elsewhere first (searching only
// when the system directory cannot be read); POSIX runs `line` with /bin/sh -c. Returns the exit code, bit for bit; the system's error
// code when the interpreter could not be started; or kExitCodeUnreadable.
int32_t runCommand(char* commandText, const char* line);

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

void getLocalTime(LocalTime* time);
// How far the local time is ahead of UTC now, in minutes (60 for Central
// European Time, -300 for Eastern Standard Time); false when it cannot be told.
bool getUtcOffset(int* minutes);
void sleepMilliseconds(uint32_t milliseconds);

// The value of the first environment entry whose name equals `name` without
// regard to case, or null when there is none.
const char* findEnvironment(const char* name);

// The process's command line as the system gives it, to be split by the
// program's own rules; null where the system passes arguments already split.
const char* rawCommandLine();

// Writes console text unchanged. False when it could not all be written
// (qnUpdate and qnCheck go on whatever happens; qnReport tells).
bool writeConsole(const char* text, size_t length);
// Writes out what is buffered; false when that failed.
bool flushConsole();
// Writes text to standard error unchanged, at once; failures are ignored.
void writeErrorConsole(const char* text, size_t length);
// True when standard error is a terminal (Windows: a console), where a line
// may be rewritten in place; false for a file, a pipe or nothing.
bool errorConsoleIsTerminal();

}  // namespace platform

#endif  // QN_PLATFORM_PLATFORM_H
