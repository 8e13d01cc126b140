// Order of the crossings of one contour piece and the boundary hit table.
//
// The crossings that hit1 lists for one piece are sorted by their parameter along the
// piece; consecutive crossings that are neighbouring mesh points then mark the cell edge
// or cell diagonal between them, with the direction of travel (vacuum on the right).
// In plot mode the same points are written as the fitted boundary of the used shape.
#include "geometry/fitting.hpp"

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"

#include <algorithm>
#include <utility>

namespace {

// Set flag d of hit-table cell c; a cell outside the table (a step from a start entry
// that lies left of the frame) sets nothing.
inline void sethit(long c, int d) {
  if (c >= 1 && c <= msz.NMESH && c <= bc_data.ihit.n1) ihit(c, d) = -1;
}

} // namespace

void trace(int IPLOT, int NFIT, arr1<int> &IRC, arr1<int> &IZC, arr1<float> &TC, int &NPTW,
           int &IRLAST, int &IZLAST) {
  // Exchange sort by TC; equal parameters keep their order.
  for (int p = 1; p <= NFIT - 1; ++p) {
    for (int q = p + 1; q <= NFIT; ++q) {
      if (TC(q) < TC(p)) {
        std::swap(TC(p), TC(q));
        std::swap(IRC(p), IRC(q));
        std::swap(IZC(p), IZC(q));
      }
    }
  }

  const long nr = latc.NR;
  if (IPLOT == 0) {
    // Each step between neighbouring mesh points marks one edge or diagonal of a cell,
    // the cell being named by its lower-left corner.
    for (int m = 1; m <= NFIT - 1; ++m) {
      const int dz = IZC(m + 1) - IZC(m);
      const int dr = IRC(m + 1) - IRC(m);
      const long c0 = static_cast<long>(IZC(m)) * nr + IRC(m);
      if (dz == 1 && dr == 0) sethit(c0, 2);
      else if (dz == -1 && dr == 0) sethit(c0 - nr, 1);
      else if (dz == 0 && dr == 1) sethit(c0, 4);
      else if (dz == 0 && dr == -1) sethit(c0 - 1, 3);
      else if (dz == 1 && dr == 1) sethit(c0, 6);
      else if (dz == -1 && dr == -1) sethit(c0 - nr - 1, 5);
      else if (dz == 1 && dr == -1) sethit(c0 - 1, 7);
      else if (dz == -1 && dr == 1) sethit(c0 - nr, 8);
    }
    return;
  }

  // Plot mode: the fitted points, a repeated mesh point written once; the line piece
  // ends after 1021 points and the next one starts at the same point.
  for (int m = 1; m <= NFIT; ++m) {
    if (IZC(m) != IZLAST || IRC(m) != IRLAST) {
      const float z = static_cast<float>(IZC(m)) * latc.DDZ;
      const float r = (IRC(m) >= 1 && IRC(m) <= gr_data.gr.size()) ? gr(IRC(m)) : 0.0f;
      plotpiece_t pc{NPTW};
      plot_piece_point(pc, z, r, JOIN_SOLID_PLOT);
      NPTW = pc.n;
    }
    IZLAST = IZC(m);
    IRLAST = IRC(m);
  }
}

void initht() {
  const long n = std::min<long>(msz.NMESH, bc_data.ihit.n1);
  const int n2 = static_cast<int>(std::min<long>(8, bc_data.ihit.n2));
  signed char *p = bc_data.ihit.data();
  const long ld = bc_data.ihit.n1;
#pragma omp parallel for schedule(static)
  for (long c = 1; c <= n; ++c) {
    for (int d = 1; d <= n2; ++d) p[(c - 1) + (d - 1) * ld] = 0;
  }
}
