// Straight-line wake integration: which column feeds which witness, with which weights.
#include <gtest/gtest.h>

#include "minirun.hpp"
#include "run/constants.hpp"

namespace {
// Fields on the path line: Ez(j) = j, Ephi(j) = 10*j, Hr(j) = 100*j.
void path_fields() {
  for (int j = lfrbk.IZMWL; j <= lfrbk.IZMWR && j <= latc.NZ; ++j) {
    ev(3, node(pint.KMIN, j)) = static_cast<float>(j);
    ev(2, node(pint.KMIN, j)) = 10.0f * j;
    hv(1, node(pint.KMIN, j)) = 100.0f * j;
  }
}
minirun_t small(int MTE) {
  minirun_t c;
  c.MTE = MTE;
  c.h = 0.5f; // CDT = DDZ/MTE exact in binary
  c.NZ = 20;
  return c;
}
} // namespace

// MTE = 2, fresh run: step 0 adds Ez(1)*CDT to wz(1); step 1 crosses and adds
// (Ez(1) + Ez(2))*CDT/2 to wz(1), then KX = 2; step 2 feeds wz(2) from column 1 and
// wz(1) from column 2.
TEST(WakeStraight, ConventionalMethodFirstSteps) {
  mini_setup(small(2));
  path_fields();
  const float CDT = 0.25f;
  int KX = 1;
  jmpbm(0, KX, mp.NW, wkfld_held());
  EXPECT_EQ(KX, 1);
  EXPECT_EQ(wzwy_data.wz(1), 1.0f * CDT);
  EXPECT_EQ(wzwy_data.wz(2), 0.0f);
  jmpbm(1, KX, mp.NW, wkfld_held());
  EXPECT_EQ(KX, 2);
  EXPECT_EQ(wzwy_data.wz(1), 1.0f * CDT + (1.0f + 2.0f) * CDT / 2.0f);
  jmpbm(2, KX, mp.NW, wkfld_held());
  EXPECT_EQ(wzwy_data.wz(1), 1.0f * CDT + (1.0f + 2.0f) * CDT / 2.0f + 2.0f * CDT);
  EXPECT_EQ(wzwy_data.wz(2), 1.0f * CDT);
  EXPECT_EQ(wzwy_data.wz(3), 0.0f);
}

// The azimuthal wake: Ephi averaged over the step, Hr with the 7:1 weights at and after
// a crossing; k = 0 with MTE = 3 takes the single Hr of column 1.
TEST(WakeStraight, AzimuthalWeights) {
  mini_setup(small(3));
  path_fields();
  const float CDT = 0.5f / 3.0f, ZCDT = cons.Z0 * 0.5f / 3.0f;
  int KX = 1;
  jmpbm(0, KX, mp.NW, wkfld_held()); // ordinary step, k a multiple of MTE, column 1 only
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), (10.0f + 20.0f) * CDT / 2.0f + 100.0f * ZCDT);
  wakecl();
  jmpbm(1, KX, mp.NW, wkfld_held()); // ordinary step: Hr taken as it is
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), (10.0f + 20.0f) * CDT / 2.0f + 100.0f * ZCDT);
  wakecl();
  jmpbm(2, KX, mp.NW, wkfld_held()); // crossing: Ephi 1:2:1, Hr 7:1 towards the front
  EXPECT_EQ(KX, 2);
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), (10.0f + 40.0f + 30.0f) * CDT / 4.0f + (700.0f + 200.0f) * ZCDT / 8.0f);
  wakecl();
  jmpbm(3, KX, mp.NW, wkfld_held()); // after the crossing: Hr 7:1 towards the back; column 2 feeds s = 1
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), (20.0f + 30.0f) * CDT / 2.0f + (1400.0f + 100.0f) * ZCDT / 8.0f);
  EXPECT_FLOAT_EQ(wzwy_data.wy(2), (10.0f + 20.0f) * CDT / 2.0f + 100.0f * ZCDT);
}

// Column NZ has no neighbour ahead: a crossing step takes Ez(NZ), Ephi(NZ), Hr(NZ) alone.
TEST(WakeStraight, LastColumnWithoutNeighbours) {
  minirun_t c = small(2);
  c.NZ = 5;
  mini_setup(c);
  path_fields();
  const float CDT = 0.25f, ZCDT = cons.Z0 * 0.25f;
  int KX = 5; // witness s = 1 on column NZ
  jmpbm(9, KX, mp.NW, wkfld_held()); // a crossing step with the front on NZ
  EXPECT_EQ(wzwy_data.wz(1), 5.0f * CDT);
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), 50.0f * CDT + 500.0f * ZCDT);
  // column NZ - 1 feeds s = 2: Ez interpolated with NZ, Ephi alone (jj = NZ - 1)
  EXPECT_EQ(wzwy_data.wz(2), (4.0f + 5.0f) * CDT / 2.0f);
  EXPECT_FLOAT_EQ(wzwy_data.wy(2), 40.0f * CDT + (2800.0f + 500.0f) * ZCDT / 8.0f);
  EXPECT_EQ(KX, 6);
}

