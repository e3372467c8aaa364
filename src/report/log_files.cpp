#include "report/log_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/utf8_text.h"
#include "platform/platform.h"
#include "report/report_output.h"

static const char kLogExtension[] = ".log";
static const char kLogNamePrefix[] = "QN";
static const char kLogFolder[] = "QNLOG";
static const char kAdminShare[] = "ADMIN$";

static bool isSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

static char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

static bool sameAsciiName(const char* a, size_t length, const char* b) {
  if (strlen(b) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

static bool sameName(const std::string& name, const char* other) {
  return sameAsciiName(name.data(), name.size(), other);
}

static bool endsWithLogExtension(const std::string& name) {
  size_t extension = sizeof kLogExtension - 1;
  return name.size() > extension &&
         sameAsciiName(name.data() + name.size() - extension, extension, kLogExtension);
}

PathKind pathKind(const char* path) {
  std::string pattern(path);
  if (pattern.empty() || !isSeparator(pattern.back())) pattern += platform::kPathSeparator;
  pattern += "*.*";
  platform::DirectoryEntry entry;
  platform::FindHandle find = pattern.size() < kPathBufferSize
                                  ? platform::findFirstFile(pattern.c_str(), &entry)
                                  : platform::kNoFind;
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

// Says that a directory cannot be read, and keeps its name.
static void unreadableDirectory(const std::string& directory, std::vector<std::string>* unreadable) {
  std::string shown = outputText(directory);
  printError("cannot read %s", shown.c_str());
  unreadable->push_back(shown);
}

static void visitDirectory(const std::string& directory, const char* currentDirectory,
                           LogVisitor visitor, void* context, std::vector<std::string>* unreadable) {
  std::string prefix = directory;
  if (prefix.empty() || !isSeparator(prefix.back())) prefix += platform::kPathSeparator;
  std::string pattern = prefix + "*.*";
  platform::DirectoryEntry entry;
  platform::FindHandle find = pattern.size() < kPathBufferSize
                                  ? platform::findFirstFile(pattern.c_str(), &entry)
                                  : platform::kNoFind;
  if (find == platform::kNoFind) {
    unreadableDirectory(directory, unreadable);
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
    if (folder ? (entry.attributes & platform::kAttributeReparsePoint) != 0
               : !endsWithLogExtension(name)) {
      continue;
    }
    std::string shown = outputText(name);
    entries.push_back(Listed{foldedUtf8(shown.data(), shown.size()), name, folder});
  }
  platform::findClose(find);
  if (found == platform::kListingFailed) unreadableDirectory(directory, unreadable);
  std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
    return a.key != b.key ? a.key < b.key : a.name < b.name;
  });
  for (const Listed& listed : entries) {
    std::string path = prefix + listed.name;
    if (listed.folder) {
      visitDirectory(path, currentDirectory, visitor, context, unreadable);
    } else {
      visitor(path.c_str(), machineOfLog(path.c_str(), currentDirectory), context);
    }
  }
}

void visitLogs(const char* path, const char* currentDirectory, LogVisitor visitor, void* context,
               std::vector<std::string>* unreadable) {
  if (pathKind(path) == kLogDirectory) {
    visitDirectory(path, currentDirectory, visitor, context, unreadable);
  } else {
    visitor(path, machineOfLog(path, currentDirectory), context);
  }
}

// The components of a path, without empty ones.
static void splitPath(const char* path, std::vector<std::string>* parts) {
  const char* start = path;
  for (const char* p = path;; ++p) {
    if (*p == '\0' || isSeparator(*p)) {
      if (p > start) parts->emplace_back(start, static_cast<size_t>(p - start));
      if (*p == '\0') return;
      start = p + 1;
    }
  }
}

static bool isAbsolute(const char* path) {
  bool drive = platform::kPathSeparator == '\\' && path[0] != '\0' && path[1] == ':';
  return isSeparator(path[0]) || drive;
}

// The components of the path, with "." and ".." resolved; a relative path is
// first joined to the current directory.
static std::vector<std::string> pathParts(const char* path, const char* currentDirectory) {
  std::vector<std::string> all;
  bool fromCurrent = !isAbsolute(path);
  if (fromCurrent) splitPath(currentDirectory, &all);
  splitPath(path, &all);
  // A drive ("C:") is no folder.
  const char* base = fromCurrent ? currentDirectory : path;
  if (isAbsolute(base) && platform::kPathSeparator == '\\' && !all.empty() &&
      all.front().size() == 2 && all.front()[1] == ':') {
    all.erase(all.begin());
  }
  std::vector<std::string> parts;
  for (const std::string& part : all) {
    if (part == ".") continue;
    if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
    } else {
      parts.push_back(part);
    }
  }
  return parts;
}

// C$, D$, ADMIN$: the shares through which an administrator reads a machine's drives.
static bool isAdminShare(const std::string& name) {
  bool drive = name.size() == 2 && name[1] == '$' && upperAscii(name[0]) >= 'A' &&
               upperAscii(name[0]) <= 'Z';
  return drive || sameName(name, kAdminShare);
}

std::string machineOfLog(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  if (parts.empty()) return std::string();
  std::string name = parts.back();
  size_t prefix = sizeof kLogNamePrefix - 1;
  if (endsWithLogExtension(name) && name.size() >= prefix &&
      sameAsciiName(name.data(), prefix, kLogNamePrefix)) {
    for (size_t folder = parts.size() - 1; folder-- > 0;) {
      if (!sameName(parts[folder], kLogFolder) && !isAdminShare(parts[folder])) return parts[folder];
    }
  }
  if (endsWithLogExtension(name)) name.resize(name.size() - (sizeof kLogExtension - 1));
  return name;
}
