#include "app/run_update.h"

#include <cstring>

#include "app/usage.h"
#include "log/result_log.h"
#include "platform/platform.h"
#include "runtime/console.h"
#include "runtime/text_file.h"
#include "script/platform_code.h"
#include "script/script_reader.h"
#include "staging/staged_run.h"

static constexpr int32_t kRunFailed = 1;
static constexpr int32_t kNoScript = 9;
static constexpr int32_t kUsageShown = 0;
static constexpr int32_t kUnknownOptionGiven = 2;

static void copyDirectory(char* target, const char* source) {
  size_t length = strlen(source);
  if (length >= kDirectoryBufferSize) length = kDirectoryBufferSize - 1;
  memcpy(target, source, length);
  target[length] = '\0';
}

// Resolves the argument against the working directory. An argument that cannot
// be entered leaves the working directory itself as the source.
static void resolveSourceDirectory(const char* argument, const char* workingDir, char* sourceDir) {
  copyDirectory(sourceDir, workingDir);
  platform::setCurrentDirectory(argument);
  platform::getCurrentDirectory(sourceDir, kDirectoryBufferSize);
  platform::setCurrentDirectory(workingDir);
}

int32_t runUpdate(int argc, const char* const* argv) {
  // Asked before anything else, so that no temporary name is even reserved.
  switch (argumentRequest(argc, argv)) {
    case kUsageRequested:
      printUsage();
      return kUsageShown;
    case kVersionRequested:
      printVersion();
      return kUsageShown;
    case kUnknownOption:
      printLine("ERROR: No such option or directory: ", argv[1]);
      printUsage();
      return kUnknownOptionGiven;
    case kRunRequested:
      break;
  }

  char systemRoot[kPathBufferSize];
  platform::systemRoot(systemRoot, sizeof systemRoot);

  char stagingDir[kPathBufferSize];
  makeStagingName(systemRoot, stagingDir, sizeof stagingDir);

  char workingDir[kDirectoryBufferSize];
  if (!platform::getCurrentDirectory(workingDir, sizeof workingDir)) {
    printLine("Unable to determine current directory.  Aborting update!");
    writeResultRecord(kRunFailed);
    return kRunFailed;
  }

  bool staged = argc == 2;
  char runDir[kDirectoryBufferSize];
  copyDirectory(runDir, workingDir);
  if (staged) {
    char sourceDir[kDirectoryBufferSize];
    resolveSourceDirectory(argv[1], workingDir, sourceDir);
    if (stageUpdate(systemRoot, sourceDir, stagingDir, sizeof stagingDir) != 0) {
      printLine("Copying update files to the hard drive failed.");
      return kRunFailed;
    }
    copyDirectory(runDir, stagingDir);
  }
  platform::setCurrentDirectory(runDir);

  PlatformCode platformCode = classifyPlatform();
  TextFile script;
  if (!openTextFile(&script, kScriptName)) {
    printLine("ERROR: Could not open config FILE ", kScriptName);
    if (staged) {
      // A copy that nothing will use is taken back at once. Windows cannot
      // remove the current directory, so the working directory comes first.
      platform::setCurrentDirectory(workingDir);
      removeStaging(stagingDir);
    }
    return kNoScript;
  }
  int32_t result = runSection(&script, platformCode);
  closeTextFile(&script);

  if (!staged && writeResultRecord(result) == kLogFailed) return kRunFailed;

  platform::setCurrentDirectory(workingDir);
  if (staged) {
    platform::sleepMilliseconds(kCleanUpPauseMilliseconds);
    removeStaging(stagingDir);
  }
  return result;
}
