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

// QNLOG, or a copy of it ("QNLOG - Copy", "QNLOG (2)").
bool isLogFolderName(const std::string& name) {
  size_t length = strlen(kLogDirectoryName);
  return name.size() >= length && equalsIgnoringAsciiCase(name.data(), kLogDirectoryName, length);
}

static bool isPassedOver(const std::string& folder) { return isLogFolderName(folder) || isAdminShare(folder); }

// The machine whose folder holds parts[0, end): the nearest folder that is not
// passed over; empty when there is none.
static std::string machineFolder(const std::vector<std::string>& parts, size_t end) {
  for (size_t folder = end; folder-- > 0;) {
    if (!isPassedOver(parts[folder])) return parts[folder];
  }
  return std::string();
}

bool isCurrentLogName(const std::string& name) { return sameName(name, kLogFileName); }

// QN, a separator and a mark, then ".log": the name of a rotated log.
static bool isRotatedLogName(const std::string& name) {
  size_t prefix = sizeof kLogNamePrefix - 1;
  size_t extension = sizeof kLogExtension - 1;
  return isLogName(name) && name.size() > prefix + 1 + extension &&
         equalsIgnoringAsciiCase(name.data(), kLogNamePrefix, prefix) &&
         strchr("-._ ", name[prefix]) != nullptr;
}

LogKind kindOfLog(const std::string& name, bool besideCurrentLog, bool inLogFolder) {
  if (isCurrentLogName(name)) return kCurrentLog;
  return isRotatedLogName(name) && (besideCurrentLog || inLogFolder) ? kRotatedLog : kNamedLog;
}

std::string machineOfLog(const char* path, const char* currentDirectory, LogKind kind) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  if (parts.empty()) return std::string();
  std::string machine = kind == kNamedLog ? std::string() : machineFolder(parts, parts.size() - 1);
  if (machine.empty()) {
    machine = parts.back();
    if (isLogName(machine)) machine.resize(machine.size() - (sizeof kLogExtension - 1));
  }
  return machine;
}

LogOwner ownerOfLog(const char* path, const char* currentDirectory, bool besideCurrentLog) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  if (parts.empty()) return LogOwner{std::string(), kNamedLog};
  bool inLogFolder = parts.size() > 1 && isLogFolderName(parts[parts.size() - 2]);
  LogKind kind = kindOfLog(parts.back(), besideCurrentLog, inLogFolder);
  return LogOwner{machineOfLog(path, currentDirectory, kind), kind};
}

std::string machineOfFolder(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  for (size_t end = parts.size(); end > 0; --end) {
    if (isPassedOver(parts[end - 1])) return machineFolder(parts, end - 1);
  }
  return std::string();
}

std::string lastPathPart(const char* path, const char* currentDirectory) {
  std::vector<std::string> parts = pathParts(path, currentDirectory);
  return parts.empty() ? std::string() : parts.back();
}
