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
    listed.push_back(Listed{foldedUtf8(shown.data(), shown.size()), FolderEntry{std::move(name), isFolder}});
  }
  platform::findClose(find);
  std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
    return a.key != b.key ? a.key < b.key : a.entry.name < b.entry.name;
  });
  entries->reserve(listed.size());
  for (Listed& item : listed) entries->push_back(std::move(item.entry));
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
