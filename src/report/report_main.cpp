// qnReport: the state of a whole fleet, read from its machines' result logs.
#include "report/report_run.h"
#include "runtime/program_start.h"

int main(int argc, char** argv) { return runProgram(argc, argv, runReport, kUtf8Text); }
