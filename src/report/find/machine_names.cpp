#include "report/find/machine_names.h"

#include <cstring>
#include <vector>

#include "base/ascii.h"
#include "log/record_format.h"
#include "platform/platform.h"

static const char kLogExtension[] = ".log";
static const char kLogNamePrefix[] = "QN";
static const char kAdminShare[] = "ADMIN$";

static bool isSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

static bool sameName(const std::string& name, const char* other) {
  return equalsIgnoringAsciiCase(name.c_str(), other);
}

bool isLogName(const std::string& name) {
  size_t extension = sizeof kLogExtension - 1;
  return name.size() > extension &&
         equalsIgnoringAsciiCase(name.data() + name.size() - extension, kLogExtension, extension);
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
  bool drive = name.size() == 2 && name[1] == '$' && lowerAscii(name[0]) >= 'a' &&
               lowerAscii(name[0]) <= 'z';
  return drive || sameName(name, kAdminShare);
}

// The machine above the QNLOG folder or administrative share at parts[at]:
// the nearest folder above it that is neither; empty when there is none.
static std::string machineAbove(const std::vector<std::string>& parts, size_t at) {
  for (size_t folder = at; folder-- > 0;) {
    if (!sameName(parts[folder], kLogDirectoryName) && !isAdminShare(parts[folder])) return parts[folder];
  }
  return std::string();
}

std::string machineOfFolder(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  for (size_t at = parts.size(); at-- > 0;) {
    if (sameName(parts[at], kLogDirectoryName) || isAdminShare(parts[at])) return machineAbove(parts, at);
  }
  return std::string();
}

std::string lastPathPart(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  return parts.empty() ? std::string() : parts.back();
}

std::string machineOfLog(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  if (parts.empty()) return std::string();
  std::string name = parts.back();
  size_t prefix = sizeof kLogNamePrefix - 1;
  if (isLogName(name) && name.size() >= prefix &&
      equalsIgnoringAsciiCase(name.data(), kLogNamePrefix, prefix)) {
    std::string machine = machineAbove(parts, parts.size() - 1);
    if (!machine.empty()) return machine;
  }
  if (isLogName(name)) name.resize(name.size() - (sizeof kLogExtension - 1));
  return name;
}
