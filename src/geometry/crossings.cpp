// Mesh-line crossings of the contour pieces: straight segments, circular and elliptic
// arcs. For every piece that reaches into the boundary frame IZFRL..IZFRR the points
// where it crosses the z mesh lines (columns) and the radial mesh lines are listed with
// a parameter that grows along the piece; trace orders the list and turns it into hit
// flags (or plot points).
#include "geometry/fitting.hpp"

#include <cmath>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

namespace {

// Crossing lists of one piece, reused for every piece.
arr1<int> IRC, IZC;
arr1<float> TC;
int NFIT = 0;

// Contour line of the piece being listed (for the failure message).
int kline = 0;

[[noreturn]] void fit_failed() {
  rec(ndev.NOUT, "(1X,A,I6)", "*** STOP *** BOUNDARY FITTING FAILED AT CONTOUR LINE", kline);
  zstop();
}

// Frame-relative column, kept well inside the integer range so that the differences
// and cell indices formed from it cannot overflow.
int relcol(long iz) {
  long c = iz - lfrbk.IZFRL;
  if (c > (1L << 28)) c = 1L << 28;
  if (c < -(1L << 28)) c = -(1L << 28);
  return static_cast<int>(c);
}

void enter(long iz, int ir, float t) {
  if (!std::isfinite(t)) fit_failed();
  if (NFIT + 1 > NSP) {
    rec(ndev.NOUT, "(1X,A,I7,A,I7)", "*** STOP ***  THE NUMBER OF MESH FITTING POINTS", NSP + 1,
        " EXCEEDS MAXIMUM NSP:", NSP);
    zstop();
  }
  ++NFIT;
  IZC(NFIT) = relcol(iz);
  IRC(NFIT) = ir;
  TC(NFIT) = t;
}

// Turns of the parameter angle tried for each point of an ellipse (see ellipse()).
constexpr int NCAND = 8;

bool in_frame(long iz) { return iz >= lfrbk.IZFRL && iz <= lfrbk.IZFRR; }

// Radius of mesh line i; an index off the mesh is a fitting failure.
float grv(long i) {
  if (i < 1 || i > gr_data.gr.size()) fit_failed();
  return gr(i);
}

// Radial line of the radius r, with the clamping of the radius rule done first so
// that a radius that is still not finite stops the fitting instead of being lost.
int line_of(float r) {
  if (lat2.NZONE >= 1 && r > lat2.XR(lat2.NZONE)) r = lat2.XR(lat2.NZONE);
  if (r < 0.0f) r = 0.0f;
  if (!std::isfinite(r)) fit_failed();
  return ird(r);
}

// Column of z: NINT(z/DDZ - bias) + 1.
long column_of(float z, float bias) {
  const float x = z / latc.DDZ - bias;
  if (!std::isfinite(x)) fit_failed();
  return static_cast<long>(nint(x)) + 1;
}

// Angle in [0, 2 pi) from the sine and cosine of a point seen from the centre.
float angle_asin(float s, float co) {
  const float PI = cons.PI;
  if (std::fabs(s) > 1.0f) s = s > 0.0f ? 1.0f : -1.0f;
  if (std::fabs(co) > 1.0f) co = co > 0.0f ? 1.0f : -1.0f;
  float a;
  if (s >= 0.0f && co >= 0.0f) a = std::asin(s);
  else if ((s >= 0.0f && co < 0.0f) || (s < 0.0f && co <= 0.0f)) a = PI - std::asin(s);
  else a = 2.0f * PI + std::asin(s);
  if (!std::isfinite(a)) fit_failed();
  return a;
}

void hand_on(int IPLOT, int &NPTW, int &IRLAST, int &IZLAST) {
  trace(IPLOT, NFIT, IRC, IZC, TC, NPTW, IRLAST, IZLAST);
}

// Straight segment from contour point a to point a + 1. The crossings follow the straight
// line between the mesh points of the two ends; the parameter measures the way along it.
void straight(int a, int IPLOT, int &NPTW, int &IRLAST, int &IZLAST) {
  const int b = a + 1;
  const int iza = latc.IZ(a), izb = latc.IZ(b);
  const int ira = latc.IR(a), irb = latc.IR(b);
  if (iza == izb && ira == irb) return;
  if (std::max(iza, izb) < lfrbk.IZFRL || std::min(iza, izb) > lfrbk.IZFRR) return;
  const float ra = geo.RR(a), rb = geo.RR(b);
  const float gra = grv(ira), grb = grv(irb);
  const int nz = latc.NZ;
  const bool pipe_end = a == lat2.NLAST - 1;

  // Parameter of mesh point (iz, ir): fz along z, fr along r against the true radii.
  auto param = [&](long iz, int ir) {
    const float fz = iza == izb ? 0.0f
                                : static_cast<float>(iz - iza) / static_cast<float>(izb - iza);
    const float fr = ira == irb ? 0.0f : (grv(ir) - ra) / (rb - ra);
    return std::sqrt(fz * fz + fr * fr);
  };
  auto put = [&](long iz, int ir) {
    enter(iz, ir, param(iz, ir));
    // The right pipe wall goes on to column NZ + 1.
    if (pipe_end && iz == nz) enter(nz + 1, ir, param(nz + 1, ir));
  };

  NFIT = 0;
  enter(iza, ira, 0.0f);
  if (iza != izb) {
    // Only columns of the frame are entered: run the loop over them alone.
    const int sz = iza <= izb ? 1 : -1;
    const long lo = std::max<long>(std::min(iza, izb), lfrbk.IZFRL);
    const long hi = std::min<long>(std::max(iza, izb), lfrbk.IZFRR);
    const long first = sz > 0 ? lo : hi;
    const long last = sz > 0 ? hi : lo;
    for (long iz = first; sz > 0 ? iz <= last : iz >= last; iz += sz) {
      const float r = gra + (grb - gra) * static_cast<float>(iz - iza) /
                                static_cast<float>(izb - iza);
      put(iz, line_of(r));
    }
  }
  if (ira != irb) {
    const int sr = ira <= irb ? 1 : -1;
    for (int ir = ira;; ir += sr) {
      const float x = (grv(ir) - gra) * static_cast<float>(izb - iza) / (grb - gra) - 1.0E-5f;
      if (!std::isfinite(x)) fit_failed();
      const long iz = iza + static_cast<long>(nint(x));
      if (in_frame(iz)) put(iz, ir);
      if (ir == irb) break;
    }
  }
  hand_on(IPLOT, NPTW, IRLAST, IZLAST);
}

// Circular arc with marker line k from point k - 1 to point k + 1: radius |ZZ(k)|, the
// sign telling the sense (counterclockwise in the (z, r) plane for a positive value and
// for 0, clockwise for a negative one), curve code -1 the short way, -2 the long way.
void circle(int k, int code, int IPLOT, int &NPTW, int &IRLAST, int &IZLAST) {
  const float PI = cons.PI;
  const float z1 = geo.ZZ(k - 1), r1 = geo.RR(k - 1);
  const float z2 = geo.ZZ(k + 1), r2 = geo.RR(k + 1);
  const float sgnr = geo.ZZ(k);
  float rho = std::fabs(sgnr);
  const float dZ = z2 - z1, dR = r2 - r1;
  const float c = std::sqrt(dZ * dZ + dR * dR);
  // A radius below half the chord gives the half circle over the chord; the column range
  // is taken with that radius so the arc is not cut short.
  if (2.0f * rho < c) rho = c / 2.0f;

  const float q0 = rho / latc.DDZ;
  if (!std::isfinite(q0)) fit_failed();
  const long izlo = std::max<long>(static_cast<long>(latc.IZ(k)) - nint(q0) - 1, 1);
  const long izhi = std::min<long>(static_cast<long>(latc.IZ(k)) + nint(q0) + 1, latc.NZ);
  if (izhi < lfrbk.IZFRL || izlo > lfrbk.IZFRR) return;

  float theta = 2.0f * std::asin(c / (2.0f * rho));
  float alpha = std::acos(c / (2.0f * rho));
  if (code == -2) alpha = -alpha;
  const float f = rho / c;
  float zc, rc;
  if (sgnr >= 0.0f) {
    zc = z1 + f * (std::cos(alpha) * dZ - std::sin(alpha) * dR);
    rc = r1 + f * (std::sin(alpha) * dZ + std::cos(alpha) * dR);
  } else {
    zc = z1 + f * (std::cos(alpha) * dZ + std::sin(alpha) * dR);
    rc = r1 + f * (std::cos(alpha) * dR - std::sin(alpha) * dZ);
  }
  if (!std::isfinite(theta) || !std::isfinite(zc) || !std::isfinite(rc)) fit_failed();

  const int irlo = std::max(line_of(rc - rho) - 1, 1);
  const int irhi = std::min(line_of(rc + rho) + 1, latc.NR);

  NFIT = 0;
  if (in_frame(latc.IZ(k - 1))) enter(latc.IZ(k - 1), latc.IR(k - 1), 0.0f);
  if (code == -2) theta = 2.0f * PI - theta;

  // Angle of (z, r) around the centre, measured from the start point in the arc's sense.
  const float uz = z1 - zc, ur = r1 - rc;
  const float rho2 = rho * rho;
  auto angle = [&](float z, float r) {
    const float vz = z - zc, vr = r - rc;
    float s = (uz * vr - ur * vz) / rho2;
    if (sgnr < 0.0f) s = -s;
    const float co = (uz * vz + ur * vr) / rho2;
    return angle_asin(s, co);
  };

  for (long iz = std::max<long>(izlo, lfrbk.IZFRL); iz <= std::min<long>(izhi, lfrbk.IZFRR); ++iz) {
    const float z = static_cast<float>(iz - 1) * latc.DDZ;
    const float dz = z - zc;
    const float q = rho2 - dz * dz;
    if (!(q >= 0.0f)) continue;
    const float w = std::sqrt(q);
    for (float r : {rc + w, rc - w}) {
      const float A = angle(z, r);
      if (A >= 0.0f && A <= theta) enter(iz, line_of(r), A);
    }
  }
  for (int ir = irlo; ir <= irhi; ++ir) {
    const float r = grv(ir);
    const float dr = r - rc;
    const float q = rho2 - dr * dr;
    if (!(q >= 0.0f)) continue;
    const float w = std::sqrt(q);
    for (float z : {zc + w, zc - w}) {
      const float A = angle(z, r);
      if (A >= 0.0f && A <= theta) {
        const long iz = column_of(z, 0.0f);
        if (in_frame(iz)) enter(iz, ir, A);
      }
    }
  }
  if (in_frame(latc.IZ(k + 1))) enter(latc.IZ(k + 1), latc.IR(k + 1), theta);
  if (izhi > izlo || irhi > irlo) hand_on(IPLOT, NPTW, IRLAST, IZLAST);
}

// Elliptic arc with marker line k (code -3 the short way, -4 the long way) from point
// k - 1 around the centre on line k + 1 to point k + 2: z = zc + b cos th, r = rc + a sin th.
void ellipse(int k, int code, int IPLOT, int &NPTW, int &IRLAST, int &IZLAST) {
  const float PI = cons.PI;
  const float zc = geo.ZZ(k + 1), rc = geo.RR(k + 1);
  const float z1 = geo.ZZ(k - 1), r1 = geo.RR(k - 1);
  const float z2 = geo.ZZ(k + 2), r2 = geo.RR(k + 2);
  // A centre or end off the number line would make every crossing NaN, and those fail
  // every range test: stop rather than lose the arc.
  for (float v : {zc, rc, z1, r1, z2, r2})
    if (!std::isfinite(v)) fit_failed();

  const long izlo = std::max<long>(static_cast<long>(latc.IZ(k + 1)) - latc.IZ(k) - 1, 1);
  const long izhi = std::min<long>(static_cast<long>(latc.IZ(k + 1)) + latc.IZ(k) + 1, latc.NZ);
  if (izhi < lfrbk.IZFRL || izlo > lfrbk.IZFRR) return;

  // Semi-axes through both end points: a radial, b axial.
  const float dz1 = z1 - zc, dr1 = r1 - rc, dz2 = z2 - zc, dr2 = r2 - rc;
  // Products of the squares, as the extents of the structure were measured with.
  const float D = (dr1 * dr1) * (dz2 * dz2) - (dr2 * dr2) * (dz1 * dz1);
  float a = 0.0f, b = 0.0f;
  if (std::sqrt(std::fabs(D)) >= cons.EPSTOL) {
    a = 1.0f / std::sqrt((dz2 * dz2 - dz1 * dz1) / D);
    b = 1.0f / std::sqrt((dr1 * dr1 - dr2 * dr2) / D);
  } else {
    if (z1 == z2) {
      b = geo.ZZ(k);
      a = std::fabs(r1 - r2) / 2.0f;
    }
    if (r1 == r2) {
      a = geo.ZZ(k);
      b = std::fabs(z1 - z2) / 2.0f;
    }
  }
  if (!(a > 0.0f) || !(b > 0.0f) || !std::isfinite(a) || !std::isfinite(b)) fit_failed();

  const int irlo = std::max(line_of(rc - a) - 1, 1);
  const int irhi = std::min(line_of(rc + a) + 1, latc.NR);

  NFIT = 0;
  enter(latc.IZ(k - 1), latc.IR(k - 1), -9999.0f);

  // Parameter angle of an end point; the cosine is held to [-1, 1] against rounding.
  auto end_angle = [&](float z, float r) {
    float x = (z - zc) / b;
    if (x > 1.0f) x = 1.0f;
    if (x < -1.0f) x = -1.0f;
    if (r > rc) return std::acos(x);
    if (r < rc) return -std::acos(x);
    return z >= zc ? 0.0f : PI;
  };
  const float th1 = end_angle(z1, r1);
  const float th2 = end_angle(z2, r2);
  float d = th2 - th1;
  if (d >= 2.0f * PI) d = d - 2.0f * PI;
  if (d <= -2.0f * PI) d = d + 2.0f * PI;
  const float dd = d >= 0.0f ? d - 2.0f * PI : d + 2.0f * PI;
  float sw;
  if (code == -3) {
    // Two ways of equal length: counterclockwise (the positive sweep).
    if (std::fabs(d) < std::fabs(dd)) sw = d;
    else if (std::fabs(dd) < std::fabs(d)) sw = dd;
    else sw = d >= 0.0f ? d : dd;
  } else {
    sw = std::fabs(dd) >= std::fabs(d) ? dd : d;
  }
  if (!std::isfinite(sw)) fit_failed();
  const float lo = sw >= 0.0f ? th1 : th1 + sw;
  const float hi = sw >= 0.0f ? th1 + sw : th1;
  const float sgn = sw < 0.0f ? -1.0f : 1.0f;

  auto clamp1 = [](float v) { return std::fabs(v) > 1.0f ? (v > 0.0f ? 1.0f : -1.0f) : v; };

  // The window starts at th1 in [-pi, pi] and spans at most a full turn, so it may
  // reach up to 3 pi or down to -3 pi. The angles A of the two points on a mesh line lie
  // in [0, 2 pi); each point is tried in the four turns that can meet the window:
  // A and A - 2 pi first, then A + 2 pi (windows past 2 pi) and A - 4 pi (windows below
  // -2 pi). A window of less than a full turn holds at most one of them (a full turn
  // holds its two ends). The last two are formed so that they stay at or above 2 pi and
  // below -2 pi in single precision: a window inside [-2 pi, 2 pi) never takes them.
  auto turns = [&](const float A[2], float cand[NCAND]) {
    const float twopi = 2.0f * PI;
    cand[0] = A[0];
    cand[1] = A[1];
    cand[2] = A[0] - twopi;
    cand[3] = A[1] - twopi;
    cand[4] = A[0] + twopi;
    cand[5] = A[1] + twopi;
    cand[6] = cand[2] - twopi;
    cand[7] = cand[3] - twopi;
  };

  for (long iz = std::max<long>(izlo, lfrbk.IZFRL); iz <= std::min<long>(izhi, lfrbk.IZFRR); ++iz) {
    const float x = (static_cast<float>(iz - 1) * latc.DDZ - zc) / b;
    const float q = 1.0f - x * x;
    if (!(q >= 0.0f)) continue;
    const float w = a * std::sqrt(q);
    const float rr[2] = {rc + w, rc - w};
    float A[2];
    for (int n = 0; n < 2; ++n) A[n] = angle_asin(clamp1((rr[n] - rc) / a), clamp1(x));
    float cand[NCAND];
    turns(A, cand);
    for (int n = 0; n < NCAND; ++n) {
      if (cand[n] >= lo && cand[n] <= hi) enter(iz, line_of(rr[n % 2]), (cand[n] - lo) * sgn);
    }
  }
  for (int ir = irlo; ir <= irhi; ++ir) {
    const float y = (grv(ir) - rc) / a;
    const float q = 1.0f - y * y;
    if (!(q >= 0.0f)) continue;
    const float w = b * std::sqrt(q);
    const float zz[2] = {zc + w, zc - w};
    float A[2];
    for (int n = 0; n < 2; ++n) {
      const float x = clamp1((zz[n] - zc) / b);
      const float yc = clamp1(y);
      A[n] = yc >= 0.0f ? std::acos(x) : 2.0f * PI - std::acos(x);
      if (!std::isfinite(A[n])) fit_failed();
    }
    float cand[NCAND];
    turns(A, cand);
    for (int n = 0; n < NCAND; ++n) {
      if (cand[n] >= lo && cand[n] <= hi) {
        const long iz = column_of(zz[n % 2], 1.0E-5f);
        if (in_frame(iz)) enter(iz, ir, (cand[n] - lo) * sgn);
      }
    }
  }
  if (in_frame(latc.IZ(k + 2))) enter(latc.IZ(k + 2), latc.IR(k + 2), 9998.0f);
  if (izhi > izlo || irhi > irlo) hand_on(IPLOT, NPTW, IRLAST, IZLAST);
}

// The piece that starts at contour line k; returns the next line to look at.
int piece(int k, int IPLOT, int &NPTW, int &IRLAST, int &IZLAST) {
  kline = k;
  NFIT = 0;
  const int npts = latc.NPTS;
  if (geo.RR(k) > -1.0f) {
    if (geo.RR(k + 1) <= -1.0f) return k + 1; // the arc is listed at its marker line
    straight(k, IPLOT, NPTW, IRLAST, IZLAST);
    return k + 1;
  }
  const int code = static_cast<int>(geo.RR(k));
  if (code >= -2) {
    circle(k, code, IPLOT, NPTW, IRLAST, IZLAST);
    return k + 1;
  }
  if (k + 2 <= npts) ellipse(k, code <= -4 ? -4 : -3, IPLOT, NPTW, IRLAST, IZLAST);
  return k + 2;
}

} // namespace

