// Computation window and stored window of the fields.
//
// A step computes only the columns JBACK..JFRONT: the front runs one column ahead of
// the bunch head (nothing is ahead of the bunch at the speed of light), and with LCBACK
// the back follows the front at the distance the wake length needs. Memory holds
// NZW = NMESH/NR columns IZMWL..IZMWR; when the front leaves them the stored window moves
// so that local column 1 holds column JBACK.
#include <algorithm>
#include <cstring>

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

void wndpair(int NSTEP, int &JB, int &JF) {
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;
  const int NZ = latc.NZ;
  JF = win2.LCFRON ? std::min(NZ, NSTEP / MTE + 2) : NZ;
  JB = win2.LCBACK ? std::max(1, NSTEP / MTE - wind.NT / MTE - 2 + NZ) : 1;
}

// ---------------------------------------------------------------- the window records
// eline (the window of the step), nzin (the window of the step before) and lfrbk (the
// boundary frame and the stored window) are written by the routines of this file only.

void window_first(int NZW) {
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = NZW - 2;
  lfrbk.IZMWL = 1;
  lfrbk.IZMWR = NZW;
}

void window_whole(int NZ) {
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = NZ;
  lfrbk.IZMWL = 1;
  lfrbk.IZMWR = NZ;
}

bool frame_must_move(int JFRONT, int JFPREV) { return JFRONT != JFPREV && JFRONT == lfrbk.IZFRR; }

void move_frame(int NZW) {
  const int old = lfrbk.IZFRR;
  lfrbk.IZFRL = old - 2;
  lfrbk.IZFRR = old + NZW - 4;
}

bool stored_must_move(int JBACK, int JFRONT, int JBPREV, int JFPREV) {
  return JBACK != JBPREV && JFRONT == lfrbk.IZMWR + 1 && JFRONT != JFPREV;
}

void move_stored(int JBACK, int NZW) {
  lfrbk.IZMWL = JBACK;
  lfrbk.IZMWR = NZW - 1 + JBACK;
}

void window_start() {
  const int NR = latc.NR > 0 ? latc.NR : 1;
  window_first(msz.NMESH / NR);
  hit1(0);
  nzin.JBPREV = 1;
  nzin.JFPREV = 1;
  bcdet(1, 1, nzin.JBPREV, nzin.JFPREV);
  bcdet(1, 2, nzin.JBPREV, nzin.JFPREV);
}

void window_replay(int KSTART) {
  const int NR = latc.NR > 0 ? latc.NR : 1;
  const int NZW = msz.NMESH / NR;
  for (int i = 0; i <= KSTART; ++i) {
    wndpair(i, eline.JBACK, eline.JFRONT);
    const int JBACK = eline.JBACK, JFRONT = eline.JFRONT;
    if (JBACK != nzin.JBPREV || JFRONT != nzin.JFPREV) {
      bcdet(JBACK, JFRONT, nzin.JBPREV, nzin.JFPREV);
      if (stored_must_move(JBACK, JFRONT, nzin.JBPREV, nzin.JFPREV)) move_stored(JBACK, NZW);
    }
    nzin.JBPREV = JBACK;
    nzin.JFPREV = JFRONT;
  }
}

void window_first_step() {
  eline.JFRONT = 2;
  eline.JBACK = 1;
}

bool window(int NSTEP) {
  wndpair(NSTEP, eline.JBACK, eline.JFRONT);
  if (eline.JBACK == nzin.JBPREV && eline.JFRONT == nzin.JFPREV) return false;
  bcdet(eline.JBACK, eline.JFRONT, nzin.JBPREV, nzin.JFPREV);
  return true;
}

