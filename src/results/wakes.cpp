// Wake results: not built yet.
#include "results/wakes.hpp"

void wkplot(int N, const fix1<std::string, 10> &TITLE, bool LPLW, bool LSVW, bool LOGT,
            bool LNAPM1, int KEND, float RW, int ITEST, bool LPPW) {}
void prinw(int N, bool LNAPM1, bool LOGT) {}
