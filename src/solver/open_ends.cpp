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

// Magnetic component k (1 Hr, 2 Hphi) on line i of column j, 0 when not held.
static float hfld(int k, int i, int j) { return wkget(he_data.h[k], i, j); }

// Shift the 2*MTE + 1 newest slots of line i, component k down by one; then slot 40
// takes the new value.
void delay_push(arr3<float> &x, int i, int k, float val) {
  const int MTE = latc.MTE;
  for (int s = std::max(2, NPT - 2 * MTE); s <= NPT; ++s) x(i, k, s - 1) = x(i, k, s);
  x(i, k, NPT) = val;
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
  for (int i = 1; i <= n; ++i) {
    for (int k = 1; k <= 2; ++k) {
      float x1 = hfld(k, i, 1), x2 = hfld(k, i, 2);
      if (i >= latc.IRDRIVE && i + 1 <= ngr) {
        // Pipe field per unit line density at the true midpoint of lines i and i + 1.
        const float F = cons.CLIGHT / (cons.PI * (gr(i) + gr(i + 1)));
        x1 = x1 + F * dq1;
        x2 = x2 + F * dq2;
      }
      delay_push(stk_data.hvstk, i, k, x1);
      delay_push(stk_data.hvstk1, i, k, x2);
    }
  }
}

void push_right() {
  const int NZ = latc.NZ;
  const int n = nlines(pipes.IRPR);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= 2; ++k) {
      delay_push(stk_data.hvstl, i, k, hfld(k, i, NZ - 1));
      delay_push(stk_data.hvstl1, i, k, hfld(k, i, NZ - 2));
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
