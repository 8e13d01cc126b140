// Extents of the structure: the beam-pipe radius, the top radius and the length, the
// smallest radius and the z range where material lies below the beam-pipe radius.
// The walk follows the contour with its circular and elliptic arcs; arcs and the
// straight segments that come below the pipe radius are sampled finely enough (a third
// of a z step on segments, about five samples per mesh step on arcs) that no part of
// the structure slips between two samples. The marker line of every arc receives its
// mesh indices here: the centre of a circle, the semi-axes of an ellipse in steps.
#include <algorithm>
#include <cmath>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"

namespace {

// State of one pass of the walk.
struct walk_t {
  float RTOP, ZL0, RBP;
  float &RTOP1, &ZL1, &RMIN, &ZLFT, &ZRGT;
  float dz, dr;
};

// A sample of a segment: only the z range of material below the pipe radius.
inline void seg_sample(walk_t &w, float r, float z, bool counts) {
  if (counts && r < w.RBP) {
    w.ZLFT = std::min(w.ZLFT, z);
    w.ZRGT = std::max(w.ZRGT, z);
  }
}

// A sample of an arc: all extents.
inline void arc_sample(walk_t &w, float r, float z) {
  w.RTOP1 = std::max(w.RTOP1, r);
  w.ZL1 = std::max(w.ZL1, z);
  w.RMIN = std::min(w.RMIN, r);
  if (r < w.RBP) {
    w.ZLFT = std::min(w.ZLFT, z);
    w.ZRGT = std::max(w.ZRGT, z);
  }
}

std::string beyond_mesh() {
  return "SPANS MORE THAN " + std::to_string(MAXSTEPS) +
         " MESH STEPS OR 1.0E9 M, MORE THAN THE MESH CAN HOLD.";
}

// The smallest mesh step of the walk: the z step and the radial steps of every zone.
float smallest_step(const walk_t &w) {
  float h = w.dz;
  if (latc.DDZ == 0.0f) return std::min(h, w.dr);
  for (int k = 1; k <= lat2.NZONE && k <= 1000; ++k)
    if (latc.DDR(k) > 0.0f) h = std::min(h, latc.DDR(k));
  return h;
}

// Point k and the straight segment to point k + 1.
void walk_point(walk_t &w, int k) {
  const auto &RR = geo.RR;
  const auto &ZZ = geo.ZZ;
  const int NLAST = lat2.NLAST;
  // The pipe end points do not mark material below the pipe radius.
  const bool counts = k != NLAST && (symt.LHALF || k != 2);
  w.RTOP1 = std::max(w.RTOP1, RR(k));
  w.ZL1 = std::max(w.ZL1, ZZ(k));
  w.RMIN = std::min(w.RMIN, RR(k));
  seg_sample(w, RR(k), ZZ(k), counts);

  if (!(k < latc.NPTS && RR(k + 1) > -1.0f && k + 1 != NLAST && (RR(k) < w.RBP || RR(k + 1) < w.RBP)))
    return;
  const float s = w.dz / 3.0f;
  if (!(s > 0.0f) || !std::isfinite(s)) return;
  const int I1 = nint(ZZ(k) / s) + 1, I2 = nint(ZZ(k + 1) / s) + 1;
  const int J1 = nint(RR(k) / s) + 1, J2 = nint(RR(k + 1) / s) + 1;
  if (I1 != I2) {
    const int st = I2 > I1 ? 1 : -1;
    for (int iz = I1;; iz += st) {
      float z = static_cast<float>(iz - 1) * s;
      float r = RR(k) + static_cast<float>(iz - I1) * (RR(k + 1) - RR(k)) / static_cast<float>(I2 - I1);
      seg_sample(w, r, z, counts);
      if (iz == I2) break;
    }
  }
  if (J1 != J2) {
    const int st = J2 > J1 ? 1 : -1;
    const float q = (ZZ(k + 1) - ZZ(k)) / static_cast<float>(J2 - J1);
    for (int ir = J1;; ir += st) {
      float r = static_cast<float>(ir - 1) * s;
      float z = ZZ(k) + static_cast<float>(ir - J1) * q;
      seg_sample(w, r, z, counts);
      if (ir == J2) break;
    }
  }
}

// Circle between points k - 1 and k + 1; ZZ(k) is the signed radius (positive: the arc
// runs counterclockwise in the (z, r) plane), RR(k) = -1 the short way, -2 the long way.
void walk_circle(walk_t &w, int k) {
  const auto &RR = geo.RR;
  const auto &ZZ = geo.ZZ;
  const float PI = cons.PI, EPSTOL = cons.EPSTOL;
  const bool longway = static_cast<int>(RR(k)) == -2;
  const float Z1 = ZZ(k - 1), R1 = RR(k - 1), Z2 = ZZ(k + 1), R2 = RR(k + 1);
  const float cz = Z2 - Z1, cr = R2 - R1;
  const float C = std::sqrt(cz * cz + cr * cr);
  if (C < EPSTOL) {
    rec(ndev.NOUT, "(1X,A,2G13.5,A)", "*** STOP *** CIRCLE WITH ZERO CHORD AT (R, Z)=(", R1, Z1, ")");
    zstop();
  }
  float rho = std::fabs(ZZ(k));
  if (C > 2.0f * rho) {
    if (std::fabs(C - 2.0f * rho) > EPSTOL)
      rec(ndev.NOUT, "(1X,A,2G13.5,A,A,G13.5,A,G13.5)", "*** WARNING ***  AT (R, Z)=(", R1, Z1, ")",
          " RADIUS: ", rho, " IS SHOTER THAN GAP/2: ", C / 2.0f);
    rho = C / 2.0f;
  }
  // The centre goes to the mesh and the arc is sampled ten times per step of its
  // radius: a radius of more mesh steps than the mesh can hold stops here.
  if (!(rho <= static_cast<float>(MAXSTEPS) * smallest_step(w) && rho <= MAXCOORD))
    stop_real("RADIUS OF THE CIRCLE ON CONTOUR LINE " + std::to_string(k), ZZ(k), beyond_mesh());
  float THETA = 2.0f * std::asin(clamp1(C / (2.0f * rho)));
  float PHI = std::acos(clamp1(C / (2.0f * rho)));
  if (longway) PHI = -PHI;
  // A radius value of 0 (a half circle on the chord) runs counterclockwise.
  const bool ccw = ZZ(k) >= 0.0f;
  const float ph = ccw ? PHI : -PHI;
  float ZC = Z1 + (rho / C) * (cz * std::cos(ph) - cr * std::sin(ph));
  float RC = R1 + (rho / C) * (cz * std::sin(ph) + cr * std::cos(ph));

  if (latc.DDZ != 0.0f) {
    latc.IR(k) = ird(RC);
    latc.IZ(k) = nint(ZC / latc.DDZ) + 1;
    w.dr = gdr(latc.IR(k));
  } else {
    // The input-shape frame reads gdr at the centre line: keep it on the mesh.
    latc.IR(k) = std::min(std::max(nint(RC / w.dr) + 1, 1), lat2.NRL);
    latc.IZ(k) = nint(ZC / w.dz) + 1;
  }

  if (!(RC + rho > w.RTOP || ZC + rho > w.ZL0 || RC - rho < w.RBP)) return;
  if (longway) THETA = 2.0f * PI - THETA;
  const int N = inttr(5.0f * rho * THETA / (PI * std::min(w.dr, w.dz)) + 1.0f);
  const float vz = Z1 - ZC, vr = R1 - RC;
  for (int i = 1; i <= N - 1; ++i) {
    float a = THETA * static_cast<float>(i) / static_cast<float>(N);
    if (!ccw) a = -a;
    float z = ZC + (vz * std::cos(a) - vr * std::sin(a));
    float r = RC + (vz * std::sin(a) + vr * std::cos(a));
    arc_sample(w, r, z);
  }
}

[[noreturn]] void ellipse_connection(float RM, float ZM, float A, float B) {
  rec(ndev.NOUT, "(1X,A,A,A,2G13.5,A)", "*** ERROR ***", " ELLIPSE CONNECTION FAILED", " AT (R,  Z)=(", RM, ZM,
      ").");
  rec(ndev.NOUT, "(1X,A,G13.5,A,G13.5,A)", "A=", A, " B=", B, " ARE TOO SMALL.");
  zstop();
}

// Angle of a point on the ellipse r = RM + A sin th, z = ZM + B cos th.
float ellipse_angle(float R, float Z, float RM, float ZM, float B) {
  if (R > RM) return std::acos(clamp1((Z - ZM) / B));
  if (R < RM) return -std::acos(clamp1((Z - ZM) / B));
  return Z >= ZM ? 0.0f : cons.PI;
}

// Ellipse: start point k - 1, marker k (RR = -3 the short way, -4 the long way,
// ZZ = ELLP), centre k + 1, end point k + 2.
void walk_ellipse(walk_t &w, int k) {
  const auto &RR = geo.RR;
  const auto &ZZ = geo.ZZ;
  const float PI = cons.PI, EPSTOL = cons.EPSTOL;
  const bool longway = static_cast<int>(RR(k)) == -4;
  const float R1 = RR(k - 1), Z1 = ZZ(k - 1), R2 = RR(k + 2), Z2 = ZZ(k + 2);
  float RM = RR(k + 1);
  const float ZM = ZZ(k + 1), ELLP = ZZ(k);
  if (latc.DDZ != 0.0f) {
    int ic = ird(RM);
    w.dr = gdr(ic);
  }
  const float dr = w.dr, dz = w.dz;
  const float A1 = (R1 - RM) * (R1 - RM), B1 = (Z1 - ZM) * (Z1 - ZM);
  const float A2 = (R2 - RM) * (R2 - RM), B2 = (Z2 - ZM) * (Z2 - ZM);
  const float D = A1 * B2 - A2 * B1;
  float A, B;
  if (std::sqrt(std::fabs(D)) >= EPSTOL) {
    // Both points on the ellipse: u = 1/A**2, v = 1/B**2.
    const float u = (B2 - B1) / D, v = (A1 - A2) / D;
    if (u <= 0.0f || v <= 0.0f) ellipse_connection(RM, ZM, 0.0f, 0.0f);
    A = 1.0f / std::sqrt(u);
    B = 1.0f / std::sqrt(v);
    if (A < dr || B < dz) ellipse_connection(RM, ZM, A, B);
  } else {
    // Both points on one axis line: the other semi-axis is ELLP.
    if (ELLP <= 0.0f) {
      rec(ndev.NOUT, "(1X,A,A,A,2G13.5,A)", "*** ERROR ***", " ELLIPSE GENERATION FAILED", " AT (R,Z)=(", RM, ZM,
          ").");
      rec(ndev.NOUT, "(1X,A)", "NO ELLIPSE IS UNIQUELY DEFINED IF R1=R2 OR Z1=Z2.");
      rec(ndev.NOUT, "(1X,A,2G13.5,A)", "YOUR CASE: (R1,Z1)=(", R1, Z1, ")");
      rec(ndev.NOUT, "(1X,A,2G13.5,A,1X,A,G13.5)", "           (R2,Z2)=(", R2, Z2, ")", " --> ELLP=", ELLP);
      rec(ndev.NOUT, "(1X,A)", "SPLIT IT INTO TWO IF THE ELLIPSE IS SYMMETRICAL");
      zstop();
    }
    A = 0.0f;
    B = 0.0f;
    if (Z1 == Z2) {
      A = std::fabs(R1 - R2) / 2.0f;
      B = ELLP;
    }
    if (R1 == R2) {
      A = ELLP;
      B = std::fabs(Z1 - Z2) / 2.0f;
    }
    if (A <= 0.0f || B <= 0.0f || std::fabs(A) < dr || std::fabs(B) < dz) ellipse_connection(RM, ZM, A, B);
    // The end points must lie on the ellipse so found.
    const float lim = 1.0f + 1.0E-5f;
    if (std::fabs((Z1 - ZM) / B) > lim || std::fabs((R1 - RM) / A) > lim || std::fabs((Z2 - ZM) / B) > lim ||
        std::fabs((R2 - RM) / A) > lim)
      ellipse_connection(RM, ZM, A, B);
  }
  if (!(A <= static_cast<float>(MAXSTEPS) * dr && A <= MAXCOORD))
    stop_real("SEMI-AXIS A OF THE ELLIPSE ON CONTOUR LINE " + std::to_string(k), A, beyond_mesh());
  if (!(B <= static_cast<float>(MAXSTEPS) * dz && B <= MAXCOORD))
    stop_real("SEMI-AXIS B OF THE ELLIPSE ON CONTOUR LINE " + std::to_string(k), B, beyond_mesh());
  latc.IR(k) = nint(A / dr) + 1;
  latc.IZ(k) = nint(B / dz) + 1;

  if (!(RM + A > w.RTOP || ZM + B > w.ZL0 || RM - A < w.RBP)) return;
  const float TH1 = ellipse_angle(R1, Z1, RM, ZM, B);
  const float TH2 = ellipse_angle(R2, Z2, RM, ZM, B);
  float d = TH2 - TH1;
  if (d >= 2.0f * PI) d = d - 2.0f * PI;
  if (d <= -2.0f * PI) d = d + 2.0f * PI;
  const float ALT = d >= 0.0f ? d - 2.0f * PI : d + 2.0f * PI;
  float sweep;
  if (longway) {
    sweep = std::fabs(d) > std::fabs(ALT) ? d : ALT;
  } else if (std::fabs(d) == std::fabs(ALT)) {
    sweep = std::max(d, ALT); // equal ways: the counterclockwise one
  } else {
    sweep = std::fabs(d) < std::fabs(ALT) ? d : ALT;
  }
  const int N = inttr(5.0f * std::max(A / dr, B / dz) + 1.0f);
  for (int i = 1; i <= N - 1; ++i) {
    float th = TH1 + sweep * static_cast<float>(i) / static_cast<float>(N);
    arc_sample(w, RM + A * std::sin(th), ZM + B * std::cos(th));
  }
}

} // namespace

