// Field and current line snapshots of the time loop.
//
// In the monopole field the lines of the total current (conduction and displacement)
// and the electric field lines are contour lines of stream functions of Hphi: by
// Ampere's law the current through the disc of radius r is I(r, z) = 2 pi r Hphi, and
// the time integral of I is the charge Q(r, z) that has passed the disc, whose level
// lines are the electric field lines (Gauss's law). Both are sampled at the cell
// centres, where Hphi lies; a contour line is followed cell by cell, turning clockwise
// around the current cell until a neighbour below the level is met, and its crossings
// of the cell edges are written by linear interpolation between the two cell centres.
#include "results/snapshots.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/mesh.hpp"
#include "results/shapes.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"
#include "solver/fields.hpp"

cntr_t cntr;
epz_data_t epz_data;

namespace {

// Rows and columns of the snapshot: rows 1 .. NR, columns 1 .. JFRONT.
int NRS = 0, JFS = 0;
// Step of the snapshot, and whether a crossing or a start was lost to the full list.
int nstep_now = 0;
bool lost = false;
inline long node(int i, int j) { return static_cast<long>(j - 1) * NRS + i; }
inline bool inside(int i, int j) { return i >= 1 && i <= NRS && j >= 1 && j <= JFS; }
inline float flag(int i, int j) { return iflg(node(i, j)); }
inline bool metal(int i, int j) { return flag(i, j) == 5.0f; }
inline float zval(int i, int j) { return epz_data.z(node(i, j)); }

// Cell (i, j) is metal or cut by a diagonal with flag f1 or f2.
inline bool metal_or(int i, int j, float f1, float f2) {
  const float f = flag(i, j);
  return f == 5.0f || f == f1 || f == f2;
}
inline bool cut(int i, int j, float f1, float f2) {
  const float f = flag(i, j);
  return f == f1 || f == f2;
}

void warn_lost() {
  if (lost) return;
  lost = true;
  rec(ndev.NOUT, "(1X,A,I7,A)", "*** WARNING *** SNAPSHOT AT STEP", nstep_now,
      " IS INCOMPLETE: 500000 CROSSINGS AT ONE LEVEL");
}

// Record the westward crossing of the current cell; false when the list is full.
bool list_add(long m) {
  if (cntr.NLIST >= NLISTMAX) {
    warn_lost();
    return false;
  }
  cntr.NLIST += 1;
  cntr.LIST(cntr.NLIST) = static_cast<int>(m);
  epz_data.seen(m) = 1;
  return true;
}

// Empty the list of the level (and the marks of its cells).
void list_clear() {
  for (int k = 1; k <= cntr.NLIST; ++k) epz_data.seen(cntr.LIST(k)) = 0;
  cntr.NLIST = 0;
}

// The crossing of the level on the edge from cell (i, j) in the edge direction dir
// (1, 3, 5, 7): whether a line of this level has written it already, and marking it
// written. A line that comes to a written crossing goes on as the line that wrote it
// went on from there, so it has nothing new to draw.
inline unsigned char edge_bit(int dir) { return static_cast<unsigned char>(1u << ((dir - 1) / 2)); }
inline bool was_written(int i, int j, int dir) {
  const arr1<unsigned char> &w = epz_data.written;
  return w.allocated() && (w(node(i, j)) & edge_bit(dir)) != 0;
}
inline void mark_written(int i, int j, int dir) {
  arr1<unsigned char> &w = epz_data.written;
  if (!w.allocated()) return;
  const long m = node(i, j);
  if (w(m) == 0) epz_data.marked.push_back(m);
  w(m) |= edge_bit(dir);
}
// No crossing written: the start of a level.
void written_clear() {
  for (long m : epz_data.marked) epz_data.written(m) = 0;
  epz_data.marked.clear();
}

// Where the level crosses the edge between cell (i, j) and its edge neighbour
// (i + di, j + dj): linear interpolation between the two cell centres.
void crossing(int i, int j, int di, int dj, float &zc, float &rc) {
  const float DDZ = latc.DDZ;
  const float f1 = zval(i, j), f2 = zval(i + di, j + dj);
  const float s = (f1 - cntr.CLEV) / (f1 - f2);
  const float z0 = (static_cast<float>(j) - 0.5f) * DDZ;
  const float r0 = gr(i) + gdr(i) / 2.0f;
  if (dj != 0) {
    zc = dj > 0 ? z0 + s * DDZ : z0 - s * DDZ;
    rc = r0;
  } else {
    const float h = (gdr(i) + gdr(i + di)) / 2.0f;
    zc = z0;
    rc = di > 0 ? r0 + s * h : r0 - s * h;
  }
}

void start(int i, int j, int di, int dj, int dir) {
  cntr.ICUR = i;
  cntr.JCUR = j;
  cntr.ISTEP = di;
  cntr.JSTEP = dj;
  cntr.IDIR = dir;
  conpnt();
}

// The bunch and level titles: SIG in cm, the lowest and highest level and the spacing,
// a value that is not finite shown as 0.0.
void level_titles(bool LPLE, float ZLO, float ZHI, float DZ) {
  auto shown = [](float v) { return std::isfinite(v) ? v : 0.0f; };
  const int u = ndev.NTOP;
  rec(u, "(1X,A,A,A,A,A,A)", " TITLE 2.00 8.3 SIZE 1.40 ", "'", "SIG=", title_length(latc.SIG, 100.0f, " cm"), ",",
      "'");
  rec(u, "(1X,A,1X,A,2X,A,1P,E10.3,A,1P,E10.3,A,A)", " MORE", "'", "Min/Max=", shown(ZLO), "/", shown(ZHI),
      LPLE ? "(C)," : "(A),", "'");
  rec(u, "(1X,A,1X,A,2X,A,1P,E10.3,A,A)", " MORE", "'", LPLE ? "Flux Between Lines=" : "Current Between Lines=",
      shown(DZ), LPLE ? "(C)" : "(A)", "'");
}

// A rounded level index that can be held as a 32-bit integer.
inline bool fits_int(float x) { return std::isfinite(x) && x >= -2147483648.0f && x < 2147483648.0f; }

// The three start passes of one level; false when the full list ended the snapshot.
bool trace_level() {
  const float CLEV = cntr.CLEV;
  const int NR = NRS, JF = JFS;
  // Pass 1: axial edges between cells (i, j-1) and (i, j) next to the boundary.
  for (int j = 2; j <= JF; ++j) {
    for (int i = 1; i <= NR; ++i) {
      if (metal(i, j - 1) || metal(i, j)) continue;
      const float za = zval(i, j - 1), zb = zval(i, j);
      if (za < CLEV && CLEV <= zb) {
        if (i == 1 || metal_or(i - 1, j - 1, 2.0f, 4.0f) || metal_or(i - 1, j, 2.0f, 4.0f) ||
            cut(i, j - 1, 1.0f, 3.0f) || cut(i, j, 1.0f, 3.0f))
          start(i, j, 0, -1, 1);
      } else if (zb < CLEV && CLEV <= za) {
        if (i == NR || metal_or(i + 1, j - 1, 1.0f, 3.0f) || metal_or(i + 1, j, 1.0f, 3.0f) ||
            cut(i, j - 1, 2.0f, 4.0f) || cut(i, j, 2.0f, 4.0f))
          start(i, j - 1, 0, 1, 5);
      }
    }
  }
  // Pass 2: radial edges between cells (i-1, j) and (i, j) next to the boundary.
  for (int i = 2; i <= NR; ++i) {
    for (int j = 1; j <= JF; ++j) {
      if (metal(i - 1, j) || metal(i, j)) continue;
      const float zc = zval(i - 1, j), zd = zval(i, j);
      if (zc < CLEV && CLEV <= zd) {
        if (j == JF || metal_or(i - 1, j + 1, 1.0f, 4.0f) || metal_or(i, j + 1, 1.0f, 4.0f) ||
            cut(i - 1, j, 2.0f, 3.0f) || cut(i, j, 2.0f, 3.0f))
          start(i, j, -1, 0, 7);
      } else if (zd < CLEV && CLEV <= zc) {
        if (j == 1 || metal_or(i - 1, j - 1, 2.0f, 3.0f) || metal_or(i, j - 1, 2.0f, 3.0f) ||
            cut(i - 1, j, 1.0f, 4.0f) || cut(i, j, 1.0f, 4.0f))
          start(i - 1, j, 1, 0, 3);
      }
    }
  }
  // Pass 3: interior axial edges whose westward crossing no line of the level has made.
  for (int i = 2; i <= NR - 1; ++i) {
    for (int j = 2; j <= JF; ++j) {
      if (metal(i, j - 1) || metal(i, j)) continue;
      if (!(zval(i, j - 1) < CLEV && CLEV <= zval(i, j))) continue;
      if (epz_data.seen(node(i, j)) != 0) continue;
      if (cntr.NLIST >= NLISTMAX) {
        warn_lost();
        return false;
      }
      start(i, j, 0, -1, 1);
    }
  }
  return true;
}

} // namespace

