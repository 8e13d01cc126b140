// The strongest line of a wake curve, for the frequency checks of the solver tests.
#pragma once
#include <cmath>
#include <cstddef>
#include <vector>

// Frequency (Hz) of the strongest line of w (spacing h) between f1 and f2: the peak of
// the Hann-windowed Fourier sum over the samples a .. end.
inline double peak_frequency(const std::vector<float> &w, double h, std::size_t a, double f1, double f2) {
  const double c = 299792458.0, pi = 3.141592653589793;
  const std::size_t n = w.size() - a;
  auto power = [&](double f) {
    double re = 0.0, im = 0.0;
    for (std::size_t q = 0; q < n; ++q) {
      const double win = 0.5 - 0.5 * std::cos(2.0 * pi * q / (n - 1));
      const double ph = 2.0 * pi * f * (q * h) / c;
      re += win * w[a + q] * std::cos(ph);
      im += win * w[a + q] * std::sin(ph);
    }
    return re * re + im * im;
  };
  double best = f1, pbest = -1.0;
  for (double f = f1; f <= f2; f += (f2 - f1) / 400.0) {
    const double p = power(f);
    if (p > pbest) pbest = p, best = f;
  }
  // Golden-section refinement around the grid maximum.
  double lo = best - (f2 - f1) / 400.0, hi = best + (f2 - f1) / 400.0;
  for (int it = 0; it < 60; ++it) {
    const double m1 = hi - 0.618034 * (hi - lo), m2 = lo + 0.618034 * (hi - lo);
    if (power(m1) > power(m2)) hi = m2; else lo = m1;
  }
  return 0.5 * (lo + hi);
}

