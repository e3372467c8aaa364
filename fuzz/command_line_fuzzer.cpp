// Fuzzes the Windows command-line splitter: it is compared with a model of the
// classic console-program rules written the way the C runtime of the time did
// it, and the elements it gives must come back unchanged when quoted again.
#include <string>
#include <vector>

#include "base/command_line.h"
#include "fuzz_check.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The classic rules, one character at a time.
std::vector<std::string> modelSplit(const std::string& line) {
  std::vector<std::string> elements;
  const char* p = line.c_str();
  std::string name;
  if (*p == '"') {
    for (++p; *p != '\0' && *p != '"'; ++p) name += *p;
    if (*p == '"') ++p;
  } else {
    for (; *p != '\0' && !isBlank(*p); ++p) name += *p;
  }
  elements.push_back(name);

  bool inQuote = false;
  for (;;) {
    while (isBlank(*p)) ++p;
    if (*p == '\0') break;
    std::string argument;
    for (;;) {
      bool copyCharacter = true;
      size_t slashes = 0;
      while (*p == '\\') {
        ++p;
        ++slashes;
      }
      if (*p == '"') {
        if (slashes % 2 == 0) {
          if (inQuote && p[1] == '"') {
            ++p;
          } else {
            copyCharacter = false;
          }
          inQuote = !inQuote;
        }
        slashes /= 2;
      }
      argument.append(slashes, '\\');
      if (*p == '\0' || (!inQuote && isBlank(*p))) break;
      if (copyCharacter) argument += *p;
      ++p;
    }
    elements.push_back(argument);
  }
  return elements;
}

// Quotes one argument so that the splitter gives it back unchanged.
std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    quoted += c;
  }
  quoted.append(2 * slashes, '\\');
  return quoted + "\"";
}

std::string quoteProgramName(const std::string& name) {
  if (!name.empty() && name.find_first_of(" \t") == std::string::npos) return name;
  return "\"" + name + "\"";
}

std::vector<std::string> whitespaceSplit(const std::string& line) {
  std::vector<std::string> elements(1);
  size_t i = 0;
  for (; i < line.size() && !isBlank(line[i]); ++i) elements[0] += line[i];
  for (;;) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) break;
    elements.emplace_back();
    for (; i < line.size() && !isBlank(line[i]); ++i) elements.back() += line[i];
  }
  return elements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The system hands over a NUL-terminated command line.
  std::string line(reinterpret_cast<const char*>(data), size);
  line.resize(line.find('\0') == std::string::npos ? line.size() : line.find('\0'));

  std::vector<std::string> elements = splitCommandLine(line.c_str());
  FUZZ_CHECK(!elements.empty(), "there is always a program name");
  size_t characters = 0;
  for (const std::string& element : elements) characters += element.size();
  FUZZ_CHECK(characters <= line.size(), "splitting never adds characters");
  FUZZ_CHECK(elements == modelSplit(line), "the classic rules");

  if (line.find_first_of("\"\\") == std::string::npos) {
    FUZZ_CHECK(elements == whitespaceSplit(line), "without quotes or backslashes, a plain split");
  }
  if (line.find('"') == std::string::npos) {
    for (size_t i = 1; i < elements.size(); ++i) {
      FUZZ_CHECK(elements[i].find_first_of(" \t") == std::string::npos, "no blank without a quote");
    }
  }

  std::string quoted = quoteProgramName(elements[0]);
  for (size_t i = 1; i < elements.size(); ++i) quoted += " " + quoteArgument(elements[i]);
  FUZZ_CHECK(splitCommandLine(quoted.c_str()) == elements, "quoted elements split back unchanged");
  return 0;
}
