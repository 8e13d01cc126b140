// Waiting and number of the threads of the field step on a shared machine.
//
// A step divides the window among the threads and joins them at its end; the threads
// that finish early wait there, and between steps, for the main thread. With the
// runtime's default the waiting threads spin for several milliseconds before they sleep:
// alone on the machine that costs nothing, but when other runs (or a parallel test
// suite) hold the cores, the spinning threads take the cores from the threads they wait
// for and a run becomes tens of times slower. Passive waiting cures that but puts every
// thread to sleep at every step, and waking them costs more than the step. A spin bounded
// to about the work of one step keeps the speed of a run alone and gives a core back
// within a step.
//
// A step takes as long as its slowest thread: a thread that shares its core with another
// process holds up all the others (the blocks follow the times of the steps before, not a
// core taken away within a step). The team
// therefore takes only the cores that other processes leave free, measured from the busy
// time of all cores less the CPU time of this process.
#include "run/teamwait.hpp"

#include <omp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#if defined(__linux__)
#include <sys/prctl.h>
#include <unistd.h>

#include <cstring>
#endif

teamcom_t teamcom;

void team_wait_setup(char **argv) {
#if defined(__linux__)
  // The restart through /proc/self/exe would show the process as "exe" in ps and top: it
  // keeps the name it was started by.
  if (argv && argv[0]) {
    const char *slash = std::strrchr(argv[0], '/');
    prctl(PR_SET_NAME, slash ? slash + 1 : argv[0], 0, 0, 0);
  }
#endif
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

namespace {

double seconds(clockid_t c) {
  timespec t{};
  clock_gettime(c, &t);
  return static_cast<double>(t.tv_sec) + 1.0e-9 * static_cast<double>(t.tv_nsec);
}

// Busy time of all cores since boot (s), from the first line of /proc/stat; < 0 when it
// cannot be read.
double busy_seconds() {
#if defined(__linux__)
  std::FILE *f = std::fopen("/proc/stat", "r");
  if (!f) return -1.0;
  unsigned long long v[8] = {};
  const int n = std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2],
                            &v[3], &v[4], &v[5], &v[6], &v[7]);
  std::fclose(f);
  if (n < 8) return -1.0;
  // user, nice, system, irq, softirq, steal (idle and iowait are v[3], v[4]).
  const double ticks = static_cast<double>(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
#else
  return -1.0;
#endif
}

} // namespace

void team_follow() {
  teamcom_t &T = teamcom;
  if (!T.FOLLOW) return;
  const double now = seconds(CLOCK_MONOTONIC);
  if (T.NMAX == 0) {
    T.NMAX = omp_get_max_threads();
    T.NOW = T.NMAX;
    T.T0 = now;
    T.BUSY0 = busy_seconds();
    T.OWN0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    return;
  }
  if (now - T.T0 < TEAM_PERIOD) return;
  const double busy = busy_seconds(), own = seconds(CLOCK_PROCESS_CPUTIME_ID);
  if (busy >= 0.0 && T.BUSY0 >= 0.0 && T.NMAX > 1) {
    const double others = ((busy - T.BUSY0) - (own - T.OWN0)) / (now - T.T0);
    const double left = omp_get_num_procs() - std::max(0.0, others);
    // Fewer threads at once when the free cores are clearly fewer; more, by half the
    // difference, when clearly more (two runs that measure each other settle at half).
    int n = T.NOW;
    if (left < T.NOW - 0.6) n = static_cast<int>(std::floor(left + 0.4));
    else if (left > T.NOW + 0.6) n = T.NOW + std::max(1, static_cast<int>((left - T.NOW) / 2.0));
    n = std::max(1, std::min(T.NMAX, n));
    if (n != T.NOW) {
      T.NOW = n;
      omp_set_num_threads(n);
    }
  }
  T.T0 = now;
  T.BUSY0 = busy;
  T.OWN0 = own;
}
