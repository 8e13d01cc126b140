// Half-cell input: the contour of the right half (z = 0 on the middle plane) becomes
// the contour of the whole structure, as a mirrored copy of the half in reverse order,
// a copy shifted by half the length in order, and a closing point on the axis:
//
//   whole 1 .. n           half n+1 down to 2, mirrored    (half i -> n + 2 - i)
//   whole n+1 .. 2n        half 2 .. n+1, shifted          (half j -> n + j - 1)
//   whole 2n+1             closing point (0, 0)
//   further contours       half NPTS down to n+3 mirrored, then n+3 .. NPTS shifted
//
// with n = NLAST of the half. Mirroring keeps the signed radius of a circle (the
// direction of travel and the sense of the plane both flip). An ellipse keeps the order
// start, marker, centre, end in the reversed copy: the marker and its centre change
// places. expand mirrors the mesh indices, expand2 the coordinates and the counts.
#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/params.hpp"

namespace {

enum kind_t { POINT, CIRCLE, ELLIPSE };
inline kind_t kind(int k) {
  const float r = geo.RR(k);
  if (r > -1.0f) return POINT;
  return static_cast<int>(r) >= -2 ? CIRCLE : ELLIPSE;
}

// The placement of the lines, shared by the two routines. mirror(i, pos, pipe_end) and
// shift(j, pos) copy half line i (j) to whole line pos; marker(i, pos) copies the
// marker i unchanged.
template <class Mirror, class Shift, class Keep>
void place(Mirror mirror, Shift shift, Keep keep) {
  const int n = lat2.NLAST, NPTS = latc.NPTS;
  // A block of half lines lo..hi, mirrored and reversed to whole lines c - i.
  auto reversed = [&](int lo, int hi, int c, bool first) {
    for (int i = hi; i >= lo; --i) {
      const kind_t t = kind(i);
      if (t == ELLIPSE && i + 1 <= hi) {
        // The centre (half line i + 1) was placed at c - i - 1: the marker takes that
        // place and the centre moves behind it.
        keep(i, c - i - 1);
        mirror(i + 1, c - i, false);
      } else if (t == ELLIPSE) {
        keep(i, c - i);
      } else {
        mirror(i, c - i, first && i == n);
      }
    }
  };
  auto kept = [&](int lo, int hi, int c) {
    for (int j = lo; j <= hi; ++j) {
      if (kind(j) == ELLIPSE)
        keep(j, c + j);
      else
        shift(j, c + j);
    }
  };
  reversed(2, n + 1, n + 2, true);
  kept(2, n + 1, n - 1);
  if (NPTS > n + 2) {
    reversed(n + 3, NPTS, NPTS + 2 * n + 2, false);
    kept(n + 3, NPTS, NPTS - 3);
  }
}

} // namespace

void expand() {
  if (2 * latc.NPTS - 3 > MAXPTS) return;
  static fix1<int, MAXPTS> wir, wiz;
  const int M = latc.NZ / 2;
  const int n = lat2.NLAST;
  auto &IR = latc.IR;
  auto &IZ = latc.IZ;
  place(
      [&](int i, int pos, bool pipe_end) {
        wir(pos) = IR(i);
        // A circle marker holds the column of its centre: mirrored like a point.
        wiz(pos) = pipe_end ? M - IZ(i) + 1 : M - IZ(i) + 2;
      },
      [&](int j, int pos) {
        wir(pos) = IR(j);
        wiz(pos) = IZ(j) + M;
      },
      [&](int i, int pos) {
        wir(pos) = IR(i);
        wiz(pos) = IZ(i);
      });
  wir(2 * n + 1) = 1;
  wiz(2 * n + 1) = 1;
  for (int k = 1; k <= 2 * latc.NPTS - 3; ++k) {
    IR(k) = wir(k);
    IZ(k) = wiz(k);
  }
}

void expand2() {
  if (2 * latc.NPTS - 3 > MAXPTS) return;
  static fix1<float, MAXPTS> wrr, wzz;
  const float H = geo.ZL / 2.0f;
  const int n = lat2.NLAST;
  auto &RR = geo.RR;
  auto &ZZ = geo.ZZ;
  place(
      [&](int i, int pos, bool) {
        wrr(pos) = RR(i);
        wzz(pos) = kind(i) == POINT ? H - ZZ(i) : ZZ(i);
      },
      [&](int j, int pos) {
        wrr(pos) = RR(j);
        wzz(pos) = kind(j) == POINT ? ZZ(j) + H : ZZ(j);
      },
      [&](int i, int pos) {
        wrr(pos) = RR(i);
        wzz(pos) = ZZ(i);
      });
  wrr(2 * n + 1) = 0.0f;
  wzz(2 * n + 1) = 0.0f;
  const int whole = 2 * latc.NPTS - 3;
  for (int k = 1; k <= whole; ++k) {
    RR(k) = wrr(k);
    ZZ(k) = wzz(k);
  }
  latc.NPTS = whole;
  lat2.NLAST = 2 * n - 1;
}
