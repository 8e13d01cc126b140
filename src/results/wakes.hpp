// Wake results of a run: extrema, loss and kick factors, the wake report and the
// printed wake tables. They feed the line-printer plot (results/lineprinter.hpp) and
// the wake plot frame (results/wakeframes.hpp).
#pragma once
#include <string>

#include "run/arrays.hpp"

// Extrema of one wake array: WMAX >= 0, WMIN <= 0 (both start at 0), peak magnitude A.
struct wake_extrema {
  float WMIN = 0.0f, WMAX = 0.0f, A = 0.0f;
};

// The wake factors of a run, in V/C for a bunch of 1 C: the extrema of the longitudinal
// (z), transverse (t), azimuthal (y) wakes and of the longitudinal wake with the
// logarithmic term (p) over the samples 1 .. N + 1; their integrals over the bunch,
// SUM(W) = sum over k = 1 .. NQ of W(k)*lambda(k)*DDZ (the loss factor SUMZ, the kick
// factors SUMT and SUMY), samples beyond the arrays counting as 0; the first and last
// half of the loss factor, split at the sample NQ/2 (half of it in each); and the
// extrema of the charge per mesh step lambda(k)*DDZ over k = 1 .. N (QMIN from 1E15).
struct wake_factors {
  wake_extrema z, t, y, p;
  float SUMZ = 0.0f, SUMT = 0.0f, SUMY = 0.0f, SUMP = 0.0f;
  float FIRST = 0.0f, LAST = 0.0f;
  float QMIN = 1.0E15f, QMAX = 0.0f;
};
// The wake factors of the wake arrays of N samples; writes nothing.
wake_factors wake_factors_of(int N);

// The wake results of the run: the factors, the wake report with its printer plot, the
// wake frame of the plot file and the wake tables.
void wkplot(int N, const fix1<std::string, 10> &TITLE, bool LPLW, bool LSVW, bool LOGT,
            bool LNAPM1, int KEND, float RW, int ITEST, bool LPPW);
void prinw(int N, bool LNAPM1, bool LOGT);

// Line density lambda(k) (1/m) of the bunch at wake sample k, S = (k - 1)*DDZ behind
// the head: chage at column 1 and time step (k - 1)*MTE. Zero where that step would
// pass the integer range (far behind any bunch). Writes nothing but its result.
float wdens(long k);
// Curve W(1..N) normalised by its peak magnitude A into TEMP(1..N); a curve whose
// peak is 0 (nothing to normalise) gives all zeros. Samples beyond W count as 0.
void wnorm(const arr1<float> &W, int N, float A, arr1<float> &TEMP);
