#include "check/check_run.h"

#include <cstring>

#include "check/findings.h"
#include "check/platform_report.h"
#include "check/script_findings.h"
#include "check/script_pieces.h"
#include "check/version_findings.h"
#include "platform/platform.h"
#include "program_version.h"
#include "runtime/console.h"
#include "runtime/text_file.h"
#include "script/script_reader.h"

static constexpr int kCheckFailed = 2;
static constexpr int kTextShown = 0;  // the usage or the version, and nothing else

static constexpr const char* kVersionLine = "qnCheck " QN_VERSION_TEXT;

static const char* const kUsageLines[] = {
    kVersionLine,
    "",
    "qnCheck shows what qnUpdate would run from an update's qnInst.cfg on each",
    "system, and every trap in the script, without running a command or writing",
    "a file.",
    "",
    "  qnCheck            check the update in the current directory",
    "  qnCheck DIR        check the update in DIR",
    "  qnCheck /?         show this text (also -h or --help)",
    "  qnCheck --version  show the version",
    "",
    "Exit status: 0 with no findings, 1 with warnings only, 2 with errors or when",
    "the check cannot be made.",
};

static bool isUsageRequest(int argc, const char* const* argv) {
  return argc == 2 && (strcmp(argv[1], "/?") == 0 || strcmp(argv[1], "-h") == 0 ||
                       strcmp(argv[1], "--help") == 0);
}

// Large: kept out of the stack.
static ScriptPieces script;
static Findings findings;

int runCheck(int argc, const char* const* argv) {
  if (isUsageRequest(argc, argv)) {
    for (const char* line : kUsageLines) printLine(line);
    return kTextShown;
  }
  if (argc == 2 && strcmp(argv[1], "--version") == 0) {
    printLine(kVersionLine);
    return kTextShown;
  }
  if (argc > 2) {
    printLine("usage: qnCheck [DIR]");
    return kCheckFailed;
  }
  clearFindings(&findings);
  // Program files are probed relative to the update directory, as qnUpdate
  // probes them in its run directory.
  if (argc == 2 && !platform::setCurrentDirectory(argv[1])) {
    addFinding(&findings, "qnCheck", kWholeFile, kError, "cannot enter the directory %s", argv[1]);
    printFindings(&findings);
    return kCheckFailed;
  }

  TextFile file;
  if (openTextFile(&file, kScriptName)) {
    readScriptPieces(&file, &script);
    closeTextFile(&file);
    printPlatforms(&script);
    checkScript(&script, &findings);
  } else {
    addFinding(&findings, kScriptFile, kWholeFile, kError,
               "cannot be opened: qnUpdate prints \"ERROR: Could not open config FILE "
               "qnInst.cfg\" and ends with exit status 9 on every system");
  }
  checkVersionFile(&findings);
  printFindings(&findings);
  return findingsStatus(&findings);
}
