#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/environment.h"
#include "platform/held_directory.h"

namespace fake {

static State theState;

State& state() { return theState; }

void reset() {
  theState = State();
  theState.nodes["C:"].isDirectory = true;
  addDirectory("C:\\WINDOWS");
  addDirectory("C:\\WINDOWS\\system32");
  addDirectory("C:\\work");
}

// Resolves `path` against the current directory, removes ".", ".." and a
// trailing backslash, and follows junctions on the way (not in the last part).
std::string absolutePath(const std::string& path) {
  std::string full;
  if (path.size() >= 2 && path[1] == ':') {
    full = path;
  } else if (!path.empty() && path[0] == '\\') {
    full = theState.currentDirectory.substr(0, 2) + path;
  } else {
    full = theState.currentDirectory + "\\" + path;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (size_t i = 0; i < parts.size(); ++i) {
    result += (i == 0 ? "" : "\\") + parts[i];
    auto it = theState.nodes.find(result);
    if (i + 1 < parts.size() && it != theState.nodes.end() && !it->second.linkTarget.empty()) {
      result = it->second.linkTarget;
    }
  }
  return result;
}

// The path itself, or where it leads when it is a junction.
static std::string followed(const std::string& path) {
  std::string full = absolutePath(path);
  auto it = theState.nodes.find(full);
  bool isJunction = it != theState.nodes.end() && !it->second.linkTarget.empty();
  return isJunction ? it->second.linkTarget : full;
}

static std::string parentOf(const std::string& path) {
  size_t last = path.rfind('\\');
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

static Node* find(const std::string& path) {
  auto it = theState.nodes.find(absolutePath(path));
  return it == theState.nodes.end() ? nullptr : &it->second;
}

static bool isDirectory(const std::string& path) {
  Node* node = find(path);
  return node != nullptr && node->isDirectory;
}

void addDirectory(const std::string& path) {
  std::string full = absolutePath(path);
  if (!parentOf(full).empty() && !isDirectory(parentOf(full))) addDirectory(parentOf(full));
  theState.nodes[full].isDirectory = true;
}

void addFile(const std::string& path, const std::string& content, uint32_t attributes) {
  std::string full = absolutePath(path);
  if (!isDirectory(parentOf(full))) addDirectory(parentOf(full));
  Node& node = theState.nodes[full];
  node.isDirectory = false;
  node.content = content;
  node.attributes = attributes;
}

void addJunction(const std::string& path, const std::string& target) {
  addDirectory(path);
  Node& node = theState.nodes[absolutePath(path)];
  node.attributes = platform::kAttributeDirectory | platform::kAttributeReparsePoint;
  node.linkTarget = absolutePath(target);
}

void addHardLink(const std::string& path, const std::string& existing) {
  std::string full = absolutePath(path);
  if (!isDirectory(parentOf(full))) addDirectory(parentOf(full));
  Node& file = theState.nodes.at(absolutePath(existing));
  if (file.fileId == 0) file.fileId = theState.nextFileId++;
  theState.nodes[full] = file;
}

// How many names the file at `full` has.
static uint32_t linksOf(const std::string& full) {
  int id = theState.nodes.at(full).fileId;
  if (id == 0) return 1;
  uint32_t links = 0;
  for (const auto& [path, node] : theState.nodes) links += node.fileId == id ? 1 : 0;
  return links;
}

// Sets the attributes of the file at `full` (when it is still there) and of
// every other name of file `id`.
static void setAttributes(const std::string& full, int id, uint32_t attributes) {
  for (auto& [path, node] : theState.nodes) {
    if (path == full || (id != 0 && node.fileId == id)) node.attributes = attributes;
  }
}

bool exists(const std::string& path) { return find(path) != nullptr; }

std::string fileContent(const std::string& path) {
  Node* node = find(path);
  return node == nullptr ? std::string() : node->content;
}

std::vector<std::string> listTree(const std::string& directory) {
  std::string prefix = absolutePath(directory) + "\\";
  std::vector<std::string> paths;
  for (const auto& [path, node] : theState.nodes) {
    if (path.compare(0, prefix.size(), prefix) == 0) paths.push_back(path);
  }
  return paths;
}

// Records a call and tells whether it is to fail.
static bool fails(const char* name) {
  theState.calls.push_back(name);
  const uint32_t silent = platform::kFailCriticalErrors | platform::kNoOpenFileErrorBox;
  if ((theState.errorMode & silent) != silent && strcmp(name, "runCommand") != 0) {
    theState.boxableCalls.push_back(name);
  }
  long number = theState.failableCalls++;
  return number == theState.failCallNumber || theState.failingCalls.count(name) != 0;
}

static bool copyOut(const std::string& text, char* buffer, size_t size) {
  if (text.size() + 1 > size) return false;
  memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace fake

namespace platform {

using fake::theState;

const char kPathSeparator = '\\';
const char kConsoleLineEnd[] = "\r\n";

void systemRoot(char* buffer, size_t size) {
  std::string root = fake::fails("systemRoot") ? "" : theState.systemDirectory.substr(0, 3);
  if (!fake::copyOut(root, buffer, size) && size > 0) buffer[0] = '\0';
}

bool logVolume(char* buffer, size_t size) {
  if (fake::fails("logVolume")) return false;
  const char* value = findEnvironment("systemdrive");
  return fake::copyOut(value != nullptr ? value : theState.systemDirectory.substr(0, 2), buffer, size);
}

bool getCurrentDirectory(char* buffer, size_t size) {
  if (fake::fails("getCurrentDirectory")) return false;
  return fake::copyOut(theState.currentDirectory, buffer, size);
}

bool isDirectory(const char* path) {
  return !fake::fails("isDirectory") && fake::isDirectory(path);
}

bool pathExists(const char* path) { return !fake::fails("pathExists") && fake::exists(path); }

bool setCurrentDirectory(const char* path) {
  if (fake::fails("setCurrentDirectory") || !fake::isDirectory(path)) return false;
  theState.currentDirectory = fake::absolutePath(path);
  return true;
}

static bool makeDirectory(const char* name, const char* path) {
  if (fake::fails(name)) return false;
  std::string full = fake::absolutePath(path);
  if (fake::find(full) != nullptr || !fake::isDirectory(fake::parentOf(full))) return false;
  theState.nodes[full].isDirectory = true;
  return true;
}

bool createDirectory(const char* path) { return makeDirectory("createDirectory", path); }

bool createPrivateDirectory(const char* path) { return makeDirectory("createPrivateDirectory", path); }

bool removeDirectory(const char* path) {
  if (fake::fails("removeDirectory") || !fake::isDirectory(path)) return false;
  if ((fake::find(path)->attributes & kAttributeReadOnly) != 0) return false;  // as Windows
  std::string full = fake::absolutePath(path);
  if (!fake::listTree(full).empty() || full.size() <= 2) return false;
  theState.nodes.erase(full);
  return true;
}

FindHandle findFirstFile(const char* pattern, DirectoryEntry* entry) {
  if (fake::fails("findFirstFile")) return kNoFind;
  std::string text = pattern;
  if (text.size() < 3 || text.compare(text.size() - 3, 3, "*.*") != 0) return kNoFind;
  std::string directory = fake::followed(text.substr(0, text.size() - 3));
  if (!fake::isDirectory(directory) || fake::find(directory)->unreadable) return kNoFind;
  std::vector<DirectoryEntry> entries;
  auto add = [&entries](const std::string& name, const fake::Node& node) {
    DirectoryEntry item = {};
    const uint32_t flags = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;
    item.size = node.isDirectory                       ? 0
                : node.listedSize != std::string::npos ? node.listedSize
                                                       : node.content.size();
    item.attributes = !node.linkTarget.empty() ? node.attributes
                      : node.isDirectory       ? kAttributeDirectory | (node.attributes & flags)
                                               : node.attributes;
    snprintf(item.name, sizeof item.name, "%s", name.c_str());
    entries.push_back(item);
  };
  fake::Node dot;
  dot.isDirectory = true;
  add(".", dot);
  add("..", dot);
  for (const auto& [path, node] : theState.nodes) {
    if (fake::parentOf(path) == directory) add(path.substr(directory.size() + 1), node);
  }
  // Entries come out from the back.
  std::vector<DirectoryEntry> reversed(entries.rbegin(), entries.rend());
  *entry = reversed.back();
  reversed.pop_back();
  FindHandle handle = theState.nextHandle++;
  theState.listings[handle] = reversed;
  return handle;
}

int findNextFile(FindHandle find, DirectoryEntry* entry) {
  if (fake::fails("findNextFile")) return kListingFailed;
  std::vector<DirectoryEntry>& entries = theState.listings.at(find);
  if (entries.empty()) return kNoMoreEntries;
  *entry = entries.back();
  entries.pop_back();
  return kFoundEntry;
}

FindHandle findFirstName(const char* pattern, DirectoryEntry* entry) { return findFirstFile(pattern, entry); }

int findNextName(FindHandle find, DirectoryEntry* entry) { return findNextFile(find, entry); }

void findClose(FindHandle find) { theState.listings.erase(find); }

bool copyFile(const char* source, const char* target, uint64_t* sourceSize) {
  if (fake::fails("copyFile")) return false;
  fake::Node* from = fake::find(source);
  fake::Node* to = fake::find(target);
  std::string targetPath = fake::absolutePath(target);
  if (from == nullptr || from->isDirectory || from->unreadable ||
      !fake::isDirectory(fake::parentOf(targetPath))) {
    return false;
  }
  if (to != nullptr && (to->isDirectory || (to->attributes & fake::kAttributeReadOnly) != 0)) {
    return false;
  }
  *sourceSize = from->content.size();
  fake::Node copy = *from;  // like CopyFile, the attributes come along
  copy.locked = false;
  if (from->copiedBytes != std::string::npos) copy.content.resize(from->copiedBytes);
  copy.copiedBytes = std::string::npos;
  copy.listedSize = std::string::npos;
  theState.nodes[targetPath] = copy;
  return true;
}

bool getFileSize(const char* path, uint64_t* size) {
  if (fake::fails("getFileSize")) return false;
  fake::Node* node = fake::find(path);
  if (node == nullptr || node->isDirectory) return false;
  *size = node->content.size();
  return true;
}

bool setFileAttributesNormal(const char* path) {
  if (fake::fails("setFileAttributesNormal")) return false;
  fake::Node* node = fake::find(path);
  if (node == nullptr) return false;
  fake::setAttributes(fake::absolutePath(path), node->fileId,
                      node->isDirectory ? kAttributeDirectory : fake::kAttributeNormal);
  return true;
}

bool deleteFile(const char* path) {
  if (fake::fails("deleteFile")) return false;
  fake::Node* node = fake::find(path);
  if (node == nullptr || node->isDirectory || node->locked ||
      (node->attributes & fake::kAttributeReadOnly) != 0) {
    return false;
  }
  theState.nodes.erase(fake::absolutePath(path));
  return true;
}

bool getTempFileName(const char* directory, const char* prefix, char* buffer, size_t size) {
  if (fake::fails("getTempFileName") || !fake::isDirectory(directory)) return false;
  std::string base = directory;
  if (!base.empty() && base.back() != '\\') base += '\\';
  for (;; ++theState.nextTempNumber) {
    char name[32];
    snprintf(name, sizeof name, "%.3s%X.tmp", prefix, theState.nextTempNumber & 0xFFFF);
    if (fake::find(base + name) == nullptr) {
      if (!fake::copyOut(base + name, buffer, size)) return false;
      fake::addFile(base + name, "");
      return true;
    }
  }
}

bool getDiskFreeSpace(const char*, DiskSpace* space) {
  if (fake::fails("getDiskFreeSpace")) return false;
  *space = theState.diskSpace;
  return true;
}

static FileHandle openHandle(const std::string& path) {
  FileHandle handle = theState.nextHandle++;
  theState.openFiles[handle] = {path, 0};
  return handle;
}

bool openForAttributes(const char* path, AttributeHandle* held) {
  if (fake::fails("openForAttributes")) return false;
  fake::Node* node = fake::find(path);
  if (node == nullptr || node->isDirectory || !node->linkTarget.empty()) return false;
  std::string full = fake::absolutePath(path);
  held->handle = openHandle(full);
  held->links = fake::linksOf(full);
  held->attributes = node->attributes;
  theState.attributeHandles[held->handle] = node->fileId;
  return true;
}

static bool setAttributesOf(const char* name, const AttributeHandle& held, uint32_t attributes) {
  if (fake::fails(name)) return false;
  fake::setAttributes(theState.openFiles.at(held.handle).first, theState.attributeHandles.at(held.handle),
                      attributes);
  return true;
}

bool clearAttributes(const AttributeHandle& held) {
  return setAttributesOf("clearAttributes", held, fake::kAttributeNormal);
}

bool restoreAttributes(const AttributeHandle& held) {
  return setAttributesOf("restoreAttributes", held, held.attributes);
}

void closeAttributeHandle(const AttributeHandle& held) {
  theState.attributeHandles.erase(held.handle);
  theState.openFiles.erase(held.handle);
}

FileHandle openForReading(const char* path) {
  if (fake::fails("openForReading")) return kNoFile;
  fake::Node* node = fake::find(path);
  if (node == nullptr || node->isDirectory || node->unreadable) return kNoFile;
  return openHandle(fake::absolutePath(path));
}

// True, counting the try, while another process holds the node.
static bool heldElsewhere(fake::Node* node) {
  if (node->heldElsewhere == 0) return false;
  if (node->heldElsewhere > 0) --node->heldElsewhere;
  return true;
}

int holdDirectory(const char* path, DirectoryHandle* directory) {
  if (fake::fails("holdDirectory")) return kOpenFailed;
  fake::Node* node = fake::find(path);
  if (node == nullptr || !node->isDirectory || !node->linkTarget.empty()) return kOpenFailed;
  if (heldElsewhere(node)) return kOpenBusy;
  *directory = openHandle(fake::absolutePath(path));
  return kOpened;
}

void releaseDirectory(DirectoryHandle directory) {
  theState.openFiles.erase(directory);
}

// The file `name` in a held directory, created empty when absent; null for
// anything but a plain file with one name.
static fake::Node* fileInHeldDirectory(DirectoryHandle directory, const char* name,
                                        std::string* full) {
  *full = theState.openFiles.at(directory).first + "\\" + name;
  if (fake::find(*full) == nullptr) fake::addFile(*full, "");
  fake::Node* node = fake::find(*full);
  bool plain = !node->isDirectory && node->linkTarget.empty() && fake::linksOf(*full) == 1;
  return plain ? node : nullptr;
}

int takeLockFile(DirectoryHandle directory, const char* name, FileHandle* lock) {
  if (fake::fails("takeLockFile")) return kOpenFailed;
  std::string full;
  fake::Node* node = fileInHeldDirectory(directory, name, &full);
  if (node == nullptr) return kOpenFailed;
  if (node->lockedElsewhere != 0) {
    if (node->lockedElsewhere > 0) --node->lockedElsewhere;
    return kOpenBusy;
  }
  if (heldElsewhere(node)) return kOpenBusy;
  *lock = openHandle(full);
  return kOpened;
}

int openForAppending(DirectoryHandle directory, const char* name, FileHandle* file) {
  if (fake::fails("openForAppending")) return kOpenFailed;
  std::string full;
  fake::Node* node = fileInHeldDirectory(directory, name, &full);
  if (node == nullptr) return kOpenFailed;
  if (heldElsewhere(node)) return kOpenBusy;
  if (!node->content.empty() && node->content.back() == '\x1A') node->content.pop_back();
  *file = openHandle(full);
  return kOpened;
}

int appendToFile(FileHandle file, const void* data, size_t size) {
  if (fake::fails("appendToFile")) return kAppendFailed;
  fake::Node& node = theState.nodes.at(theState.openFiles.at(file).first);
  if (node.lockedElsewhere != 0) {
    if (node.lockedElsewhere > 0) --node.lockedElsewhere;
    return kAppendLockedOut;
  }
  node.content.append(static_cast<const char*>(data), size);
  return kAppended;
}

long readFile(FileHandle file, void* buffer, size_t size) {
  if (fake::fails("readFile")) return -1;
  auto& [path, position] = theState.openFiles.at(file);
  const std::string& content = theState.nodes.at(path).content;
  size_t left = content.size() - std::min(position, content.size());
  size_t count = std::min({size, theState.readLimit, left});
  memcpy(buffer, content.data() + position, count);
  position += count;
  return static_cast<long>(count);
}

bool writeFile(FileHandle file, const void* data, size_t size) {
  if (fake::fails("writeFile")) return false;
  const std::string& path = theState.openFiles.at(file).first;
  theState.nodes.at(path).content.append(static_cast<const char*>(data), size);
  return true;
}

bool closeFile(FileHandle file) {
  bool failed = fake::fails("closeFile");
  theState.openFiles.erase(file);
  return !failed;
}

FileHandle openForWriting(const char* path) {
  if (fake::fails("openForWriting")) return kNoFile;
  std::string full = fake::absolutePath(path);
  fake::Node* node = fake::find(full);
  if (node != nullptr && node->isDirectory) return kNoFile;
  if (node == nullptr && !fake::isDirectory(fake::parentOf(full))) return kNoFile;
  fake::addFile(full, "");
  return openHandle(full);
}

FileFailure lastFileFailure() { return theState.fileFailure; }

bool getVersion(VersionInfo* info, bool extended) {
  if (fake::fails("getVersion") || theState.refuseVersion ||
      (extended && theState.refuseExtendedVersion)) {
    return false;
  }
  *info = theState.version;
  if (!extended) info->suiteMask = 0;
  return true;
}

Wow64Probe findWow64Probe() { return &theState; }

bool callWow64Probe(Wow64Probe) {
  ++theState.wow64Questions;
  return theState.wow64;
}

int32_t runCommand(char* commandText, const char* line) {
  if (fake::fails("runCommand")) return theState.startError;
  fake::CommandRun run = {commandText, line, theState.currentDirectory, theState.errorMode};
  theState.commands.push_back(run);
  return theState.commandRunner ? theState.commandRunner(run) : 0;
}

void getLocalTime(LocalTime* time) { *time = theState.localTime; }

void sleepMilliseconds(uint32_t milliseconds) { theState.sleptMilliseconds += milliseconds; }

const char* findEnvironment(const char* name) {
  for (const std::string& entry : theState.environment) {
    const char* value = matchEnvironmentEntry(entry.c_str(), name);
    if (value != nullptr) return value;
  }
  return nullptr;
}

void prepareProcess() {}

uint32_t setErrorMode(uint32_t mode) {
  uint32_t before = theState.errorMode;
  theState.errorMode = mode;
  return before;
}

const char* rawCommandLine() { return nullptr; }

bool writeConsole(const char* text, size_t length) {
  if (fake::fails("writeConsole")) return false;
  theState.console.append(text, length);
  return true;
}

bool flushConsole() {
  ++theState.consoleFlushes;
  return true;
}

void endProcess(int) { abort(); }  // no test ends its process

void writeErrorConsole(const char* text, size_t length) { theState.errors.append(text, length); }

bool errorConsoleIsTerminal() { return false; }

void useUtf8Text() {}

bool getUtcOffset(int* minutes) {
  *minutes = theState.utcOffset;
  return true;
}

}  // namespace platform
