// The update run: the program's main routine.
#ifndef QN_APP_RUN_UPDATE_H
#define QN_APP_RUN_UPDATE_H

#include <cstddef>
#include <cstdint>

// The working and run directories: at most 260 characters and the terminator.
constexpr size_t kDirectoryBufferSize = 261;

// Runs the update and returns the process exit status. With exactly one
// argument (`argc` 2) the directory it names is copied to a staging directory on
// the system volume and run there; otherwise the script runs in the working
// directory and a result record is logged. Returns the last command's value, 9
// when the script is missing or its section runs nothing, or 1 when the working
// directory cannot be read, staging fails or the log cannot be written.
// With "/?" or a help flag as the only argument it prints the usage, with
// "--version" the version line, and returns 0, doing nothing else; with
// another argument that begins with "-" and names no directory, it prints a
// line naming it and the usage, and returns 2, doing nothing else.
int32_t runUpdate(int argc, const char* const* argv);

#endif  // QN_APP_RUN_UPDATE_H