void hit1(int IPLOT) {
  if (!TC.allocated()) {
    IRC.alloc(NSP);
    IZC.alloc(NSP);
    TC.alloc(NSP);
  }
  if (IPLOT == 0) initht();
  if (latc.NR < 1) return;

  float zfirst = 0.0f, rfirst = 0.0f;
  bool newcontour = false;
  int NPTW = 0, IRLAST = 1, IZLAST = 1;
  const int npts = std::min(latc.NPTS, MAXPTS);
  int k = 2;
  while (k < npts) {
    if (newcontour) {
      zfirst = geo.ZZ(k);
      rfirst = geo.RR(k);
      newcontour = false;
      k = piece(k, IPLOT, NPTW, IRLAST, IZLAST);
    } else if (k == lat2.NLAST) {
      k = k + 2; // the closing lines over the open right end are no boundary
    } else if (std::fabs(geo.RR(k) - rfirst) <= cons.EPSTOL &&
               std::fabs(geo.ZZ(k) - zfirst) <= cons.EPSTOL) {
      // Point k closes the current contour; a further closed contour may follow.
      if (IPLOT != 0) plot_end(JOIN_SOLID_PLOT);
      k = k + 1;
      newcontour = true;
    } else {
      k = piece(k, IPLOT, NPTW, IRLAST, IZLAST);
    }
  }
}
