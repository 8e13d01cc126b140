// Field and current line snapshots of the time loop.
#include "solver/step.hpp"

void eplot(const fix1<std::string, 10> &TITLE, int NPLOT, int NSTEP, bool LPLE, bool LPALL) {}