void center(float RTOP, float ZL0, float &RTOP1, float &ZL1, float &RMIN, float RBP, float &ZLFT, float &ZRGT,
            int IPASS) {
  ZLFT = ZL0;
  ZRGT = 0.0f;
  RMIN = RBP;
  RTOP1 = RTOP;
  ZL1 = ZL0;
  walk_t w{RTOP, ZL0, RBP, RTOP1, ZL1, RMIN, ZLFT, ZRGT, latc.DDZ, 0.0f};
  if (latc.NZ != 0) {
    const int steps = symt.LHALF ? (latc.NZ - 1) / 2 : latc.NZ - 1;
    w.dz = ZL0 / static_cast<float>(steps);
  }
  if (latc.DDZ == 0.0f) w.dr = latc.NR == 0 ? 0.0f : RTOP / static_cast<float>(latc.NR - 1);

  const int NPTS = latc.NPTS, NLAST = lat2.NLAST;
  int k = 2;
  while (k <= NPTS) {
    if (k == NLAST + 1 || k == NLAST + 2) {
      ++k;
      continue;
    }
    const float code = geo.RR(k);
    if (code > -1.0f) {
      walk_point(w, k);
      ++k;
    } else if (static_cast<int>(code) >= -2) {
      if (k + 1 > NPTS) break; // a marker without its end point
      walk_circle(w, k);
      ++k;
    } else {
      if (k + 2 > NPTS) break;
      walk_ellipse(w, k);
      k += 2;
    }
  }
  // Something beyond the right pipe end: one step more of length.
  if (IPASS == 1 && ZL1 > geo.ZZ(NLAST) + cons.EPSTOL) ZL1 = ZL1 + w.dz;
}

