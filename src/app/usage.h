// The text that `qnUpdate /?` prints.
#ifndef QN_APP_USAGE_H
#define QN_APP_USAGE_H

// True when the only argument asks for the usage: "/?", or one of the usual
// help flags "-?", "-h", "--help", "/h" and "/help" (in any case) when no
// directory of that name exists; such a directory is staged, as any other is.
bool isUsageRequest(int argc, const char* const* argv);

// Prints the usage, one console line at a time: the program's name and version,
// what it does, the ways to start it, the exit statuses and where the log is.
void printUsage();

#endif  // QN_APP_USAGE_H
