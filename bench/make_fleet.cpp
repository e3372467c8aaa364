// qn_make_fleet DIR MACHINES RECORDS [DAYS]: writes the result logs of a fleet into
// DIR, as an administrator collects them: machine PCnnnnnn's log is
// DIR/PCnnnnnn/QN.log, DIR/PCnnnnnn/QNLOG/QN.log or DIR/PCnnnnnn.log, by turns.
// Each log holds RECORDS records, oldest first, over four updates: a few
// attempts at each, most ending installed, some failing (1603, 1618, an access
// violation), some waiting for a restart; now and then two in the same second.
// With DAYS, the machines start their first attempt on any of that many days
// from 2006-01-01, as a rollout of several weeks does (a month here has 28
// days). The same arguments give the same bytes.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static unsigned long state = 12345;

static unsigned next(unsigned range) {
  state = state * 1103515245UL + 12345UL;
  return static_cast<unsigned>((state >> 16) % range);
}

static int code() {
  unsigned draw = next(100);
  if (draw < 70) return 0;
  if (draw < 80) return 3010;
  if (draw < 90) return 1603;
  if (draw < 95) return 1618;
  return -1073741819;
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: qn_make_fleet DIR MACHINES RECORDS [DAYS]\n");
    return 2;
  }
  std::string root = argv[1];
  long machines = atol(argv[2]);
  long records = atol(argv[3]);
  unsigned days = argc == 5 ? static_cast<unsigned>(atol(argv[4])) : 0;
  static const char* const kUpdates[][2] = {
      {"4.0.0", "4.1.0"}, {"4.1.0", "4.2.0"}, {"4.2.0", "4.3.0"}, {"4.3.0", "4.4.0"}};
  mkdir(root.c_str(), 0777);
  for (long m = 1; m <= machines; ++m) {
    char name[32];
    snprintf(name, sizeof name, "PC%06ld", m);
    std::string path = root + "/" + name;
    switch (m % 3) {
      case 0:
        mkdir(path.c_str(), 0777);
        path += "/QN.log";
        break;
      case 1:
        mkdir(path.c_str(), 0777);
        path += "/QNLOG";
        mkdir(path.c_str(), 0777);
        path += "/QN.log";
        break;
      default:
        path += ".log";
    }
    FILE* log = fopen(path.c_str(), "wb");
    if (log == nullptr) {
      perror(path.c_str());
      return 1;
    }
    long seconds = static_cast<long>(next(3600));
    if (days > 1) seconds += 86400L * next(days);
    for (long r = 0; r < records; ++r) {
      const char* const* update = kUpdates[r * 4 / records];
      if (next(10) != 0) seconds += 1 + static_cast<long>(next(20000));
      int day = 1 + static_cast<int>(seconds / 86400 % 28);
      int month = 1 + static_cast<int>(seconds / (86400 * 28) % 12);
      int result = code();
      fprintf(log, "%02d-%02d-2006 %02ld:%02ld:%02ld,Update=%s,New=%s,Status=%s,ReturnCode=%d \r\n",
              month, day, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60, update[0],
              update[1], result == 0 ? "Success" : "Unknown", result);
    }
    if (fclose(log) != 0) {
      perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
