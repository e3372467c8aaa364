#include "staging/tree_walk.h"

#include <cstdio>
#include <cstring>

#include "app/console.h"
#include "platform/platform.h"

static constexpr int kWalkSucceeded = 0;
static constexpr int kWalkFailed = 1;

const char kFilesNotCopied[] = "Unable to copy files from QN CD to hard drive.";

// Joins up to three pieces into `out`. False, with `out` unusable, when they do
// not fit: a path is never cut.
static bool joinPath(char* out, size_t size, const char* first, const char* second,
                     const char* third = "") {
  int length = snprintf(out, size, "%s%s%s", first, second, third);
  return length >= 0 && static_cast<size_t>(length) < size;
}

static bool isDotEntry(const char* name) {
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

static int walkDirectory(char* source, size_t sourceSize, const char* destination, bool nested);

static int copyDirectoryEntry(const char* source, const char* destination, const char* name) {
  const char separator[] = {platform::kPathSeparator, '\0'};
  char directoryPath[kPathBufferSize];
  char sourceDirectory[kPathBufferSize];
  // The sub-directory's source path must keep room for the separator that the
  // walk below appends to it.
  if (!joinPath(directoryPath, sizeof directoryPath, destination, name, separator) ||
      !joinPath(sourceDirectory, sizeof sourceDirectory - 1, source, name) ||
      !platform::createDirectory(directoryPath)) {
    printLine("Unable to create temporary sub-directory!");
    return kWalkFailed;
  }
  if (walkDirectory(sourceDirectory, sizeof sourceDirectory, directoryPath, true) != kWalkSucceeded) {
    printLine("Unable to copy sub-directory update files to the hard drive.");
    return kWalkFailed;
  }
  return kWalkSucceeded;
}

static int copyFileEntry(const char* entryPath, bool entryPathFits, const char* destination,
                         const char* name) {
  char targetPath[kPathBufferSize];
  if (!entryPathFits || !joinPath(targetPath, sizeof targetPath, destination, name) ||
      !platform::copyFile(entryPath, targetPath)) {
    printLine(kFilesNotCopied);
    return kWalkFailed;
  }
  platform::setFileAttributesNormal(targetPath);
  return kWalkSucceeded;
}

static void removeDirectoryEntry(const char* source, const char* name, bool isLink) {
  char directoryPath[kPathBufferSize];
  if (!joinPath(directoryPath, sizeof directoryPath - 1, source, name)) {
    printLine("Could not remove temporary sub-directory.");
    return;
  }
  // A link is removed as itself: what it leads to lies outside the tree.
  if (!isLink && walkTree(directoryPath, sizeof directoryPath, nullptr) != kWalkSucceeded) {
    printLine("Unable to delete files from temporary sub-directory.");
  } else if (!platform::removeDirectory(directoryPath)) {
    printLine("Could not remove temporary sub-directory.");
  }
}

static void removeFileEntry(const char* entryPath, bool entryPathFits, const char* source,
                            const char* name) {
  if (entryPathFits && platform::deleteFile(entryPath)) return;
  char shown[2 * kPathBufferSize];
  snprintf(shown, sizeof shown, "%s%s", source, name);
  printLine("Unable to remove temp file ", shown);
}

int walkTree(char* source, size_t sourceSize, const char* destination) {
  return walkDirectory(source, sourceSize, destination, false);
}

// A copy whose source directory cannot be read whole (its path does not fit,
// it cannot be listed, or its listing breaks off) fails like a file that cannot
// be copied.
static int sourceNotRead() {
  printLine(kFilesNotCopied);
  return kWalkFailed;
}

// `nested` is set for a sub-directory that the walk above has just listed: it
// exists, so a listing that cannot start means it cannot be read, and a copy
// without it would be incomplete.
static int walkDirectory(char* source, size_t sourceSize, const char* destination, bool nested) {
  bool copying = destination != nullptr;
  size_t length = strlen(source);
  if (length == 0 || source[length - 1] != platform::kPathSeparator) {
    if (length + 2 > sourceSize) return copying ? sourceNotRead() : kWalkSucceeded;
    source[length] = platform::kPathSeparator;
    source[length + 1] = '\0';
  }

  char entryPath[kPathBufferSize];
  if (!joinPath(entryPath, sizeof entryPath, source, "*.*")) {
    return copying ? sourceNotRead() : kWalkSucceeded;
  }
  platform::DirectoryEntry entry;
  platform::FindHandle find = platform::findFirstFile(entryPath, &entry);
  if (find == platform::kNoFind) return copying && nested ? sourceNotRead() : kWalkSucceeded;

  int result = kWalkSucceeded;
  int listing = platform::kFoundEntry;
  do {
    if (isDotEntry(entry.name)) continue;
    bool entryPathFits = joinPath(entryPath, sizeof entryPath, source, entry.name);
    bool isDirectory = (entry.attributes & platform::kAttributeDirectory) != 0;
    bool isLink = (entry.attributes & platform::kAttributeReparsePoint) != 0;
    if (copying && isDirectory) {
      result = copyDirectoryEntry(source, destination, entry.name);
    } else if (copying) {
      result = copyFileEntry(entryPath, entryPathFits, destination, entry.name);
    } else if (isDirectory) {
      removeDirectoryEntry(source, entry.name, isLink);
    } else {
      removeFileEntry(entryPath, entryPathFits, source, entry.name);
    }
  } while (result == kWalkSucceeded &&
           (listing = platform::findNextFile(find, &entry)) == platform::kFoundEntry);
  platform::findClose(find);
  // A listing that broke off would leave files out of the copy unnoticed.
  if (copying && listing == platform::kListingFailed) result = sourceNotRead();
  return result;
}
