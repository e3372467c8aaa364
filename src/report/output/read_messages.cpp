#include "report/output/read_messages.h"

#include "report/output/output_stream.h"

void showReadingProgress(Progress* progress, const ReadingCounts& counts) {
  if ((counts.machines == 0 && counts.logsFound == 0) || !progressDue(progress)) return;
  std::string text = "qnReport:";
  if (counts.logsFound > 0) {
    text += " " + std::to_string(counts.logsRead) + (counts.logsRead == 1 ? " log" : " logs") +
            " read, " + std::to_string(counts.logsFound) + " found";
  }
  if (counts.machines > 0) {
    unsigned long done = counts.machinesRead + counts.machinesUnreadable;
    text += std::string(counts.logsFound > 0 ? ";" : "") + " " + std::to_string(counts.machinesRead) +
            (counts.machinesRead == 1 ? " machine" : " machines") + " read, " +
            std::to_string(counts.machinesUnreadable) + " unreadable, " +
            std::to_string(counts.machines - done) + " left";
  }
  showProgress(progress, text.c_str());
}

void sayLogRead(Progress* progress, const std::string& path, const std::string& machine,
                const LogResult& result, bool underPath, bool verbose) {
  std::string shownPath = terminalText(path);
  bool failed = isReadFailure(result.failure);
  if (verbose || !result.notes.empty() || (failed && underPath)) clearProgress(progress);
  for (const NotRecordLine& note : result.notes) {
    std::string text = shownPath + ":" + std::to_string(note.line) +
                       (note.torn ? ": torn, not a result record" : ": not a result record");
    printErrorLine(text.c_str());
  }
  if (failed && underPath) {
    printError(result.opened ? "cannot read all of %s: %s" : "cannot read %s: %s", shownPath.c_str(),
               readFailureText(result.failure));
  }
  if (!verbose) return;
  std::string text = shownPath + ": machine " + terminalText(machine) + ", ";
  if (result.opened) {
    text += std::to_string(result.summary.records) + (result.summary.records == 1 ? " record" : " records");
  }
  if (failed) text += std::string(result.opened ? ", then " : "") + readFailureText(result.failure);
  if (result.failure == kReadNoRecord) text += std::string(", ") + readFailureText(result.failure);
  printErrorLine(text.c_str());
}

void sayFolderUnreadable(Progress* progress, const std::string& folder, ReadFailure failure) {
  clearProgress(progress);
  std::string shown = terminalText(folder);
  if (failure == kReadFailed) {
    printError("cannot read %s", shown.c_str());
  } else {
    printError("cannot read %s: %s", shown.c_str(), readFailureText(failure));
  }
}
