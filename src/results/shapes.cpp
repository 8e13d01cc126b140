// Structure shape frames: the contour of the geometry lines with its circular and
// elliptic arcs drawn as polylines, and the contour as the mesh holds it after the
// boundary fitting, each with the pipe ends, the axis and the wake-integration contour.
#include "results/shapes.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

nzpath_t nzpath;

namespace {

// Mesh-step title and the further-zone records k = 2 .. n, steps in mm.
void mesh_titles(int n) {
  rec(ndev.NTOP, "(1X,A,A,A,A,A,2X,A,A,A)", " TITLE 2.00 8.3 SIZE 1.40 ", "'", "DDZ=",
      title_length(latc.DDZ, 1000.0f, " mm"), ",", "DDR=", title_length(latc.DDR(1), 1000.0f, " mm"), "'");
  plot_zone_steps(n);
}

// Radius of mesh line i, 0 off the mesh.
float grs(long i) { return i >= 1 && i <= gr_data.gr.size() ? gr(i) : 0.0f; }

// Contour point k, (0, 0) beyond the table.
float zzs(int k) { return k >= 1 && k <= MAXPTS ? geo.ZZ(k) : 0.0f; }
float rrs(int k) { return k >= 1 && k <= MAXPTS ? geo.RR(k) : 0.0f; }

// The wake-integration contour, drawn just below the line it follows (offsets dz, dr).
void wake_path(float dz, float dr) {
  const int NLAST = lat2.NLAST;
  if (wpl2.LNAPOLY) {
    const float ZA = static_cast<float>(wprm.IZCF - 1) * latc.DDZ;
    const float ZB = static_cast<float>(wprm.IZCT - 1) * latc.DDZ;
    const float rw = grs(wprm.IRWAK);
    plot_point(zzs(2), rrs(2) - dr);
    plot_point(ZA - dz, rrs(2) - dr);
    plot_point(ZA - dz, rw - dr);
    plot_point(ZB + dz, rw - dr);
    plot_point(ZB + dz, rrs(NLAST) - dr);
    plot_point(zzs(NLAST), rrs(NLAST) - dr);
  } else {
    const float rk = grs(pint.KMIN);
    plot_point(zzs(2), rk - dr);
    plot_point(zzs(NLAST), rk - dr);
  }
  plot_end(JOIN_DASH);
}

// Right pipe end and axis, closing every outline.
void right_end_and_axis() {
  const int NLAST = lat2.NLAST;
  plot_point(zzs(NLAST), rrs(NLAST));
  plot_point(zzs(NLAST + 1), rrs(NLAST + 1));
  plot_end(JOIN_DOTS);
  plot_point(zzs(NLAST + 1), rrs(NLAST + 1));
  plot_point(0.0f, 0.0f);
  plot_end(JOIN_DOTDASH);
}

// Points of the input contour; c counts the points of the current piece.
struct walk_t {
  int c = 0;
  float zlast = 0.0f, rlast = 0.0f; // last arc sample written (the arc's start before)
};

// One arc sample: dropped when within EPSTOL of the last one written.
void arc_sample(walk_t &w, float z, float r) {
  if (!(std::fabs(z - w.zlast) > cons.EPSTOL || std::fabs(r - w.rlast) > cons.EPSTOL)) return;
  plot_point(z, r);
  w.zlast = z;
  w.rlast = r;
  w.c += 1;
  if (w.c >= PLOT_PIECE) {
    plot_end(JOIN_SOLID);
    plot_point(z, r);
    w.c = 1;
  }
}

// Circle of marker line k from P(k-1) to P(k+1): signed radius ZZ(k) (positive or 0
// counterclockwise in the (z, r) plane, negative clockwise), code -1 the short way, -2
// the long way. The centre lies on the perpendicular bisector of the chord; a radius
// below half the chord gives the half circle over it.
void circle_arc(walk_t &w, int k, int code) {
  const float PI = cons.PI;
  const float z1 = geo.ZZ(k - 1), r1 = geo.RR(k - 1);
  const float dZ = geo.ZZ(k + 1) - z1, dR = geo.RR(k + 1) - r1;
  const float C = std::sqrt(dZ * dZ + dR * dR);
  if (!(C > 0.0f)) return;
  const bool ccw = geo.ZZ(k) >= 0.0f;
  float rho = std::fabs(geo.ZZ(k));
  if (2.0f * rho < C) rho = C / 2.0f;
  const float s = clamp1(C / (2.0f * rho));
  const float theta = code == -2 ? 2.0f * PI - 2.0f * std::asin(s) : 2.0f * std::asin(s);
  const float phi = code == -2 ? -std::acos(s) : std::acos(s);
  // Centre: P(k-1) plus rho/C times the chord turned by +phi (counterclockwise arc) or -phi.
  const float f = rho / C;
  const float sp = ccw ? std::sin(phi) : -std::sin(phi), cp = std::cos(phi);
  const float zc = z1 + f * (cp * dZ - sp * dR);
  const float rc = r1 + f * (sp * dZ + cp * dR);

  long ir = latc.IR(k);
  ir = std::clamp<long>(ir, 1, std::max<long>(gr_data.gdr.size(), 1));
  const float step = gr_data.gdr.size() >= 1 ? std::min(latc.DDZ, gdr(ir)) : latc.DDZ;
  const int N = inttr(5.0f * rho * theta / (PI * step) + 1.0f);
  if (N < 2 || !std::isfinite(zc) || !std::isfinite(rc)) return;
  const float uz = z1 - zc, ur = r1 - rc;
  for (int m = 1; m <= N - 1; ++m) {
    float a = static_cast<float>(m) * theta / static_cast<float>(N);
    if (!ccw) a = -a;
    const float ca = std::cos(a), sa = std::sin(a);
    arc_sample(w, zc + (ca * uz - sa * ur), rc + (sa * uz + ca * ur));
  }
}

// Ellipse of marker line k (code -3 the short way, -4 the long way) from P(k-1) around
// the centre P(k+1) to P(k+2): z = zc + b cos t, r = rc + a sin t, the semi-axes through
// both end points in the products-of-squares form the boundary fitting uses.
void ellipse_arc(walk_t &w, int k, int code) {
  const float PI = cons.PI, EPSTOL = cons.EPSTOL;
  const float zs = geo.ZZ(k - 1), rs = geo.RR(k - 1);
  const float ze = geo.ZZ(k + 2), re = geo.RR(k + 2);
  const float zc = geo.ZZ(k + 1), ELLP = geo.ZZ(k);
  float rc = geo.RR(k + 1);
  if (lat2.NZONE >= 1 && rc > lat2.XR(lat2.NZONE)) rc = lat2.XR(lat2.NZONE);
  if (rc < 0.0f) rc = 0.0f;
  const int ic = ird(rc);
  const float dz1 = zs - zc, dr1 = rs - rc, dz2 = ze - zc, dr2 = re - rc;
  const float T = (dr1 * dr1) * (dz2 * dz2) - (dr2 * dr2) * (dz1 * dz1);
  float a = 0.0f, b = 0.0f;
  if (std::sqrt(std::fabs(T)) >= EPSTOL) {
    a = 1.0f / std::sqrt((dz2 * dz2 - dz1 * dz1) / T);
    b = 1.0f / std::sqrt((dr1 * dr1 - dr2 * dr2) / T);
  } else {
    // Both end points on one axis line: the other semi-axis is ELLP.
    if (zs == ze) {
      b = ELLP;
      a = std::fabs(rs - re) / 2.0f;
    }
    if (rs == re) {
      a = ELLP;
      b = std::fabs(zs - ze) / 2.0f;
    }
  }
  // An ellipse without both semi-axes is drawn as its chord.
  if (!(a > 0.0f && b > 0.0f && std::isfinite(a) && std::isfinite(b))) return;
  const float dri = ic >= 1 && ic <= gr_data.gdr.size() ? gdr(ic) : latc.DDR(1);
  const int N = inttr(5.0f * std::max(a / dri, b / latc.DDZ) + 1.0f);
  if (N < 2) return;

  // Parameter angle of an end point; the cosine is held to [-1, 1] against rounding.
  auto angle = [&](float z, float r) {
    if (r > rc) return std::acos(clamp1((z - zc) / b));
    if (r < rc) return -std::acos(clamp1((z - zc) / b));
    return zc <= z ? 0.0f : PI;
  };
  const float t1 = angle(zs, rs);
  float d = angle(ze, re) - t1;
  if (d >= 2.0f * PI) d = d - 2.0f * PI;
  if (d <= -2.0f * PI) d = d + 2.0f * PI;
  const float other = d >= 0.0f ? d - 2.0f * PI : d + 2.0f * PI;
  float sweep;
  if (code == -3) {
    // Two ways of equal length: the positive (counterclockwise) one.
    if (std::fabs(d) == std::fabs(other)) sweep = std::max(d, other);
    else sweep = std::fabs(d) < std::fabs(other) ? d : other;
  } else {
    sweep = std::fabs(d) > std::fabs(other) ? d : other;
  }
  for (int m = 1; m <= N - 1; ++m) {
    const float t = t1 + static_cast<float>(m) * sweep / static_cast<float>(N);
    arc_sample(w, zc + b * std::cos(t), rc + a * std::sin(t));
  }
}

} // namespace

