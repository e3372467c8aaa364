// qnReport: the state of a whole fleet, read from its machines' result logs.
#include "platform/program_start.h"
#include "report/report_run.h"

int main(int argc, char** argv) { return runProgram(argc, argv, runReport); }
