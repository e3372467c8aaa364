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

// The pattern that lists `directory` from its first entry on.
static std::string listingPattern(const std::string& directory) {
  std::string pattern = directory;
  if (pattern.empty() || !isSeparator(pattern.back())) pattern += platform::kPathSeparator;
  return pattern + "*.*";
}

// The last name of a path as written, or an empty text.
static std::string lastPart(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && isSeparator(path[end - 1])) --end;
  size_t start = end;
  while (start > 0 && !isSeparator(path[start - 1])) --start;
  return path.substr(start, end - start);
}

struct Listed {
  std::string key;  // the name as the reports write it, folded: the same order on every system
  FolderEntry entry;
};

FolderListing listLogFolder(const std::string& folder, std::vector<FolderEntry>* entries) {
  std::string pattern = listingPattern(folder);
  if (pattern.size() >= kPathBufferSize) return kFolderTooLong;
  platform::DirectoryEntry entry;
  platform::FindHandle find = platform::findFirstName(pattern.c_str(), &entry);
  if (find == platform::kNoFind) return kFolderNotListed;
  std::vector<Listed> listed;
  int found = platform::kFoundEntry;
  for (; found == platform::kFoundEntry; found = platform::findNextName(find, &entry)) {
    if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0) continue;
    std::string name = entry.name;
    bool isFolder = (entry.attributes & platform::kAttributeDirectory) != 0;
    if (isFolder ? (entry.attributes & platform::kAttributeReparsePoint) != 0 : !isLogName(name)) {
      continue;
    }
    std::string shown = platform::utf8FromSystemText(name.data(), name.size());
    listed.push_back(Listed{foldedUtf8(shown.data(), shown.size()),
                            FolderEntry{std::move(name), isFolder, kNamedLog}});
  }
  platform::findClose(find);
  std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
    return a.key != b.key ? a.key < b.key : a.entry.name < b.entry.name;
  });
  bool besideCurrentLog = std::any_of(listed.begin(), listed.end(), [](const Listed& item) {
    return !item.entry.folder && isCurrentLogName(item.entry.name);
  });
  bool inLogFolder = isLogFolderName(lastPart(folder));
  for (Listed& item : listed) {
    if (!item.entry.folder) item.entry.kind = kindOfLog(item.entry.name, besideCurrentLog, inLogFolder);
  }
  // Beside a QN.log, the rotated logs go just before it (before the first,
  // on a system whose names hold two that differ only in case).
  entries->reserve(listed.size());
  bool rotatedGiven = false;
  for (Listed& item : listed) {
    if (besideCurrentLog && item.entry.kind == kRotatedLog) continue;
    if (item.entry.kind == kCurrentLog && !rotatedGiven) {
      for (Listed& older : listed) {
        if (older.entry.kind == kRotatedLog) entries->push_back(older.entry);
      }
      rotatedGiven = true;
    }
    entries->push_back(std::move(item.entry));
  }
  return found == platform::kListingFailed ? kFolderCutShort : kFolderListed;
}

std::string entryPath(const std::string& folder, const std::string& name) {
  std::string path = folder;
  if (path.empty() || !isSeparator(path.back())) path += platform::kPathSeparator;
  return path + name;
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
