// Dipole time step (MROT = 1).
#include "solver/fields.hpp"
#include "solver/step.hpp"

loccom_t loccom;

void heff1(int NSTEP) {}
void heff6() {}
void heff7(int NSTEP) {}
void heff8(int NSTEP) {}
void hefld(int NSTEP) {}
