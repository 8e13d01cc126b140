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
#include <omp.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/teamwait.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

// Windows of fewer nodes than this are stepped on the main thread alone: there the cost
// of waking the thread team exceeds the work. The values do not depend on it.
static constexpr long PARMIN = 32768;

void mecoef() {
  const int NR = latc.NR;
  const float DDZ = latc.DDZ;
  const float MTE = static_cast<float>(latc.MTE);
  parcom.FACE = cons.Z0 / MTE;
  parcom.FACH = 1.0f / (cons.Z0 * MTE);
  parcom.FACQ = MTE * cons.EPS0 * cons.PI;
  for (arr1<float> *x : {&cm3_data.ex1, &cm3_data.ex4, &cm3_data.ex5, &cm3_data.ex6})
    if (x->size() < NR) x->alloc(NR);
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

// Electric update of lines 2 .. NR of one column: r, z its Er, Ez (updated in place), h
// its new Hphi, hl the new Hphi of the column to its left; u its runs.
[[gnu::always_inline]] static inline void ecol(int NR, float face, const unsigned char *__restrict k,
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

namespace {

// What one sweep of the step reads: the window's columns, the factors and the arrays.
struct sweep_t {
  int NR, J0, J1;   // columns J0 .. J1: magnetic update up to J1 - 1, electric from J0 + 1
  bool col1;        // column 1 is J0 and takes the treatment of the left end
  int K, IRD, IZMWL;
  float FACE, FACH, FACQ;
  const unsigned char *kc;
  float *er, *ez, *hp;
  const float *ex1, *ex4, *ex5, *ex6;
  float *scr; // 6*NR floats per thread, 3*(4*nst - 1)*NR for a group of steps
  const int *cut; // block t is columns cut[t] .. cut[t + 1] - 1 for ncut blocks, or none
  int ncut;
  // A group of nst steps NSTEP .. NSTEP + nst - 1 in one sweep (nst = 1: one step): the K
  // of each, whether the left delay lines take their push between the steps, the line
  // KMIN of the fields of each step into cap (Er, Ez, Hphi, by column from
  // IZMWL).
  int nst, NSTEP, KMIN;
  bool push;
  int Ks[GROUPMAX];
  float *cap[GROUPMAX][3];
};

// Column 1 while the back of the window is there: lines below the left pipe, the Hphi of
// the ghost column 0 from the left delay lines, no metal test. r, z, h column 1; the head
// of the bunch in column K + 1.
void col1_update(const sweep_t &s, int K, float *r, float *z, const float *h) {
  const int NR = s.NR, IRD = s.IRD;
  const float FACE = s.FACE, FACQ = s.FACQ;
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

// The runs of column j.
[[gnu::always_inline]] inline runs_t runs_of(const sweep_t &s, int j) {
  const colrun_t &c = celc_data.run[static_cast<std::size_t>(j - s.IZMWL)];
  return {c.P[0], c.U};
}

// Magnetic update of column j (its codes and runs from the sweep's arrays).
[[gnu::always_inline]] inline void hcol_of(const sweep_t &s, int j, const float *r, const float *rr,
                                           const float *z, float *h) {
  const unsigned char *kc = s.kc + static_cast<long>(j - s.IZMWL) * s.NR;
  hcol(s.NR, s.FACH, kc, runs_of(s, j), r, rr, z, h, s.ex1);
}

// One column of one step, the head of the bunch in column K + 1: its magnetic update
// (h from r, z and the Er rr of the next column), then its electric update with the beam
// source from h and the new Hphi hl of the column before it.
struct mcol_t {
  float *h, *r, *z; // Hphi, Er, Ez of the column: in place or a private copy
};
[[gnu::always_inline]] inline void mstep(const sweep_t &s, int K, int j, mcol_t c, const float *rr,
                                         const float *hl, bool electric = true) {
  const int NR = s.NR;
  const unsigned char *kc = s.kc + static_cast<long>(j - s.IZMWL) * NR;
  const runs_t u = runs_of(s, j);
  if (j < s.J1) hcol(NR, s.FACH, kc, u, c.r, rr, c.z, c.h, s.ex1);
  if (!electric) return;
  float *r = c.r, *z = c.z;
  const float *h = c.h;
  if (j == 1 && s.col1) {
    col1_update(s, K, r, z, h);
  } else if (j > s.J0) {
    const float q = qkval(K - j + 2);
    // Axis node.
    if (kcbit(kc[0], KC_OPEN)) {
      const float s1 = kcbit(kc[0], KC_ER) ? 1.0f : 0.0f;
      r[0] = r[0] + s1 * s.FACE * (hl[0] - h[0]);
      z[0] = z[0] + 4.0f * s.FACE * s.ex1[0] * h[0];
      if (s.IRD == 1) z[0] = z[0] - 4.0f * q * s.ex1[0] / (s.FACQ * gdr(1));
    }
    ecol(NR, s.FACE, kc, u, r, z, h, hl, s.ex4, s.ex5, s.ex6);
    // Source on the drive ring.
    if (s.IRD >= 2 && s.IRD <= NR) {
      const int i = s.IRD - 1;
      if (kcbit(kc[i], KC_OPEN) && kcbit(kc[i], KC_EZ)) z[i] = z[i] - 0.5f * q * s.ex1[i] / (s.FACQ * gr(s.IRD));
    }
  }
}

// A column held in memory, and a private copy of one (3*NR floats from p) made from it.
inline mcol_t held(const sweep_t &s, int j) {
  const long m = static_cast<long>(j - s.IZMWL) * s.NR;
  return {s.hp + m, s.er + m, s.ez + m};
}
inline mcol_t copy_of(const sweep_t &s, int j, float *p) {
  const int NR = s.NR;
  const mcol_t c = held(s, j);
  std::copy(c.h, c.h + NR, p);
  std::copy(c.r, c.r + NR, p + NR);
  std::copy(c.z, c.z + NR, p + 2 * NR);
  return {p, p + NR, p + 2 * NR};
}

// The sweep of one thread's block of columns a .. b. A column's magnetic update is
// followed by its electric update, which reads the new Hphi of the column and of the one
// before it; the magnetic update reads the old Er, Ez of the column and of the next one.
// At a block boundary the neighbour's values are not waited for: the first column's Er,
// Ez and the last column's Er, Ez, Hphi are computed in private copies (written back
// after all blocks are done), so that every value read across a boundary is the old one,
// and the new Hphi of the column before the block is computed here a second time, from
// the same old values, bit for bit the neighbour's.
[[gnu::always_inline]] inline void sweep_block(const sweep_t &s, int t, int T) {
  const int NR = s.NR;
  const col_block_t k = col_block(s.J0, s.J1, s.cut, s.ncut, t, T);
  const int a = k.a, b = k.b;
  if (a > b) return;
  const bool first = t > 0, last = t < T - 1; // boundary columns held in private copies
  float *const ea = s.scr + 6L * NR * t;      // Er, Ez of column a
  float *const eb = ea + 2 * NR;              // Er, Ez of column b (a < b)
  float *const hb = ea + 4 * NR;              // Hphi of column b
  float *const hl0 = ea + 5 * NR;             // new Hphi of column a - 1
  auto base = [&](int j) { return static_cast<long>(j - s.IZMWL) * NR; };

  const float *hprev = a > s.IZMWL ? s.hp + base(a - 1) : nullptr;
  if (first) {
    const long m = base(a - 1);
    std::copy(s.hp + m, s.hp + m + NR, hl0);
    hcol_of(s, a - 1, s.er + m, s.er + m + NR, s.ez + m, hl0);
    hprev = hl0;
  }
  for (int j = a; j <= b; ++j) {
    mcol_t c = held(s, j);
    const float *rr = c.r + NR; // the next column's Er, read before it is updated
    if (j == b && last) {
      std::copy(c.h, c.h + NR, hb);
      c.h = hb;
    }
    if ((j == a && k.pa) || (j == b && k.pb)) {
      float *e = j == a ? ea : eb;
      std::copy(c.r, c.r + NR, e);
      std::copy(c.z, c.z + NR, e + NR);
      c.r = e;
      c.z = e + NR;
    }
    mstep(s, s.K, j, c, rr, hprev);
    hprev = c.h;
  }
}

// A group of S steps in one sweep of a block of at least 2*S columns a .. b: step s + 1
// follows step s one column behind, so that it reads the fields step s left in a column
// and its neighbours while they are still in cache. Every value read across a block
// boundary is the old one: the S columns at each end of the block are computed in
// private copies (written back after all blocks are done), and what the block needs of
// its neighbours is computed here a second time from the same old values, bit for bit the
// neighbour's: on the left, column a - d (d = 1 .. S) takes the magnetic update of steps
// 1 .. S - d + 1 and the electric update of steps 1 .. S - d; on the right, column b + d
// (d = 1 .. S - 1) both updates of steps 1 .. S - d. Before step s + 1 reaches column 1
// (steps s of columns 1 and 2 done) the left delay lines take its push. The line KMIN of
// each step is kept for the wake integration of that step.
[[gnu::always_inline]] inline void sweepS_block(const sweep_t &s, int t, int T) {
  const int NR = s.NR, S = s.nst;
  const group_block_t g = group_block(s.J0, s.J1, s.cut, s.ncut, t, T, S);
  const int a = g.a, b = g.b;
  float *const p = s.scr + 3L * (4 * S - 1) * NR * t;
  auto col = [&](int c) {
    const int n = group_slot(g, c);
    if (n < 0) return held(s, c);
    float *q = p + 3L * n * NR;
    return mcol_t{q, q + NR, q + 2 * NR};
  };
  for (int c = a - S; c < b + S; ++c)
    if (group_slot(g, c) >= 0) {
      const mcol_t m = held(s, c), q = col(c);
      std::copy(m.h, m.h + NR, q.h);
      std::copy(m.r, m.r + NR, q.r);
      std::copy(m.z, m.z + NR, q.z);
    }
  for (int j = g.first ? a - S : a; j <= b + S - 1; ++j)
    for (int st = 0; st < S; ++st) {
      const int c = j - st;
      bool ele;
      if (!group_updates(g, c, st, ele)) continue;
      if (c == 1 && st >= 1 && s.push) push_left(s.NSTEP + st);
      const mcol_t x = col(c);
      // The next column's Er after step st - 1, and the previous column's Hphi after step
      // st (before block 0: a column outside the window, held as it is).
      const float *rr = nullptr, *hl = nullptr;
      if (c < s.J1) rr = col(c + 1).r;
      if (ele && (c > a || g.first || c > s.IZMWL)) hl = col(c - 1).h;
      mstep(s, s.Ks[st], c, x, rr, hl, ele);
      if (c >= a && c <= b && s.KMIN >= 1 && s.KMIN <= NR) {
        const int i = s.KMIN - 1, n = c - s.IZMWL;
        s.cap[st][0][n] = x.r[i];
        s.cap[st][1][n] = x.z[i];
        s.cap[st][2][n] = x.h[i];
      }
    }
}

// The private copies of the boundary columns of block t into place, by the thread of the
// block once all blocks are swept.
void sweep_back(const sweep_t &s, int t, int T) {
  const int NR = s.NR;
  const col_block_t k = col_block(s.J0, s.J1, s.cut, s.ncut, t, T);
  if (k.a > k.b) return;
  if (s.nst > 1) {
    const group_block_t g = group_block(s.J0, s.J1, s.cut, s.ncut, t, T, s.nst);
    const float *p = s.scr + 3L * (4 * s.nst - 1) * NR * t;
    for (int c = g.a; c <= g.b; ++c) {
      const int n = group_slot(g, c);
      if (n < 0) continue;
      const float *v = p + 3L * n * NR;
      const mcol_t m = held(s, c);
      std::copy(v, v + NR, m.h);
      std::copy(v + NR, v + 2 * NR, m.r);
      std::copy(v + 2 * NR, v + 3 * NR, m.z);
    }
    return;
  }
  const float *ea = s.scr + 6L * NR * t, *eb = ea + 2 * NR, *hb = ea + 4 * NR;
  auto put = [&](int j, const float *e) {
    const long m = static_cast<long>(j - s.IZMWL) * NR;
    std::copy(e, e + NR, s.er + m);
    std::copy(e + NR, e + 2 * NR, s.ez + m);
  };
  if (k.pa) put(k.a, ea);
  if (k.pb) put(k.b, eb);
  if (t < T - 1) std::copy(hb, hb + NR, s.hp + static_cast<long>(k.b - s.IZMWL) * NR);
}

// The sweep of block t: a group of steps or one step. Compiled for each instruction set
// (sweep in step.hpp); the AVX-512 version works on 8 floats per instruction as AVX2
// does: the columns start at every alignment, and a 64-byte load at an address that is
// not a multiple of 64 reads two cache lines; measured on the bench deck, 16 floats per
// instruction ran 10 to 25 % slower.
[[gnu::always_inline]] inline void sweep_any(const sweep_t &s, int t, int T) {
  if (s.nst > 1) sweepS_block(s, t, T);
  else sweep_block(s, t, T);
}

std::vector<float> scratch; // private boundary columns of the blocks

} // namespace

vecisa_t vecisa;

int vecisa_widest() {
#ifdef ZELK_WIDE_SWEEP
  __builtin_cpu_init();
  if (__builtin_cpu_supports("x86-64-v4")) return 4;
  if (__builtin_cpu_supports("x86-64-v3")) return 3;
#endif
  return 1;
}

// Blocks of equal time rather than equal size. The columns do not all cost the same: where
// the field is tiny (ahead of the bunch's wave front, in the tail of its distribution) the
// arithmetic on subnormal numbers is several times slower, and the block that holds them
// holds up the step. The time of each block in a step gives a cost per column (smoothed
// over the steps); the next step's cuts divide the summed cost equally. Every division of
// the window gives the same values, so this changes only the time. One record per mode.
balance_t balance[2];

void block_cols(int J0, int J1, const int *cut, int ncut, int t, int T, int &a, int &b) {
  if (cut && ncut == T) {
    a = cut[t];
    b = cut[t + 1] - 1;
  } else {
    const long N = J1 - J0 + 1;
    a = J0 + static_cast<int>(N * t / T);
    b = J0 + static_cast<int>(N * (t + 1) / T) - 1;
  }
}

const int *balance_cuts(balance_t &bal, int J0, int J1, int T) {
  if (static_cast<int>(bal.tau.size()) < T) bal.tau.resize(T);
  if (T < 2 || J1 - J0 + 1 < T) return nullptr;
  if (static_cast<int>(bal.cost.size()) < J1 + 2) bal.cost.resize(J1 + 2, -1.0);
  // Columns not measured take the cost of the nearest measured one before or after them.
  double last = -1.0;
  for (int j = J0; j <= J1; ++j)
    if (bal.cost[j] >= 0.0) {
      last = bal.cost[j];
      break;
    }
  if (last < 0.0) return nullptr;
  double tot = 0.0;
  for (int j = J0; j <= J1; ++j) {
    if (bal.cost[j] < 0.0) bal.cost[j] = last;
    last = bal.cost[j];
    tot += last;
  }
  if (!(tot > 0.0)) return nullptr;
  bal.cut.assign(T + 1, J0);
  bal.cut[T] = J1 + 1;
  double sum = 0.0;
  int t = 1;
  for (int j = J0; j <= J1 && t < T; ++j) {
    sum += bal.cost[j];
    while (t < T && sum >= tot * t / T) bal.cut[t++] = j + 1;
  }
  for (; t < T; ++t) bal.cut[t] = J1 + 1;
  // At least one column per block.
  for (t = 1; t < T; ++t) bal.cut[t] = std::max(bal.cut[t], J0 + t);
  for (t = T - 1; t >= 1; --t) bal.cut[t] = std::min(bal.cut[t], std::min(bal.cut[t + 1] - 1, J1 + 1 - (T - t)));
  return bal.cut.data();
}

void balance_take(balance_t &bal, int J0, int J1, const int *cut, int ncut, int T) {
  if (T < 2) return;
  if (static_cast<int>(bal.cost.size()) < J1 + 2) bal.cost.resize(J1 + 2, -1.0);
  for (int t = 0; t < T; ++t) {
    int a, b;
    block_cols(J0, J1, cut, ncut, t, T, a, b);
    if (a > b) continue;
    const double d = bal.tau[t] / (b - a + 1);
    for (int j = a; j <= b; ++j) bal.cost[j] = bal.cost[j] < 0.0 ? d : 0.5 * bal.cost[j] + 0.5 * d;
  }
}

// Opening of step NSTEP and the sweep record of its window; whether a team sweeps it and
// on how many threads.
static sweep_t mefld_open(int NSTEP, bool &par, int &tmax) {
  const int NR = latc.NR;
  const int MTE = latc.MTE;
  // Window with the cell flags of a new front column, delay lines, stored window.
  step_open(NSTEP, 0);
  const int JBACK = eline.JBACK, JFRONT = eline.JFRONT;

  // Right open end: Hphi of column NZ below the right pipe from the delay lines; no
  // magnetic update of the step writes column NZ, its electric update reads it.
  if (JFRONT == latc.NZ) right_end();

  // One sweep over the columns JBACK .. JFRONT (those held in memory): the magnetic
  // update of the columns held with their right neighbour, the electric update with the
  // beam source of the columns after JBACK, and column 1 while the back of the window is
  // there; divided among the threads in blocks of columns.
  sweep_t s{};
  s.NR = NR;
  s.J0 = std::max(JBACK, lfrbk.IZMWL);
  s.J1 = std::min(JFRONT, lfrbk.IZMWR);
  s.col1 = JBACK == 1 && lfrbk.IZMWL == 1;
  s.K = (NSTEP - 1) / MTE; // the head is in column K + 1
  s.IRD = latc.IRDRIVE;
  s.IZMWL = lfrbk.IZMWL;
  s.FACE = parcom.FACE;
  s.FACH = parcom.FACH;
  s.FACQ = parcom.FACQ;
  s.kc = celc_data.kc.data();
  s.er = he_data.e[1].data();
  s.ez = he_data.e[3].data();
  s.hp = he_data.h[2].data();
  s.ex1 = cm3_data.ex1.data();
  s.ex4 = cm3_data.ex4.data();
  s.ex5 = cm3_data.ex5.data();
  s.ex6 = cm3_data.ex6.data();
  const long ncol = s.J1 - s.J0 + 1;
  par = ncol * NR >= PARMIN && ncol >= 2;
  tmax = par ? std::min<long>(omp_get_max_threads(), ncol) : 1;
  if (s.J1 >= s.J0) {
    s.cut = balance_cuts(balance[0], s.J0, s.J1, par ? tmax : 1);
    s.ncut = tmax;
  }
  return s;
}

static int sweep_level() {
  if (vecisa.LEVEL < 0) vecisa.LEVEL = vecisa_widest();
  return vecisa.LEVEL;
}

static void mefld_sweep(sweep_t &s, bool par, int tmax) {
  if (s.J1 < s.J0) return;
  const std::size_t need = static_cast<std::size_t>(s.nst > 1 ? 3 * (4 * s.nst - 1) : 6) * s.NR * tmax;
  if (scratch.size() < need) scratch.resize(need);
  s.scr = scratch.data();
  team_sweep(s, sweep_level(), par, tmax, balance[0]);
}

// One step: a group of one.
void mefld(int NSTEP) { mefld_steps(NSTEP, 1); }

int mefld_steps(int NSTEP, int nmax) {
  team_follow(); // the thread count of this group
  if (latc.NR < 1 || latc.MTE < 1) return 1;
  bool par;
  int tmax;
  sweep_t s = mefld_open(NSTEP, par, tmax);
  const int S = group_size(NSTEP, nmax, s.J0, s.J1, s.cut, s.ncut, tmax);
  if (S > 1) {
    group_lines(S, s.J0, s.J1); // the sweep puts in the columns it computes
    s.nst = S;
    s.push = eline.JBACK <= 1; // column 1 in the window of the first step
    s.NSTEP = NSTEP;
    for (int n = 0; n < S; ++n) s.Ks[n] = (NSTEP + n - 1) / latc.MTE;
    s.KMIN = pint.KMIN;
    for (int n = 0; n < S; ++n) {
      s.cap[n][0] = wkline.v[n][0].data(); // Er
      s.cap[n][1] = wkline.v[n][2].data(); // Ez
      s.cap[n][2] = wkline.v[n][4].data(); // Hphi
    }
  }
  mefld_sweep(s, par, tmax);
  group_close(NSTEP, S);
  return S;
}
