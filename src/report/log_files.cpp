#include "report/log_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "report/report_output.h"

static const char kLogExtension[] = ".log";
static const char kLogName[] = "QN.log";
static const char kLogFolder[] = "QNLOG";

static bool isSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

static char foldedCharacter(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string foldedName(const char* name, size_t length) {
  std::string folded(name, length);
  for (char& c : folded) c = foldedCharacter(c);
  return folded;
}

static bool sameName(const std::string& name, const char* other) {
  return foldedName(name.data(), name.size()) == foldedName(other, strlen(other));
}

static bool endsWithLogExtension(const char* name) {
  size_t length = strlen(name);
  size_t extension = sizeof kLogExtension - 1;
  return length > extension && sameName(std::string(name + length - extension), kLogExtension);
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

// Sorts names as they are listed and walked: without regard to case, then by
// their bytes, so that every system reads the logs in the same order.
static bool listedBefore(const std::string& a, const std::string& b) {
  std::string foldedA = foldedName(a.data(), a.size());
  std::string foldedB = foldedName(b.data(), b.size());
  return foldedA != foldedB ? foldedA < foldedB : a < b;
}

static unsigned long visitDirectory(const std::string& directory, const char* currentDirectory,
                                    LogVisitor visitor, void* context) {
  std::string prefix = directory;
  if (prefix.empty() || !isSeparator(prefix.back())) prefix += platform::kPathSeparator;
  std::string pattern = prefix + "*.*";
  platform::DirectoryEntry entry;
  platform::FindHandle find = pattern.size() < kPathBufferSize
                                  ? platform::findFirstFile(pattern.c_str(), &entry)
                                  : platform::kNoFind;
  if (find == platform::kNoFind) {
    printError("cannot read %s", directory.c_str());
    return 1;
  }
  std::vector<std::string> files;
  std::vector<std::string> folders;
  int found = platform::kFoundEntry;
  for (; found == platform::kFoundEntry; found = platform::findNextFile(find, &entry)) {
    if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0) continue;
    if (entry.attributes & platform::kAttributeDirectory) {
      // A junction or symbolic link is not entered: a walk through it could
      // come back to where it started.
      if (!(entry.attributes & platform::kAttributeReparsePoint)) folders.push_back(entry.name);
    } else if (endsWithLogExtension(entry.name)) {
      files.push_back(entry.name);
    }
  }
  platform::findClose(find);
  unsigned long unreadable = 0;
  if (found == platform::kListingFailed) {
    printError("cannot read %s", directory.c_str());
    ++unreadable;
  }
  std::sort(files.begin(), files.end(), listedBefore);
  std::sort(folders.begin(), folders.end(), listedBefore);
  for (const std::string& name : files) {
    std::string path = prefix + name;
    visitor(path.c_str(), machineOfLog(path.c_str(), currentDirectory), context);
  }
  for (const std::string& name : folders) {
    unreadable += visitDirectory(prefix + name, currentDirectory, visitor, context);
  }
  return unreadable;
}

unsigned long visitLogs(const char* path, const char* currentDirectory, LogVisitor visitor,
                        void* context) {
  if (pathKind(path) == kLogDirectory) return visitDirectory(path, currentDirectory, visitor, context);
  visitor(path, machineOfLog(path, currentDirectory), context);
  return 0;
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

// The components of the path, with "." and ".." resolved. A relative path is
// first joined to the current directory when the path itself does not name the
// file's two folders (it has fewer components, or "." or ".." among them).
static std::vector<std::string> pathParts(const char* path, const char* currentDirectory) {
  std::vector<std::string> given;
  splitPath(path, &given);
  bool fromCurrent = !isAbsolute(path);
  if (fromCurrent && given.size() >= 3) {
    fromCurrent = false;
    for (size_t i = given.size() - 3; i < given.size(); ++i) {
      if (given[i] == "." || given[i] == "..") fromCurrent = true;
    }
  }
  std::vector<std::string> all;
  if (fromCurrent) splitPath(currentDirectory, &all);
  all.insert(all.end(), given.begin(), given.end());
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

std::string machineOfLog(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  if (parts.empty()) return std::string();
  size_t last = parts.size() - 1;
  if (sameName(parts[last], kLogName) && last >= 1) {
    if (sameName(parts[last - 1], kLogFolder) && last >= 2) return parts[last - 2];
    return parts[last - 1];
  }
  std::string name = parts[last];
  if (endsWithLogExtension(name.c_str())) name.resize(name.size() - (sizeof kLogExtension - 1));
  return name;
}
