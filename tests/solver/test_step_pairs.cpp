// Two field steps in one sweep over memory: the fields, delay lines and wakes of whole
// runs against those of the same runs stepped one by one, bit for bit.
#include <gtest/gtest.h>
#include <omp.h>

#include <string>
#include <vector>

#include "run/timeloop.hpp"
#include "deckrun.hpp"
#include "solver_state.hpp"

namespace {

std::string long_cavity(const std::string &wake_extra, int mrot) {
  return " &FILE  LSAV=F /\n"
         "LONG CAVITY, SHORT BUNCH\n"
         " &MESH  DDZ=0.001, DDR(1)=0.001 /\n"
         "#CAVITYSHAPE\n0.\n"
         "0.0 0.0\n0.01 0.0\n0.01 0.02\n0.05 0.02\n0.05 1.02\n0.01 1.02\n0.01 1.04\n0.0 1.04\n0.0 0.0\n"
         "9999. 0.\n"
         " &BEAM  SIG=0.002, MROT=" + std::to_string(mrot) + " /\n"
         " &TIME  MT=3 /\n"
         " &WAKE  UBT=0.1" + wake_extra + " /\n"
         " &PLOT  /\n &PRIN  /\nSTOP\n";
}

struct pair_guard {
  int threads = omp_get_max_threads();
  ~pair_guard() {
    stepping.GROUP = GROUPMAX;
    omp_set_num_threads(threads);
  }
};

std::vector<float> run_of(const std::string &deck, bool pairs) {
  stepping.GROUP = pairs ? GROUPMAX : 1;
  deck_setup(deck);
  time_loop();
  return solver_state();
}

} // namespace

TEST(StepPairs, PairsGiveTheBitsOfSingleSteps) {
  pair_guard g;
  for (int mrot : {0, 1})
    for (const char *extra : {"", ", LCBACK=F"})
      for (int nt : {1, 3, 8}) {
        SCOPED_TRACE(testing::Message() << "MROT " << mrot << extra << ", " << nt << " threads");
        omp_set_num_threads(nt);
        const std::string deck = long_cavity(extra, mrot);
        const std::vector<float> one = run_of(deck, false);
        EXPECT_TRUE(same_state(one, run_of(deck, true)));
      }
}
