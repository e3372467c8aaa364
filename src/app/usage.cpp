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
    "  qnUpdate --version show the version",
    "",
    "Exit status: the last command line's exit code; 9 when qnInst.cfg cannot",
    "be opened or runs no command line; 1 when the current directory cannot be",
    "read, the copy fails or the log cannot be written; 2, with nothing run, for",
    "an argument that begins with - and is neither an option nor a directory.",
    "",
    "After a run in place, one record is appended to QN.log in the folder QNLOG",
    "at the root of the system drive (named by the variable systemdrive).",
};

// What administrators type to ask a program for help. Taken as a directory,
// each would name one that does not exist, and the working directory would be
// staged and the update applied; so would any other mistyped option.
static const char* const kHelpFlags[] = {"-?", "-h", "--help", "/h", "/help"};
static const char kVersionFlag[] = "--version";

ArgumentRequest argumentRequest(int argc, const char* const* argv) {
  if (argc != 2) return kRunRequested;
  const char* argument = argv[1];
  if (strcmp(argument, "/?") == 0) return kUsageRequested;
  ArgumentRequest request = argument[0] == '-' ? kUnknownOption : kRunRequested;
  for (const char* flag : kHelpFlags) {
    if (equalsIgnoringAsciiCase(argument, flag)) request = kUsageRequested;
  }
  if (equalsIgnoringAsciiCase(argument, kVersionFlag)) request = kVersionRequested;
  if (request == kRunRequested || platform::isDirectory(argument)) return kRunRequested;
  return request;
}

void printUsage() {
  for (const char* line : kUsageLines) printLine(line);
}

void printVersion() { printLine(kVersionLine); }
