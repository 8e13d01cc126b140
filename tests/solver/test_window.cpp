// Computation window, stored-window shift and presets.
#include <gtest/gtest.h>

#include <vector>

#include "minirun.hpp"

// The pair (JBACK, JFRONT) of a step, by the window rule.
TEST(Window, RuleTable) {
  struct row {
    int MTE, NZ, NUBT;
    bool LCBACK;
    int NSTEP, JB, JF;
  } rows[] = {
      // MTE = 3: the front moves every third step, one column ahead of the head
      {3, 100, 20, false, 1, 1, 2},
      {3, 100, 20, false, 2, 1, 2},
      {3, 100, 20, false, 3, 1, 3},
      {3, 100, 20, false, 300, 1, 100}, // capped at NZ
      // MTE = 1: every step
      {1, 100, 20, false, 1, 1, 3},
      {1, 100, 20, false, 97, 1, 99},
      // LCBACK, MTE = 3: NT = 364, NT/MTE = 121, JBACK = NSTEP/3 - 23 from NSTEP = 75
      {3, 100, 20, true, 74, 1, 26},
      {3, 100, 20, true, 75, 2, 27},
      {3, 100, 20, true, 363, 98, 100},
      // LCBACK, MTE = 1: NT = 122, JBACK = NSTEP - 24 from NSTEP = 26
      {1, 100, 20, true, 25, 1, 27},
      {1, 100, 20, true, 26, 2, 28},
      // without LCBACK the back stays on column 1 to the end
      {1, 100, 20, false, 122, 1, 100},
  };
  for (const row &r : rows) {
    minirun_t c;
    c.MTE = r.MTE;
    c.NZ = r.NZ;
    c.NUBT = r.NUBT;
    c.LCBACK = r.LCBACK;
    mini_setup(c);
    int jb = -1, jf = -1;
    wndpair(r.NSTEP, jb, jf);
    EXPECT_EQ(jb, r.JB) << "MTE " << r.MTE << " LCBACK " << r.LCBACK << " NSTEP " << r.NSTEP;
    EXPECT_EQ(jf, r.JF) << "MTE " << r.MTE << " LCBACK " << r.LCBACK << " NSTEP " << r.NSTEP;
  }
}

// Field value that identifies component k, line i and column j.
static float tag(int k, int i, int j) { return 10000.0f * k + 100.0f * j + i; }

// Walk the window rule over a whole run, filling the held columns with tagged values
// before each step; at a shift the columns JBPREV+1 .. JFPREV keep their values at their
// new nodes and everything after them is 0.
TEST(Window, ShiftsMoveTheStoredWindow) {
  struct row {
    int MTE;
    bool LCBACK;
    std::vector<int> shift_steps, izmwl;
  } rows[] = {
      // NZ = 200, NW = 11: NMESH holds 45 columns. The first shift comes when the front
      // reaches column 46; after it local column 1 holds JBACK, and the next shift comes
      // 45 columns past that, less the width of the window (15 columns with MTE = 3,
      // 16 with MTE = 1, where JFRONT = NSTEP + 2).
      {3, true, {132, 222, 312, 402, 492, 582}, {31, 61, 91, 121, 151, 181}},
      {1, true, {44, 73, 102, 131, 160, 189}, {30, 59, 88, 117, 146, 175}},
      {3, false, {}, {}}, // all columns held: never
  };
  for (const row &r : rows) {
    minirun_t c;
    c.NR = 4;
    c.NZ = 200;
    c.NUBT = 10;
    c.MTE = r.MTE;
    c.LCBACK = r.LCBACK;
    mini_setup(c);
    ASSERT_EQ(msz.NMESH / c.NR, r.LCBACK ? 45 : 230);
    std::vector<int> got, gotl;
    for (int n = 1; n <= wind.NT; ++n) {
      for (int j = lfrbk.IZMWL; j <= lfrbk.IZMWR; ++j)
        for (int i = 1; i <= c.NR; ++i)
          for (int k = 1; k <= 3; ++k) {
            ev(k, node(i, j)) = tag(k, i, j);
            hv(k, node(i, j)) = -tag(k, i, j);
          }
      wndpair(n, eline.JBACK, eline.JFRONT);
      const int jbp = nzin.JBPREV, jfp = nzin.JFPREV;
      if (shift()) {
        got.push_back(n);
        gotl.push_back(lfrbk.IZMWL);
        EXPECT_EQ(lfrbk.IZMWL, eline.JBACK);
        EXPECT_EQ(lfrbk.IZMWR, lfrbk.IZMWL + 44);
        for (int j = jbp + 1; j <= jfp; ++j)
          for (int i = 1; i <= c.NR; ++i)
            for (int k = 1; k <= 3; ++k) {
              ASSERT_EQ(ev(k, node(i, j)), tag(k, i, j)) << "step " << n << " column " << j;
              ASSERT_EQ(hv(k, node(i, j)), -tag(k, i, j)) << "step " << n << " column " << j;
            }
        for (long m = static_cast<long>(jfp - jbp) * c.NR + 1; m <= msz.NMESH; ++m)
          for (int k = 1; k <= 3; ++k) {
            ASSERT_EQ(ev(k, m), 0.0f);
            ASSERT_EQ(hv(k, m), 0.0f);
          }
      }
      nzin.JBPREV = eline.JBACK;
      nzin.JFPREV = eline.JFRONT;
    }
    EXPECT_EQ(got, r.shift_steps) << "MTE " << r.MTE;
    EXPECT_EQ(gotl, r.izmwl) << "MTE " << r.MTE;
  }
}

// A step whose window did not move shifts nothing, even with the front past the window.
TEST(Window, NoShiftWithoutMove) {
  minirun_t c;
  c.NR = 4;
  c.NZ = 200;
  c.LCBACK = true;
  mini_setup(c);
  ev(1, 5) = 7.0f;
  nzin.JBPREV = 10;
  nzin.JFPREV = 46;
  eline.JBACK = 10; // the back did not move
  eline.JFRONT = 46;
  EXPECT_FALSE(shift());
  EXPECT_EQ(lfrbk.IZMWL, 1);
  EXPECT_EQ(ev(1, 5), 7.0f);
}

TEST(Window, InitjdClearsFieldsFactorsAndDelayLines) {
  minirun_t c;
  mini_setup(c);
  for (int k = 1; k <= 3; ++k) {
    ev(k, 3) = 1.0f;
    hv(k, msz.NMESH) = 2.0f;
    sjdg(k, 7) = 1.0f;
  }
  stk_data.hvstk(1, 1, 1) = 1.0f;
  stk_data.hvstl1(c.NR + 1, 2, NPT) = 1.0f;
  initjd();
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(ev(k, 3), 0.0f);
    EXPECT_EQ(hv(k, msz.NMESH), 0.0f);
    EXPECT_EQ(sjdg(k, 7), 0.0f);
  }
  EXPECT_EQ(stk_data.hvstk(1, 1, 1), 0.0f);
  EXPECT_EQ(stk_data.hvstl1(c.NR + 1, 2, NPT), 0.0f);
}
