// A bunch train sums only the bunches that reach the point: the same values as the sum
// over every bunch, and a train of 2147483647 bunches sums only its neighbours.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/units.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"

namespace {

void train(int nbunch, float bsep, float sig) {
  latc.SIG = sig;
  latc.DDZ = 0.001f;
  latc.NZ = 100;
  latc.MTE = 3;
  cdis.NBUNCH = nbunch;
  cdis.BSEP = bsep;
  cals.SIGCUT = 5.0f;
  uopen_mem(ndev.NOUT);
}

// The shape of the train summed over every bunch, in the order b = 1 .. NBUNCH.
float every_bunch(float z) {
  const float sig = latc.SIG;
  const float c1 = -static_cast<float>(cdis.NBUNCH - 1) * 0.5f * cdis.BSEP;
  float f = 0.0f;
  for (int b = 1; b <= cdis.NBUNCH; ++b) {
    const float u = (z - (c1 + static_cast<float>(b - 1) * cdis.BSEP)) / sig;
    if (std::fabs(u) <= 5.0f) f += std::exp(-(u * u) / 2.0f);
  }
  return f;
}

} // namespace

TEST(BunchTrain, SameValuesAsTheSumOverEveryBunch) {
  const struct {
    int nbunch;
    float bsep, sig;
  } cases[] = {
      {3, 0.05f, 0.01f},  {2, 0.02f, 0.01f},   {1000, 0.001f, 0.01f}, // overlapping bunches
      {7, -0.03f, 0.01f}, {50, 0.0f, 0.01f},   {20001, 1.0e-6f, 0.01f}, // all on one centre
      {9, 0.037f, 0.003f},
  };
  for (const auto &c : cases) {
    train(c.nbunch, c.bsep, c.sig);
    const float zh = (static_cast<float>(c.nbunch - 1) * 0.5f * std::fabs(c.bsep)) + 6.0f * c.sig;
    for (int k = -400; k <= 400; ++k) {
      const float z = zh * static_cast<float>(k) / 400.0f;
      ASSERT_EQ(bshape(z), every_bunch(z)) << "NBUNCH " << c.nbunch << " BSEP " << c.bsep << " z " << z;
    }
  }
}

TEST(BunchTrain, LongestTrain) {
  train(2147483647, 0.01f, 0.01f);
  const float f = bshape(0.0f);
  EXPECT_TRUE(std::isfinite(f));
  EXPECT_GT(f, 0.0f);
  // All bunches on one centre: the sum stops growing at 2**24, as the full sum would.
  train(2147483647, 0.0f, 0.01f);
  EXPECT_EQ(bshape(0.0f), 16777216.0f);
}
