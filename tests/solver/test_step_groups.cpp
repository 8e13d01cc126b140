// Several field steps in one sweep over memory: the fields, delay lines and wakes of whole
// runs against those of the same runs stepped one by one, bit for bit, and the runs of
// plain and metal lines kept with the cell codes against the codes.
#include <gtest/gtest.h>
#include <omp.h>

#include <string>
#include <vector>

#include "run/timeloop.hpp"
#include "deckrun.hpp"
#include "solver_state.hpp"
#include "test_decks.hpp"

namespace {

struct group_guard {
  int threads = omp_get_max_threads();
  ~group_guard() {
    stepping.GROUP = GROUPMAX;
    omp_set_num_threads(threads);
  }
};

std::vector<float> run_of(const std::string &deck, int group) {
  stepping.GROUP = group;
  deck_setup(deck);
  time_loop();
  return solver_state();
}

} // namespace

// Groups of two, three and four steps against single steps: with the moving back and
// with column 1 held, with the straight-line and the TAVO integration (for the dipole),
// a counter-rotating beam and a wake line inside the pipe, on one thread and on teams
// whose blocks are just wide enough. The cavity is 0.7 m long: with the whole mesh the
// window exceeds the team's threshold of 32768 nodes (51 radial lines) over its last
// hundred columns, three hundred steps in groups on the team; a longer cavity only
// repeats those steps, each a wait of the team on a loaded machine.
TEST(StepGroups, GroupsGiveTheBitsOfSingleSteps) {
  group_guard g;
  struct deck_case {
    const char *name;
    std::string deck;
  };
  const double L = 0.7;
  const std::vector<deck_case> decks = {
      {"monopole, moving back", long_cavity("", 0, 3, L)},
      {"monopole, whole mesh", long_cavity(", LCBACK=F", 0, 3, L)},
      {"monopole, MT = 4", long_cavity("", 0, 4, L)},
      {"dipole, moving back", long_cavity("", 1, 3, L)},
      {"dipole, whole mesh, TAVO", long_cavity(", LCBACK=F, LTAVO=T", 1, 3, L)},
      {"dipole, MT = 4", long_cavity(", LCBACK=F", 1, 4, L)},
      {"monopole, counter-rotating beam", long_cavity(", LCBACK=F, LCRBW=T, ZSEP=0.5", 0, 3, L)},
      {"dipole, wake line inside the pipe", long_cavity(", LNONAP=T, RWAK=0.005", 1, 3, L)},
  };
  for (const deck_case &d : decks)
    for (int nt : {1, 3, 8}) {
      SCOPED_TRACE(testing::Message() << d.name << ", " << nt << " threads");
      omp_set_num_threads(nt);
      const std::vector<float> one = run_of(d.deck, 1);
      for (int group : {2, GROUPMAX}) EXPECT_TRUE(same_state(one, run_of(d.deck, group))) << "groups of " << group;
    }
}

// Blocks of a few columns, their boundaries on column 1 and on cut cells, in both modes.
TEST(StepGroups, NarrowBlocksOnColumnOneAndCutCells) {
  group_guard g;
  for (int mrot : {0, 1})
    for (int nt : {2, 5, 8}) {
      SCOPED_TRACE(testing::Message() << "MROT " << mrot << ", " << nt << " threads");
      omp_set_num_threads(nt);
      const std::string deck = tall_deck(mrot);
      const std::vector<float> one = run_of(deck, 1);
      EXPECT_TRUE(same_state(one, run_of(deck, GROUPMAX)));
    }
}

// The runs kept with the codes are those the codes give, at every step of a run whose
// stored window moves (shift) and whose front classifies new columns (celcol).
TEST(StepGroups, KeptRunsAreThoseOfTheCodes) {
  deck_setup(long_cavity("", 0));
  int moves = 0, izmwl = lfrbk.IZMWL;
  for (int k = mp.KSTART; k <= wind.NT - 1; ++k) {
    mefld(k + 1);
    if (lfrbk.IZMWL != izmwl) ++moves;
    izmwl = lfrbk.IZMWL;
    const long NR = latc.NR, ncol = celc_data.kc.size() / NR;
    ASSERT_EQ(static_cast<long>(celc_data.run.size()), ncol);
    for (long c = 0; c < ncol; ++c) {
      const unsigned char *kc = celc_data.kc.data() + c * NR;
      const runs_t m = col_runs(kc, static_cast<int>(NR), KC_PLAIN_MASK0, KC_PLAIN0);
      const runs_t d = col_runs(kc, static_cast<int>(NR), KC_PLAIN_MASK1, KC_PLAIN1);
      const colrun_t &r = celc_data.run[static_cast<std::size_t>(c)];
      ASSERT_TRUE(r.P[0] == m.P && r.P[1] == d.P && r.U == m.U) << "step " << k + 1 << ", local column " << c + 1;
    }
  }
  EXPECT_GT(moves, 10) << "the stored window has moved";
}

// What a run of plain and metal lines means, on codes made for it: plain lines 2 .. P,
// metal lines after U, the axis and the top line never plain.
TEST(StepGroups, RunsOfACodeColumn) {
  const unsigned char O = 1u << KC_OPEN, C = 1u << KC_CUT, R = 1u << KC_ER, Z = 1u << KC_EZ,
                      F = 1u << KC_EPHI;
  const unsigned char plain0 = O | R | Z, plain1 = O | R | Z | F;
  struct run_case {
    std::vector<unsigned char> k;
    int P0, P1, U;
  };
  std::vector<run_case> cases = {
      {{O, plain1, plain1, plain1, 0, 0}, 4, 4, 4},
      {{O, plain0, plain1, O | C | R | Z, plain1, 0, O, 0}, 3, 1, 7},
      {{0, 0, 0}, 1, 1, 1},
      {{plain1}, 1, 1, 1},
  };
  // A long column: 20 plain lines, a cut cell, plain lines, then metal.
  std::vector<unsigned char> l(40, 0);
  l[0] = O;
  for (int i = 1; i < 30; ++i) l[i] = plain1;
  l[21] = O | C | R | Z | F;
  cases.push_back({l, 21, 21, 30});
  for (const run_case &c : cases) {
    const int n = static_cast<int>(c.k.size());
    const runs_t m = col_runs(c.k.data(), n, KC_PLAIN_MASK0, KC_PLAIN0);
    const runs_t d = col_runs(c.k.data(), n, KC_PLAIN_MASK1, KC_PLAIN1);
    EXPECT_EQ(m.P, c.P0) << n << " lines";
    EXPECT_EQ(d.P, c.P1) << n << " lines";
    EXPECT_EQ(m.U, c.U) << n << " lines";
  }
}