void conpnt() {
  cntr_t &c = cntr;
  const int J0 = c.JCUR, I0 = c.ICUR, D0 = c.IDIR;
  const float CLEV = c.CLEV;
  // A start on a crossing that an earlier line of the level wrote: that line holds all
  // of this one.
  if (was_written(I0, J0, D0)) return;
  float zp, rp;
  crossing(c.ICUR, c.JCUR, c.ISTEP, c.JSTEP, zp, rp);
  plot_point(zp, rp);
  mark_written(I0, J0, D0);
  plotpiece_t pc{1};
  if (c.IDIR != 1 || list_add(node(c.ICUR, c.JCUR))) {
    int t = 0;
    for (;;) {
      // Turn clockwise to the next neighbour.
      c.IDIR = c.IDIR % 8 + 1;
      t += 1;
      if (t > 8) break;
      c.JSTEP = c.KDZ(c.IDIR);
      c.ISTEP = c.KDR(c.IDIR);
      const int jn = c.JCUR + c.JSTEP, in = c.ICUR + c.ISTEP;
      // An open line ends at the boundary of the field region.
      if (!inside(in, jn) || metal(in, jn)) break;
      if (zval(in, jn) >= CLEV) {
        // Move; the next turn tries the direction after the one pointing back.
        c.JCUR = jn;
        c.ICUR = in;
        c.IDIR = c.IDIR + 4 > 8 ? c.IDIR - 4 : c.IDIR + 4;
        continue;
      }
      if (c.IDIR % 2 == 0) continue;
      const bool again = was_written(c.ICUR, c.JCUR, c.IDIR);
      crossing(c.ICUR, c.JCUR, c.ISTEP, c.JSTEP, zp, rp);
      plot_piece_point(pc, zp, rp, JOIN_SOLID);
      if (c.IDIR == 1 && !list_add(node(c.ICUR, c.JCUR))) break;
      if (c.JCUR == J0 && c.ICUR == I0 && c.IDIR == D0) break; // closed
      // The line joins a crossing written before: its own, when it runs round a loop
      // that does not pass its start again, or one of an earlier line. Past this
      // point it would only repeat what is drawn.
      if (again) break;
      mark_written(c.ICUR, c.JCUR, c.IDIR);
      t = 0;
    }
  }
  plot_end(JOIN_SOLID);
}

