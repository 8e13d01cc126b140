// Speed of the field step: sets up the run of a deck as the main program does, runs its
// time loop and prints node-updates per second (a node-update is one node of the computed
// window advanced by one step) with the wall time of the time loop alone.
#include <omp.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "run/teamwait.hpp"
#include "run/timeloop.hpp"
#include "../tests/solver/deckrun.hpp"

int main(int argc, char **argv) {
  team_wait_setup(argv);
  teamcom.FOLLOW = true;
  if (argc < 2) {
    std::fprintf(stderr, "usage: zelk_bench DECK\n");
    return 2;
  }
  std::ifstream f(argv[1]);
  std::stringstream ss;
  ss << f.rdbuf();
  deck_setup(ss.str());
  const double n = node_updates();
  const int nthr = omp_get_max_threads();
  const double t0 = omp_get_wtime();
  time_loop();
  const double t = omp_get_wtime() - t0;
  int jb0, jf0;
  wndpair(mp.KSTART + 1, jb0, jf0);
  const double w0 = static_cast<double>(latc.NR) * (jf0 - jb0 + 1);
  const double w1 = static_cast<double>(latc.NR) * (eline.JFRONT - eline.JBACK + 1);
  // The team follows the free cores: its size at the end of the loop.
  std::printf("BENCH MROT %d threads %d (at the end %d) NR %d NZ %d MTE %d steps %d window "
              "%.0f..%.0f nodes time %.3f s node-updates/s %.4g\n",
              wpl.MROT, nthr, omp_get_max_threads(), latc.NR, latc.NZ, latc.MTE, wind.NT - mp.KSTART,
              w0, w1, t, n / t);
  // Peak resident size of the process (Linux), for the memory per mesh node.
  std::ifstream st("/proc/self/status");
  for (std::string line; std::getline(st, line);)
    if (line.rfind("VmHWM:", 0) == 0)
      std::printf("PEAK NMESH %ld %s\n", static_cast<long>(msz.NMESH), line.c_str() + 6);
  std::fflush(stdout);
  return 0;
}
