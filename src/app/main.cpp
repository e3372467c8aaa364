// qnUpdate: applies a software update by running its installation script.
#include "app/run_update.h"
#include "runtime/program_start.h"

int main(int argc, char** argv) { return runProgram(argc, argv, runUpdate); }
