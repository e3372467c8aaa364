// qnReport: the state of a whole fleet, read from its machines' result logs.
#include "platform/platform.h"
#include "report/report_run.h"

int main(int argc, char** argv) {
  platform::prepareProcess();
  return runReport(argc, argv);
}