void cavplt(float &YMIN) {
  const int NLAST = lat2.NLAST;
  const int NPTS = std::min(latc.NPTS, MAXPTS);
  const float EPSTOL = cons.EPSTOL;
  const float top = grs(lat2.NRL);
  const float XMIN = -geo.ZL / 20.0f;
  const float XMAX = geo.ZL - XMIN;
  YMIN = -top / 20.0f;
  const float YMAX = top - YMIN;
  nzpath.XMAXP = XMAX;
  nzpath.YMAXP = YMAX;
  plot_limits(XMIN, nzpath.XMAXP, YMIN, nzpath.YMAXP);

  // Left pipe end.
  plot_point(zzs(1), rrs(1));
  plot_point(zzs(2), rrs(2));
  plot_end(JOIN_DOTS);
  nzpath.ZPL = zzs(2);
  nzpath.RPL = rrs(2);

  // The contour from the left to the right pipe end, then the further closed polygons,
  // each closed by the first later point that repeats its first point.
  walk_t w;
  bool newpoly = false;
  float zref = 0.0f, rref = 0.0f;
  int k = 2;
  while (k <= NPTS) {
    bool closes = false;
    if (newpoly) {
      zref = geo.ZZ(k);
      rref = geo.RR(k);
      newpoly = false;
    } else if (k == NLAST) {
      plot_point(geo.ZZ(k), geo.RR(k));
      if (latc.NPTS - 2 != NLAST) plot_end(JOIN_SOLID);
      k = k + 3;
      newpoly = true;
      w.c = 0;
      continue;
    } else if (std::fabs(geo.RR(k) - rref) <= EPSTOL && std::fabs(geo.ZZ(k) - zref) <= EPSTOL) {
      closes = true;
    }

    if (geo.RR(k) <= -1.0f) {
      // The curve code INT(RR(k)), taken from the value without converting it.
      const float rk = geo.RR(k);
      const int code = rk > -3.0f ? (rk > -2.0f ? -1 : -2) : (rk > -4.0f ? -3 : -4);
      w.zlast = zzs(k - 1);
      w.rlast = rrs(k - 1);
      if (code >= -2) {
        if (k + 1 <= NPTS) circle_arc(w, k, code);
        k = k + 1;
      } else {
        if (k + 2 <= NPTS) ellipse_arc(w, k, code);
        k = k + 2;
      }
      continue;
    }

    // Plain point.
    plot_point(geo.ZZ(k), geo.RR(k));
    w.c += 1;
    if (w.c >= PLOT_PIECE && k != latc.NPTS) {
      plot_end(JOIN_SOLID);
      plot_point(geo.ZZ(k), geo.RR(k));
      w.c = 1;
    }
    if (closes && k != latc.NPTS) {
      plot_end(JOIN_SOLID);
      newpoly = true;
    }
    k = k + 1;
  }
  plot_end(JOIN_SOLID);
  right_end_and_axis();
  nzpath.ZPR = zzs(NLAST);
  nzpath.RPR = rrs(NLAST);
}

