// Monopole time step (MROT = 0): Er, Ez, Hphi on the staggered (r, z) mesh, leap-frog
// in integral form, one step of dt = DDZ/(MTE*c); the bunch (1 C, moving at c) crosses
// one column in MTE steps and drives Ez on the ring IRDRIVE.
//
//   Faraday on the dual cell around Hphi(i, j) (r_i + gdr/2, z_j + DDZ/2):
//     mu0 dHphi/dt = dEz/dr - dEr/dz
//     Hphi -= w*FACH*((Ez(i) - Ez(i+1))*DDZ/gdr(i) + Er(j+1) - Er(j)),  FACH = dt/(mu0*DDZ)
//   with w = 2 in a cell cut by a diagonal (half of its area is metal).
//   Ampere around Er(i, j) and through the ring cell of Ez(i, j):
//     eps0 dEr/dt = -dHphi/dz,  eps0 dEz/dt = (1/r) d(r Hphi)/dr - Jz
//     Er += s1*FACE*(Hphi(j-1) - Hphi(j))
//     Ez += s3*FACE*ex4*(ex5*Hphi(i) - ex6*Hphi(i-1)),           FACE = dt/(eps0*DDZ)
//   on the axis Ez += 4*FACE*ex1(1)*Hphi(1) (the disc of radius gdr(1)/2), and the beam
//   current c*q (q the line density, 1/m) enters as -4*q*ex1(1)/(FACQ*gdr(1)) on the axis
//   or -0.5*q*ex1/(FACQ*gr) on a ring.
//
// s1, s3 are the edge factors of the node (1 where the component lies in vacuum); metal
// cells are skipped. The geometry is read as one byte per node (celc_data); the edge
// factors are exactly 0 or 1, so the selected factor gives the same arithmetic.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"
#include "solver/sweep.hpp"

void mecoef() {
  const int NR = latc.NR;
  const float DDZ = latc.DDZ;
  const float MTE = static_cast<float>(latc.MTE);
  parcom.FACE = cons.Z0 / MTE;
  parcom.FACH = 1.0f / (cons.Z0 * MTE);
  parcom.FACQ = MTE * cons.EPS0 * cons.PI;
  for (arr1<float> *x : {&cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5, &cm3_data.ex6})
    if (x->size() < NR) x->alloc(NR);
  // ex1: DDZ over the radial step of the line. ex4: DDZ over the centre radius of the
  // ring cell of Ez(i), which runs from gr(i) - gdr(i-1)/2 to gr(i) + gdr(i)/2; ex5, ex6:
  // the radii of its upper and lower edge over its height (gdr(i) + gdr(i-1))/2, so that
  // ex4*(ex5*Hphi(i) - ex6*Hphi(i-1)) is DDZ times (1/r) d(r Hphi)/dr over the cell.
  for (int i = 1; i <= NR; ++i) cm3_data.ex1(i) = DDZ / gdr(i);
  for (int i = 2; i <= NR; ++i) {
    const float h2 = 2.0f * DDZ / (gdr(i) + gdr(i - 1));
    cm3_data.ex4(i) = DDZ / (gr(i) + (gdr(i) - gdr(i - 1)) / 4.0f);
    cm3_data.ex5(i) = h2 / (DDZ / (gr(i) + gdr(i) / 2.0f));
    cm3_data.ex6(i) = h2 / (DDZ / (gr(i) - gdr(i - 1) / 2.0f));
  }
}

// Bitwise select: a where mask is all ones, b where it is 0. Keeps the value of a skipped
// (metal) node bit for bit and lets the compiler vectorise the loop without branches.
[[gnu::always_inline]] static inline float sel(std::uint32_t mask, float a, float b) {
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// Magnetic update of one column, lines 1 .. NR: h the column's Hphi (updated in place),
// r, z its Er, Ez, rr the Er of the column to its right, k its cell codes, u its runs.
// Line NR lies under the wall: the Ez of a line NR + 1 counts as 0, so it is updated on
// its own after the loops.
[[gnu::always_inline]] static inline void hcol(int NR, float fach, const unsigned char *__restrict k,
                                               runs_t u, const float *__restrict r,
                                               const float *__restrict rr, const float *__restrict z,
                                               float *__restrict h, const float *__restrict ex1) {
  auto any = [&](int i) {
    const std::uint32_t c = k[i];
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT)); // 2 in a cut cell
    const float h0 = h[i];
    const float hn = h0 - w * fach * ((z[i] - z[i + 1]) * ex1[i] + rr[i] - r[i]);
    h[i] = sel(0u - kcbit(c, KC_OPEN), hn, h0);
  };
  const int p = std::min(u.P, NR - 1), q = std::min(u.U, NR - 1);
  for (int i = 0; i < std::min(1, NR - 1); ++i) any(i);
  for (int i = 1; i < p; ++i) h[i] = h[i] - fach * ((z[i] - z[i + 1]) * ex1[i] + rr[i] - r[i]);
  for (int i = std::max(p, 1); i < q; ++i) any(i);
  const int i = NR - 1;
  const std::uint32_t c = k[i];
  if (kcbit(c, KC_OPEN)) {
    const float zup = 0.0f;
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT));
    h[i] = h[i] - w * fach * ((z[i] - zup) * ex1[i] + rr[i] - r[i]);
  }
}

