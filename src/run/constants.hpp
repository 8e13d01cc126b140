// Unit table, physical constants and the integer rounding rules of the program.
#pragma once
#include <cmath>

// Unit table (record ndev): every reader and writer takes its unit from here.
struct ndev_t {
  int NSAVE = 1;  // save file, written (fort.1)
  int NREST = 2;  // restart file, read (fort.2)
  int NIN = 15;   // input deck
  int NOUT = 16;  // report, extension "out"
  int NPOT = 8;   // tables, extension "pot"
  int NTOP = 9;   // plot commands, extension "top"
};
inline constexpr ndev_t ndev{};
// The terminal: standard output for writes, standard input for the prompt.
inline constexpr int NTERM = 6;
inline constexpr int NKEYB = 5;

// Physical constants (record cons), single precision.
struct cons_t {
  float PI = 3.1415927f;
  float EPS0 = 8.854188E-12f;  // F/m
  float CLIGHT = 299792448.0f; // m/s
  float EPSTOL = 1.0E-6f;      // two lengths closer than this count as equal
  float Z0 = 376.7303f;        // Ohm
};
inline constexpr cons_t cons{};

// NINT: nearest integer, halves away from zero, exactly (no x + 0.5 misrounding just
// below a half). Values beyond the integer range saturate instead of overflowing.
inline int nint(float x) {
  if (!(x == x)) return 0;
  if (x >= 2147483648.0f) return 2147483647;
  if (x <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(std::lround(x));
}
inline int nint(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return 2147483647;
  if (x <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(std::llround(x));
}