bool shift() {
  const int JBACK = eline.JBACK, JFRONT = eline.JFRONT;
  const int JBPREV = nzin.JBPREV, JFPREV = nzin.JFPREV;
  if (!stored_must_move(JBACK, JFRONT, JBPREV, JFPREV)) return false;
  const long NR = latc.NR;
  const long NMESH = msz.NMESH;
  // Columns JBPREV+1..JFPREV move down to local columns 1..JFPREV-JBPREV. The target lies
  // below the source, so a forward copy (memmove) is the node-by-node copy in order.
  const long src = static_cast<long>(JBPREV - lfrbk.IZMWL + 1) * NR; // 0-based offset
  const long keep = std::max(0L, static_cast<long>(JFPREV - JBPREV) * NR);
  const long ncopy = std::max(0L, std::min(keep, NMESH - src));
  // The components the run holds (all six, or the three of the monopole).
  float *arrs[6];
  int na = 0;
  for (arr1<float> *x : {&he_data.h[1], &he_data.h[2], &he_data.h[3], &he_data.e[1],
                         &he_data.e[2], &he_data.e[3]})
    if (x->size() >= NMESH) arrs[na++] = x->data();
  unsigned char *kc = celc_data.kc.data();
  const bool havekc = celc_data.kc.size() >= NMESH;
  if (src > 0 && ncopy > 0) {
    for (int a = 0; a < na; ++a)
      std::memmove(arrs[a], arrs[a] + src, static_cast<std::size_t>(ncopy) * sizeof(float));
    if (havekc) std::memmove(kc, kc + src, static_cast<std::size_t>(ncopy));
  }
  // The new front column and the spare columns start from zero field (and metal code
  // until bcdet's classification is taken over).
#pragma omp parallel if (NMESH - keep >= 32768)
  for (int a = 0; a < na; ++a) {
    float *__restrict x = arrs[a];
#pragma omp for schedule(static) nowait
    for (long m = keep; m < NMESH; ++m) x[m] = 0.0f;
  }
  if (havekc && keep < NMESH) std::memset(kc + keep, 0, static_cast<std::size_t>(NMESH - keep));
  // The runs move with their columns; the columns not copied whole are taken again.
  std::vector<colrun_t> &run = celc_data.run;
  const long dcol = src / NR, full = src > 0 ? ncopy / NR : 0;
  if (src > 0 && static_cast<long>(run.size()) == NMESH / NR) {
    for (long c = 0; c < full; ++c) run[c] = run[c + dcol];
    for (long c = full; c < static_cast<long>(run.size()); ++c) celc_data.stale.push_back(static_cast<int>(c));
  } else {
    celc_data.stale_all = true;
  }
  move_stored(JBACK, static_cast<int>(NMESH / NR));
  return true;
}

void initjd() {
  for (int c = 1; c <= 3; ++c) {
    flg_data.sj[c].fill(0.0f);
    he_data.h[c].fill(0.0f);
    he_data.e[c].fill(0.0f);
  }
  celc_data.kc.fill(0);
  celc_data.stale_all = true;
  // Delay lines, divided by slot.
  arr3<float> *lines[4] = {&stk_data.hvstk, &stk_data.hvstk1, &stk_data.hvstl, &stk_data.hvstl1};
  for (arr3<float> *x : lines) {
    const long per = x->n1 * x->n2; // entries of one slot
    const long ns = x->n3;
    float *p = x->data();
#pragma omp parallel for schedule(static)
    for (long s = 0; s < ns; ++s)
      for (long q = 0; q < per; ++q) p[s * per + q] = 0.0f;
  }
}

// Code of one node from its flag and edge factors.
static inline unsigned char celcode(float f, float s1, float s2, float s3) {
  unsigned c = 0;
  if (f != 5.0f) c |= 1u << KC_OPEN;
  if (f != 0.0f && f != 5.0f) c |= 1u << KC_CUT;
  if (s1 != 0.0f) c |= 1u << KC_ER;
  if (s3 != 0.0f) c |= 1u << KC_EZ;
  if (s2 != 0.0f) c |= 1u << KC_EPHI;
  return static_cast<unsigned char>(c);
}

void celcol(int j) {
  const long NR = latc.NR;
  if (j < lfrbk.IZMWL || j > lfrbk.IZMWR || NR < 1) return;
  const long m0 = static_cast<long>(j - lfrbk.IZMWL) * NR;
  const long n = std::min({celc_data.kc.size(), flg_data.iflg.size(), flg_data.sj[1].size(),
                           flg_data.sj[2].size(), flg_data.sj[3].size()});
  for (long i = 1; i <= NR && m0 + i <= n; ++i) {
    const long m = m0 + i;
    celc_data.kc(m) = celcode(flg_data.iflg(m), flg_data.sj[1](m), flg_data.sj[2](m), flg_data.sj[3](m));
  }
  celc_data.stale.push_back(j - lfrbk.IZMWL);
}

void celall() {
  const long n = std::min({celc_data.kc.size(), flg_data.iflg.size(), flg_data.sj[1].size(),
                           flg_data.sj[2].size(), flg_data.sj[3].size()});
  for (long m = 1; m <= n; ++m)
    celc_data.kc(m) = celcode(flg_data.iflg(m), flg_data.sj[1](m), flg_data.sj[2](m), flg_data.sj[3](m));
  celc_data.stale_all = true;
}

void kc_runs_update() {
  celc_data_t &c = celc_data;
  const long NR = latc.NR;
  const long ncol = NR > 0 ? c.kc.size() / NR : 0;
  if (static_cast<long>(c.run.size()) != ncol) {
    c.run.resize(static_cast<std::size_t>(ncol));
    c.stale_all = true;
  }
  auto take = [&](long col) {
    const unsigned char *k = c.kc.data() + col * NR;
    const runs_t m = col_runs(k, static_cast<int>(NR), KC_PLAIN_MASK0, KC_PLAIN0);
    const runs_t d = col_runs(k, static_cast<int>(NR), KC_PLAIN_MASK1, KC_PLAIN1);
    c.run[static_cast<std::size_t>(col)] = {{m.P, d.P}, m.U};
  };
  if (c.stale_all) {
    for (long col = 0; col < ncol; ++col) take(col);
  } else {
    for (int col : c.stale)
      if (col >= 0 && col < ncol) take(col);
  }
  c.stale.clear();
  c.stale_all = false;
}

