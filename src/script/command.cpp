#include "script/command.h"

#include <cstring>

#include "platform/platform.h"
#include "runtime/program_start.h"
#include "script/script_reader.h"

static const char kCommandPrefix[] = "cmd /d /c \"";

static_assert(kCommandTextSize >= sizeof kCommandPrefix - 1 + (kScriptLineSize - 1) + 2,
              "the command text must hold the longest script line");

// Windows' "file name too long" error, given for a line that cannot be started
// whole. The script reader never returns one.
static constexpr int32_t kCommandTooLong = 206;

void programName(const char* line, char* name, size_t size) {
  if (size == 0) return;
  size_t length = strcspn(line, " ");
  if (length > size - 1) length = size - 1;
  memcpy(name, line, length);
  name[length] = '\0';
}

bool programFileExists(const char* name) {
  platform::FileHandle file = platform::openForReading(name);
  if (file == platform::kNoFile) return false;
  platform::closeFile(file);
  return true;
}

bool formatCommandText(const char* line, char* text, size_t size) {
  size_t prefixLength = sizeof kCommandPrefix - 1;
  size_t lineLength = strlen(line);
  if (prefixLength + lineLength + 2 > size) return false;
  memcpy(text, kCommandPrefix, prefixLength);
  memcpy(text + prefixLength, line, lineLength);
  text[prefixLength + lineLength] = '"';
  text[prefixLength + lineLength + 1] = '\0';
  return true;
}

int32_t runCommandLine(const char* line) {
  char text[kCommandTextSize];
  if (!formatCommandText(line, text, sizeof text)) return kCommandTooLong;
  // A command inherits the error mode in force when it starts: it gets the
  // one that this program's caller gave, as if the caller had started it, and
  // this program's own comes back for what it does next.
  uint32_t own = platform::setErrorMode(callerErrorMode());
  int32_t value = platform::runCommand(text, line);
  platform::setErrorMode(own);
  return value;
}
