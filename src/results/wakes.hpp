// Wake results of a run: extrema, loss and kick factors, the wake report and the
// printed wake tables. They feed the line-printer plot (results/lineprinter.hpp) and
// the wake plot frame (results/wakeframes.hpp).
#pragma once
#include <string>

#include "run/arrays.hpp"

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
