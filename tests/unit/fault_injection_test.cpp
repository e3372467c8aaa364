// Every failable platform call of a whole run, made to fail in turn: call 0,
// then call 1, and so on until a run ends without reaching the failing call.
// Each failure must end in the exit status and console lines the program
// promises for that call, never crash, and never leave a torn log record.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/run_update.h"
#include "fake_platform.h"

namespace {

const char kStaging[] = "C:\\QNT1A2.tmp";  // the fake's first temporary name
const char kLogPath[] = "C:\\QNLOG\\QN.log";

const char kNoWorkingDir[] = "Unable to determine current directory.  Aborting update!\r\n";
const char kNoScript[] = "ERROR: Could not open config FILE qnInst.cfg\r\n";
const char kNoVersion[] = "qnLogger: Cannot Read Version.id file\r\n";
const char kLogFailed[] = "Log File Creation Failed!\r\n";
const char kStagingFailed[] = "Copying update files to the hard drive failed.\r\n";
const char kTopCopyFailed[] = "Unable to copy update files to the hard drive.\r\n";
const char kFilesNotCopied[] = "Unable to copy files from QN CD to hard drive.\r\n";
const char kSubCopyFailed[] = "Unable to copy sub-directory update files to the hard drive.\r\n";
const char kSubNotRemoved[] = "Could not remove temporary sub-directory.\r\n";
const char kNotRemoved[] = "Could not remove temporary directoryC:\\QNT1A2.tmp\\\r\n";

std::string missing(const std::string& program) {
  return program + " doesn't exist in current directory\r\n";
}

std::string record(const std::string& update, const std::string& next, int32_t result) {
  return "11-02-2006 09:05:07,Update=" + update + ",New=" + next +
         ",Status=" + (result == 0 ? "Success" : "Unknown") +
         ",ReturnCode=" + std::to_string(result) + " \r\n";
}

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

struct Outcome {
  int32_t status = 0;
  std::string console;
  std::string log;
  bool stagingLeft = false;  // C:\QNT1A2.tmp is still there
};

// The update tree of the staged run, as the fake lists it (by name).
struct TreeEntry {
  std::string path;
  bool isDirectory;
  bool readOnly;
};
const std::vector<TreeEntry> kUpdateTree = {
    {"qnInst.cfg", false, false},         {"setup.exe", false, false},
    {"sub", true, false},                 {"sub\\deep", true, false},
    {"sub\\deep\\tool.exe", false, false}, {"sub\\readme.txt", false, true},
    {"version.id", false, false},
};

std::vector<TreeEntry> childrenOf(const std::string& directory) {
  std::vector<TreeEntry> children;
  std::string prefix = directory.empty() ? "" : directory + "\\";
  for (const TreeEntry& entry : kUpdateTree) {
    if (entry.path.compare(0, prefix.size(), prefix) == 0 &&
        entry.path.find('\\', prefix.size()) == std::string::npos) {
      children.push_back(entry);
    }
  }
  return children;
}

// One platform call of the tree walk, with where in the tree it is made.
struct WalkCall {
  std::string name;
  int depth;           // of the directory being listed; 0 for the walk's top
  std::string entry;   // the entry the call is about, or the listed directory
  bool readOnly;       // the entry is a read-only file
  size_t entriesLeft;  // after a findNextFile: entries the listing has still to give
};

// The entries that a listing still has to give after its entry `i`, where
// entries 0 and 1 are "." and "..".
size_t entriesAfter(const std::vector<TreeEntry>& children, size_t i) {
  return i < 2 ? children.size() : children.size() + 1 - i;
}

// The calls of the walk over the update tree, in order: every listing gives
// ".", ".." and then the entries; a findNextFile follows each of them.
void copyCalls(const std::string& directory, int depth, std::vector<WalkCall>* calls) {
  calls->push_back({"findFirstFile", depth, directory, false, 0});
  std::vector<TreeEntry> children = childrenOf(directory);
  for (size_t i = 0; i < children.size() + 2; ++i) {
    if (i >= 2) {
      const TreeEntry& entry = children[i - 2];
      if (entry.isDirectory) {
        calls->push_back({"createDirectory", depth, entry.path, false, 0});
        copyCalls(entry.path, depth + 1, calls);
      } else {
        calls->push_back({"copyFile", depth, entry.path, entry.readOnly, 0});
        calls->push_back({"getFileSize", depth, entry.path, entry.readOnly, 0});
        calls->push_back({"setFileAttributesNormal", depth, entry.path, entry.readOnly, 0});
      }
    }
    calls->push_back({"findNextFile", depth, directory, false, entriesAfter(children, i)});
  }
}

// The measuring walk before the copy lists the same directories and nothing else.
void measureCalls(const std::string& directory, int depth, std::vector<WalkCall>* calls) {
  calls->push_back({"findFirstFile", depth, directory, false, 0});
  std::vector<TreeEntry> children = childrenOf(directory);
  for (size_t i = 0; i < children.size() + 2; ++i) {
    if (i >= 2 && children[i - 2].isDirectory) measureCalls(children[i - 2].path, depth + 1, calls);
    calls->push_back({"findNextFile", depth, directory, false, entriesAfter(children, i)});
  }
}

void removalCalls(const std::string& directory, int depth, std::vector<WalkCall>* calls) {
  calls->push_back({"findFirstFile", depth, directory, false, 0});
  std::vector<TreeEntry> children = childrenOf(directory);
  for (size_t i = 0; i < children.size() + 2; ++i) {
    if (i >= 2) {
      const TreeEntry& entry = children[i - 2];
      if (entry.isDirectory) {
        removalCalls(entry.path, depth + 1, calls);
        calls->push_back({"removeDirectory", depth + 1, entry.path, false, 0});
      } else {
        calls->push_back({"deleteFile", depth, entry.path, entry.readOnly, 0});
      }
    }
    calls->push_back({"findNextFile", depth, directory, false, entriesAfter(children, i)});
  }
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }

