// qnReport: the state of a whole fleet, read from its machines' result logs.
#include "report/report_run.h"

int main(int argc, char** argv) { return runReport(argc, argv); }
