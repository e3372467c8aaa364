#include "staging/tree_walk.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "runtime/console.h"

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

// What the measuring walk adds up: the space that a copy of the tree takes.
struct Measure {
  uint64_t clusterSize;
  uint64_t bytes;
};

// Sums that no real volume reaches stop at the largest value instead of
// wrapping round to a small one.
static uint64_t saturatingSum(uint64_t a, uint64_t b) {
  return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// A file takes whole clusters.
static uint64_t onDisk(uint64_t size, uint64_t clusterSize) {
  if (clusterSize == 0) return size;
  return saturatingSum(size / clusterSize * clusterSize, size % clusterSize != 0 ? clusterSize : 0);
}

// Copy mode copies into `destination`; measure mode (`measure` set) takes the
// same way through the source and fails where the copy would, copying nothing.
static int walkDirectory(char* source, size_t sourceSize, const char* destination,
                         Measure* measure, bool nested);

static int copyDirectoryEntry(const char* source, const char* destination, Measure* measure,
                              const char* name) {
  const char separator[] = {platform::kPathSeparator, '\0'};
  char directoryPath[kPathBufferSize];
  char sourceDirectory[kPathBufferSize];
  // The sub-directory's source path must keep room for the separator that the
  // walk below appends to it.
  bool ready = joinPath(sourceDirectory, sizeof sourceDirectory - 1, source, name);
  if (measure != nullptr) {
    measure->bytes = saturatingSum(measure->bytes, measure->clusterSize);
  } else {
    ready = ready && joinPath(directoryPath, sizeof directoryPath, destination, name, separator) &&
            platform::createDirectory(directoryPath);
  }
  if (!ready) {
    printLine("Unable to create temporary sub-directory!");
    return kWalkFailed;
  }
  const char* into = measure != nullptr ? nullptr : directoryPath;
  if (walkDirectory(sourceDirectory, sizeof sourceDirectory, into, measure, true) != kWalkSucceeded) {
    printLine("Unable to copy sub-directory update files to the hard drive.");
    return kWalkFailed;
  }
  return kWalkSucceeded;
}

// A copy must hold as many bytes as its source had when it was opened for the
// copy. Not every copy reports a read error: Wine's CopyFileA ends at one and
// returns success, leaving a short file that an installer would then run from.
// The listing's size is not the one to compare: NTFS may list an old size,
// and 0 for a file symbolic link.
static bool copyWhole(const char* entryPath, const char* targetPath) {
  uint64_t sourceSize = 0;
  uint64_t size = 0;
  return platform::copyFile(entryPath, targetPath, &sourceSize) &&
         platform::getFileSize(targetPath, &size) && size == sourceSize;
}

static int copyFileEntry(const char* entryPath, bool entryPathFits, const char* destination,
                         Measure* measure, const platform::DirectoryEntry& entry) {
  char targetPath[kPathBufferSize];
  bool copied = entryPathFits;
  if (copied && measure != nullptr) {
    measure->bytes = saturatingSum(measure->bytes, onDisk(entry.size, measure->clusterSize));
  } else if (copied) {
    copied = joinPath(targetPath, sizeof targetPath, destination, entry.name) &&
             copyWhole(entryPath, targetPath);
    if (copied) platform::setFileAttributesNormal(targetPath);
  }
  if (!copied) {
    printLine(kFilesNotCopied);
    return kWalkFailed;
  }
  return kWalkSucceeded;
}

// Deletes a file whose attributes keep it from being deleted. They belong to
// the file, not to this name: a file with other names, which may lie outside
// the tree, gets them back through the handle held meanwhile, and so ends as it
// was. Setting them back is tried first, so that a file whose attributes could
// not be set back is never changed; should they still not go back afterwards,
// the line names the file, whose other names are now without them.
static bool deleteClearingAttributes(const char* path) {
  platform::AttributeHandle file;
  if (!platform::openForAttributes(path, &file)) return false;
  bool shared = file.links > 1;
  bool cleared = (!shared || platform::restoreAttributes(file)) && platform::clearAttributes(file);
  bool deleted = cleared && platform::deleteFile(path);
  if (cleared && shared && !platform::restoreAttributes(file)) {
    printLine("Unable to restore attributes of temp file ", path);
  }
  platform::closeAttributeHandle(file);
  return deleted;
}

// Deletes a file or removes an emptied directory. Windows refuses to delete a
// read-only file or directory, which scripts often leave (attrib +r, xcopy from
// a CD, installers): when the entry was listed read-only, hidden or system, its
// attributes are cleared and it is tried once more. A link's attributes are
// never changed, as that could reach what it leads to.
static bool removeEntry(const char* path, uint32_t attributes) {
  bool isDirectory = (attributes & platform::kAttributeDirectory) != 0;
  bool (*remove)(const char*) = isDirectory ? platform::removeDirectory : platform::deleteFile;
  if (remove(path)) return true;
  const uint32_t blocking =
      platform::kAttributeReadOnly | platform::kAttributeHidden | platform::kAttributeSystem;
  if ((attributes & blocking) == 0 || (attributes & platform::kAttributeReparsePoint) != 0) {
    return false;
  }
  // A directory has no other name.
  if (isDirectory) return platform::setFileAttributesNormal(path) && remove(path);
  return deleteClearingAttributes(path);
}

static void removeDirectoryEntry(const char* source, const char* name, uint32_t attributes) {
  char directoryPath[kPathBufferSize];
  if (!joinPath(directoryPath, sizeof directoryPath - 1, source, name)) {
    printLine("Could not remove temporary sub-directory.");
    return;
  }
  // A link is removed as itself: what it leads to lies outside the tree.
  bool isLink = (attributes & platform::kAttributeReparsePoint) != 0;
  // A read-only directory is made writable before it is emptied: on POSIX its
  // entries cannot be deleted otherwise.
  if (!isLink && (attributes & platform::kAttributeReadOnly) != 0) {
    platform::setFileAttributesNormal(directoryPath);
  }
  if (!isLink && walkTree(directoryPath, sizeof directoryPath, nullptr) != kWalkSucceeded) {
    printLine("Unable to delete files from temporary sub-directory.");
  } else if (!removeEntry(directoryPath, attributes)) {
    printLine("Could not remove temporary sub-directory.");
  }
}

static void removeFileEntry(const char* entryPath, bool entryPathFits, const char* source,
                            const char* name, uint32_t attributes) {
  if (entryPathFits && removeEntry(entryPath, attributes)) return;
  char shown[kPathBufferSize + platform::kNameBufferSize];
  snprintf(shown, sizeof shown, "%s%s", source, name);
  printLine("Unable to remove temp file ", shown);
}

int walkTree(char* source, size_t sourceSize, const char* destination) {
  return walkDirectory(source, sourceSize, destination, nullptr, false);
}

int measureTree(char* source, size_t sourceSize, uint64_t clusterSize, uint64_t* bytes) {
  Measure measure = {clusterSize, 0};
  int result = walkDirectory(source, sourceSize, nullptr, &measure, false);
  *bytes = saturatingSum(*bytes, measure.bytes);
  return result;
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
static int walkDirectory(char* source, size_t sourceSize, const char* destination,
                         Measure* measure, bool nested) {
  bool copying = destination != nullptr || measure != nullptr;
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
    if (copying && isDirectory) {
      result = copyDirectoryEntry(source, destination, measure, entry.name);
    } else if (copying) {
      result = copyFileEntry(entryPath, entryPathFits, destination, measure, entry);
    } else if (isDirectory) {
      removeDirectoryEntry(source, entry.name, entry.attributes);
    } else {
      removeFileEntry(entryPath, entryPathFits, source, entry.name, entry.attributes);
    }
  } while (result == kWalkSucceeded &&
           (listing = platform::findNextFile(find, &entry)) == platform::kFoundEntry);
  platform::findClose(find);
  // A listing that broke off would leave files out of the copy unnoticed.
  if (copying && listing == platform::kListingFailed) result = sourceNotRead();
  return result;
}
