// Open ends of the structure: both beam pipes continue to infinity.
//
// Waves leave through a pipe along the outgoing characteristic: in MTE steps light moves
// one column, so the end value now is twice the value one column inside MTE steps ago
// minus the value two columns inside 2*MTE steps ago. The delay lines keep that history
// of Hr and Hphi (slot 40 the newest, one slot per step). At the left end the bunch
// enters with its own field c*lambda/(2*pi*r) in the pipe (A/m for 1 C); outside the
// drive ring the histories carry the change of that field between the sample points, so
// the ghost column receives the bunch field exactly and only the rest is extrapolated.
#include <algorithm>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

float qkval(int n) {
  if (n < 1 || n > qkar.NQ || n > wzwy_data.qkst.size()) return 0.0f;
  return wzwy_data.qkst(n);
}

// Magnetic component k (1 Hr, 2 Hphi) of column j as the pushes read it: line i is
// p[i - 1] for i <= n, and 0 (not held) above, as wkget gives it.
namespace {
struct hcol_t {
  const float *p;
  long n;
  float at(int i) const { return i <= n ? p[i - 1] : 0.0f; }
};
hcol_t held_col(int k, int j) {
  const arr1<float> &x = he_data.h[k];
  const long NR = latc.NR;
  if (j < lfrbk.IZMWL || j > lfrbk.IZMWR || NR < 1) return {nullptr, 0};
  const long m0 = static_cast<long>(j - lfrbk.IZMWL) * NR;
  return {x.data() + m0, std::max(0L, std::min<long>(NR, x.size() - m0))};
}
} // namespace

// Shift the 2*MTE + 1 newest slots of line i, component k down by one; then slot 40
// takes the new value.
void delay_push(arr3<float> &x, int i, int k, float val) {
  const int MTE = latc.MTE;
  for (int s = std::max(2, NPT - 2 * MTE); s <= NPT; ++s) x(i, k, s - 1) = x(i, k, s);
  x(i, k, NPT) = val;
}

void delay_shift(arr3<float> &x, int n) {
  const int MTE = latc.MTE;
  n = std::min<long>(n, x.n1);
  if (n < 1 || x.n2 < 2) return;
  // Slot s of component k holds lines 1 .. n1 contiguously, component 2 right after 1.
  float *p = x.data();
  const long plane = 2 * x.n1;
  for (int s = std::max(2, NPT - 2 * MTE); s <= NPT; ++s) {
    const float *from = p + (s - 1) * plane;
    float *to = p + (s - 2) * plane;
    if (n == x.n1) {
      std::copy(from, from + plane, to);
    } else {
      std::copy(from, from + n, to);
      std::copy(from + x.n1, from + x.n1 + n, to + x.n1);
    }
  }
}

// Number of delay-line lines that a pipe of radial index irp serves.
static int nlines(int irp) {
  return std::min({irp - 1, latc.NR, static_cast<int>(stk_data.hvstk.n1)});
}

void push_left(int NSTEP) {
  const int MTE = latc.MTE;
  const int n = nlines(pipes.IRPL);
  // Table indices of the bunch field in columns 0, 1 and 2 at the steps the end reads:
  // na + 1 and nb + 1 for column 1 (two columns of travel apart), na and nc for column 2.
  const int na = (NSTEP - 2) / MTE;
  const int nb = (NSTEP - 2 + 2 * MTE) / MTE;
  const int nc = (NSTEP - 2 + 4 * MTE) / MTE;
  const float dq1 = qkval(nb + 1) - qkval(na + 1); // change seen by column 1
  const float dq2 = qkval(nc) - qkval(na);         // change seen by column 2
  const int ngr = static_cast<int>(gr_data.gr.size());
  delay_shift(stk_data.hvstk, n);
  delay_shift(stk_data.hvstk1, n);
  if (n < 1) return;
  const hcol_t c1[2] = {held_col(1, 1), held_col(2, 1)}, c2[2] = {held_col(1, 2), held_col(2, 2)};
  float *const s1 = &stk_data.hvstk(1, 1, NPT), *const s2 = &stk_data.hvstk1(1, 1, NPT);
  const long n1 = stk_data.hvstk.n1, m1 = stk_data.hvstk1.n1;
  const int IRD = latc.IRDRIVE;
  const float *const g = gr_data.gr.data();
  for (int i = 1; i <= n; ++i) {
    const bool pipe = i >= IRD && i + 1 <= ngr;
    // Pipe field per unit line density at the true midpoint of lines i and i + 1.
    const float F = pipe ? cons.CLIGHT / (cons.PI * (g[i - 1] + g[i])) : 0.0f;
    for (int k = 0; k < 2; ++k) {
      float x1 = c1[k].at(i), x2 = c2[k].at(i);
      if (pipe) {
        x1 = x1 + F * dq1;
        x2 = x2 + F * dq2;
      }
      s1[k * n1 + i - 1] = x1;
      s2[k * m1 + i - 1] = x2;
    }
  }
}

void push_right() {
  const int NZ = latc.NZ;
  const int n = nlines(pipes.IRPR);
  delay_shift(stk_data.hvstl, n);
  delay_shift(stk_data.hvstl1, n);
  if (n < 1) return;
  const hcol_t c1[2] = {held_col(1, NZ - 1), held_col(2, NZ - 1)};
  const hcol_t c2[2] = {held_col(1, NZ - 2), held_col(2, NZ - 2)};
  float *const s1 = &stk_data.hvstl(1, 1, NPT), *const s2 = &stk_data.hvstl1(1, 1, NPT);
  const long n1 = stk_data.hvstl.n1, m1 = stk_data.hvstl1.n1;
  for (int k = 0; k < 2; ++k)
    for (int i = 1; i <= n; ++i) {
      s1[k * n1 + i - 1] = c1[k].at(i);
      s2[k * m1 + i - 1] = c2[k].at(i);
    }
}

void right_end() {
  const int MTE = latc.MTE;
  const int NZ = latc.NZ;
  const long NR = latc.NR;
  if (NZ < lfrbk.IZMWL || NZ > lfrbk.IZMWR) return;
  const int n = nlines(pipes.IRPR);
  const int s1 = std::max(1, NPT + 1 - MTE), s2 = std::max(1, NPT + 1 - 2 * MTE);
  const long m0 = static_cast<long>(NZ - lfrbk.IZMWL) * NR;
  arr1<float> &hp = he_data.h[2];
  for (int i = 1; i <= n && m0 + i <= hp.size(); ++i)
    hp(m0 + i) = 2.0f * stk_data.hvstl(i, 2, s1) - stk_data.hvstl1(i, 2, s2);
}

float left_ghost(int k, int i) {
  const int MTE = latc.MTE;
  const int s1 = std::max(1, NPT + 1 - MTE), s2 = std::max(1, NPT + 1 - 2 * MTE);
  return 2.0f * stk_data.hvstk(i, k, s1) - stk_data.hvstk1(i, k, s2);
}
