#include "app/usage.h"

#include <cstring>

#include "base/ascii.h"
#include "platform/platform.h"
#include "program_version.h"
#include "runtime/console.h"

static constexpr const char* kVersionLine = "qnUpdate " QN_VERSION_TEXT;

static const char* const kUsageLines[] = {
    kVersionLine,
    "",
    "qnUpdate applies a software update: it runs the command lines of this",
    "system's section of qnInst.cfg, one after another, and exits with the exit",
    "code of the last one.",
    "",
    "  qnUpdate           run the update in the current directory",
    "  qnUpdate DIR       copy DIR to the system drive, run the copy, remove it",
    "  qnUpdate A B ...   as with none: the arguments are ignored",
    "  qnUpdate /?        show this text; nothing is run or written; -?, -h,",
    "                     --help, /h and /help too, unless a directory has that name",
    "",
    "Exit status: the last command line's exit code; 9 when qnInst.cfg cannot",
    "be opened or runs no command line; 1 when the current directory cannot be",
    "read, the copy fails or the log cannot be written.",
    "",
    "After a run in place, one record is appended to QN.log in the folder QNLOG",
    "at the root of the system drive (named by the variable systemdrive).",
};

// What administrators type to ask a program for help. Taken as a directory,
// each would name one that does not exist, and the working directory would be
// staged and the update applied.
static const char* const kHelpFlags[] = {"-?", "-h", "--help", "/h", "/help"};

bool isUsageRequest(int argc, const char* const* argv) {
  if (argc != 2) return false;
  if (strcmp(argv[1], "/?") == 0) return true;
  for (const char* flag : kHelpFlags) {
    if (equalsIgnoringAsciiCase(argv[1], flag)) return !platform::isDirectory(argv[1]);
  }
  return false;
}

void printUsage() {
  for (const char* line : kUsageLines) printLine(line);
}
