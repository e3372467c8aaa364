#include "report/find/log_finder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/utf8_text.h"
#include "log/record_format.h"
#include "platform/platform.h"
#include "platform/system_text.h"
#include "report/find/machine_names.h"

const char kHostField[] = "{host}";

static bool isSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

// Lists `directory` from its first entry on; kNoFind, and why in `*failure`,
// when it cannot be listed or its pattern is too long for the system's path
// buffers.
static platform::FindHandle startListing(const std::string& directory, platform::DirectoryEntry* entry,
                                         platform::FileFailure* failure) {
  std::string pattern = directory;
  if (pattern.empty() || !isSeparator(pattern.back())) pattern += platform::kPathSeparator;
  pattern += "*.*";
  *failure = platform::kFileFailed;
  if (pattern.size() >= kPathBufferSize) return platform::kNoFind;
  platform::FindHandle find = platform::findFirstFile(pattern.c_str(), entry);
  if (find == platform::kNoFind) *failure = platform::lastFileFailure();
  return find;
}

static void tellUnreadable(const std::string& directory, platform::FileFailure failure,
                           const char* currentDirectory, const LogFinding& finding) {
  UnreadableFolder folder = {directory, machineOfFolder(directory.c_str(), currentDirectory), failure};
  finding.unreadableFolder(folder, finding.context);
}

PathKind pathKind(const char* path) {
  platform::DirectoryEntry entry;
  platform::FileFailure failure;
  platform::FindHandle find = startListing(path, &entry, &failure);
  if (find != platform::kNoFind) {
    platform::findClose(find);
    return kLogDirectory;
  }
  platform::FileHandle file = platform::openForReading(path);
  if (file == platform::kNoFile) return kNoSuchPath;
  platform::closeFile(file);
  return kLogFile;
}

struct Listed {
  std::string key;  // the name as the reports write it, folded: the same order on every system
  std::string name;
  bool folder;
};

// The folder's path with its separator at the end.
static std::string withSeparator(const std::string& directory) {
  std::string prefix = directory;
  if (prefix.empty() || !isSeparator(prefix.back())) prefix += platform::kPathSeparator;
  return prefix;
}

static void findInDirectory(const std::string& directory, const char* currentDirectory,
                            const LogFinding& finding) {
  platform::DirectoryEntry entry;
  platform::FileFailure failure;
  platform::FindHandle find = startListing(directory, &entry, &failure);
  if (find == platform::kNoFind) {
    tellUnreadable(directory, failure, currentDirectory, finding);
    return;
  }
  std::vector<Listed> entries;
  int found = platform::kFoundEntry;
  for (; found == platform::kFoundEntry; found = platform::findNextFile(find, &entry)) {
    if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0) continue;
    std::string name = entry.name;
    bool folder = (entry.attributes & platform::kAttributeDirectory) != 0;
    // A junction or symbolic link is not entered: a walk through it could
    // come back to where it started.
    if (folder ? (entry.attributes & platform::kAttributeReparsePoint) != 0 : !isLogName(name)) {
      continue;
    }
    std::string shown = platform::utf8FromSystemText(name.data(), name.size());
    entries.push_back(Listed{foldedUtf8(shown.data(), shown.size()), name, folder});
  }
  failure = platform::lastFileFailure();
  platform::findClose(find);
  if (found == platform::kListingFailed) tellUnreadable(directory, failure, currentDirectory, finding);
  std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
    return a.key != b.key ? a.key < b.key : a.name < b.name;
  });

  std::string prefix = withSeparator(directory);
  bool besideCurrentLog = std::any_of(entries.begin(), entries.end(), [](const Listed& listed) {
    return !listed.folder && isCurrentLogName(listed.name);
  });
  std::vector<FoundLog> logs;
  for (const Listed& listed : entries) {
    std::string path = prefix + listed.name;
    if (listed.folder) continue;
    logs.push_back({path, directory, ownerOfLog(path.c_str(), currentDirectory, besideCurrentLog)});
  }
  size_t next = 0;
  bool rotatedGiven = false;
  for (const Listed& listed : entries) {
    if (listed.folder) {
      findInDirectory(prefix + listed.name, currentDirectory, finding);
      continue;
    }
    const FoundLog& log = logs[next++];
    // Beside a QN.log, the rotated logs are given just before it.
    if (besideCurrentLog && log.owner.kind == kRotatedLog) continue;
    if (log.owner.kind == kCurrentLog && !rotatedGiven) {
      for (const FoundLog& older : logs) {
        if (older.owner.kind == kRotatedLog) finding.log(older, finding.context);
      }
      rotatedGiven = true;
    }
    finding.log(log, finding.context);
  }
}

// The folder of a log given as a PATH: the PATH up to its last separator, and
// where a QN.log beside it would be.
static std::string folderOf(const char* path, std::string* besideLog) {
  std::string folder = path;
  size_t end = folder.size();
  while (end > 0 && !isSeparator(folder[end - 1])) --end;
  *besideLog = folder.substr(0, end) + kLogFileName;
  folder.resize(end > 0 ? end - 1 : 0);
  return folder;
}

void findLogs(const char* path, const char* currentDirectory, const LogFinding& finding) {
  if (pathKind(path) == kLogDirectory) {
    findInDirectory(path, currentDirectory, finding);
    return;
  }
  std::string besideLog;
  std::string folder = folderOf(path, &besideLog);
  bool besideCurrentLog = platform::pathExists(besideLog.c_str());
  finding.log(FoundLog{path, folder, ownerOfLog(path, currentDirectory, besideCurrentLog)},
              finding.context);
}

std::string logPathAt(const char* pathTemplate, const std::string& machine) {
  std::string path = pathTemplate;
  size_t fieldLength = strlen(kHostField);
  for (size_t at = path.find(kHostField); at != std::string::npos;
       at = path.find(kHostField, at + machine.size())) {
    path.replace(at, fieldLength, machine);
  }
  return path;
}
