// One command line of the script, run through the command interpreter.
#ifndef QN_SCRIPT_COMMAND_H
#define QN_SCRIPT_COMMAND_H

#include <cstddef>
#include <cstdint>

// "cmd /d /c ", the line in double quotes, and the terminator: room for any
// line that the script reader returns, so that no command line is ever cut.
constexpr size_t kCommandTextSize = 268;

// The program name of a command line: its text up to the first space, or the
// whole line. Cut to fit `size` bytes.
void programName(const char* line, char* name, size_t size);

// True when a file of exactly this name opens for reading in the current
// directory: no extension is added, no search path used, and a directory or an
// empty name does not count.
bool programFileExists(const char* name);

// The command text for a line: cmd /d /c "LINE". False, with nothing stored,
// when it does not fit in `size` bytes.
bool formatCommandText(const char* line, char* text, size_t size);

// Runs one command line in the current directory and waits for it, with the
// error mode that the program's caller gave (callerErrorMode). Returns its
// exit code, or the system's error code when the interpreter could not start.
int32_t runCommandLine(const char* line);

#endif  // QN_SCRIPT_COMMAND_H