// Electric update of lines 2 .. u.U of one column (the runs end at or below NR): r, z its Er, Ez (updated in place), h
// its new Hphi, hl the new Hphi of the column to its left; u its runs.
[[gnu::always_inline]] static inline void ecol(float face, const unsigned char *__restrict k,
                                               runs_t u, float *__restrict r, float *__restrict z,
                                               const float *__restrict h, const float *__restrict hl,
                                               const float *__restrict ex4, const float *__restrict ex5,
                                               const float *__restrict ex6) {
  for (int i = 1; i < u.P; ++i) {
    r[i] = r[i] + face * (hl[i] - h[i]);
    z[i] = z[i] + face * ex4[i] * (ex5[i] * h[i] - ex6[i] * h[i - 1]);
  }
  for (int i = std::max(u.P, 1); i < u.U; ++i) {
    const std::uint32_t c = k[i];
    const float s1 = static_cast<float>(kcbit(c, KC_ER)); // Er edge factor
    const float s3 = static_cast<float>(kcbit(c, KC_EZ)); // Ez edge factor
    const float r0 = r[i], z0 = z[i];
    const float rn = r0 + s1 * face * (hl[i] - h[i]);
    const float zn = z0 + s3 * face * ex4[i] * (ex5[i] * h[i] - ex6[i] * h[i - 1]);
    const std::uint32_t keep = 0u - kcbit(c, KC_OPEN);
    r[i] = sel(keep, rn, r0);
    z[i] = sel(keep, zn, z0);
  }
}

// The monopole mode of the sweep (sweep.hpp): the column Er, Ez, Hphi, the factors and
// coefficients of the step.
struct mono_t {
  static constexpr int NC = 3, NE = 2, MROT = 0;
  static constexpr int COMP[NC] = {0, 2, 4}; // Er, Ez, Hphi
  static constexpr long PARMIN = 32768;
  static constexpr bool COL1_LATE = false;
  bool col1; // column 1 is J0 and takes the treatment of the left end
  int IRD;
  int Ks[GROUPMAX]; // the head of the bunch of step NSTEP + st in column Ks[st] + 1
  float FACE, FACH, FACQ;
  const float *ex1, *ex4, *ex5, *ex6;
  using sw = sweep_t<mono_t>;
  using col_t = swcol_t<NC>;
  static void open(int NSTEP, mono_t &m);
  [[gnu::always_inline]] static inline void col(const sw &s, int st, int j, const col_t &c, const col_t &next,
                                                const col_t &prev, bool electric);
  // Between two steps of a group: the left delay lines take the push of the later step.
  static void between(const sw &s, int st) { push_left(s.NSTEP + st); }
  static void close(const sw &, int) {}
};

