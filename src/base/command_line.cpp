#include "base/command_line.h"

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The program name: no backslash rules, and a leading quote runs to the next one.
static const char* takeProgramName(const char* p, std::string* name) {
  if (*p == '"') {
    for (++p; *p != '\0' && *p != '"'; ++p) name->push_back(*p);
    return *p == '"' ? p + 1 : p;
  }
  for (; *p != '\0' && !isBlank(*p); ++p) name->push_back(*p);
  return p;
}

// One element after the program name; `p` is at its first character.
static const char* takeArgument(const char* p, std::string* argument) {
  bool quoted = false;
  while (*p != '\0' && (quoted || !isBlank(*p))) {
    if (*p != '\\' && *p != '"') {
      argument->push_back(*p++);
      continue;
    }
    size_t backslashes = 0;
    for (; *p == '\\'; ++p) ++backslashes;
    if (*p != '"') {
      argument->append(backslashes, '\\');
      continue;
    }
    argument->append(backslashes / 2, '\\');
    if (backslashes % 2 == 1) {
      argument->push_back('"');
    } else if (quoted && p[1] == '"') {
      argument->push_back('"');
      ++p;
      quoted = false;
    } else {
      quoted = !quoted;
    }
    ++p;
  }
  return p;
}

std::vector<std::string> splitCommandLine(const char* commandLine) {
  std::vector<std::string> elements(1);
  const char* p = takeProgramName(commandLine, &elements[0]);
  for (;;) {
    while (isBlank(*p)) ++p;
    if (*p == '\0') break;
    elements.emplace_back();
    p = takeArgument(p, &elements.back());
  }
  return elements;
}
