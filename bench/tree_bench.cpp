// qn_tree_bench: test trees for the staging benchmark, and the staging copy and
// removal exactly as a staged run does them, minus the pause.
//
//   qn_tree_bench make DIR FILES DIRS BYTES LARGE
//       Creates DIR holding FILES files spread over DIRS sub-directories (two
//       levels deep), BYTES bytes in all, of which three quarters go to the LARGE
//       largest files when LARGE > 0; the rest are small files of varied size.
//   qn_tree_bench copy SOURCE TARGET
//       Stages SOURCE into TARGET with stageUpdate: measures the tree against
//       the free space of TARGET's volume, creates TARGET and copies the tree.
//   qn_tree_bench remove TARGET
//       Empties TARGET with walkTree and removes it, as the clean-up does.
//
// Exit status 0 on success, 1 on failure, 2 on a usage error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "staging/staged_run.h"
#include "staging/tree_walk.h"

static constexpr int kUsageError = 2;
static constexpr size_t kChunkSize = 64 * 1024;

// A fixed pseudo-random sequence, so every run makes the same tree.
static uint64_t nextRandom(uint64_t* state) {
  uint64_t x = *state;
  x ^= x << 13;
  x ^= x >> 7;
  x ^= x << 17;
  *state = x;
  return x;
}

static bool writeFileOfSize(const char* path, uint64_t size, uint64_t* state) {
  static unsigned char chunk[kChunkSize];
  FILE* file = fopen(path, "wb");
  if (file == nullptr) return false;
  bool written = true;
  while (size > 0 && written) {
    size_t count = size < kChunkSize ? static_cast<size_t>(size) : kChunkSize;
    for (size_t i = 0; i < count; i += 8) {
      uint64_t value = nextRandom(state);
      memcpy(chunk + i, &value, count - i < 8 ? count - i : 8);
    }
    written = fwrite(chunk, 1, count, file) == count;
    size -= count;
  }
  return fclose(file) == 0 && written;
}

// Directory `index` of `count`: the first ones sit in the root, the others
// below them in turn, so the tree is two levels deep.
static void directoryPath(const char* root, long index, long count, char* path, size_t size) {
  long topLevel = 1;
  while (topLevel * topLevel < count) ++topLevel;
  if (index < topLevel) {
    snprintf(path, size, "%s/d%03ld", root, index);
  } else {
    snprintf(path, size, "%s/d%03ld/s%03ld", root, (index - topLevel) % topLevel, index);
  }
}

static int makeTree(const char* root, long files, long directories, uint64_t bytes, long large) {
  if (files < 1 || directories < 1 || large < 0 || large > files) return kUsageError;
  if (!platform::createDirectory(root)) return 1;
  for (long i = 0; i < directories; ++i) {
    char path[kPathBufferSize];
    directoryPath(root, i, directories, path, sizeof path);
    if (!platform::createDirectory(path)) return 1;
  }
  uint64_t largeBytes = large > 0 ? bytes / 4 * 3 : 0;
  uint64_t smallBytes = bytes - largeBytes;
  long smallFiles = files - large;
  uint64_t smallMean = smallFiles > 0 ? smallBytes / static_cast<uint64_t>(smallFiles) : 0;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint64_t smallWritten = 0;
  // The large files are spread evenly: every stride-th file, LARGE of them.
  long stride = large > 0 ? files / large : 0;
  for (long i = 0; i < files; ++i) {
    uint64_t size;
    if (large > 0 && i % stride == 0 && i / stride < large) {
      size = largeBytes / static_cast<uint64_t>(large);
    } else if (--smallFiles == 0) {
      size = smallBytes > smallWritten ? smallBytes - smallWritten : 0;  // the remainder
    } else {
      // Between a quarter of and one and three quarters the mean.
      size = smallMean / 4 + nextRandom(&state) % (smallMean * 3 / 2 + 1);
      smallWritten += size;
    }
    char directory[kPathBufferSize];
    // Offset by the round, so that every stride-th file does not land in one directory.
    directoryPath(root, (i + i / directories) % directories, directories, directory,
                  sizeof directory);
    char path[kPathBufferSize];
    int length = snprintf(path, sizeof path, "%s/f%05ld.bin", directory, i);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return kUsageError;
    if (!writeFileOfSize(path, size, &state)) return 1;
  }
  return 0;
}

// As a staged run stages: the free-space query on the target's volume, the
// measuring walk, the staging directory and the copy.
static int copyTree(const char* sourceDir, const char* targetDir) {
  char target[kPathBufferSize];
  char volume[kPathBufferSize];
  const char* slash = strrchr(targetDir, '/');
  if (snprintf(target, sizeof target, "%s/", targetDir) >= static_cast<int>(sizeof target) ||
      slash == nullptr ||
      snprintf(volume, sizeof volume, "%.*s/", static_cast<int>(slash - targetDir), targetDir) >=
          static_cast<int>(sizeof volume)) {
    return kUsageError;
  }
  return stageUpdate(volume, sourceDir, target, sizeof target);
}

static int removeTree(const char* targetDir) {
  char target[kPathBufferSize + 1];
  if (snprintf(target, sizeof target, "%s", targetDir) >= static_cast<int>(sizeof target)) {
    return kUsageError;
  }
  if (walkTree(target, sizeof target, nullptr) != 0) return 1;
  return platform::removeDirectory(targetDir) ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 7 && strcmp(argv[1], "make") == 0) {
    return makeTree(argv[2], atol(argv[3]), atol(argv[4]), strtoull(argv[5], nullptr, 10),
                    atol(argv[6]));
  }
  if (argc == 4 && strcmp(argv[1], "copy") == 0) return copyTree(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "remove") == 0) return removeTree(argv[2]);
  fprintf(stderr,
          "usage: qn_tree_bench make DIR FILES DIRS BYTES LARGE\n"
          "       qn_tree_bench copy SOURCE TARGET\n"
          "       qn_tree_bench remove TARGET\n");
  return kUsageError;
}
