// Fuzzes the script reader and the section search: the input is qnInst.cfg,
// runSection runs it over the fake platform for every platform code, and the
// command lines run and the console output are compared with a model of the
// script's format.
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fuzz_check.h"
#include "runtime/text_file.h"
#include "script/script_reader.h"

namespace {

const int32_t kPlatformCodes[] = {0, 1, 2, 3, 6, 7, 8};
const char kCommandPrefix[] = "cmd /d /c \"";
constexpr size_t kLongestLine = 255;

const char* headerFor(int32_t code) {
  switch (code) {
    case 0: return "[WINNT]";
    case 1: return "[WIN2K]";
    case 7: return "[64WIN2K]";
    case 8: return "[64WINK3]";
    default: return "[WINK3]";
  }
}

// Every command gets a value of its own, so that the result shows which ran last.
int32_t valueOf(const std::string& line) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : line) hash = (hash ^ c) * 16777619u;
  return static_cast<int32_t>(hash);
}

// The script's lines as the reader gives them: pieces of at most 255
// characters, cut at a NUL, without one trailing LF and then trailing spaces.
std::vector<std::string> scriptLines(const uint8_t* data, size_t size) {
  std::string text = model::textStream(data, size);
  std::vector<std::string> lines;
  size_t position = 0;
  std::string piece;
  while (model::nextPiece(text, &position, kLongestLine, &piece)) {
    std::string line = model::asCText(piece);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool programPresent(const std::string& name) {
  const auto& nodes = fake::state().nodes;
  auto it = nodes.find(fake::absolutePath(name));
  return it != nodes.end() && !it->second.isDirectory;
}

struct Expected {
  std::vector<std::string> commands;
  std::string console;
  int32_t result = 9;
};

Expected expectedRun(const std::vector<std::string>& lines, int32_t code) {
  Expected expected;
  size_t i = 0;
  while (i < lines.size() && lines[i] != headerFor(code)) ++i;
  for (++i; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '[') break;
    if (line[0] == ';') continue;
    std::string program = line.substr(0, line.find(' '));
    if (!programPresent(program)) expected.console += program + " doesn't exist in current directory\r\n";
    expected.commands.push_back(line);
    expected.result = valueOf(line);
  }
  return expected;
}

// A NUL byte cannot reach a command: the fake records C text, and the
// comparison with the model shows that a line ends at its first NUL.
void checkCommand(const fake::CommandRun& run) {
  const std::string& line = run.line;
  FUZZ_CHECK(line.size() <= kLongestLine, "a command line is at most 255 characters");
  FUZZ_CHECK(line.find('\n') == std::string::npos, "a command line holds no LF");
  FUZZ_CHECK(!line.empty() && line.back() != ' ', "a command line does not end with a space");
  FUZZ_CHECK(run.commandText == kCommandPrefix + line + "\"", "the command text is cmd /d /c \"LINE\"");
  FUZZ_CHECK(run.directory == "C:\\work", "commands run in the run directory");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = scriptLines(data, size);
  for (int32_t code : kPlatformCodes) {
    fake::reset();
    fake::addFile("C:\\work\\qnInst.cfg", content);
    fake::addFile("C:\\work\\setup.exe", "MZ");
    fake::state().commandRunner = [](const fake::CommandRun& run) { return valueOf(run.line); };
    Expected expected = expectedRun(lines, code);

    TextFile script;
    FUZZ_CHECK(openTextFile(&script, "qnInst.cfg"), "the script opens");
    int32_t result = runSection(&script, code);
    closeTextFile(&script);

    const fake::State& state = fake::state();
    for (const fake::CommandRun& run : state.commands) checkCommand(run);
    FUZZ_CHECK(model::wholeCrLfLines(state.console), "the console holds whole CR LF lines");
    FUZZ_CHECK(state.commands.size() == expected.commands.size(), "the section's command lines all run");
    for (size_t i = 0; i < expected.commands.size(); ++i) {
      FUZZ_CHECK(state.commands[i].line == expected.commands[i], "command lines run in script order");
    }
    FUZZ_CHECK(state.console == expected.console, "one message per missing program, in order");
    FUZZ_CHECK(result == expected.result, "the result is the last command's value, or 9");
    FUZZ_CHECK(state.openFiles.empty(), "every file opened is closed");
  }
  return 0;
}
