// Wake integration along the Napoly contour (monopole napl1, dipole napl2).
#include "solver/step.hpp"

void napl1(int KSTEP, int &KX, int NW) {}
void napl2(int KSTEP, int &KX, int NW) {}
