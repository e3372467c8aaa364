// How each of the programs starts.
#ifndef QN_RUNTIME_PROGRAM_START_H
#define QN_RUNTIME_PROGRAM_START_H

// A program's main routine: takes the arguments, program name first, and
// returns the exit status.
using ProgramRun = int (*)(int argc, const char* const* argv);

// The text a program works in: the system's ANSI code page, as Windows NT 4.0
// programs take names, or UTF-8 (platform::useUtf8Text).
enum ProgramText { kAnsiText, kUtf8Text };

// Prepares the process (platform::prepareProcess, and useUtf8Text for
// kUtf8Text) and calls `run` with the program's arguments: where the system
// hands over its raw command line (Windows), split from it by
// splitCommandLine, so that every runtime gives the same elements; elsewhere
// `argc` and `argv` as they came. Returns what `run` returns.
int runProgram(int argc, char** argv, ProgramRun run, ProgramText text = kAnsiText);

#endif  // QN_RUNTIME_PROGRAM_START_H