// Every point of the contour, its radius too, is walked in thirds of the z step: a
// coordinate of more z steps than the mesh can hold, or farther from the origin than
// the arcs can be fitted at, stops before it is walked.
static void check_coordinates(float ZMAX) {
  float dz = latc.DDZ;
  if (dz == 0.0f && latc.NZ > 1) {
    if (latc.NZ - 1 > MAXSTEPS) stop_int("NZ", latc.NZ, beyond_mesh());
    const int steps = symt.LHALF ? (latc.NZ - 1) / 2 : latc.NZ - 1;
    dz = ZMAX / static_cast<float>(std::max(steps, 1));
  }
  // Every point (arc markers aside) within lim of the origin.
  auto points_within = [](float lim) {
    for (int k = 1; k <= latc.NPTS; ++k) {
      const float r = geo.RR(k), z = geo.ZZ(k);
      if (!(r > -1.0f)) continue; // arc marker
      const std::string line = std::to_string(k);
      if (!(std::fabs(z) <= lim)) stop_real(std::string("Z OF CONTOUR LINE ").append(line), z, beyond_mesh());
      if (!(std::fabs(r) <= lim)) stop_real(std::string("R OF CONTOUR LINE ").append(line), r, beyond_mesh());
    }
  };
  points_within(MAXCOORD);
  // The length of the structure in steps of a given DDZ: at least one, and no more
  // than the mesh can hold.
  if (latc.DDZ > 0.0f && !(ZMAX / latc.DDZ < static_cast<float>(MAXSTEPS)))
    stop_real("DDZ", latc.DDZ,
              "GIVES MORE THAN " + std::to_string(MAXSTEPS) + " Z MESH STEPS OVER THE LENGTH OF THE STRUCTURE.");
  if (latc.DDZ > 0.0f && !(ZMAX / latc.DDZ >= 0.5f))
    stop_real("DDZ", latc.DDZ, "IS LONGER THAN THE STRUCTURE: IT GIVES NO Z MESH STEP.");
  if (dz > 0.0f) points_within(std::min(static_cast<float>(MAXSTEPS) * dz, MAXCOORD));
}

