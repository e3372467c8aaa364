// qnUpdate: applies a software update by running its installation script.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_update.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::prepareProcess();
  const char* commandLine = platform::rawCommandLine();
  if (commandLine == nullptr) return runUpdate(argc, argv);

  std::vector<std::string> elements = splitCommandLine(commandLine);
  std::vector<const char*> arguments;
  for (const std::string& element : elements) arguments.push_back(element.c_str());
  arguments.push_back(nullptr);
  return runUpdate(static_cast<int>(elements.size()), arguments.data());
}
