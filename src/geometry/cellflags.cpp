// Cell flags, edge factors and the boundary frame.
//
// A mesh cell (column j to j+1, line i to i+1) is vacuum (0), metal (5) or cut in half
// by one of its diagonals (1 to 4, the number telling which corner holds the vacuum
// triangle). The flags of the column entering at the window's front are read off the
// boundary hit table: scanning the column upwards from the axis, each boundary edge or
// diagonal crossed switches the state between vacuum and metal, its direction of travel
// telling which side is vacuum (the contour runs with the vacuum on its right). The edge
// factors then mark the electric components Er, Ephi, Ez that lie in vacuum.
#include "geometry/fitting.hpp"

#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

#include <algorithm>

namespace {

// Vacuum on the side of a cell's lower or left edge, seen from the cell above or right.
inline bool open_below(int f) { return f == 0 || f == 1 || f == 3; }
inline bool open_left(int f) { return f == 0 || f == 1 || f == 4; }

inline bool hit(long c, int d) { return c >= 1 && c <= bc_data.ihit.n1 && ihit(c, d) != 0; }

inline bool in_mesh(long m) {
  return m >= 1 && m <= msz.NMESH && m <= flg_data.iflg.size() && m <= flg_data.sj[1].size() &&
         m <= flg_data.sj[2].size() && m <= flg_data.sj[3].size();
}

// Flag of node m as a whole number; nodes outside memory count as metal.
inline int flag_at(long m) { return in_mesh(m) ? static_cast<int>(iflg(m)) : 5; }

// Flags of column j (node base mb: node of line i is mb + i), from the hit table cells
// of the frame (cell of line i is cb + i).
void classify_flags(int j, long mb, long cb) {
  const int nr = latc.NR;
  int state = 0;
  for (int i = 1; i <= nr; ++i) {
    const long m = mb + i;
    const long c = cb + i;
    if (!in_mesh(m)) continue;
    const bool h1 = hit(c, 1), h2 = hit(c, 2), h3 = hit(c, 3), h4 = hit(c, 4);
    const bool h5 = hit(c, 5), h6 = hit(c, 6), h7 = hit(c, 7), h8 = hit(c, 8);
    // On line 1 the cell below (across the axis) counts as metal.
    const int below = i == 1 ? 5 : flag_at(m - 1);
    int f;
    // The first row that applies decides.
    if (h5 && h6) {
      // A diagonal wall walked both ways: the cell takes the side of the cell below.
      f = open_below(below) ? 0 : 5;
      state = f;
    } else if (h5) {
      f = 3;
      state = 0;
    } else if (h6) {
      f = 4;
      state = 5;
    } else if (h7 && h8) {
      f = open_below(below) ? 0 : 5;
      state = f;
    } else if (h7) {
      f = 2;
      state = 5;
    } else if (h8) {
      f = 1;
      state = 0;
    } else if (h1 && h2) {
      f = state;
    } else if (h1) {
      f = 0;
      state = 0;
    } else if (h2) {
      f = 5;
      state = 5;
    } else if (h3 && h4) {
      // A radial wall walked both ways: the side of the left neighbour; in the first
      // column of the mesh there is none.
      if (j == 1 || !in_mesh(m - nr)) {
        f = state;
      } else {
        f = open_left(flag_at(m - nr)) ? 0 : 5;
        state = f;
      }
    } else if (h3) {
      f = 5;
      state = 5;
    } else if (h4) {
      f = 0;
      state = 0;
    } else {
      f = state;
    }
    iflg(m) = static_cast<float>(f);
  }
}

// Edge factors of column j: 1.0 for each electric component that lies in vacuum.
void classify_factors(int j, long mb) {
  const int nr = latc.NR;
  for (int i = 1; i <= nr; ++i) {
    const long m = mb + i;
    if (!in_mesh(m)) continue;
    const int fc = flag_at(m);
    const bool first = j == 1 || !in_mesh(m - nr);
    const int fl = first ? fc : flag_at(m - nr);
    int fb, fbl;
    if (i == 1) {
      fb = 5;
      fbl = 0;
    } else {
      fb = flag_at(m - 1);
      fbl = first ? fb : flag_at(m - nr - 1);
    }
    // Er on the left edge, Ez on the bottom edge, Ephi at the lower-left corner.
    if ((fc == 0 || fc == 2 || fc == 3) && (fl == 0 || fl == 1 || fl == 4)) sjdg(1, m) = 1.0f;
    if ((fc == 0 || fc == 2 || fc == 4) && (fb == 0 || fb == 1 || fb == 3)) sjdg(3, m) = 1.0f;
    if ((fc == 0 || fc == 2) && (fl == 0 || fl == 4) && (fb == 0 || fb == 3) &&
        (fbl == 0 || fbl == 1))
      sjdg(2, m) = 1.0f;
  }
}

} // namespace

void flgclr() {
  const long n = std::min<long>(msz.NMESH, flg_data.iflg.size());
  float *f = flg_data.iflg.data();
#pragma omp parallel for schedule(static)
  for (long m = 1; m <= n; ++m) f[m - 1] = 5.0f;
}

void bcdet(int JBACK, int JFRONT, int JBPREV, int JFPREV) {
  const int nr = latc.NR;
  if (nr < 1) return;
  const int nzw = msz.NMESH / nr;

  // New boundary frame two columns before the front, and its hit table.
  if (frame_must_move(JFRONT, JFPREV)) {
    move_frame(nzw);
    hit1(0);
  }

  // Memory shift by one column: the columns JBPREV+1..JFPREV move to the start of
  // memory, the freed tail becomes metal with every component shut off.
  int origin = lfrbk.IZMWL;
  if (stored_must_move(JBACK, JFRONT, JBPREV, JFPREV)) {
    for (int j = JBPREV + 1; j <= JFPREV; ++j) {
      const long src = static_cast<long>(j - lfrbk.IZMWL) * nr;
      const long dst = static_cast<long>(j - JBPREV - 1) * nr;
      for (int i = 1; i <= nr; ++i) {
        if (!in_mesh(src + i) || !in_mesh(dst + i)) continue;
        iflg(dst + i) = iflg(src + i);
        for (int k = 1; k <= 3; ++k) sjdg(k, dst + i) = sjdg(k, src + i);
      }
    }
    const long from = std::max<long>(1, static_cast<long>(JFPREV - JBPREV) * nr + 1);
    const long to = std::min<long>(msz.NMESH, flg_data.iflg.size());
    for (long m = from; m <= to; ++m) {
      iflg(m) = 5.0f;
      for (int k = 1; k <= 3; ++k) sjdg(k, m) = 0.0f;
    }
    origin = JBACK;
  }

  // The front column: flags first, then the factors that depend on them.
  if (JFPREV == latc.NZ) return;
  const int j = JFRONT;
  const long mb = static_cast<long>(j - origin) * nr;
  const long cb = static_cast<long>(j - lfrbk.IZFRL) * nr;
  classify_flags(j, mb, cb);
  classify_factors(j, mb);
}
