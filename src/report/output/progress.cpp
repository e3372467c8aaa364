#include "report/output/progress.h"

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/threads.h"

void startProgress(Progress* progress) {
  progress->terminal = platform::errorConsoleIsTerminal();
  progress->shown = false;
  progress->started = platform::tickMilliseconds();
  progress->lastShown = progress->started;
  progress->width = 0;
}

bool progressDue(const Progress* progress) {
  if (!progress->terminal) return false;
  uint32_t now = platform::tickMilliseconds();
  if (now - progress->started < kProgressDelay) return false;
  return !progress->shown || now - progress->lastShown >= kProgressInterval;
}

// A carriage return goes back to the line's start on every terminal and
// console; what is left of a longer line before is covered with spaces.
void showProgress(Progress* progress, const char* text) {
  if (!progressDue(progress)) return;
  size_t length = strlen(text);
  std::string line = "\r";
  line += text;
  if (length < progress->width) line.append(progress->width - length, ' ');
  platform::writeErrorConsole(line.data(), line.size());
  progress->shown = true;
  progress->lastShown = platform::tickMilliseconds();
  if (length > progress->width) progress->width = length;
}

void clearProgress(Progress* progress) {
  if (!progress->shown) return;
  std::string line = "\r";
  line.append(progress->width, ' ');
  line += '\r';
  platform::writeErrorConsole(line.data(), line.size());
  progress->shown = false;
  progress->width = 0;
}
