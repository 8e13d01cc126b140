// The sweep of the field step over the columns of its window, for either mode: the
// division of the columns among the threads in blocks, the private copies of the columns
// at block edges that keep the values independent of the division, the sweep of a group of
// steps in one pass over memory, the balance of the blocks and the choice of the
// instruction set. A mode is described by a small record M:
//   NC, NE        the components of a column, its NE electric ones first;
//   COMP[NC]      which field component each is (0 .. 5: Er, Ephi, Ez, Hr, Hphi, Hz);
//   MROT, PARMIN  the mode, and the fewest nodes of a window stepped by a thread team;
//   open          opening of the step (window, open ends) and M's factors and coefficients;
//   col           both updates of one column of one step of the group (its magnetic update
//                 from its own and the next column's electric field, its electric update
//                 and beam source from its own and the previous column's new magnetic
//                 field), on columns held in memory or in private copies;
//   between       what is done between two steps of a group before the later one reaches
//                 column 1 (the push of the left delay lines); COL1_LATE when it updates
//                 column 1 of the earlier step, whose wake line is then taken again;
//   close         what follows the sweep.
#pragma once
#include <omp.h>

#include <algorithm>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "run/teamwait.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

// One column of a sweep: its NC components, in place or in a private copy.
template <int NC> struct swcol_t {
  float *x[NC] = {};
};

// What one sweep of a step or a group of steps reads.
template <class M> struct sweep_t {
  int NR, J0, J1; // columns J0 .. J1: magnetic update up to J1 - 1, electric from J0 + 1
  int IZMWL;      // first column of the stored window
  int NSTEP;      // the (first) step
  const unsigned char *kc; // cell codes, NR per column from IZMWL
  float *f[M::NC];         // the components, NR per column from IZMWL
  float *scr; // per thread 2*NC*NR floats, NC*(4*nst - 1)*NR for a group of steps
  const int *cut; // block t is columns cut[t] .. cut[t + 1] - 1 for ncut blocks, or none
  int ncut;
  // A group of nst steps NSTEP .. NSTEP + nst - 1 in one sweep (nst = 1: one step):
  // whether column 1 is in the window (the left delay lines take their push between the
  // steps), and the line KMIN of the fields of each step into cap (by column from IZMWL).
  int nst, KMIN;
  bool push;
  float *cap[GROUPMAX][M::NC];
  M m; // the mode's factors and coefficients
};

// Private boundary columns of the blocks (either mode).
extern std::vector<float> sweep_scratch;
// The instruction set of the sweeps (vecisa.LEVEL, the widest at the first call).
int sweep_level();

// Block of thread t of T in a sweep: columns a .. b, and whether the electric field of
// column a and of column b (when b > a) is computed in a private copy: a column next to
// another block.
struct col_block_t {
  int a, b;
  bool pa, pb;
};
inline col_block_t col_block(int J0, int J1, const int *cut, int ncut, int t, int T) {
  col_block_t k;
  block_cols(J0, J1, cut, ncut, t, T, k.a, k.b);
  k.pa = t > 0 || (k.a == k.b && t < T - 1);
  k.pb = t < T - 1 && k.b > k.a;
  return k;
}
// The block of thread t of T in the sweep of a group of S steps (columns a .. b), whose
// S end columns on each side next to another block (first: on the left, last: on the
// right) are private copies, and the neighbours' S end columns a halo computed again.
// Private slots: the left halo a - d (d = 1 .. S) in slot d - 1, the right halo b + d
// (d = 1 .. S - 1) in S + d - 1, the end columns a .. a + S - 1 from 2*S - 1 and
// b - S + 1 .. b from 3*S - 1: 4*S - 1 slots.
struct group_block_t {
  int a, b, S;
  bool first, last;
};
inline group_block_t group_block(int J0, int J1, const int *cut, int ncut, int t, int T, int S) {
  group_block_t g;
  block_cols(J0, J1, cut, ncut, t, T, g.a, g.b);
  g.S = S;
  g.first = t > 0;
  g.last = t < T - 1;
  return g;
}
// Slot of column c, or -1 where the sweep works on it in place (or does not hold it).
inline int group_slot(const group_block_t &g, int c) {
  const int S = g.S;
  if (c < g.a) return g.first && c >= g.a - S ? g.a - c - 1 : -1;
  if (c > g.b) return g.last && c <= g.b + S - 1 ? S + c - g.b - 1 : -1;
  if (g.first && c < g.a + S) return 2 * S - 1 + c - g.a;
  if (g.last && c > g.b - S) return 3 * S - 1 + c - (g.b - S + 1);
  return -1;
}
// Whether step st (0 .. S - 1) of the group updates column c, and (ele) whether its
// electric field too: every step updates the block's columns; the left halo a - d takes
// the magnetic update of steps 0 .. S - d and the electric one of steps 0 .. S - d - 1,
// the right halo b + d both of steps 0 .. S - 1 - d.
inline bool group_updates(const group_block_t &g, int c, int st, bool &ele) {
  const int S = g.S;
  ele = true;
  if (c < g.a) {
    const int d = g.a - c;
    if (!g.first || d > S || st > S - d) return false;
    ele = st <= S - d - 1;
  } else if (c > g.b) {
    const int d = c - g.b;
    if (!g.last || d > S - 1 || st > S - 1 - d) return false;
  }
  return true;
}

