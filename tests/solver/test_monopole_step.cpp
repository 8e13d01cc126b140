// The monopole step on hand-set cells: metal skipped, cut cells doubled, the beam source
// on the axis and on the drive ring. The window is held fixed (no new front column).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "minirun.hpp"
#include "run/constants.hpp"

namespace {
// Every cell vacuum up to line NR - 1, row NR metal; edge factors by the vacuum rule.
void vacuum_cells() {
  const int NR = latc.NR;
  for (int j = 1; j <= latc.NZ; ++j)
    for (int i = 1; i <= NR; ++i) {
      const long m = node(i, j);
      iflg(m) = i < NR ? 0.0f : 5.0f;
      sjdg(1, m) = i < NR ? 1.0f : 0.0f;
      sjdg(3, m) = (i > 1 && i < NR) ? 1.0f : 0.0f;
    }
}
// Hold the window of step n: the previous pair equals it, so no column is classified.
void hold_window(int n) {
  int jb, jf;
  wndpair(n, jb, jf);
  nzin.JBPREV = jb;
  nzin.JFPREV = jf;
}
bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
} // namespace

TEST(MonopoleStep, MetalSkippedAndCutCellsDoubled) {
  minirun_t c;
  c.NR = 6;
  c.NZ = 10;
  c.IRDRIVE = c.IRPL = c.IRPR = 6;
  mini_setup(c);
  vacuum_cells();
  iflg(node(2, 3)) = 3.0f; // cut by a diagonal
  iflg(node(4, 3)) = 5.0f; // metal
  celall();
  for (int i = 1; i <= c.NR; ++i) {
    ev(1, node(i, 4)) = 1.0f; // Er(j + 1) - Er(j) = 1 for column 3
    hv(2, node(i, 3)) = -0.0f;
  }
  hold_window(40);
  mefld(40);
  const float h1 = hv(2, node(1, 3)), h2 = hv(2, node(2, 3));
  EXPECT_NE(h1, 0.0f);
  EXPECT_EQ(h2, 2.0f * h1);
  EXPECT_EQ(h1, -parcom.FACH * 1.0f);
  EXPECT_TRUE(same_bits(hv(2, node(4, 3)), -0.0f)); // untouched, bit for bit
}

// Beam on the axis (IRDRIVE = 1): from zero fields one step gives Ez(1, j) =
// -4*q*ex1(1)/(FACQ*gdr(1)) with q = qkst(K - j + 2), K = (NSTEP - 1)/MTE; steps 1 to 3
// (MTE = 3) have the head in column 1, step 4 in column 2.
TEST(MonopoleStep, AxisSourceFollowsTheHead) {
  struct row {
    int NSTEP, column, q;
  } rows[] = {{1, 1, 1}, {3, 1, 1}, {4, 2, 1}, {4, 1, 2}, {7, 3, 1}, {7, 1, 3}, {7, 4, 0}};
  for (const row &r : rows) {
    minirun_t c;
    c.NR = 6;
    c.NZ = 10;
    c.IRDRIVE = 1;
    c.IRPL = c.IRPR = 6;
    mini_setup(c);
    vacuum_cells();
    celall();
    qkar.NQ = 5;
    for (int q = 1; q <= 5; ++q) wzwy_data.qkst(q) = 10.0f * q;
    hold_window(r.NSTEP);
    mefld(r.NSTEP);
    const float q = r.q ? wzwy_data.qkst(r.q) : 0.0f;
    const float want = -4.0f * q * cm3_data.ex1(1) / (parcom.FACQ * gdr(1));
    EXPECT_FLOAT_EQ(ev(3, node(1, r.column)), want) << "step " << r.NSTEP << " column " << r.column;
    for (int i = 2; i <= c.NR; ++i) EXPECT_EQ(ev(3, node(i, r.column)), 0.0f);
  }
}

// The ring source drives Ez only where the ring node lies in vacuum.
TEST(MonopoleStep, RingSourceOnlyInVacuum) {
  for (bool metal : {false, true}) {
    minirun_t c;
    c.NR = 6;
    c.NZ = 10;
    c.IRDRIVE = 3;
    c.IRPL = c.IRPR = 6;
    mini_setup(c);
    vacuum_cells();
    if (metal) sjdg(3, node(3, 2)) = 0.0f;
    celall();
    qkar.NQ = 5;
    for (int q = 1; q <= 5; ++q) wzwy_data.qkst(q) = 1.0f;
    hold_window(4);
    mefld(4);
    const float want = metal ? 0.0f : -0.5f * 1.0f * cm3_data.ex1(3) / (parcom.FACQ * gr(3));
    EXPECT_FLOAT_EQ(ev(3, node(3, 2)), want) << "metal " << metal;
  }
}