void chgplt(int NSTEP, float YMIN) {
  const long IRD = latc.IRDRIVE;
  const float rb = IRD >= 1 && IRD <= gr_data.gr.size() ? gr(IRD) : 0.0f;
  const float QMAX = qkar.QMAX;
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;
  const int NQ = std::min<long>(qkar.NQ, wzwy_data.qkst.size());
  const int JF = eline.JFRONT;
  for (int m = 5; m >= 0; --m) {
    const float f = static_cast<float>(m) / 5.0f;
    plotpiece_t pc;
    for (int i = 1; i <= JF + 1; ++i) {
      const int q = (NSTEP - 1) / MTE - i + 2;
      if (q < 1 || q > NQ) continue;
      const float z = static_cast<float>(i - 1) * latc.DDZ;
      if (m == 5 && i == 1) plot_piece_point(pc, 0.0f, rb, JOIN_SOLID);
      // A density of 0 at every sample leaves the bunch on the ring.
      const float r = QMAX != 0.0f ? rb + f * 0.75f * YMIN * wzwy_data.qkst(q) / QMAX : rb;
      plot_piece_point(pc, z, r, JOIN_SOLID);
      if (m == 5 && i == latc.NZ + 1) plot_piece_point(pc, z, rb, JOIN_SOLID);
    }
    if (pc.n > 1) plot_end(JOIN_SOLID);
  }
}

