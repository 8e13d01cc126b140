// Radial zones of the mesh and the rule that maps a radius to its radial mesh line.
//
// The radial mesh is piecewise uniform: zone k runs from XR(k-1) to XR(k) with the
// step DDR(k); line 1 lies on the axis. Each zone boundary is snapped to a whole number
// of steps of its zone; the snapping and the radius rule round the quotient with a bias
// of 1.0E-5 (in single precision), so a radius exactly half way between two lines goes
// to the lower one.
#include <string>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"

namespace {

// The warning of a cut structure is written once per run (irdset runs up to twice).
bool nzcut_written = false;

// Biased rounding of a quotient of the radius rule: NINT(q - 1.0E-5).
inline int nintb(float q) { return nint(q - 1.0E-5f); }

std::string too_many_lines() {
  return "GIVES MORE THAN " + std::to_string(MAXNR) + " RADIAL MESH LINES, MORE THAN THE MESH CAN HOLD";
}

std::string indexed(const char *name, int k) { return std::string(name) + "(" + std::to_string(k) + ")"; }

} // namespace

void irdset_newrun() { nzcut_written = false; }

void irdset(float RTOP) {
  auto &DDR = latc.DDR;
  auto &RMARK = lat2.RMARK;
  auto &XR = lat2.XR;
  auto &IRM = lat3.IRM;

  // Working list of the steps; counts of the given steps and outer radii; the largest
  // given outer radius.
  fix1<float, 1000> d = DDR;
  int NDR = 0, NRM = 0, kmax = 1;
  for (int k = 1; k <= 1000; ++k) {
    if (DDR(k) != 0.0f) ++NDR;
    if (RMARK(k) != 0.0f) ++NRM;
    if (RMARK(k) > 0.0f && RMARK(k) > RMARK(kmax)) kmax = k;
  }
  if (!(RMARK(kmax) > 0.0f)) kmax = 1;

  // Inputs that would leave the mesh without lines or divide by zero.
  if (latc.DDZ < 0.0f) stop_real("DDZ", latc.DDZ, "THE Z MESH STEP MUST NOT BE NEGATIVE.");
  if (!(RTOP > 0.0f)) stop_real("RMAX", RTOP, "THE STRUCTURE HAS NO RADIAL EXTENT.");
  if (latc.NZ != 0 || latc.DDZ == 0.0f) {
    // Without DDZ the z step comes from NZ; given NZ also sets the arc sampling step.
    const long long steps = symt.LHALF ? (latc.NZ - 1LL) / 2 : latc.NZ - 1LL;
    if (steps < 1)
      stop_int("NZ", latc.NZ,
               symt.LHALF ? "TOO FEW Z MESH LINES: AT LEAST 3 ARE NEEDED FOR HALF CELL INPUT."
                          : "TOO FEW Z MESH LINES: AT LEAST 2 ARE NEEDED.");
  }

  float x;
  if (latc.DDZ == 0.0f) {
    // Uniform case: NR lines from the axis to RTOP.
    if (latc.NR < 2) stop_int("NR", latc.NR, "TOO FEW RADIAL MESH LINES: AT LEAST 2 ARE NEEDED.");
    if (latc.NR > MAXNR) stop_int("NR", latc.NR, too_many_lines());
    d(1) = RTOP / static_cast<float>(latc.NR - 1);
    x = RTOP / d(1);
  } else {
    if (RTOP > RMARK(kmax)) RMARK(kmax) = RTOP;
    if (NDR == 1) {
      if (NRM >= 2) {
        rec(ndev.NOUT, "(1X,A,I2,A,I2)", "*** STOP *** THE NUMBER OF NON-ZERO DDR=", NDR,
            " DOES NOT MATCH TO THE NUMBER OF NON-ZERO RMARK=", NRM);
        zstop();
      }
    } else if (NRM != NDR) {
      rec(ndev.NOUT, "(1X,A,I2,A,I2)", "*** STOP *** THE NUMBER OF NON-ZERO DDR=", NDR,
          " DOES NOT MATCH TO THE NUMBER OF NON-ZERO RMARK=", NRM);
      zstop();
    }
    if (!(d(1) > 0.0f))
      stop_real("DDR(1)", d(1), "THE RADIAL STEP OF THE FIRST ZONE MUST BE GIVEN WITH DDZ.");
    if (NDR == 1) {
      x = RTOP / d(1);
    } else {
      if (RMARK(1) < 0.0f) stop_real("RMARK(1)", RMARK(1), "THE OUTER RADIUS MUST NOT BE NEGATIVE.");
      x = RMARK(1) / d(1);
    }
  }

  // Zone 1, snapped to its step; the line count is tested before it is rounded.
  if (!(x < static_cast<float>(MAXNR)))
    stop_real(latc.DDZ == 0.0f ? "RMAX" : "DDR(1)", latc.DDZ == 0.0f ? RTOP : d(1),
              too_many_lines() + rtext(40, "(A,G13.5,A)", " UP TO R =", NDR == 1 || latc.DDZ == 0.0f ? RTOP : RMARK(1), " M."));
  int n = nintb(x);
  IRM(1) = n + 1;
  XR(1) = static_cast<float>(n) * d(1);
  lat2.NZONE = 1;

  bool several = !(RMARK(1) == RTOP || NDR == 1) && latc.DDZ != 0.0f;
  if (several && latc.NZ != 0) {
    // A given NZ keeps the first zone only: the structure above it is cut off.
    if (!nzcut_written)
      rec(ndev.NOUT, "(1X,A,G13.5,A)",
          "*** WARNING *** NZ IS GIVEN: ONLY THE FIRST RADIAL ZONE (R <=", XR(1),
          ") IS USED; THE STRUCTURE IS CUT THERE.");
    nzcut_written = true;
  } else if (several) {
    // A zone whose step is longer than the zone gets no mesh step of its own: its
    // radii would all fall on the line below it (the structure cut there), and the
    // step, never used, would still stand in the report and the plot titles.
    if (n < 1)
      stop_real("DDR(1)", d(1),
                "LEAVES FEWER THAN 2 RADIAL MESH LINES" + rtext(40, "(A,G13.5,A)", " UP TO R =", RMARK(1), " M."));
    for (int k = 2; k <= 1000; ++k) {
      if (RMARK(k) == 0.0f)
        stop_real(indexed("RMARK", k), RMARK(k), "THE OUTER RADIUS OF THIS ZONE IS NOT GIVEN.");
      if (d(k) <= 0.0f) {
        rec(ndev.NOUT, "(1X,A,I3,A)", "*** STOP *** THE VALUE OF THE", k, "TH DDR IS NOT GIVEN.");
        zstop();
      }
      const float q = (RMARK(k) - XR(k - 1)) / d(k);
      if (!(q < static_cast<float>(MAXNR - IRM(k - 1))))
        stop_real(indexed("DDR", k), d(k),
                  too_many_lines() + rtext(40, "(A,G13.5,A)", " UP TO R =", RMARK(k), " M."));
      n = nintb(q);
      if (n < 0)
        stop_real(indexed("RMARK", k), RMARK(k), "THE OUTER RADIUS LIES BELOW THE ZONE UNDER IT.");
      if (n == 0)
        stop_real(indexed("DDR", k), d(k),
                  "LEAVES NO RADIAL MESH STEP" + rtext(60, "(A,G13.5,A,G13.5,A)", " FROM R =", XR(k - 1), " TO R =",
                                                       RMARK(k), " M."));
      IRM(k) = IRM(k - 1) + n;
      XR(k) = XR(k - 1) + static_cast<float>(n) * d(k);
      lat2.NZONE = k;
      if (RMARK(k) == RTOP || k == NDR) break;
    }
  }

  lat2.NRL = IRM(lat2.NZONE);
  // A step larger than the structure leaves the axis alone on the mesh.
  if (lat2.NRL < 2)
    stop_real("DDR(1)", d(1), "LEAVES FEWER THAN 2 RADIAL MESH LINES" + rtext(40, "(A,G13.5,A)", " UP TO R =", RTOP, " M."));
  msz.NRN = lat2.NRL + 1;
  gr_data.gr.release();
  gr_data.gdr.release();
  gr_data.gr.alloc(msz.NRN);
  gr_data.gdr.alloc(msz.NRN);

  // Radius and step of every line: zone 1 from the axis, zone k >= 2 from XR(k-1).
  int k = 1;
  for (int i = 1; i <= lat2.NRL; ++i) {
    if (i <= IRM(1)) {
      gr(i) = static_cast<float>(i - 1) * d(1);
      gdr(i) = d(1);
      continue;
    }
    while (k < lat2.NZONE && !(IRM(k) < i && i <= IRM(k + 1))) ++k;
    gr(i) = XR(k) + static_cast<float>(i - IRM(k)) * d(k + 1);
    gdr(i) = d(k + 1);
  }
}

int ird(float &R) {
  const auto &XR = lat2.XR;
  const int nz = lat2.NZONE > 0 ? lat2.NZONE : 1; // before the zones exist: the axis
  if (R > XR(nz)) R = XR(nz);
  if (R < 0.0f) R = 0.0f;
  if (R <= XR(1)) return nintb(R / latc.DDR(1)) + 1;
  for (int k = 2; k <= nz; ++k)
    if (XR(k - 1) < R && R <= XR(k)) return lat3.IRM(k - 1) + nintb((R - XR(k - 1)) / latc.DDR(k));
  return lat2.NRL;
}
