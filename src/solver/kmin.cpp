#include "solver/kmin.hpp"

#include <algorithm>

#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"

void setkmin() {
  pint.KMIN = std::min(pipes.IRPL, pipes.IRPR);
  if (wpl2.LNONAP && wprm.IRWAK > 1) pint.KMIN = std::min(pint.KMIN, wprm.IRWAK);
}
