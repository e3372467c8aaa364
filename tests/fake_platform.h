// An in-memory stand-in for the platform layer, linked into the unit tests in
// place of the real one. It behaves like Windows (backslash paths, CR LF console
// lines, a C: drive), records every call, and can be told to fail any of them.
#ifndef QN_TESTS_FAKE_PLATFORM_H
#define QN_TESTS_FAKE_PLATFORM_H

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace fake {

constexpr uint32_t kAttributeReadOnly = 0x01;
constexpr uint32_t kAttributeHidden = 0x02;
constexpr uint32_t kAttributeNormal = 0x80;

struct Node {
  bool isDirectory = false;
  std::string content;
  uint32_t attributes = kAttributeNormal;
  bool locked = false;  // held open elsewhere: cannot be deleted
  bool unreadable = false;  // cannot be opened for reading nor copied; a directory cannot be listed
  std::string linkTarget;   // a junction: the directory it leads to (absolute)
  // How many bytes a copy of the file gets, when not all of them, while the
  // copy still reports success: fewer where a copy layer hides a read error
  // (Wine's CopyFileA on a damaged CD), more for a file that grew after it was
  // listed (padded with zero bytes).
  size_t copiedBytes = std::string::npos;
  // The names of one file (hard links) share a non-zero id, and its attributes.
  int fileId = 0;
  // Another process holds this lock file, or has locked the whole of this file
  // against writes, for this many more tries; for good when negative.
  long lockedElsewhere = 0;
  // Another process has this directory or file open with sharing that shuts
  // out the program's open (a copy of the log), for this many more tries; for
  // good when negative.
  long heldElsewhere = 0;
  // The size a listing gives for the file, when not its true size (a stale
  // NTFS listing, 0 for a file symbolic link).
  size_t listedSize = std::string::npos;
};

// One command line that was run, and the directory it ran in.
struct CommandRun {
  std::string commandText;
  std::string line;
  std::string directory;
  uint32_t errorMode;  // the process's error mode when it started: what it inherits
};

struct State {
  // Absolute paths without a trailing backslash ("C:\work\a.txt"); "C:" is the root.
  std::map<std::string, Node> nodes;
  std::string currentDirectory = "C:\\work";
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  std::vector<std::string> environment = {"SystemDrive=C:"};

  platform::VersionInfo version = {5, 1, 2, 0x100};
  bool refuseExtendedVersion = false;
  bool refuseVersion = false;
  bool wow64 = false;
  int wow64Questions = 0;

  platform::DiskSpace diskSpace = {8, 512, 1000000};
  platform::LocalTime localTime = {2006, 11, 2, 9, 5, 7};
  int utcOffset = 60;  // minutes east of UTC
  // The most bytes one readFile gives, as a slow share's reads do.
  size_t readLimit = SIZE_MAX;
  // What lastFileFailure tells after a failed open or read.
  platform::FileFailure fileFailure = platform::kFileFailed;
  unsigned nextTempNumber = 0x1A2;
  uint32_t sleptMilliseconds = 0;

  // Runs a command line; by default every command exits with 0. A runner may
  // change the file system, as real commands do.
  std::function<int32_t(const CommandRun&)> commandRunner;
  std::vector<CommandRun> commands;

  std::string console;
  std::string errors;  // standard error
  int consoleFlushes = 0;

  // The process's error mode: at first the one its caller gave it.
  uint32_t errorMode = 0;
  // The calls made while that mode let Windows show a box for a drive with no
  // medium, and wait for a click (but runCommand, which hands a mode on).
  std::vector<std::string> boxableCalls;

  // Every call made, by name, in order.
  std::vector<std::string> calls;
  // Calls that always fail, by name ("copyFile").
  std::set<std::string> failingCalls;
  // The failable call with this index (counting from 0) fails; -1 for none.
  long failCallNumber = -1;
  long failableCalls = 0;
  // The error code a command start gives when runCommand fails.
  int32_t startError = 2;

  // Open files: handle -> path and read position.
  std::map<platform::FileHandle, std::pair<std::string, size_t>> openFiles;
  platform::FileHandle nextHandle = 100;
  std::map<platform::FindHandle, std::vector<platform::DirectoryEntry>> listings;
  // Files held with openForAttributes: handle -> file id (0: a file with one name, whose
  // path openFiles gives).
  std::map<platform::FileHandle, int> attributeHandles;
  int nextFileId = 1;
};

// The fake's state; reset() restores a fresh system with C:, C:\WINDOWS,
// C:\WINDOWS\system32 and C:\work (the current directory).
State& state();
void reset();

// Test helpers over the fake file system.
std::string absolutePath(const std::string& path);
void addDirectory(const std::string& path);
void addFile(const std::string& path, const std::string& content, uint32_t attributes = kAttributeNormal);
// A junction at `path` leading to the existing directory `target`. Paths through
// it reach the target's entries; removing it as a directory removes the link only.
void addJunction(const std::string& path, const std::string& target);
// Another name, `path`, for the existing file `existing`: a hard link. The
// names share their attributes; deleting one leaves the others.
void addHardLink(const std::string& path, const std::string& existing);
bool exists(const std::string& path);
std::string fileContent(const std::string& path);
// Paths below `directory` (absolute), in order.
std::vector<std::string> listTree(const std::string& directory);

}  // namespace fake

#endif  // QN_TESTS_FAKE_PLATFORM_H
