// Line-printer plot of the wake curves on the report: not built yet.
#include "results/wakes.hpp"

void drplot(int unit, float x, const arr1<float> &Y, int N, char plotchar, int mode,
            const fix1<float, 4> &RANGE, int NMORE) {}