// The bookkeeping of a field step whose order matters, the same in both modes: the window
// with the cell flags of a new front column, the pushes of the delay lines (they take the
// magnetic field of the previous step, so they come before the stored window moves), the
// shift of the stored window and the cell codes of the columns just classified.
void step_open(int NSTEP, int MROT) {
  const bool moved = window(NSTEP);
  if (nzin.JBPREV <= 1) {
    if (MROT == 1) heff1(NSTEP);
    else push_left(NSTEP);
  }
  if (nzin.JFPREV >= latc.NZ - 1) push_right();
  shift();
  if (moved) {
    celcol(eline.JFRONT - 1);
    celcol(eline.JFRONT);
  }
  kc_runs_update();
}

void step_coefficients(int MROT) {
  // The steps take no step on a mesh without lines or without time steps per column.
  if (latc.NR < 1 || latc.MTE < 1) return;
  if (MROT == 0) {
    mecoef();
  } else if (MROT == 1) {
    hecoef();
    eecoef();
  }
}

void step_close() {
  nzin.JBPREV = eline.JBACK;
  nzin.JFPREV = eline.JFRONT;
}

// ---------------------------------------------------------------- groups of steps

wkline_t wkline;
stepping_t stepping;

int group_fits(int NSTEP, int nmax) {
  if (eline.JFRONT > latc.NZ - 2 || (eline.JBACK <= 1 && lfrbk.IZMWL != 1)) return 1;
  int S = 1;
  for (; S < std::min(nmax, GROUPMAX); ++S) {
    int JB, JF;
    wndpair(NSTEP + S, JB, JF);
    if (JB != eline.JBACK || JF != eline.JFRONT) break;
  }
  return S;
}

bool group_blocks(int J0, int J1, const int *cut, int ncut, int T, int S) {
  for (int t = 0; t < T; ++t) {
    int a, b;
    block_cols(J0, J1, cut, ncut, t, T, a, b);
    if (b - a + 1 < 2 * S) return false;
  }
  return true;
}

int group_size(int NSTEP, int nmax, int J0, int J1, const int *cut, int ncut, int T) {
  int S = J1 >= J0 ? group_fits(NSTEP, nmax) : 1;
  while (S > 1 && !group_blocks(J0, J1, cut, ncut, T, S)) --S;
  return S;
}

void group_lines(int S, int J0, int J1) {
  for (int n = 0; n < S; ++n) {
    wkline_open(n);
    wkline_take(n, lfrbk.IZMWL, J0 - 1);
    wkline_take(n, J1 + 1, lfrbk.IZMWR);
  }
}

void group_close(int NSTEP, int S) {
  step_close();
  for (int n = 1; n < S; ++n) {
    window(NSTEP + n);
    step_close();
  }
}

void wkline_open(int n) {
  const long ncol = std::max(0, lfrbk.IZMWR - lfrbk.IZMWL + 1);
  wkline.I = pint.KMIN;
  wkline.IZMWL = lfrbk.IZMWL;
  wkline.IZMWR = lfrbk.IZMWR;
  const arr1<float> *x[6] = {&he_data.e[1], &he_data.e[2], &he_data.e[3],
                             &he_data.h[1], &he_data.h[2], &he_data.h[3]};
  for (int c = 0; c < 6; ++c) {
    const std::size_t want = x[c]->size() > 0 ? static_cast<std::size_t>(ncol) : 0;
    if (wkline.v[n][c].size() != want) wkline.v[n][c].assign(want, 0.0f);
  }
}

void wkline_take(int n, int ja, int jb) {
  const long NR = latc.NR;
  const int I = wkline.I;
  if (I < 1 || I > NR) return;
  ja = std::max(ja, wkline.IZMWL);
  jb = std::min(jb, wkline.IZMWR);
  const arr1<float> *x[6] = {&he_data.e[1], &he_data.e[2], &he_data.e[3],
                             &he_data.h[1], &he_data.h[2], &he_data.h[3]};
  for (int c = 0; c < 6; ++c) {
    std::vector<float> &v = wkline.v[n][c];
    if (v.empty()) continue;
    for (int j = ja; j <= jb; ++j) {
      const long m = static_cast<long>(j - wkline.IZMWL) * NR + I;
      v[static_cast<std::size_t>(j - wkline.IZMWL)] = m <= x[c]->size() ? (*x[c])(m) : 0.0f;
    }
  }
}
