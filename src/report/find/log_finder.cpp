#include "report/find/log_finder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/utf8_text.h"
#include "platform/platform.h"
#include "platform/system_text.h"
#include "report/find/machine_names.h"

const char kHostField[] = "{host}";

static bool isSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

// Lists `directory` from its first entry on; kNoFind when it cannot be listed
// or its pattern is too long for the system's path buffers.
static platform::FindHandle startListing(const std::string& directory, platform::DirectoryEntry* entry) {
  std::string pattern = directory;
  if (pattern.empty() || !isSeparator(pattern.back())) pattern += platform::kPathSeparator;
  pattern += "*.*";
  return pattern.size() < kPathBufferSize ? platform::findFirstFile(pattern.c_str(), entry)
                                          : platform::kNoFind;
}

PathKind pathKind(const char* path) {
  platform::DirectoryEntry entry;
  platform::FindHandle find = startListing(path, &entry);
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

static void findInDirectory(const std::string& directory, const char* currentDirectory,
                            const LogFinding& finding) {
  platform::DirectoryEntry entry;
  platform::FindHandle find = startListing(directory, &entry);
  if (find == platform::kNoFind) {
    finding.unreadableFolder(directory, finding.context);
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
  platform::findClose(find);
  if (found == platform::kListingFailed) finding.unreadableFolder(directory, finding.context);
  std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
    return a.key != b.key ? a.key < b.key : a.name < b.name;
  });
  std::string prefix = directory;
  if (prefix.empty() || !isSeparator(prefix.back())) prefix += platform::kPathSeparator;
  for (const Listed& listed : entries) {
    std::string path = prefix + listed.name;
    if (listed.folder) {
      findInDirectory(path, currentDirectory, finding);
    } else {
      finding.log(path.c_str(), machineOfLog(path.c_str(), currentDirectory), finding.context);
    }
  }
}

void findLogs(const char* path, const char* currentDirectory, const LogFinding& finding) {
  if (pathKind(path) == kLogDirectory) {
    findInDirectory(path, currentDirectory, finding);
  } else {
    finding.log(path, machineOfLog(path, currentDirectory), finding.context);
  }
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
