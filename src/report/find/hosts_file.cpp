#include "report/find/hosts_file.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/utf8_text.h"
#include "platform/platform.h"
#include "platform/system_text.h"

// The headers of the columns that name machines, the first one preferred.
static const char* const kNameColumns[] = {"Name", "DNSHostName", "ComputerName", "Computer", "Host"};

static const char kBlanks[] = " \t";

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

static std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

// The fields of a CSV line, each without its quotes and the blanks around it.
static std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  for (std::string& field : fields) field = trimmed(field);
  return fields;
}

// The column of the first line that names machines, or -1 when the line
// names no column.
static int nameColumn(const std::string& line) {
  std::vector<std::string> headers = csvFields(line);
  for (const char* column : kNameColumns) {
    for (size_t i = 0; i < headers.size(); ++i) {
      if (equalsIgnoringAsciiCase(headers[i].c_str(), column)) return static_cast<int>(i);
    }
  }
  return -1;
}

static bool canBeMachineName(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
           std::string(" ,\"\\/:*?<>|").find(c) != std::string::npos;
  });
}

static int hostsFromText(const std::string& text, std::vector<std::string>* names, HostsLine* bad) {
  int column = -1;
  bool first = true;
  unsigned long number = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    if (first) {
      first = false;
      column = nameColumn(line);
      if (column >= 0) continue;
    }
    std::string name = line;
    if (column >= 0) {
      std::vector<std::string> fields = csvFields(line);
      name = static_cast<size_t>(column) < fields.size() ? fields[column] : std::string();
      if (name.empty()) continue;
    }
    if (!canBeMachineName(name)) {
      *bad = HostsLine{number, line};
      return kHostsBadLine;
    }
    names->push_back(platform::systemTextFromUtf8(name.data(), name.size()));
  }
  return kHostsRead;
}

int readHostsFile(const char* path, std::vector<std::string>* names, HostsLine* bad) {
  platform::FileHandle file = platform::openForReading(path);
  if (file == platform::kNoFile) return kHostsUnreadable;
  std::string bytes;
  char piece[64 * 1024];
  long count;
  while ((count = platform::readFile(file, piece, sizeof piece)) > 0) {
    bytes.append(piece, static_cast<size_t>(count));
  }
  platform::closeFile(file);
  if (count < 0) return kHostsUnreadable;
  return hostsFromText(utf8Of(bytes), names, bad);
}
