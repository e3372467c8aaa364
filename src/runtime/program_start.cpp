#include "runtime/program_start.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "platform/platform.h"

static uint32_t theCallerErrorMode = 0;

uint32_t callerErrorMode() { return theCallerErrorMode; }

int runProgram(int argc, char** argv, ProgramRun run, ProgramText text) {
  // Nobody watches an unattended run: a box would stop it for good.
  const uint32_t silent = platform::kFailCriticalErrors | platform::kNoOpenFileErrorBox;
  theCallerErrorMode = platform::setErrorMode(silent);
  platform::setErrorMode(theCallerErrorMode | silent);
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
