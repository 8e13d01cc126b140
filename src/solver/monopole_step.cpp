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

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
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
static inline float sel(std::uint32_t mask, float a, float b) {
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// Magnetic update of one column: nodes b .. b + NR - 1 (0-based), lines 1 .. NR. Line
// NR lies under the wall: the Ez of a line NR + 1 counts as 0 (node b + NR is line 1 of
// the next column), so it is updated on its own after the loop.
static inline void hcol(long b, int NR, float fach, const unsigned char *__restrict kc,
                        const float *__restrict er, const float *__restrict ez, float *__restrict hp,
                        const float *__restrict ex1) {
  const unsigned char *k = kc + b;
  const float *r = er + b, *z = ez + b;
  float *h = hp + b;
  for (int i = 0; i < NR - 1; ++i) {
    const std::uint32_t c = k[i];
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT)); // 2 in a cut cell
    const float h0 = h[i];
    const float hn = h0 - w * fach * ((z[i] - z[i + 1]) * ex1[i] + r[i + NR] - r[i]);
    h[i] = sel(0u - kcbit(c, KC_OPEN), hn, h0);
  }
  const int i = NR - 1;
  const std::uint32_t c = k[i];
  if (kcbit(c, KC_OPEN)) {
    const float zup = 0.0f;
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT));
    h[i] = h[i] - w * fach * ((z[i] - zup) * ex1[i] + r[i + NR] - r[i]);
  }
}

// Electric update of lines 2 .. NR of one column with base b (0-based node of line 1).
static inline void ecol(long b, int NR, float face, const unsigned char *__restrict kc,
                        float *__restrict er, float *__restrict ez, const float *__restrict hp,
                        const float *__restrict ex4, const float *__restrict ex5,
                        const float *__restrict ex6) {
  const unsigned char *k = kc + b;
  float *r = er + b, *z = ez + b;
  const float *h = hp + b, *hl = hp + b - NR;
  for (int i = 1; i < NR; ++i) {
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

void mefld(int NSTEP) {
  const int NR = latc.NR;
  const int NZ = latc.NZ;
  const int MTE = latc.MTE;
  if (NR < 1 || MTE < 1) return;

  // 2 to 5. Window with the cell flags of a new front column, delay lines, stored window.
  step_open(NSTEP, 0);
  const int JBACK = eline.JBACK, JFRONT = eline.JFRONT;

  const float FACE = parcom.FACE, FACH = parcom.FACH, FACQ = parcom.FACQ;
  const unsigned char *__restrict kc = celc_data.kc.data();
  float *__restrict er = he_data.e[1].data();
  float *__restrict ez = he_data.e[3].data();
  float *__restrict hp = he_data.h[2].data();
  const float *__restrict ex1 = cm3_data.ex1.data();
  const float *__restrict ex4 = cm3_data.ex4.data();
  const float *__restrict ex5 = cm3_data.ex5.data();
  const float *__restrict ex6 = cm3_data.ex6.data();
  const int IZMWL = lfrbk.IZMWL, IZMWR = lfrbk.IZMWR;
  auto base = [&](int j) { return static_cast<long>(j - IZMWL) * NR; };

  // 6. Magnetic update of the columns JBACK .. JFRONT - 1 (those held with their right
  // neighbour), divided by columns.
  {
    const int ja = std::max(JBACK, IZMWL), jb = std::min(JFRONT - 1, IZMWR - 1);
#pragma omp parallel for schedule(static) if (static_cast<long>(jb - ja + 1) * NR >= PARMIN)
    for (int j = ja; j <= jb; ++j) hcol(base(j), NR, FACH, kc, er, ez, hp, ex1);
  }

  // 7. Right open end.
  if (JFRONT == NZ) right_end();

  const int K = (NSTEP - 1) / MTE; // the head is in column K + 1
  const int IRD = latc.IRDRIVE;

  // 8. Column 1 while the back of the window is there: lines below the left pipe, the
  // Hphi of the ghost column 0 from the left delay lines, no metal test.
  if (JBACK == 1 && IZMWL == 1) {
    const float q = qkval(K + 1);
    const int n = std::min({pipes.IRPL - 1, NR, static_cast<int>(stk_data.hvstk.n1)});
    for (int i = 1; i <= n; ++i) {
      const float G = left_ghost(2, i);
      ev(1, i) = ev(1, i) + sjdg(1, i) * FACE * (G - hv(2, i));
      if (i == 1)
        ev(3, 1) = ev(3, 1) + 4.0f * FACE * cm3_data.ex1(1) * hv(2, 1);
      else
        ev(3, i) = ev(3, i) + sjdg(3, i) * FACE * cm3_data.ex4(i) *
                                  (cm3_data.ex5(i) * hv(2, i) - cm3_data.ex6(i) * hv(2, i - 1));
      if (i == IRD && (sjdg(3, i) != 0.0f || IRD == 1)) {
        if (i == 1)
          ev(3, 1) = ev(3, 1) - 4.0f * q * cm3_data.ex1(1) / (FACQ * gdr(1));
        else
          ev(3, i) = ev(3, i) - 0.5f * q * cm3_data.ex1(i) / (FACQ * gr(i));
      }
    }
  }

  // 9. Electric update of the columns JBACK + 1 .. JFRONT with the beam source, divided
  // by columns; a column reads the new Hphi of itself and of the column before it.
  {
    const int ja = std::max(JBACK + 1, IZMWL + 1), jb = std::min(JFRONT, IZMWR);
    const float axf = 4.0f * FACE * ex1[0];
    const float gdr1 = gdr(1);
    const bool ring = IRD >= 2 && IRD <= NR;
    const float grd = ring ? gr(IRD) : 1.0f;
#pragma omp parallel for schedule(static) if (static_cast<long>(jb - ja + 1) * NR >= PARMIN)
    for (int j = ja; j <= jb; ++j) {
      const long b = base(j);
      const float q = qkval(K - j + 2);
      // Axis node.
      if (kcbit(kc[b], KC_OPEN)) {
        const float s1 = kcbit(kc[b], KC_ER) ? 1.0f : 0.0f;
        er[b] = er[b] + s1 * FACE * (hp[b - NR] - hp[b]);
        ez[b] = ez[b] + axf * hp[b];
        if (IRD == 1) ez[b] = ez[b] - 4.0f * q * ex1[0] / (FACQ * gdr1);
      }
      ecol(b, NR, FACE, kc, er, ez, hp, ex4, ex5, ex6);
      // Source on the drive ring.
      if (ring) {
        const long m = b + IRD - 1;
        if (kcbit(kc[m], KC_OPEN) && kcbit(kc[m], KC_EZ)) ez[m] = ez[m] - 0.5f * q * ex1[IRD - 1] / (FACQ * grd);
      }
    }
  }

  // 10. The pair of this step.
  step_close();
}
