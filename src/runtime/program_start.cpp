#include "runtime/program_start.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "platform/platform.h"

int runProgram(int argc, char** argv, ProgramRun run, ProgramText text) {
  platform::prepareProcess();
  if (text == kUtf8Text) platform::useUtf8Text();
  const char* commandLine = platform::rawCommandLine();
  if (commandLine == nullptr) return run(argc, argv);
  std::vector<std::string> elements = splitCommandLine(commandLine);
  std::vector<const char*> arguments;
  for (const std::string& element : elements) arguments.push_back(element.c_str());
  arguments.push_back(nullptr);
  return run(static_cast<int>(elements.size()), arguments.data());
}