  // An in-place run. A Datacenter 5.0 system runs [WINK3]; should the extended
  // version query fail, it looks like plain Windows 2000 and runs [WIN2K].
  void setUpInPlace() {
    fs.version = {5, 0, 2, 0x80};
    fake::addFile("C:\\work\\qnInst.cfg",
                  "; update\r\n[WIN2K]\r\nw2k.exe\r\n[WINK3]\r\na.exe /q\r\nb.exe\r\n"
                  "; end of the section\r\n\r\n[WINNT]\r\nnt.exe\r\n");
    fake::addFile("C:\\work\\a.exe", "MZ");
    fake::addFile("C:\\work\\version.id", "4.1\r\n4.2\r\n");
    fs.commandRunner = [](const fake::CommandRun& run) {
      return run.line == "a.exe /q" ? 5 : run.line == "b.exe" ? 3010 : 0;
    };
  }

  // A staged run from D:\upd, whose tree holds sub-directories and a read-only file.
  void setUpStaged() {
    fake::addFile("C:\\work\\version.id", "1.0\r\n1.1\r\n");
    for (const TreeEntry& entry : kUpdateTree) {
      std::string path = "D:\\upd\\" + entry.path;
      if (entry.isDirectory) {
        fake::addDirectory(path);
      } else {
        fake::addFile(path, entry.path, entry.readOnly ? fake::kAttributeReadOnly : fake::kAttributeNormal);
      }
    }
    fake::addFile("D:\\upd\\qnInst.cfg", "[WINK3]\r\nsetup.exe /q\r\nsub\\deep\\tool.exe\r\n\r\n");
    fs.commandRunner = [](const fake::CommandRun& run) { return run.line == "setup.exe /q" ? 0 : 7; };
  }

  Outcome run(bool staged, long failingCall) {
    fake::reset();
    if (staged) {
      setUpStaged();
    } else {
      setUpInPlace();
    }
    fs.failCallNumber = failingCall;
    const char* argv[3] = {"qnUpdate", staged ? "D:\\upd" : nullptr, nullptr};
    Outcome outcome;
    outcome.status = runUpdate(staged ? 2 : 1, argv);
    outcome.console = fs.console;
    outcome.log = fake::fileContent(kLogPath);
    outcome.stagingLeft = fake::exists(kStaging);
    return outcome;
  }

  // How many calls named like call `index` came before it.
  static int occurrence(const std::vector<std::string>& calls, size_t index) {
    int count = 0;
    for (size_t i = 0; i < index; ++i) count += calls[i] == calls[index] ? 1 : 0;
    return count;
  }

  // The log holds whole, well-formed records only: at most one, as it started empty.
  static void expectWholeRecords(const std::string& log) {
    static const std::regex shape(
        "\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d,Update=[^\r\n]*,New=[^\r\n]*,"
        "Status=(Success|Unknown),ReturnCode=-?\\d+ \r\n");
    EXPECT_TRUE(log.empty() || std::regex_match(log, shape)) << log;
  }

