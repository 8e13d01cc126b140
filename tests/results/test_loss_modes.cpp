// The loss factor of a Gaussian bunch in a pillbox with small beam pipes against the
// mode sum of the closed pillbox.
//
// A closed pillbox of radius R and gap g has the TM0np modes with k_r = j_n/R (j_n the
// n-th zero of J0), k_z = p*pi/g and omega = c*sqrt(k_r^2 + k_z^2). A ring charge at
// radius r0 moving at c along z loses to each mode, per unit charge squared,
//   k_np = |V|^2/(4U),
// V the voltage that the mode gives a charge passing at radius r, U its stored energy.
// With E_z = E0 J0(k_r r) cos(k_z z) and k = omega/c,
//   |V|^2 = E0^2 J0(k_r r)^2 k^2 * 2(1 - (-1)^p cos(k g))/k_r^4   (the transit factor)
//   U     = eps0/4 * E0^2 pi R^2 g J1(j_n)^2 * e_p * k^2/k_r^2   (e_p = 2 for p = 0, else 1)
// so that k_np = 2(1 - (-1)^p cos(k g)) J0(k_r r0) J0(k_r r) / (eps0 pi g e_p j_n^2 J1(j_n)^2).
// A Gaussian bunch of length sigma weighs each mode with its spectrum, exp(-(k sigma)^2).
// The beam pipes open the end walls: the field leaks into them and the loss factor falls
// below the closed-cavity sum, by less the smaller the pipes are.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "../run/run_binary.hpp"

namespace {

constexpr double PI = 3.141592653589793;
constexpr double EPS0 = 8.8541878128e-12; // F/m

// n-th zero of J0: it lies between (n - 1/2) pi and n pi.
double j0_zero(int n) {
  double a = (n - 0.5) * PI, b = n * PI;
  for (int it = 0; it < 100; ++it) {
    const double m = 0.5 * (a + b);
    if (std::cyl_bessel_j(0.0, a) * std::cyl_bessel_j(0.0, m) <= 0.0) b = m;
    else a = m;
  }
  return 0.5 * (a + b);
}

// Loss factor (V/C) of a Gaussian bunch of length sig, driven at radius r0 and seen at
// radius r, in the closed pillbox of radius R and gap g; modes up to k*sig = 8 (the
// spectrum factor beyond is below 1E-27).
double mode_sum(double R, double g, double sig, double r0, double r) {
  double k = 0.0;
  for (int n = 1;; ++n) {
    const double j = j0_zero(n), kr = j / R;
    if (kr * sig > 8.0) break;
    const double J1 = std::cyl_bessel_j(1.0, j);
    const double radial = std::cyl_bessel_j(0.0, kr * r0) * std::cyl_bessel_j(0.0, kr * r);
    for (int p = 0;; ++p) {
      const double kz = p * PI / g, kk = std::sqrt(kr * kr + kz * kz);
      if (kk * sig > 8.0) break;
      const double ep = p == 0 ? 2.0 : 1.0, sign = p % 2 == 0 ? 1.0 : -1.0;
      const double knp = 2.0 * (1.0 - sign * std::cos(kk * g)) / (EPS0 * PI * g * ep * j * j * J1 * J1);
      k += knp * radial * std::exp(-kk * kk * sig * sig);
    }
  }
  return k;
}

// A pillbox of radius R and gap g (from z = 3 cm on) between pipes of radius b and 3 cm,
// on a square mesh of step h; a Gaussian bunch of length sig, ring and wake line on the
// pipe radius (the default).
std::string pillbox_deck(double R, double g, double b, double h, double sig) {
  std::ostringstream d;
  d << " &FILE  LSAV=F /\n"
    << "PILLBOX WITH SMALL PIPES\n"
    << " &MESH  DDZ=" << h << ", DDR(1)=" << h << " /\n"
    << "#CAVITYSHAPE\n0.\n"
    << "0.0 0.0\n"
    << b << " 0.0\n"
    << b << " 0.03\n"
    << R << " 0.03\n"
    << R << " " << 0.03 + g << "\n"
    << b << " " << 0.03 + g << "\n"
    << b << " " << 0.06 + g << "\n"
    << "0.0 " << 0.06 + g << "\n"
    << "0.0 0.0\n"
    << "9999. 0.\n"
    << " &BEAM  SIG=" << sig << ", MROT=0 /\n"
    << " &TIME  MT=3 /\n"
    << " &WAKE  UBT=0.05 /\n"
    << " &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}

// The loss factor of the run's report (V/pC; the wake is a voltage gain, negative).
double reported_loss(const std::string &deck) {
  run_result r = run_zelk(deck, "pb.in", "pb.in", "OMP_NUM_THREADS=2");
  EXPECT_EQ(r.status, 0) << r.err_terminal;
  const std::string key = " INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY = ";
  for (const std::string &l : lines_of(slurp(r.dir / "pb.out")))
    if (l.rfind(key, 0) == 0) return std::atof(l.c_str() + key.size());
  ADD_FAILURE() << "no loss factor in the report";
  return NAN;
}

} // namespace

// R = 5 cm, g = 4 cm, sigma = 5 mm: the pipe modes start at 2.405 c/(2 pi b), where the
// bunch spectrum has fallen to exp(-(2.405 sigma/b)^2); pipes of 5 and 2.5 mm on a mesh
// of 0.5 mm. The loss factor lies a few per cent below the closed-cavity sum, and the
// gap closes as the pipes shrink (2.9 % and 1.2 % today).
TEST(LossModes, PillboxLossFactorAgainstTheClosedCavityModeSum) {
  const double R = 0.05, g = 0.04, sig = 0.005, h = 0.0005;
  double gap[2];
  const double pipes[2] = {0.005, 0.0025};
  for (int c = 0; c < 2; ++c) {
    const double b = pipes[c];
    SCOPED_TRACE("pipe radius " + std::to_string(b));
    const double k_modes = mode_sum(R, g, sig, b, b) * 1e-12; // V/pC
    const double k_run = -reported_loss(pillbox_deck(R, g, b, h, sig));
    gap[c] = (k_modes - k_run) / k_modes;
    EXPECT_GT(k_modes, 2.0);
    EXPECT_GT(gap[c], 0.0) << "run " << k_run << " V/pC, mode sum " << k_modes << " V/pC";
    EXPECT_LT(gap[c], 0.04) << "run " << k_run << " V/pC, mode sum " << k_modes << " V/pC";
  }
  EXPECT_LT(gap[1], 0.6 * gap[0]) << "pipes of 5 mm: " << gap[0] << ", of 2.5 mm: " << gap[1];
}
