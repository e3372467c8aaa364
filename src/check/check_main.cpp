// qnCheck: checks an update's installation script; see check/check_run.h.
#include "check/check_run.h"
#include "runtime/program_start.h"

int main(int argc, char** argv) { return runProgram(argc, argv, runCheck); }
