#include "report/find/hosts_file.h"

#include <algorithm>

#include "base/utf8_text.h"
#include "platform/platform.h"
#include "platform/system_text.h"

// The list as UTF-8, whatever Windows saved it as.
static std::string utf8Of(const std::string& bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    return utf8FromUtf16(bytes.data() + 2, bytes.size() - 2, false);
  }
  if (bytes.compare(0, 2, "\xFE\xFF") == 0) {
    return utf8FromUtf16(bytes.data() + 2, bytes.size() - 2, true);
  }
  if (isUtf8(bytes.data(), bytes.size())) return bytes;
  return platform::utf8FromAnsi(bytes.data(), bytes.size());
}

static void hostsFromBytes(const std::string& bytes, std::vector<std::string>* names) {
  std::string text = utf8Of(bytes);
  static const char kBlank[] = " \t\r\n";
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    line.resize(std::min(line.size(), line.find('#')));
    size_t first = line.find_first_not_of(kBlank);
    if (first == std::string::npos) continue;
    size_t last = line.find_first_of(kBlank, first);
    if (last == std::string::npos) last = line.size();
    names->push_back(platform::systemTextFromUtf8(line.data() + first, last - first));
  }
}

bool readHostsFile(const char* path, std::vector<std::string>* names) {
  platform::FileHandle file = platform::openForReading(path);
  if (file == platform::kNoFile) return false;
  std::string bytes;
  char piece[64 * 1024];
  long count;
  while ((count = platform::readFile(file, piece, sizeof piece)) > 0) {
    bytes.append(piece, static_cast<size_t>(count));
  }
  platform::closeFile(file);
  if (count < 0) return false;
  hostsFromBytes(bytes, names);
  return true;
}
