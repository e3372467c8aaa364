#include "check/check_run.h"

#include "app/console.h"
#include "check/findings.h"
#include "check/platform_report.h"
#include "check/script_findings.h"
#include "check/script_pieces.h"
#include "check/version_findings.h"
#include "platform/platform.h"
#include "platform/text_file.h"
#include "script/script_reader.h"

static constexpr int kCheckFailed = 2;

// Large: kept out of the stack.
static ScriptPieces script;
static Findings findings;

int runCheck(int argc, const char* const* argv) {
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

  platform::TextFile file;
  if (platform::openTextFile(&file, kScriptName)) {
    readScriptPieces(&file, &script);
    platform::closeTextFile(&file);
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
