// The moving back of the computation window (LCBACK, the default) against the run that
// keeps every column. A field further behind the bunch than the wake length travels at
// most at c and never reaches the wake line within the wake again, so dropping those
// columns may change the wake only by what the explicit step carries faster than light
// (its numerical domain of dependence grows by one column per time step, with a tail of
// tiny amplitude): a small fraction of the peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "run/timeloop.hpp"
#include "deckrun.hpp"
#include "test_decks.hpp"

namespace {

std::vector<float> wake_of(const std::string &deck, int &jback_last) {
  deck_setup(deck);
  time_loop();
  jback_last = eline.JBACK;
  std::vector<float> w(static_cast<std::size_t>(mp.NW));
  for (int s = 1; s <= mp.NW; ++s) w[static_cast<std::size_t>(s - 1)] = wzwy_data.wz(s);
  return w;
}

} // namespace

// The largest difference is 0.015 % of the peak today.
TEST(MovingBack, WakeWithTheMovingBackAgreesWithTheWholeMesh) {
  int jb_moving = 0, jb_whole = 0;
  const std::vector<float> moving = wake_of(long_cavity(""), jb_moving);
  const std::vector<float> whole = wake_of(long_cavity(", LCBACK=F"), jb_whole);
  EXPECT_GT(jb_moving, 800) << "the back of the window has moved through the cavity";
  EXPECT_EQ(jb_whole, 1);
  ASSERT_EQ(moving.size(), whole.size());
  float peak = 0.0f, diff = 0.0f;
  for (std::size_t s = 0; s < whole.size(); ++s) {
    peak = std::max(peak, std::fabs(whole[s]));
    diff = std::max(diff, std::fabs(moving[s] - whole[s]));
  }
  EXPECT_GT(peak, 1e12f); // V/C
  RecordProperty("largest_difference_of_peak", std::to_string(diff / peak));
  EXPECT_LT(diff, 0.005f * peak) << "largest difference " << diff << " V/C, peak " << peak << " V/C";
}
