// A line of progress on standard error for the long runs ("118 machines read,
// 2 unreadable, 122 left"). It is shown only when standard error is a
// terminal, and only once the run has lasted kProgressDelay; it is rewritten
// in place at most every kProgressInterval, and erased at the end, so that
// nothing of it stays on the screen, and nothing of it ever reaches a file
// or a pipe.
#ifndef QN_REPORT_OUTPUT_PROGRESS_H
#define QN_REPORT_OUTPUT_PROGRESS_H

#include <cstddef>
#include <cstdint>

constexpr uint32_t kProgressDelay = 1000;     // milliseconds
constexpr uint32_t kProgressInterval = 200;   // milliseconds

struct Progress {
  bool terminal;       // standard error is a terminal
  bool shown;          // a line stands on the screen
  uint32_t started;    // tickMilliseconds() at startProgress
  uint32_t lastShown;
  size_t width;        // of the line on the screen
};

// Starts timing a run.
void startProgress(Progress* progress);

// True when showProgress would write now: the caller makes its text only then.
bool progressDue(const Progress* progress);

// Writes `text` (one line of ASCII, without its line end) over the line
// shown before, when it is due.
void showProgress(Progress* progress, const char* text);

// Erases the line, if one is shown: before anything else is written to
// standard error, and at the end of the run.
void clearProgress(Progress* progress);

#endif  // QN_REPORT_OUTPUT_PROGRESS_H
