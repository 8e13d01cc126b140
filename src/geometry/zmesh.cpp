// The uniform z mesh over the structure and the mesh indices of the contour (mode 0);
// the radial lines of the beam pipes, the drive ring and the wake-integration line
// (mode 2). Column j lies at z = (j - 1) DDZ; a radius goes to its line by the radius
// rule of the zones. Values outside the mesh are clamped and written back.
#include <algorithm>
#include <string>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/stops.hpp"

namespace {

void setprm_mesh(float RAD, float &ZLFT, float &ZRGT, float &RMIN) {
  auto &RR = geo.RR;
  auto &ZZ = geo.ZZ;
  const int NLAST = lat2.NLAST;
  const bool half = symt.LHALF;

  // z mesh: a given step fixes the number of steps over the length; without it the
  // number of lines NZ fixes the step, and the radial zone is uniform with NR lines.
  if (latc.DDZ != 0.0f) {
    // The length is counted in steps before it is rounded.
    const float q = geo.ZL / latc.DDZ;
    if (!(q < static_cast<float>(MAXSTEPS)))
      stop_real("DDZ", latc.DDZ,
                "GIVES MORE THAN " + std::to_string(MAXSTEPS) + " Z MESH STEPS OVER THE LENGTH OF THE STRUCTURE.");
    latc.NZ = nint(geo.ZL / latc.DDZ);
    if (half) latc.NZ *= 2;
    latc.NR = lat2.NRL;
  } else {
    latc.NZ = latc.NZ - 1;
    latc.DDZ = half ? 2.0f * geo.ZL / static_cast<float>(latc.NZ) : geo.ZL / static_cast<float>(latc.NZ);
    latc.DDR(1) = RAD / static_cast<float>(latc.NR - 1);
  }
  geo.ZL = static_cast<float>(latc.NZ) * latc.DDZ;

  // Points; a radius just below the axis (above -1, which marks arcs) counts as 0.
  // A point half a radial step or more below the axis is no rounding of a point on it:
  // a wall there (given so, or carried through the axis by the increments of relative
  // input) has no mesh line and stops here.
  for (int i = 1; i <= latc.NPTS; ++i) {
    if (!(RR(i) > -1.0f)) continue;
    if (RR(i) <= -0.5f * gdr(1))
      stop_real("R OF CONTOUR LINE " + std::to_string(i), RR(i), "LIES BELOW THE AXIS: THE WALL MUST STAY AT R >= 0.");
    latc.IZ(i) = nint(ZZ(i) / latc.DDZ) + 1;
    latc.IR(i) = ird(RR(i));
  }

  // Closing lines: the right pipe end one column short of the axis point.
  const float zend = half ? geo.ZL / 2.0f : geo.ZL;
  const int jend = half ? latc.NZ / 2 : latc.NZ;
  ZZ(NLAST) = zend;
  ZZ(NLAST + 1) = zend;
  latc.IZ(NLAST) = jend;
  latc.IZ(NLAST + 1) = jend + 1;
  ZZ(NLAST + 2) = 0.0f;
  latc.IZ(NLAST + 2) = 1;

  if (half) {
    // Material range of the half mirrored about the middle plane.
    const float zr = ZRGT;
    ZLFT = geo.ZL / 2.0f - zr;
    ZRGT = geo.ZL / 2.0f + zr;
  }
  icon.IZLFT = nint(ZLFT / latc.DDZ) + 1;
  icon.IZRGT = nint(ZRGT / latc.DDZ) + 1;
  icon.IRMIN = ird(RMIN);
}

void setprm_lines(bool LPLEC, float &RBP) {
  const int ib = ird(RBP);
  pipes.IRPL = symt.LHALF ? latc.IR(lat2.NLAST) : latc.IR(2);
  pipes.IRPR = latc.IR(lat2.NLAST);

  // Drive ring: on the given radius, else on the left pipe wall (on the axis for the
  // monopole when field or current lines are plotted); a dipole ring is never put on
  // the axis or on the first line.
  int k;
  if (offs.RDRIVE >= 0.0f) {
    k = ird(offs.RDRIVE);
  } else {
    k = pipes.IRPL;
    if (wpl.MROT == 0 && LPLEC) k = 1;
  }
  if (wpl.MROT == 1 && (k == 1 || k == 2)) k = pipes.IRPL;
  latc.IRDRIVE = std::min(k, icon.IRMIN);

  if (offs.RWAK >= 0.0f) {
    wprm.IRWAK = ird(offs.RWAK);
  } else {
    wprm.IRWAK = std::min(icon.IRMIN, ib);
  }
}

} // namespace

void setprm(int MODE, bool LPLEC, float &RAD, float &ZLFT, float &ZRGT, float &RMIN, float &RBP) {
  if (MODE < 1)
    setprm_mesh(RAD, ZLFT, ZRGT, RMIN);
  else
    setprm_lines(LPLEC, RBP);
}