// A counter-rotating beam reads the columns behind; a neighbour no longer held in the
// stored window contributes 0.
TEST(WakeStraight, CounterRotatingNeighbourOutsideWindowIsZero) {
  minirun_t c = small(2);
  c.NZ = 200;
  c.LCBACK = true;
  mini_setup(c);
  lfrbk.IZMWL = 50; // the stored window has moved on
  lfrbk.IZMWR = 50 + msz.NMESH / c.NR - 1;
  path_fields();
  crbw.LCRBW = true;
  crbw.ISEP = 60;
  // KSTEP chosen so that the window starts at column 50 = IZMWL
  int jb, jf;
  int k = 1;
  for (; k < wind.NT; k += 2) {
    wndpair(k + 1, jb, jf);
    if (jb == 50) break;
  }
  ASSERT_EQ(jb, 50);
  const int jc = crbw.ISEP - 50 + 1; // witness column of j = 50
  int KX = jc;                       // s = 1 on column 50
  jmpbm(k, KX, mp.NW, wkfld_held());               // (k + 1) even: a crossing step
  EXPECT_EQ(wzwy_data.wz(1), (50.0f + 0.0f) * 0.25f / 2.0f);
  crbw.LCRBW = false;
}

// TAVO (MTE = 4, counters from KX = 0, KY = 1): Ez(1) into wz(1) at k = 1; Ephi(2) into
// wy(1) and Ephi(1) into wy(2) at k = 3.
TEST(WakeStraight, TavoSamples) {
  minirun_t c = small(4);
  mini_setup(c);
  path_fields();
  int KX = 0, KY = 1;
  conbm(0, KX, KY, mp.NW, wkfld_held());
  EXPECT_EQ(wzwy_data.wz(1), 0.0f);
  conbm(1, KX, KY, mp.NW, wkfld_held());
  EXPECT_EQ(KX, 1);
  EXPECT_EQ(wzwy_data.wz(1), 1.0f * 0.5f);
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), cons.Z0 * 100.0f * 0.5f);
  conbm(2, KX, KY, mp.NW, wkfld_held());
  conbm(3, KX, KY, mp.NW, wkfld_held());
  EXPECT_EQ(KY, 2);
  EXPECT_FLOAT_EQ(wzwy_data.wy(1), cons.Z0 * 100.0f * 0.5f + 20.0f * 0.5f);
  EXPECT_EQ(wzwy_data.wy(2), 10.0f * 0.5f);
}

TEST(WakeStraight, FieldAccessorOutsideStoredWindow) {
  minirun_t c;
  c.LCBACK = true;
  c.NZ = 200;
  mini_setup(c);
  lfrbk.IZMWL = 10;
  lfrbk.IZMWR = 10 + msz.NMESH / c.NR - 1;
  he_data.e[3].fill(1.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], 1, 10), 1.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], 1, 9), 0.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], 1, lfrbk.IZMWR + 1), 0.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], 0, 10), 0.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], c.NR + 1, 10), 0.0f);
}

// A step of a group hands its wake routine the line its sweep left in the step's slot:
// the values of that line and no others (the field arrays hold a later step by then),
// 0 outside the slot's stored window and for a component the run does not hold.
TEST(WakeStraight, LineOfAStepOfAGroup) {
  mini_setup(small(2));
  pint.KMIN = 3;
  he_data.e[3].fill(7.0f); // the arrays: a later step
  wkline_open(1);
  for (int j = wkline.IZMWL; j <= wkline.IZMWR; ++j) wkline.v[1][2][j - wkline.IZMWL] = 0.5f * j;
  wkline.v[1][1].clear(); // Ephi not held
  const wkfld_t L = wkfld_slot(1);
  EXPECT_EQ(wkget(L.c[2], 3, 10), 5.0f);
  EXPECT_EQ(wkget(L.c[2], 3, wkline.IZMWR), 0.5f * wkline.IZMWR);
  EXPECT_EQ(wkget(L.c[2], 2, 10), 0.0f);
  EXPECT_EQ(wkget(L.c[2], 3, wkline.IZMWR + 1), 0.0f);
  EXPECT_EQ(wkget(L.c[1], 3, 10), 0.0f);
  EXPECT_EQ(wkget(wkfld_held().c[2], 3, 10), 7.0f);
  // jmpbm integrates the line it is handed: step 0 adds Ez(1)*CDT to wz(1).
  int KX = 1;
  jmpbm(0, KX, mp.NW, L);
  EXPECT_EQ(wzwy_data.wz(1), 0.5f * 0.25f);
  KX = 1;
  jmpbm(0, KX, mp.NW, wkfld_held());
  EXPECT_EQ(wzwy_data.wz(1), 0.5f * 0.25f + 7.0f * 0.25f);
}
