// Wake results of a run: extrema, loss and kick factors, the wake report and the
// printed wake tables; the line-printer plot and the wake plot frames they feed.
#pragma once
#include <string>

#include "run/arrays.hpp"

void wkplot(int N, const fix1<std::string, 10> &TITLE, bool LPLW, bool LSVW, bool LOGT,
            bool LNAPM1, int KEND, float RW, int ITEST, bool LPPW);
void prinw(int N, bool LNAPM1, bool LOGT);

// Line-printer plot on the report (mode 0: equally spaced samples).
void drplot(int unit, float x, const arr1<float> &Y, int N, char plotchar, int mode,
            const fix1<float, 4> &RANGE, int NMORE);
// Wake plot frame (kind 0 opens it) and its legend lines (kind 0 resets the position).
void wplot(const fix1<std::string, 10> &TITLE, const arr1<float> &Y, int N, int kind,
           const fix1<float, 4> &RANGE);
void wpadd(float WMIN, float WMAX, float WINT, int MROT, int kind);