void eplot(const fix1<std::string, 10> &TITLE, int NPLOT, int NSTEP, bool LPLE, bool LPALL) {
  const float PI = cons.PI, CLIGHT = cons.CLIGHT, EPSTOL = cons.EPSTOL;
  const long NMESH = std::max(msz.NMESH, 0);
  epz_data.z.alloc(NMESH, 0.0f);
  epz_data.seen.alloc(NMESH, 0);
  cntr.NLIST = 0;
  nstep_now = NSTEP;
  lost = false;

  // The whole structure is held from column 1: node m = (j - 1)*NR + i.
  NRS = latc.NR;
  JFS = 0;
  if (NRS >= 1) {
    long cap = NMESH;
    for (long s : {flg_data.iflg.size(), he_data.h[2].size(), he_data.h[3].size()}) cap = std::min(cap, s);
    JFS = static_cast<int>(std::min<long>(eline.JFRONT, cap / NRS));
  }

  // Stream function: the current through the disc of radius r (A), or the charge that
  // has passed it (C), Hphi summed over the time steps of DDZ/(MTE c) each.
  float SFMAX = -1.0E30f, SFMIN = 1.0E30f;
  bool passed = false;
  for (int j = 1; j <= JFS; ++j) {
    for (int i = 1; i <= NRS; ++i) {
      const long m = node(i, j);
      if (iflg(m) == 5.0f) continue;
      const float h = LPLE ? hv(3, m) : hv(2, m);
      if (std::fabs(h) <= EPSTOL) {
        epz_data.z(m) = 0.0f;
        continue;
      }
      const float r = gr(i) + gdr(i) / 2.0f;
      const float v = LPLE ? 2.0f * PI * r * h * latc.DDZ / (static_cast<float>(latc.MTE) * CLIGHT)
                           : 2.0f * PI * r * h;
      epz_data.z(m) = v;
      if (v > SFMAX) SFMAX = v;
      if (v < SFMIN) SFMIN = v;
      passed = true;
    }
  }

  // Levels halfway between multiples of the spacing DZ.
  long n = 0;
  float DZ, ZLO, ZHI;
  if (LPALL) {
    n = LPLE ? NPLOT : NPLOT / 2;
    DZ = (SFMAX - SFMIN) / static_cast<float>(n);
    ZLO = SFMIN + DZ / 2.0f;
    ZHI = SFMAX - DZ / 2.0f;
  } else {
    DZ = LPLE ? 1.0f / static_cast<float>(static_cast<long long>(NPLOT) * cdis.NBUNCH)
              : qkar.QMAX * CLIGHT / static_cast<float>(NPLOT / 2);
    // Rounded in floating point; an index that a 32-bit integer cannot hold (no cell
    // passed the threshold, or an extremum far beyond the spacing) gives no line.
    const float IMAX = std::round(SFMAX / DZ), IMIN = std::round(SFMIN / DZ);
    ZLO = (IMIN + 0.5f) * DZ;
    ZHI = (IMAX - 0.5f) * DZ;
    if (passed && fits_int(IMAX) && fits_int(IMIN)) n = static_cast<long>(IMAX) - static_cast<long>(IMIN);
  }
  bool draw = n > 0 && DZ > 0.0f && std::isfinite(DZ);
  if (!LPALL && std::fabs(SFMAX) <= EPSTOL && std::fabs(SFMIN) <= EPSTOL) draw = false;

  // More levels than a frame can show: every f-th of them, from the lowest on, at the
  // spacing f DZ; the titles give the levels drawn. The report says so once per run.
  long f = 1;
  const float DZ0 = DZ;
  if (draw && n > NLEVMAX) {
    f = (n + NLEVMAX - 1) / NLEVMAX;
    const long drawn = (n - 1) / f + 1;
    if (mp.LEVRUN != mp.IRUN) {
      mp.LEVRUN = mp.IRUN;
      rec(ndev.NOUT, "(1X,A,I7,A,I11,A,I5,A,I8,A)", "*** WARNING *** SNAPSHOT AT STEP", NSTEP, " ASKS FOR", n,
          " CONTOUR LEVELS, MORE THAN A FRAME CAN SHOW:", drawn, " ARE DRAWN AT", f, " TIMES THEIR SPACING.");
    }
    n = drawn;
    ZHI = ZLO + static_cast<float>((n - 1) * f) * DZ0;
    DZ = static_cast<float>(f) * DZ0;
  }

  // The frame: titles, outline and bunch.
  plot_header(LPLE ? PK_EFIELD : PK_CURRENT, "", "", "", "", &TITLE);
  plot_datetime();
  const float tps = static_cast<float>(NSTEP) / static_cast<float>(latc.MTE) * latc.DDZ / CLIGHT * 1.0E12f;
  rec(ndev.NTOP, "(1X,A,A,A,F11.2,A,A)", " TITLE 10.1 9.1 SIZE 1.25 ", "'", "Time Passed:", tps, " (ps)", "'");
  level_titles(LPLE, ZLO, ZHI, DZ);
  float YMIN = 0.0f;
  cavplt(YMIN);
  if (NSTEP < wind.NT) chgplt(NSTEP, YMIN);

  if (draw) {
    epz_data.written.alloc(NMESH, 0);
    epz_data.marked.clear();
    for (long k = 1; k <= n; ++k) {
      cntr.CLEV = ZLO + static_cast<float>((k - 1) * f) * DZ0;
      list_clear();
      written_clear();
      if (!trace_level()) break;
    }
  }
  epz_data.z.release();
  epz_data.seen.release();
  epz_data.written.release();
  std::vector<long>().swap(epz_data.marked);
}
