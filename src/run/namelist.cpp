// Namelist group reader. Placeholder until the reader lands.
#include "run/namelist.hpp"

#include "run/units.hpp"

void rdnml(int unit, const nlgroup &g) { read_fatal(unit, "namelist reader not built", g.name); }
