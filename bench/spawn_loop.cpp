// qn_spawn_loop COUNT LINE: starts "/bin/sh -c LINE" COUNT times, one after
// another, waiting for each; the same start (vfork and execve) and wait per
// command line as the program's POSIX platform layer, with nothing around it.
// Exit status: the last command's, or 1 when one could not be started.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: qn_spawn_loop COUNT LINE\n");
    return 2;
  }
  long count = atol(argv[1]);
  char shell[] = "/bin/sh";
  char option[] = "-c";
  char* arguments[] = {shell, option, argv[2], nullptr};
  int result = 0;
  for (long i = 0; i < count; ++i) {
    pid_t child = vfork();
    if (child == 0) {
      execve(shell, arguments, environ);
      _exit(127);
    }
    if (child < 0) return 1;
    int status;
    while (waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) return 1;
    }
    result = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  }
  return result;
}