void cplot() {
  int n = plot_zone_count();
  if (n > 8) n = 6;
  plot_header(PK_INPUT_SHAPE);
  plot_datetime();
  mesh_titles(n);
  float YMIN = 0.0f;
  cavplt(YMIN);
  if (plnz.LPATH) wake_path(nzpath.XMAXP / 200.0f, nzpath.YMAXP / 200.0f);
}

void uplot() {
  int n = plot_zone_count();
  if (n > 6) n = 6;
  plot_header(PK_USED_SHAPE);
  plot_datetime();
  mesh_titles(n);
  const float top = grs(lat2.NRL);
  const float XMIN = -geo.ZL / 20.0f;
  const float XMAX = geo.ZL - XMIN;
  const float YMIN = -top / 20.0f;
  const float YMAX = top - YMIN;
  plot_limits(XMIN, XMAX, YMIN, YMAX);
  // Arrows right of the plotting area, pointing left at the top of each inner zone.
  if (n > 1) {
    rec(ndev.NTOP, "(1X,A)", " SET ARROW FLARE 0.3");
    for (int k = 1; k <= n - 1; ++k)
      rec(ndev.NTOP, "(1X,A,2G11.4,A,2G11.4,A)", " ARROW FROM ", XMAX - XMIN, lat2.RMARK(k), " DATA TO ",
          XMAX - XMIN / 10.0f, lat2.RMARK(k), " DATA");
  }
  // Left pipe end.
  plot_point(zzs(1), rrs(1));
  plot_point(zzs(2), rrs(2));
  plot_end(JOIN_DOTS);
  // The fitted boundary over the whole mesh.
  window_whole(latc.NZ);
  hit1(1);
  plot_end(JOIN_SOLID_PLOT);
  right_end_and_axis();
  if (plnz.LPATH) wake_path(XMAX / 200.0f, YMAX / 200.0f);
}