  // Runs with each call failing in turn and compares with `expected(N)`.
  template <typename Expect>
  void failEachCall(bool staged, Expect expected) {
    Outcome clean = run(staged, -1);
    baseline = fs.calls;
    EXPECT_TRUE(fs.openFiles.empty() && fs.listings.empty()) << "a clean run closes what it opens";
    long failing = 0;
    for (;; ++failing) {
      Outcome outcome = run(staged, failing);
      if (fs.failableCalls <= failing) {
        EXPECT_EQ(clean.status, outcome.status);
        EXPECT_EQ(clean.console, outcome.console);
        break;
      }
      ASSERT_LT(static_cast<size_t>(failing), baseline.size());
      SCOPED_TRACE("call " + std::to_string(failing) + ": " + baseline[failing] + " #" +
                   std::to_string(occurrence(baseline, failing)));
      Outcome want = expected(static_cast<size_t>(failing), clean);
      EXPECT_EQ(want.status, outcome.status);
      EXPECT_EQ(want.console, outcome.console);
      EXPECT_EQ(want.log, outcome.log);
      EXPECT_EQ(want.stagingLeft, outcome.stagingLeft);
      expectWholeRecords(outcome.log);
      EXPECT_TRUE(fs.openFiles.empty()) << "a file is left open";
      EXPECT_TRUE(fs.listings.empty()) << "a directory listing is left open";
    }
    EXPECT_EQ(baseline.size(), static_cast<size_t>(failing));
  }

  // The walk's calls start at the first listing after `from` in the clean run.
  size_t walkStart(const std::vector<WalkCall>& walk, size_t from) {
    size_t start = from;
    while (start < baseline.size() && baseline[start] != "findFirstFile") ++start;
    EXPECT_LE(start + walk.size(), baseline.size());
    for (size_t i = 0; i < walk.size() && start + i < baseline.size(); ++i) {
      EXPECT_EQ(walk[i].name, baseline[start + i]) << "walk call " << i;
    }
    return start;
  }

  fake::State& fs = fake::state();
  std::vector<std::string> baseline;
};

TEST_F(FaultInjectionTest, EachFailingCallOfAnInPlaceRunEndsAsPromised) {
  const std::vector<std::string> cleanPieces = {"b.exe", " doesn't exist in current directory", "\r\n"};
  failEachCall(false, [&](size_t index, const Outcome& clean) {
    const std::string& name = baseline[index];
    int k = occurrence(baseline, index);
    Outcome want = clean;
    auto logFails = [&] {
      want.status = 1;
      want.console += kLogFailed;
      want.log = "";
    };
    if (name == "getCurrentDirectory" && k == 0) {
      want = {1, kNoWorkingDir, record("4.1", "4.2", 1), false};
    } else if (name == "getVersion" && k == 0) {
      want = {0, missing("w2k.exe"), record("4.1", "4.2", 0), false};
    } else if (name == "openForReading" && k == 0) {
      want = {9, kNoScript, "", false};
    } else if (name == "openForReading" && k == 1) {
      want.console = missing("a.exe") + clean.console;
    } else if (name == "openForReading" && k == 3) {
      want.console += kNoVersion;
      want.log = "";
    } else if (name == "readFile" && k == 0) {
      want = {9, "", record("4.1", "4.2", 9), false};
    } else if (name == "readFile" && k == 1) {
      want.log = record("", "", 3010);
    } else if (name == "runCommand" && k == 1) {
      want.status = fs.startError;
      want.log = record("4.1", "4.2", fs.startError);
    } else if (name == "writeConsole") {
      want.console.clear();
      for (int i = 0; i < 3; ++i) want.console += i == k ? "" : cleanPieces[i];
    } else if (name == "deleteFile" && k == 0) {
      want.stagingLeft = true;  // the reservation file stays; an in-place run never uses it
    } else if (name == "logVolume" || name == "createPrivateDirectory" || name == "holdDirectory" ||
               name == "takeLockFile" || name == "openForAppending" || name == "appendToFile") {
      logFails();
    } else if (name == "closeFile" && k == 3) {
      logFails();
      want.log = clean.log;  // the whole record was written before the close failed
    } else if (!(name == "systemRoot" || name == "getTempFileName" || name == "setCurrentDirectory" ||
                 name == "getVersion" || name == "openForReading" || name == "closeFile" ||
                 name == "runCommand")) {
      ADD_FAILURE() << "no expectation for " << name << " #" << k;
    }
    return want;
  });
}

