// How each of the programs starts.
#ifndef QN_RUNTIME_PROGRAM_START_H
#define QN_RUNTIME_PROGRAM_START_H

#include <cstdint>

// A program's main routine: takes the arguments, program name first, and
// returns the exit status.
using ProgramRun = int (*)(int argc, const char* const* argv);

// The text a program works in: the system's ANSI code page, as Windows NT 4.0
// programs take names, or UTF-8 (platform::useUtf8Text).
enum ProgramText { kAnsiText, kUtf8Text };

// Makes a drive with no medium or one that fails an error code for the
// program, never a box that waits for a click (the error mode gets
// kFailCriticalErrors and kNoOpenFileErrorBox beside the caller's own flags),
// before anything touches a file. Then prepares the process
// (platform::prepareProcess, and useUtf8Text for kUtf8Text) and calls `run`
// with the program's arguments: where the system hands over its raw command
// line (Windows), split from it by splitCommandLine, so that every runtime
// gives the same elements; elsewhere `argc` and `argv` as they came. Returns
// what `run` returns.
int runProgram(int argc, char** argv, ProgramRun run, ProgramText text = kAnsiText);

// The error mode that the program's caller gave it, as runProgram found it: a
// command that the program starts is given this one back.
uint32_t callerErrorMode();

#endif  // QN_RUNTIME_PROGRAM_START_H
