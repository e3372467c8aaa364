// qnCheck: checks an update's installation script; see check/check_run.h.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "check/check_run.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::prepareProcess();
  const char* commandLine = platform::rawCommandLine();
  if (commandLine == nullptr) return runCheck(argc, argv);

  std::vector<std::string> elements = splitCommandLine(commandLine);
  std::vector<const char*> arguments;
  for (const std::string& element : elements) arguments.push_back(element.c_str());
  arguments.push_back(nullptr);
  return runCheck(static_cast<int>(elements.size()), arguments.data());
}
