// Structure shape frames: not built yet.
#include "results/shapes.hpp"

void cplot() {}
void uplot() {}
