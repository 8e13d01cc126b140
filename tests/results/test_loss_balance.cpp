// The loss factor of a bunch in a cavity, found twice: in the time domain as the wake
// weighted by the line density, and in the frequency domain as the loss spectrum
// integrated up to the highest frequency of the spectrum. The two routes share only the
// wake that the solver left; Parseval's theorem makes them equal up to the part of the
// bunch spectrum above the last frequency and the window's taper near the bunch. The
// time-domain wake is a voltage gain, so the energy loss makes it negative while the
// loss spectrum and its integral are positive.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../run/run_binary.hpp"

namespace {

// The value after `key` on a report line.
double value_after(const std::string &line, const std::string &key) {
  const std::size_t at = line.find(key);
  return at == std::string::npos ? NAN : std::atof(line.c_str() + at + key.size());
}

} // namespace

TEST(LossBalance, PillboxLossFactorInTimeAndFrequencyAgree) {
  run_result r = run_zelk(deck_file("pillbox_loss.in"), "loss.in", "loss.in", "OMP_NUM_THREADS=2");
  ASSERT_EQ(r.status, 0) << r.err_terminal;

  double k_time = NAN;
  for (const std::string &l : lines_of(slurp(r.dir / "loss.out")))
    if (l.rfind(" INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY = ", 0) == 0)
      k_time = value_after(l, "DENSITY = ");
  ASSERT_TRUE(std::isfinite(k_time));

  // The last point of the frame of the loss factor integrated up to F.
  const std::vector<std::string> top = lines_of(slurp(r.dir / "loss.top"));
  double k_freq = NAN, f_last = NAN;
  bool in_frame = false;
  int points = 0;
  for (const std::string &l : top) {
    if (l.find("Loss Factor Spectrum Integrated upto F") != std::string::npos) in_frame = true;
    if (!in_frame) continue;
    if (l == "  JOIN 1 ") break;
    double f = 0.0, k = 0.0;
    if (l.find('\'') == std::string::npos && std::sscanf(l.c_str(), "%lf %lf", &f, &k) == 2) {
      f_last = f;
      k_freq = k;
      ++points;
    }
  }
  ASSERT_EQ(points, 624);
  EXPECT_GT(f_last, 20.0); // GHz: well past the bunch spectrum of SIG = 5 mm
  EXPECT_LT(k_time, 0.0);
  EXPECT_GT(k_freq, 0.0);
  EXPECT_NEAR(k_freq, -k_time, 0.002 * std::fabs(k_time)) << "time " << k_time << " frequency " << k_freq;
}
