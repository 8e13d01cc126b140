// Dipole time step (MROT = 1).
#include "solver/step.hpp"

void hefld(int NSTEP) {}
