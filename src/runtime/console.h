// Console messages: the program's only way of speaking to its user.
#ifndef QN_RUNTIME_CONSOLE_H
#define QN_RUNTIME_CONSOLE_H

// Writes one line to standard output, `text` and then `moreText` unchanged,
// followed by the line end, and flushes it so that it is out before any command
// started afterwards writes to the same console. Failures are ignored.
void printLine(const char* text);
void printLine(const char* text, const char* moreText);

#endif  // QN_RUNTIME_CONSOLE_H