namespace {

// Column 1 while the back of the window is there: lines below the left pipe, the Hphi of
// the ghost column 0 from the left delay lines, no metal test. r, z, h column 1; the head
// of the bunch in column K + 1.
void col1_update(const mono_t::sw &s, int K, float *r, float *z, const float *h) {
  const int NR = s.NR, IRD = s.m.IRD;
  const float FACE = s.m.FACE, FACQ = s.m.FACQ;
  const float q = qkval(K + 1);
  const int n = std::min({pipes.IRPL - 1, NR, static_cast<int>(stk_data.hvstk.n1)});
  for (int i = 1; i <= n; ++i) {
    const float G = left_ghost(2, i);
    r[i - 1] = r[i - 1] + sjdg(1, i) * FACE * (G - h[i - 1]);
    if (i == 1)
      z[0] = z[0] + 4.0f * FACE * cm3_data.ex1(1) * h[0];
    else
      z[i - 1] = z[i - 1] + sjdg(3, i) * FACE * cm3_data.ex4(i) *
                                (cm3_data.ex5(i) * h[i - 1] - cm3_data.ex6(i) * h[i - 2]);
    if (i == IRD && (sjdg(3, i) != 0.0f || IRD == 1)) {
      if (i == 1)
        z[0] = z[0] - 4.0f * q * cm3_data.ex1(1) / (FACQ * gdr(1));
      else
        z[i - 1] = z[i - 1] - 0.5f * q * cm3_data.ex1(i) / (FACQ * gr(i));
    }
  }
}

} // namespace

// Column j of step NSTEP + st, the head of the bunch in column K + 1: its magnetic update
// (Hphi from its Er, Ez and the Er of the next column), then its electric update with the
// beam source from its new Hphi and the new Hphi of the column before it.
inline void mono_t::col(const sw &s, int st, int j, const col_t &c, const col_t &next, const col_t &prev,
                        bool electric) {
  const mono_t &m = s.m;
  const int NR = s.NR;
  const int K = m.Ks[st];
  const unsigned char *kc = s.kc + static_cast<long>(j - s.IZMWL) * NR;
  const colrun_t &cr = celc_data.run[static_cast<std::size_t>(j - s.IZMWL)];
  const runs_t u{cr.P[0], cr.U};
  float *const r = c.x[0], *const z = c.x[1], *const h = c.x[2];
  if (j < s.J1) hcol(NR, m.FACH, kc, u, r, next.x[0], z, h, m.ex1);
  if (!electric) return;
  const float *hl = prev.x[2];
  if (j == 1 && m.col1) {
    col1_update(s, K, r, z, h);
  } else if (j > s.J0) {
    const float q = qkval(K - j + 2);
    // Axis node.
    if (kcbit(kc[0], KC_OPEN)) {
      const float s1 = kcbit(kc[0], KC_ER) ? 1.0f : 0.0f;
      r[0] = r[0] + s1 * m.FACE * (hl[0] - h[0]);
      z[0] = z[0] + 4.0f * m.FACE * m.ex1[0] * h[0];
      if (m.IRD == 1) z[0] = z[0] - 4.0f * q * m.ex1[0] / (m.FACQ * gdr(1));
    }
    ecol(m.FACE, kc, u, r, z, h, hl, m.ex4, m.ex5, m.ex6);
    // Source on the drive ring.
    if (m.IRD >= 2 && m.IRD <= NR) {
      const int i = m.IRD - 1;
      if (kcbit(kc[i], KC_OPEN) && kcbit(kc[i], KC_EZ)) z[i] = z[i] - 0.5f * q * m.ex1[i] / (m.FACQ * gr(m.IRD));
    }
  }
}

// Opening of step NSTEP: the window with the cell flags of a new front column, delay
// lines, stored window; the right open end; the factors of the sweep.
void mono_t::open(int NSTEP, mono_t &m) {
  step_open(NSTEP, 0);
  // Right open end: Hphi of column NZ below the right pipe from the delay lines; no
  // magnetic update of the step writes column NZ, its electric update reads it.
  if (eline.JFRONT == latc.NZ) right_end();
  // One sweep over the columns JBACK .. JFRONT (those held in memory): the magnetic
  // update of the columns held with their right neighbour, the electric update with the
  // beam source of the columns after JBACK, and column 1 while the back of the window is
  // there.
  m.col1 = eline.JBACK == 1 && lfrbk.IZMWL == 1;
  for (int n = 0; n < GROUPMAX; ++n) m.Ks[n] = (NSTEP + n - 1) / latc.MTE;
  m.IRD = latc.IRDRIVE;
  m.FACE = parcom.FACE;
  m.FACH = parcom.FACH;
  m.FACQ = parcom.FACQ;
  m.ex1 = cm3_data.ex1.data();
  m.ex4 = cm3_data.ex4.data();
  m.ex5 = cm3_data.ex5.data();
  m.ex6 = cm3_data.ex6.data();
}

// One step: a group of one.
void mefld(int NSTEP) { mefld_steps(NSTEP, 1); }

int mefld_steps(int NSTEP, int nmax) { return fld_steps<mono_t>(NSTEP, nmax); }
