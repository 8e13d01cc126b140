// Wake plot frames of the plot command file: not built yet.
#include "results/wakes.hpp"

void wplot(const fix1<std::string, 10> &TITLE, const arr1<float> &Y, int N, int kind,
           const fix1<float, 4> &RANGE) {}
void wpadd(float WMIN, float WMAX, float WINT, int MROT, int kind) {}
