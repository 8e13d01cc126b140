// Waiting of the thread team on a shared machine.
//
// A step divides the window among the threads and joins them at its end; the threads
// that finish early wait there, and between steps, for the main thread. With the
// runtime's default the waiting threads spin for several milliseconds before they sleep:
// alone on the machine that costs nothing, but when other runs (or a parallel test
// suite) hold the cores, the spinning threads take the cores from the threads they wait
// for and a run becomes tens of times slower. Passive waiting cures that but puts every
// thread to sleep at every step, which slows a run alone. A spin bounded to about the
// work of one step keeps the speed of a run alone and gives the cores back within a step.
#include "run/teamwait.hpp"

#include <cstdlib>

#if defined(__linux__)
#include <unistd.h>
#endif

void team_wait_setup(char **argv) {
  if (std::getenv("OMP_WAIT_POLICY") || std::getenv("GOMP_SPINCOUNT")) return;
#if defined(__linux__)
  if (setenv("GOMP_SPINCOUNT", TEAM_SPINCOUNT, 1) != 0) return;
  execv("/proc/self/exe", argv);
  // No restart: run on with the runtime's default waiting.
  unsetenv("GOMP_SPINCOUNT");
#else
  (void)argv;
#endif
}
