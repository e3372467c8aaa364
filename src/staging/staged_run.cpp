#include "staging/staged_run.h"

#include <cstring>

#include "platform/platform.h"
#include "runtime/console.h"
#include "staging/tree_walk.h"

// The temporary-name service uses the first three characters: "QNT".
static const char kStagingPrefix[] = "QNTEMP\\";

void makeStagingName(const char* systemRoot, char* stagingDir, size_t size) {
  char name[kPathBufferSize] = "";
  if (platform::getTempFileName(systemRoot, kStagingPrefix, name, sizeof name)) {
    platform::deleteFile(name);
  } else {
    name[0] = '\0';
  }
  size_t length = strlen(name);
  if (length + 2 > size) length = 0;
  if (size < 2) {  // not even the separator fits
    if (size == 1) stagingDir[0] = '\0';
    return;
  }
  memcpy(stagingDir, name, length);
  stagingDir[length] = platform::kPathSeparator;
  stagingDir[length + 1] = '\0';
}

// The name service reserves a name only while its file exists, and a run
// releases that file before it creates its directory: two staged runs that
// ask at the same moment can both be given one name, and the directory of
// one of them cannot be created. That run finds something under its name and
// asks for another, a bounded number of times.
static const int kStagingNameTries = 8;

static bool nameTaken(const char* stagingDir) {
  size_t length = strlen(stagingDir);
  if (length < 2) return false;  // the separator alone: no name was given
  char name[kPathBufferSize];
  if (length > sizeof name) return false;
  memcpy(name, stagingDir, length - 1);
  name[length - 1] = '\0';
  return platform::pathExists(name);
}

static bool createStagingDirectory(const char* systemRoot, char* stagingDir, size_t size) {
  for (int tries = 1;; ++tries) {
    if (platform::createPrivateDirectory(stagingDir)) return true;
    if (tries == kStagingNameTries || !nameTaken(stagingDir)) return false;
    makeStagingName(systemRoot, stagingDir, size);
  }
}

int stageUpdate(const char* systemRoot, const char* sourceDir, char* stagingDir, size_t size) {
  platform::DiskSpace space;
  if (!platform::getDiskFreeSpace(systemRoot, &space)) {
    printLine("Unable to determine if enough free space to copy files.");
    return 1;
  }
  uint64_t clusterSize = static_cast<uint64_t>(space.sectorsPerCluster) * space.bytesPerSector;
  uint64_t freeBytes = clusterSize * space.freeClusters;
  if (space.freeClusters != 0 && freeBytes / space.freeClusters != clusterSize) {
    freeBytes = UINT64_MAX;
  }
  if (freeBytes < kFreeSpaceThreshold) {
    printLine("Not enough disk space to copy necessary files.");
    return 1;
  }
  char source[kPathBufferSize + 1];
  size_t length = strlen(sourceDir);
  bool fits = length < sizeof source;
  if (fits) memcpy(source, sourceDir, length + 1);
  // What the copy takes, the staging directory's own cluster included, is
  // known before anything is written: a copy that would fill the system
  // volume is never begun.
  uint64_t needed = clusterSize;
  if (!fits) printLine(kFilesNotCopied);
  if (!fits || measureTree(source, sizeof source, clusterSize, &needed) != 0) {
    printLine("Unable to copy update files to the hard drive.");
    return 1;
  }
  if (freeBytes < needed || freeBytes - needed < kFreeSpaceThreshold) {
    printLine("Not enough disk space to copy necessary files.");
    return 1;
  }
  if (!createStagingDirectory(systemRoot, stagingDir, size)) {
    printLine("Unable to create temporary directory!");
    return 1;
  }
  if (walkTree(source, sizeof source, stagingDir) != 0) {
    printLine("Unable to copy update files to the hard drive.");
    removeStaging(stagingDir);
    return 1;
  }
  return 0;
}

void removeStaging(const char* stagingDir) {
  char directory[kPathBufferSize + 1];
  size_t length = strlen(stagingDir);
  if (length + 1 > sizeof directory) return;
  memcpy(directory, stagingDir, length + 1);
  // The directory itself is named without its separator: with one, the system
  // resolves a link at that name and would change what it leads to.
  char itself[kPathBufferSize + 1];
  memcpy(itself, stagingDir, length + 1);
  if (length > 1 && itself[length - 1] == platform::kPathSeparator) itself[length - 1] = '\0';
  // Not listed anywhere, so its attributes are unknown: a script may have made
  // it read-only, which on POSIX keeps its entries from being deleted, and on
  // Windows the directory itself from being removed.
  platform::setFileAttributesNormal(itself);
  if (walkTree(directory, sizeof directory, nullptr) != 0) {
    printLine("Could not delete files from temporary directory.");
  } else if (!platform::removeDirectory(itself) &&
             !(platform::setFileAttributesNormal(itself) && platform::removeDirectory(itself))) {
    printLine("Could not remove temporary directory", stagingDir);
  }
}