gpass_t gpass;

void setgrd(float &RBP, float &ZMAX, float RMAX, float &RMIN, float &ZLFT, float &ZRGT, float &RAD) {
  const auto &RR = geo.RR;
  const int NLAST = lat2.NLAST;
  irdset_newrun();
  // Beam-pipe radius: the larger pipe unless the two agree within EPSTOL.
  if (symt.LHALF) {
    RBP = RR(NLAST);
  } else if (std::fabs(RR(2) - RR(NLAST)) > cons.EPSTOL) {
    RBP = std::max(RR(2), RR(NLAST));
  } else {
    RBP = std::min(RR(2), RR(NLAST));
  }
  float RTOP = std::max(0.0f, RMAX);
  for (int k = 1; k <= 1000; ++k) RTOP = std::max(RTOP, lat2.RMARK(k));

  check_coordinates(ZMAX);

  float RTOP1 = RTOP, ZL1 = ZMAX;
  if (gpass.NPASS > 0) {
    // The mesh of a saved run: its last pass again, from the top radius and length that
    // pass started from.
    RTOP = gpass.RTOP;
    for (int p = 1; p <= gpass.NPASS; ++p) {
      irdset(RTOP);
      center(RTOP, gpass.ZL0, RTOP1, ZL1, RMIN, RBP, ZLFT, ZRGT, gpass.NPASS);
    }
    ZMAX = gpass.ZMAX;
    gpass.NPASS = 0;
    geo.ZL = ZL1;
    RAD = RTOP1;
    return;
  }
  for (int p = 1; p <= 2; ++p) {
    irdset(RTOP);
    center(RTOP, ZMAX, RTOP1, ZL1, RMIN, RBP, ZLFT, ZRGT, p);
    if (std::fabs(RTOP - RTOP1) <= cons.EPSTOL && std::fabs(ZMAX - ZL1) <= cons.EPSTOL) break;
    ZMAX = ZL1;
    RTOP = RTOP1;
  }
  geo.ZL = ZL1;
  RAD = RTOP1;
}