// Column j held in memory.
template <class M> [[gnu::always_inline]] inline swcol_t<M::NC> held(const sweep_t<M> &s, int j) {
  swcol_t<M::NC> c;
  const long m = static_cast<long>(j - s.IZMWL) * s.NR;
  for (int k = 0; k < M::NC; ++k) c.x[k] = s.f[k] + m;
  return c;
}
// Components k0 .. k1 - 1 of column c copied into p (NR floats each), c then set on the
// copies.
template <int NC> inline void to_private(int NR, float *p, swcol_t<NC> &c, int k0, int k1) {
  for (int k = k0; k < k1; ++k) {
    float *q = p + static_cast<long>(k - k0) * NR;
    std::copy(c.x[k], c.x[k] + NR, q);
    c.x[k] = q;
  }
}

// The sweep of one thread's block of columns a .. b for one step. A column's magnetic
// update is followed by its electric update, which reads the new magnetic field of the
// column and of the one before it; the magnetic update reads the old electric field of
// the column and of the next one. At a block boundary the neighbour's values are not
// waited for: the first column's electric field and the last column's electric and
// magnetic field are computed in private copies (written back after all blocks are done),
// so that every value read across a boundary is the old one, and the new magnetic field of
// the column before the block is computed here a second time, from the same old values,
// bit for bit the neighbour's.
template <class M> [[gnu::always_inline]] inline void sweep_block(const sweep_t<M> &s, int t, int T) {
  constexpr int NC = M::NC, NE = M::NE;
  const int NR = s.NR;
  const col_block_t k = col_block(s.J0, s.J1, s.cut, s.ncut, t, T);
  const int a = k.a, b = k.b;
  if (a > b) return;
  const bool first = t > 0, last = t < T - 1;
  float *const ea = s.scr + 2L * NC * NR * t; // electric field of column a
  float *const eb = ea + NE * NR;             // electric field of column b (a < b)
  float *const hb = ea + 2 * NE * NR;         // magnetic field of column b
  float *const hl = hb + (NC - NE) * NR;      // new magnetic field of column a - 1
  swcol_t<NC> prev;                           // the column before, with its new magnetic field
  if (a > s.IZMWL) prev = held(s, a - 1);
  if (first) {
    to_private(NR, hl, prev, NE, NC);
    M::col(s, 0, a - 1, prev, held(s, a), swcol_t<NC>{}, false);
  }
  for (int j = a; j <= b; ++j) {
    swcol_t<NC> c = held(s, j), next;
    if (j < s.J1) next = held(s, j + 1); // the next column, read before it is updated
    if (j == b && last) to_private(NR, hb, c, NE, NC);
    if ((j == a && k.pa) || (j == b && k.pb)) to_private(NR, j == a ? ea : eb, c, 0, NE);
    M::col(s, 0, j, c, next, prev, true);
    prev = c;
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
// (steps s of columns 1 and 2 done) the mode's work between the steps is done. The line
// KMIN of each step is kept for the wake integration of that step.
template <class M> [[gnu::always_inline]] inline void sweepS_block(const sweep_t<M> &s, int t, int T) {
  constexpr int NC = M::NC;
  const int NR = s.NR, S = s.nst;
  const group_block_t g = group_block(s.J0, s.J1, s.cut, s.ncut, t, T, S);
  const int a = g.a, b = g.b;
  float *const p = s.scr + static_cast<long>(NC) * (4 * S - 1) * NR * t;
  auto col = [&](int c) {
    const int n = group_slot(g, c);
    if (n < 0) return held(s, c);
    swcol_t<NC> x;
    for (int k = 0; k < NC; ++k) x.x[k] = p + (static_cast<long>(NC) * n + k) * NR;
    return x;
  };
  auto capture = [&](int st, int c, const swcol_t<NC> &x) {
    if (s.KMIN < 1 || s.KMIN > NR) return;
    const int i = s.KMIN - 1, n = c - s.IZMWL;
    for (int k = 0; k < NC; ++k) s.cap[st][k][n] = x.x[k][i];
  };
  for (int c = a - S; c < b + S; ++c)
    if (group_slot(g, c) >= 0) {
      const swcol_t<NC> m = held(s, c), q = col(c);
      for (int k = 0; k < NC; ++k) std::copy(m.x[k], m.x[k] + NR, q.x[k]);
    }
  for (int j = g.first ? a - S : a; j <= b + S - 1; ++j)
    for (int st = 0; st < S; ++st) {
      const int c = j - st;
      bool ele;
      if (!group_updates(g, c, st, ele)) continue;
      if (c == 1 && st >= 1 && s.push) {
        M::between(s, st);
        if (M::COL1_LATE) capture(st - 1, 1, col(1));
      }
      const swcol_t<NC> x = col(c);
      // The next column after step st - 1, and the previous column after step st (before
      // block 0: a column outside the window, held as it is).
      swcol_t<NC> next, prev;
      if (c < s.J1) next = col(c + 1);
      if (ele && (c > a || g.first || c > s.IZMWL)) prev = col(c - 1);
      M::col(s, st, c, x, next, prev, ele);
      if (c >= a && c <= b) capture(st, c, x);
    }
}

// The private copies of the boundary columns of block t into place, by the thread of the
// block once all blocks are swept.
template <class M> void sweep_back(const sweep_t<M> &s, int t, int T) {
  constexpr int NC = M::NC, NE = M::NE;
  const int NR = s.NR;
  const col_block_t k = col_block(s.J0, s.J1, s.cut, s.ncut, t, T);
  if (k.a > k.b) return;
  auto put = [&](int j, const float *v, int k0, int k1) {
    const swcol_t<NC> m = held(s, j);
    for (int q = k0; q < k1; ++q, v += NR) std::copy(v, v + NR, m.x[q]);
  };
  if (s.nst > 1) {
    const group_block_t g = group_block(s.J0, s.J1, s.cut, s.ncut, t, T, s.nst);
    const float *p = s.scr + static_cast<long>(NC) * (4 * s.nst - 1) * NR * t;
    for (int c = g.a; c <= g.b; ++c) {
      const int n = group_slot(g, c);
      if (n >= 0) put(c, p + static_cast<long>(NC) * n * NR, 0, NC);
    }
    return;
  }
  const float *ea = s.scr + 2L * NC * NR * t, *eb = ea + NE * NR, *hb = ea + 2 * NE * NR;
  if (k.pa) put(k.a, ea, 0, NE);
  if (k.pb) put(k.b, eb, 0, NE);
  if (t < T - 1) put(k.b, hb, NE, NC);
}

// The sweep of block t: a group of steps or one step. Compiled for each instruction set
// below; the AVX-512 version works on 8 floats per instruction as AVX2 does: the columns
// start at every alignment, and a 64-byte load at an address that is not a multiple of 64
// reads two cache lines; measured on the bench deck, 16 floats per instruction ran 10 to
// 25 % slower.
template <class M> [[gnu::always_inline]] inline void sweep_any(const sweep_t<M> &s, int t, int T) {
  if (s.nst > 1) sweepS_block(s, t, T);
  else sweep_block(s, t, T);
}

// The sweep of block t of T compiled for the instruction sets of the processor: AVX-512
// (8 floats per instruction), AVX2 and the baseline; the arithmetic is the same element
// by element (no contraction), so every version gives the same bits. level as in vecisa.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ZELK_WIDE_SWEEP 1
template <class M>
[[gnu::target("arch=x86-64-v4,prefer-vector-width=256")]] void sweep_v4(const sweep_t<M> &s, int t, int T) {
  sweep_any(s, t, T);
}
template <class M> [[gnu::target("arch=x86-64-v3")]] void sweep_v3(const sweep_t<M> &s, int t, int T) {
  sweep_any(s, t, T);
}
#endif
template <class M> void sweep_v1(const sweep_t<M> &s, int t, int T) { sweep_any(s, t, T); }
template <class M> void sweep(int level, const sweep_t<M> &s, int t, int T) {
#ifdef ZELK_WIDE_SWEEP
  if (level >= 4) return sweep_v4(s, t, T);
  if (level >= 3) return sweep_v3(s, t, T);
#endif
  sweep_v1(s, t, T);
}

// The sweep of a step or a group of steps over its blocks, on tmax threads when par: each
// thread sweeps its block, then puts its private end columns in place once all blocks
// are swept; the blocks' times go into the balance bal of the mode. A team of another
// size than asked for sweeps on its first thread alone (the cuts are for tmax blocks).
template <class M> void team_sweep(const sweep_t<M> &s, int level, bool par, int tmax, balance_t &bal) {
  int nt = 1;
#pragma omp parallel num_threads(tmax) if (par)
  {
    int T = omp_get_num_threads(), t = omp_get_thread_num();
    if (T != tmax) T = 1;
    if (t == 0) nt = T;
    if (t < T) {
      const double t0 = omp_get_wtime();
      sweep(level, s, t, T);
      bal.tau[t] = omp_get_wtime() - t0;
    }
#pragma omp barrier
    if (t < T) sweep_back(s, t, T);
  }
  if (par) balance_take(bal, s.J0, s.J1, s.cut, s.ncut, nt);
}

// A group of steps NSTEP, NSTEP + 1, ... (at most nmax) of mode M in one sweep, as many as
// the window allows, else the one step NSTEP; returns the number of steps done (mefld_steps,
// hefld_steps). Windows of fewer than M::PARMIN nodes are stepped on the main thread
// alone: there the cost of waking the thread team exceeds the work; the values do not
// depend on it.
template <class M> int fld_steps(int NSTEP, int nmax) {
  team_follow(); // the thread count of this group
  if (latc.NR < 1 || latc.MTE < 1) return 1;
  sweep_t<M> s{};
  M::open(NSTEP, s.m); // window, open ends, the mode's factors
  const int NR = latc.NR;
  s.NR = NR;
  s.J0 = std::max(eline.JBACK, lfrbk.IZMWL);
  s.J1 = std::min(eline.JFRONT, lfrbk.IZMWR);
  s.IZMWL = lfrbk.IZMWL;
  s.NSTEP = NSTEP;
  s.kc = celc_data.kc.data();
  for (int k = 0; k < M::NC; ++k) {
    const int c = M::COMP[k];
    s.f[k] = (c < 3 ? he_data.e[c + 1] : he_data.h[c - 2]).data();
  }
  s.nst = 1;
  const long ncol = s.J1 - s.J0 + 1;
  const bool par = ncol * NR >= M::PARMIN && ncol >= 2;
  const int tmax = par ? static_cast<int>(std::min<long>(omp_get_max_threads(), ncol)) : 1;
  balance_t &bal = balance[M::MROT];
  if (s.J1 >= s.J0) {
    s.cut = balance_cuts(bal, s.J0, s.J1, par ? tmax : 1);
    s.ncut = tmax;
  }
  const int S = group_size(NSTEP, nmax, s.J0, s.J1, s.cut, s.ncut, tmax);
  if (S > 1) {
    group_lines(S, s.J0, s.J1); // the sweep puts in the columns it computes
    s.nst = S;
    s.push = eline.JBACK <= 1; // column 1 in the window of the first step
    s.KMIN = pint.KMIN;
    for (int n = 0; n < S; ++n)
      for (int k = 0; k < M::NC; ++k) s.cap[n][k] = wkline.v[n][M::COMP[k]].data();
  }
  if (s.J1 >= s.J0) {
    const std::size_t need = static_cast<std::size_t>(S > 1 ? M::NC * (4 * S - 1) : 2 * M::NC) * NR * tmax;
    if (sweep_scratch.size() < need) sweep_scratch.resize(need);
    s.scr = sweep_scratch.data();
    team_sweep(s, sweep_level(), par, tmax, bal);
  }
  group_close(NSTEP, S);
  M::close(s, S);
  return S;
}
