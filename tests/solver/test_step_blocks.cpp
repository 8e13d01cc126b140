// The monopole step's one sweep per step, divided among threads in blocks of columns, and
// its loops compiled for several vector widths: every division and every width gives the
// fields, delay lines and wakes of one thread with the baseline code, bit for bit.
#include <gtest/gtest.h>
#include <omp.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "run/timeloop.hpp"
#include "deckrun.hpp"
#include "solver_state.hpp"
#include "test_decks.hpp"

namespace {

// A small structure with cones in two radial zones (23 lines): loops shorter than one
// vector of AVX-512 on most lines of the mesh, and a back that follows the front.
std::string small_deck() {
  return " &FILE  LSAV=F, ITEST=0 /\nSMALL CONES\n"
         " &MESH  DDZ=0.001, DDR(1)=0.001, RMARK(1)=0.015, DDR(2)=0.002, RMARK(2)=0.03 /\n"
         "#CAVITYSHAPE\n0.\n0.0 0.0\n0.01 0.0\n0.01 0.02\n0.03 0.04\n0.03 0.06\n0.02 0.07\n"
         "0.02 0.2\n0.0 0.2\n0.0 0.0\n9999. 0.\n &BEAM  SIG=0.003, MROT=0, RDRIVE=0.005 /\n"
         " &TIME  MT=3 /\n &WAKE  UBT=0.02, LCBACK=T /\n &PLOT  /\n &PRIN  /\nSTOP\n";
}



// Cut cells (flag 1 to 4) of the window's columns after JBACK that hold a non-zero Hphi.
long live_cut_cells() {
  long n = 0;
  for (int j = eline.JBACK + 1; j <= eline.JFRONT; ++j)
    for (int i = 1; i <= latc.NR; ++i) {
      const long m = static_cast<long>(j - lfrbk.IZMWL) * latc.NR + i;
      if (iflg(m) >= 1.0f && iflg(m) <= 4.0f && hv(2, m) != 0.0f) ++n;
    }
  return n;
}

struct isa_guard {
  int saved = vecisa.LEVEL;
  int threads = omp_get_max_threads();
  ~isa_guard() {
    vecisa.LEVEL = saved;
    omp_set_num_threads(threads);
  }
};

} // namespace

// With 8 threads and a window of at most 8 columns every column is a block of its own:
// block boundaries fall on column 1 (the left-end treatment) and on the cut cells of the
// cone while they carry field. With 2, 3 and 5 threads the boundaries fall elsewhere.
// Both modes.
TEST(StepBlocks, BlockBoundariesOnColumnOneAndCutCells) {
  isa_guard g;
  for (int mrot : {0, 1}) {
    const std::string deck = tall_deck(mrot);
    std::vector<float> want;
    for (int nt : {1, 2, 3, 5, 8}) {
      SCOPED_TRACE(testing::Message() << "MROT " << mrot << ", " << nt << " threads");
      omp_set_num_threads(nt);
      deck_setup(deck);
      ASSERT_GT(latc.NR, 16384);
      ASSERT_EQ(eline.JBACK, 1);
      long boundary_cuts = 0;
      int small_windows = 0;
      for (int k = mp.KSTART; k <= wind.NT - 1; ++k) {
        if (mrot == 0) mefld(k + 1);
        else hefld(k + 1);
        jmpbm(k, mp.KX, mp.NW, wkfld_held());
        const int ncol = eline.JFRONT - eline.JBACK + 1;
        if (nt == 8 && ncol >= 2 && ncol <= 8) {
          ++small_windows;
          boundary_cuts += live_cut_cells();
        }
      }
      if (nt == 8) {
        EXPECT_GT(small_windows, 3) << "no step with every column a block of its own";
        EXPECT_GT(boundary_cuts, 0) << "no cut cell with field on a block boundary";
      }
      if (nt == 1) {
        want = solver_state();
        float wmax = 0.0f;
        for (int s = 1; s <= mp.NW; ++s) wmax = std::max(wmax, std::fabs(wzwy_data.wz(s)));
        EXPECT_GT(wmax, 0.0f);
      } else {
        EXPECT_TRUE(same_state(want, solver_state())) << nt << " threads against 1";
      }
    }
  }
}

// The loops compiled for each vector width the processor has against the baseline x86-64
// code, with one thread and with eight, in both modes.
TEST(StepBlocks, VectorWidthsGiveTheBitsOfTheBaselineCode) {
  isa_guard g;
  const int widest = vecisa_widest();
  std::vector<int> levels = {1};
  for (int l : {3, 4})
    if (l <= widest) levels.push_back(l);
  for (const std::string &deck : {tall_deck(0), small_deck(), tall_deck(1)}) {
    std::vector<float> want;
    for (int l : levels)
      for (int nt : {1, 8}) {
        if (l == 1 && nt == 8 && !want.empty()) continue;
        SCOPED_TRACE(testing::Message() << "level " << l << ", " << nt << " threads");
        vecisa.LEVEL = l;
        omp_set_num_threads(nt);
        deck_setup(deck);
        time_loop();
        if (want.empty()) want = solver_state();
        else EXPECT_TRUE(same_state(want, solver_state()));
      }
  }
}

// Cuts of blocks of equal cost: ordered, one column at least in each block, a column that
// costs more than all others together a block of its own, equal parts when no cost is
// measured.
TEST(StepBlocks, CutsOfEqualCost) {
  balance_t b;
  EXPECT_EQ(balance_cuts(b, 3, 40, 4), nullptr) << "nothing measured";
  b.cost.assign(50, 1.0);
  b.cost[10] = 1000.0;
  const int *c = balance_cuts(b, 3, 40, 4);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c[0], 3);
  EXPECT_EQ(c[4], 41);
  for (int t = 0; t < 4; ++t) EXPECT_LT(c[t], c[t + 1]);
  bool own = false;
  for (int t = 0; t < 4; ++t) own = own || (c[t] == 10 && c[t + 1] == 11);
  EXPECT_TRUE(own) << "column 10 not a block of its own";
  // As many blocks as columns.
  c = balance_cuts(b, 3, 6, 4);
  ASSERT_NE(c, nullptr);
  for (int t = 0; t <= 4; ++t) EXPECT_EQ(c[t], 3 + t);
}

// Strongly unequal blocks that move from step to step (the costs made steep to the left
// in one step and to the right in the next) give the bits of one thread. Both modes.
TEST(StepBlocks, UnequalBlocksGiveTheBitsOfOneThread) {
  isa_guard g;
  for (int mrot : {0, 1}) {
    const std::string deck = tall_deck(mrot);
    std::vector<float> want;
    for (int nt : {1, 5}) {
      SCOPED_TRACE(testing::Message() << "MROT " << mrot << ", " << nt << " threads");
      omp_set_num_threads(nt);
      deck_setup(deck);
      balance_t &b = balance[mrot];
      for (int k = mp.KSTART; k <= wind.NT - 1; ++k) {
        b.cost.assign(latc.NZ + 2, 0.0);
        for (int j = 1; j <= latc.NZ; ++j) {
          const double x = k % 2 == 0 ? j : latc.NZ + 1 - j;
          b.cost[j] = 1.0 / (x * x * x);
        }
        if (mrot == 0) mefld(k + 1);
        else hefld(k + 1);
        jmpbm(k, mp.KX, mp.NW, wkfld_held());
      }
      b.cost.clear();
      if (nt == 1) want = solver_state();
      else EXPECT_TRUE(same_state(want, solver_state())) << nt << " threads against 1";
    }
  }
}