TEST_F(FaultInjectionTest, EachFailingCallOfAStagedRunEndsAsPromised) {
  std::vector<WalkCall> measure;
  std::vector<WalkCall> copy;
  std::vector<WalkCall> removal;
  measureCalls("", 0, &measure);
  copyCalls("", 0, &copy);
  removalCalls("", 0, &removal);
  removal.push_back({"removeDirectory", 0, "", false, 0});
  size_t measureStart = 0;
  size_t copyStart = 0;
  size_t removalStart = 0;

  failEachCall(true, [&](size_t index, const Outcome& clean) {
    if (copyStart == 0) {
      measureStart = walkStart(measure, 0);
      copyStart = walkStart(copy, measureStart + measure.size());
      removalStart = walkStart(removal, copyStart + copy.size());
    }
    const std::string& name = baseline[index];
    int k = occurrence(baseline, index);
    Outcome want = clean;
    // A staging that fails takes back what it created: nothing is left.
    auto stagingFails = [&](const std::string& lines) { want = {1, lines + kStagingFailed, "", false}; };
    // So does a run that never gets to the script.
    const Outcome noScript = {9, kNoScript, "", false};
    auto removalLeaves = [&](const std::string& first, int depth) {
      want.console = first + repeated(kSubNotRemoved, depth) + kNotRemoved;
      want.stagingLeft = true;
    };

    if (index >= measureStart && index < measureStart + measure.size()) {
      // Where the copy could not read the tree, neither can the measure, which
      // fails in its stead before anything is created; a top that cannot be
      // listed is nothing to measure, and the copy then goes ahead.
      const WalkCall& call = measure[index - measureStart];
      if (call.depth > 0 || name == "findNextFile") {
        stagingFails(kFilesNotCopied + repeated(kSubCopyFailed, call.depth) + kTopCopyFailed);
      }
      return want;
    }
    if (index >= copyStart && index < copyStart + copy.size()) {
      const WalkCall& call = copy[index - copyStart];
      std::string levels = repeated(kSubCopyFailed, call.depth) + kTopCopyFailed;
      if (name == "findFirstFile" && call.depth == 0) {
        want = noScript;  // nothing copied: no script in the staging directory
      } else if (name == "findFirstFile" || name == "findNextFile" || name == "copyFile" ||
                 name == "getFileSize") {
        // A directory that cannot be read whole, or a copy whose size cannot
        // be told, fails like a file that cannot be copied.
        stagingFails(kFilesNotCopied + levels);
      } else if (name == "createDirectory") {
        stagingFails("Unable to create temporary sub-directory!\r\n" + levels);
      }
      // A copy left read-only is made writable by the clean-up instead.
      return want;
    }
    if (index >= removalStart && index < removalStart + removal.size()) {
      const WalkCall& call = removal[index - removalStart];
      if (name == "deleteFile") {
        removalLeaves("Unable to remove temp file C:\\QNT1A2.tmp\\" + call.entry + "\r\n", call.depth);
      } else if (name == "findFirstFile" || (name == "removeDirectory" && call.depth > 0) ||
                 (name == "findNextFile" && call.entriesLeft > 0)) {
        removalLeaves("", call.depth);
      }
      // The staging directory itself is tried again after clearing its attributes.
      return want;
    }

    if (name == "getTempFileName" && k == 0) {
      // No name: nothing can be created.
      stagingFails("Unable to create temporary directory!\r\n");
    } else if (name == "deleteFile" && k == 0) {
      // The name stays taken by its reservation file; the run asks for
      // another one and goes ahead, and the empty file stays behind.
      want.stagingLeft = true;
    } else if (name == "getCurrentDirectory" && k == 0) {
      want = {1, kNoWorkingDir, record("1.0", "1.1", 1), false};
    } else if ((name == "setCurrentDirectory" && (k == 0 || k == 2)) ||
               (name == "getCurrentDirectory" && k == 1)) {
      // The working directory is staged, or the run stays in it: no script there.
      want = noScript;
    } else if (name == "getDiskFreeSpace") {
      stagingFails("Unable to determine if enough free space to copy files.\r\n");
      want.stagingLeft = false;
    } else if (name == "createPrivateDirectory") {
      stagingFails("Unable to create temporary directory!\r\n");
      want.stagingLeft = false;
    } else if (name == "openForReading" && k == 0) {
      want = noScript;
    } else if (name == "openForReading") {
      want.console = missing(k == 1 ? "setup.exe" : "sub\\deep\\tool.exe");
    } else if (name == "readFile" && k == 0) {
      want.status = 9;
    } else if (name == "runCommand" && k == 1) {
      want.status = fs.startError;
    } else if (!(name == "systemRoot" || name == "setCurrentDirectory" || name == "getVersion" ||
                 name == "closeFile" || name == "runCommand" ||
                 name == "setFileAttributesNormal")) {  // the staging directory's, before the clean-up
      ADD_FAILURE() << "no expectation for " << name << " #" << k;
    }
    return want;
  });
  EXPECT_GT(removalStart, copyStart);
}

}  // namespace
