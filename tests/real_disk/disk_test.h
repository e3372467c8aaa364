// Shared helpers for the tests that run the real platform layer on a real disk.
#ifndef QN_TESTS_DISK_DISK_TEST_H
#define QN_TESTS_DISK_DISK_TEST_H

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

// A new, empty directory under /tmp, removed with everything in it when the
// test ends. path() ends with the separator.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    char pattern[] = "/tmp/qn_disk_XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made != nullptr) path_ = std::string(made) + "/";
  }
  ~ScopedTempDir() {
    if (!path_.empty()) nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  bool valid() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  static int removeEntry(const char* entry, const struct stat*, int, struct FTW*) {
    chmod(entry, 0700);
    remove(entry);
    return 0;
  }
  std::string path_;
};

inline void writeBytes(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline bool pathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

inline bool isDirectory(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

inline mode_t modeOf(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

#endif  // QN_TESTS_DISK_DISK_TEST_H
