// Radial line of the straight wake-integration path.
#include <gtest/gtest.h>

#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/kmin.hpp"

TEST(Kmin, LowerPipeLineOrTheForcedWakeLine) {
  struct {
    int irpl, irpr;
    bool lnonap;
    int irwak, kmin;
  } cases[] = {
      {3, 5, false, 2, 3}, // the wake line counts only with LNONAP
      {5, 3, true, 2, 2},
      {5, 5, true, 1, 5}, // a wake line on the axis is not taken
      {4, 6, true, 7, 4},
  };
  for (auto c : cases) {
    pipes.IRPL = c.irpl;
    pipes.IRPR = c.irpr;
    wpl2.LNONAP = c.lnonap;
    wprm.IRWAK = c.irwak;
    setkmin();
    EXPECT_EQ(pint.KMIN, c.kmin) << c.irpl << " " << c.irpr << " " << c.lnonap << " " << c.irwak;
  }
  wpl2.LNONAP = false;
}
