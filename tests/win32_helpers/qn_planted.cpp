// Test helper: stands in for a cmd.exe that someone planted where qnUpdate
// runs. It says so and exits with 99, which no test command gives.
#include <cstdio>

int main() {
  puts("planted interpreter ran");
  return 99;
}
