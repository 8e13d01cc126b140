// Bunch model: half length and shape for the Gaussian, the train and the triangle,
// the normalisation and the line-charge table, and the density at a column and step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "../stopped_report.hpp"

namespace {

// SIG = 1 cm on a mesh of DDZ = 1 mm.
void bunch(int nbunch, int isig, float bsep = 0.0f, int mte = 3) {
  latc.SIG = 0.01f;
  latc.DDZ = 0.001f;
  latc.NZ = 100;
  latc.MTE = mte;
  cdis.NBUNCH = nbunch;
  cdis.BSEP = bsep;
  cals.SIGCUT = static_cast<float>(isig);
  uopen_mem(ndev.NOUT);
}

// calsum and qkset on a table of n entries preset to garbage.
void table(long n) {
  wzwy_data.qkst.alloc(n, 7.0f);
  calsum();
  qkset();
}

double table_sum() {
  double s = 0.0;
  for (long i = 1; i <= wzwy_data.qkst.size(); ++i) s += wzwy_data.qkst(i) * latc.DDZ;
  return s;
}

} // namespace

TEST(Bunch, HalfLengthAndCentreValue) {
  struct tcase {
    int nbunch, isig;
    float bsep, zhalf, f0;
  };
  const tcase cases[] = {
      {1, 5, 0.0f, 0.05f, 1.0f},
      {1, 3, 0.0f, 0.03f, 1.0f},
      {3, 8, 0.1f, 0.18f, 1.0f},                           // neighbours 10 SIG away: cut at 5
      {2, 5, 0.02f, 0.06f, 2.0f * std::exp(-0.5f)},       // centres at +-1 SIG
      {0, 5, 0.0f, 0.01f, 0.01f},                          // triangle of height SIG
      {-3, 5, 0.0f, 0.01f, 0.01f},
  };
  for (const tcase &c : cases) {
    bunch(c.nbunch, c.isig, c.bsep);
    const float f0 = bshape(0.0f);
    EXPECT_NEAR(cdis.ZHALF, c.zhalf, 1e-7f) << "NBUNCH " << c.nbunch << " ISIG " << c.isig;
    EXPECT_NEAR(f0, c.f0, 1e-6f) << "NBUNCH " << c.nbunch << " ISIG " << c.isig;
  }
}

TEST(Bunch, EveryBunchOfATrainEndsFiveSigmaFromItsCentre) {
  // ISIG = 8: the outer bunch (centre 0.1) ends at 0.15, inside ZHALF = 0.18.
  bunch(3, 8, 0.1f);
  EXPECT_GT(bshape(0.149f), 0.0f);
  EXPECT_EQ(bshape(0.151f), 0.0f);
  // ISIG = 3: the distribution ends 3 SIG beyond the outer centres; the head itself
  // (|S| = ZHALF) still counts.
  bunch(3, 3, 0.1f);
  table(300);
  EXPECT_NEAR(cdis.ZHALF, 0.13f, 1e-7f);
  EXPECT_NEAR(wzwy_data.qkst(1) * cals.CNORM * latc.DDZ, std::exp(-4.5f), 1e-5f);
  float q;
  chage(2, 0, q); // one column ahead of the head
  EXPECT_EQ(q, 0.0f);
}

TEST(Bunch, LineChargeTableSumsToOne) {
  struct tcase {
    int nbunch, isig, mte;
    float bsep;
    double tol;
  };
  const tcase cases[] = {
      {1, 5, 1, 0.0f, 1e-5},  // the grids of CNORM and qkst coincide
      {1, 5, 3, 0.0f, 1e-4},
      {1, 3, 4, 0.0f, 1e-3},  // cut at 3 SIG: the shifted grid meets the cut elsewhere
      {4, 5, 2, 0.03f, 1e-4},
      {0, 5, 2, 0.0f, 1e-5},
      {0, 5, 1, 0.0f, 1e-5},
  };
  for (const tcase &c : cases) {
    bunch(c.nbunch, c.isig, c.bsep, c.mte);
    table(400);
    EXPECT_NEAR(table_sum(), 1.0, c.tol)
        << "NBUNCH " << c.nbunch << " ISIG " << c.isig << " MTE " << c.mte;
  }
}

TEST(Bunch, GaussianTableHeadTailAndClearedRest) {
  bunch(1, 5);
  table(150);
  EXPECT_EQ(qkar.NQ, 102);
  EXPECT_NEAR(cals.CNORM, 25.0663f, 1e-3f); // sqrt(2 pi) SIG/DDZ
  // The head lies on the cut: exp(-12.5)/(CNORM*DDZ).
  EXPECT_NEAR(wzwy_data.qkst(1), std::exp(-12.5f) / (cals.CNORM * latc.DDZ), 1e-9f);
  EXPECT_NEAR(wzwy_data.qkst(51), 1.0f / (cals.CNORM * latc.DDZ), 1e-5f); // the centre
  EXPECT_EQ(wzwy_data.qkst(102), 0.0f); // beyond the tail
  for (long i = 103; i <= 150; ++i) ASSERT_EQ(wzwy_data.qkst(i), 0.0f) << i;
}

TEST(Bunch, DensityAtAColumnAndStep) {
  bunch(1, 5);
  table(150);
  float q;
  chage(1, 0, q);
  EXPECT_EQ(q, wzwy_data.qkst(1)); // the head
  chage(1, 40 * latc.MTE, q);
  EXPECT_EQ(q, wzwy_data.qkst(41));
  // Column 5 at step J sees what column 1 saw 4 mesh steps earlier.
  float q5;
  chage(5, 44 * latc.MTE, q5);
  EXPECT_NEAR(q5, q, 1e-5f);
  // The whole bunch has passed: J*DDZ/MTE > 2*ZHALF.
  chage(1, 101 * latc.MTE + 1, q);
  EXPECT_EQ(q, 0.0f);
  // Between mesh steps: a time step after the head passed column 1.
  chage(1, 1, q);
  EXPECT_GT(q, wzwy_data.qkst(1));
  EXPECT_LT(q, wzwy_data.qkst(2));
}

TEST(Bunch, OneTimeStepPerMeshStep) {
  // MTE = 1: CNORM is the sum of the table entries, so the table sums to 1.
  bunch(1, 5, 0.0f, 1);
  table(102);
  double s = 0.0;
  for (long i = 1; i <= 102; ++i) s += wzwy_data.qkst(i);
  EXPECT_NEAR(s * cals.CNORM * latc.DDZ, cals.CNORM, 1e-4);
  EXPECT_NEAR(table_sum(), 1.0, 1e-6);
}

TEST(Bunch, TableShorterThanTheBunchIsFilledUpToItsEnd) {
  bunch(1, 5);
  table(10);
  EXPECT_EQ(qkar.NQ, 102);
  EXPECT_EQ(wzwy_data.qkst.size(), 10);
  float q;
  chage(1, 9 * latc.MTE, q);
  EXPECT_EQ(wzwy_data.qkst(10), q);
}

TEST(Bunch, TriangleThatMissesEverySamplePointStops) {
  bunch(0, 5, 0.0f, 1);
  latc.SIG = 0.0004f; // half width 0.4 mm on a 1 mm mesh
  const std::vector<std::string> r = stopped_report([] { calsum(); });
  ASSERT_FALSE(r.empty());
  EXPECT_EQ(r[0], " *** STOP *** SIG =  0.40000E-03 GIVES NO CHARGE ON THE MESH OF DDZ =  0.10000E-02");
}
