#include "runtime/console.h"

#include <cstring>

#include "platform/platform.h"

void printLine(const char* text) { printLine(text, ""); }

void printLine(const char* text, const char* moreText) {
  platform::writeConsole(text, strlen(text));
  platform::writeConsole(moreText, strlen(moreText));
  platform::writeConsole(platform::kConsoleLineEnd, strlen(platform::kConsoleLineEnd));
  platform::flushConsole();
}
