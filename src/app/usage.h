// The text that `qnUpdate /?` prints.
#ifndef QN_APP_USAGE_H
#define QN_APP_USAGE_H

// What the arguments ask for besides a run.
enum ArgumentRequest {
  kRunRequested,      // a run: in place, or staged from the one argument
  kUsageRequested,    // "/?", or a help flag
  kVersionRequested,  // "--version"
  kUnknownOption,     // an argument that looks like an option, but is none
};

// Only a lone argument asks for anything but a run. "/?" asks for the usage,
// and so do the usual help flags "-?", "-h", "--help", "/h" and "/help";
// "--version" asks for the version line (flags in any case). Any other
// argument that begins with "-" is an unknown option. But a directory of that
// name is staged, as any other is.
ArgumentRequest argumentRequest(int argc, const char* const* argv);

// Prints the usage, one console line at a time: the program's name and version,
// what it does, the ways to start it, the exit statuses and where the log is.
void printUsage();

// Prints the line "qnUpdate VERSION", the usage's first.
void printVersion();

#endif  // QN_APP_USAGE_H
