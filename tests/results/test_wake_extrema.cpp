// The extremum lines of the wake report take a NaN of the wake as a value, like the
// integral beside them, instead of passing over it to MIN/MAX = 0/0.
#include <gtest/gtest.h>

#include <limits>

#include "results/wakes.hpp"
#include "run/units.hpp"
#include "wake_fixture.hpp"

TEST(WakeExtrema, NaNIsAnExtremum) {
  wcase c;
  c.NBUNCH = 1;
  wake_setup(c);
  for (int k = 1; k <= c.NW + 5; ++k) wzwy_data.wz(k) = static_cast<float>(k);
  wzwy_data.wz(5) = std::numeric_limits<float>::quiet_NaN();
  wkplot(c.NW, mp.TITLE, false, false, false, false, c.KEND, mp.RW, 0, false);
  bool seen = false;
  for (const std::string &r : umem(ndev.NOUT)) {
    if (r.find("LONGITUDINAL WAKE   MIN/MAX=") == std::string::npos) continue;
    seen = true;
    EXPECT_NE(r.find("MIN/MAX=       NaN/       NaN "), std::string::npos) << r;
  }
  EXPECT_TRUE(seen);
}
