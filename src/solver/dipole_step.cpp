// Dipole time step (MROT = 1): the six components Er, Ephi, Ez, Hr, Hphi, Hz of the
// azimuthal mode cos(phi) / sin(phi) on the staggered (r, z) mesh, leap-frog in integral
// form, one step of dt = DDZ/(MTE*c). The magnetic field is advanced from the electric
// field of the previous step, then the electric field from the new magnetic field, the
// bunch current entering Ez on the drive ring IRDRIVE.
//
//   Faraday, mu0 dH/dt = -curl E, for the mode m = 1 (d/dphi -> factor 1/r):
//     Hr   -= s3*FACH1*((Ephi(j) - Ephi(j+1)) - cx2*Ez)                cx2 = DDZ/r
//     Hz   -= 2*s1*FACH1*cx3*(cx5*Ephi(i+1) - cx6*Ephi(i) + Er)         the ring cell of Hz
//     Hphi -= w*FACH1*(cx1*(Ez(i) - Ez(i+1)) + Er(j+1) - Er(j))         w = 2 in a cut cell
//   Ampere, eps0 dE/dt = curl H - J:
//     Er   += s1*FACE1*(Hphi(j-1) - Hphi(j) + dx2*Hz)
//     Ephi += s2*FACE1*(dx3*(Hz(i-1) - Hz(i)) + Hr(j) - Hr(j-1))
//     Ez   += s3*FACE1*dx4*(dx5*Hphi(i) - Hr - dx6*Hphi(i-1))
//   FACH1 = dt/(mu0*DDZ), FACE1 = dt/(eps0*DDZ); s1, s2, s3 the edge factors of Er, Ephi,
//   Ez (1 in vacuum); the beam, a ring of radius gr(IRDRIVE) with the dipole distribution
//   and line density q (1/m for 1 C), adds -q*dx1/(MTE*EPS0*PI*gr(IRDRIVE)) to Ez.
//   On the axis Hr = Hphi and Ez = 0 (the mode's field is transverse and uniform there).
//
// The top line NR lies under a conducting wall: a value of line NR + 1 counts as 0.
#include <omp.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

loccom_t loccom;

// Windows of fewer nodes than this are stepped on the main thread alone; the values do
// not depend on it.
static constexpr long PARMIN = 16384;

// Bitwise select: a where mask is all ones, b where it is 0 (a metal node keeps its value
// bit for bit, and the loop vectorises without branches).
static inline float sel(std::uint32_t mask, float a, float b) {
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// ------------------------------------------------------------------ coefficients

static void need(arr1<float> &x, int n) {
  if (x.size() < n) x.alloc(n);
}

// Magnetic coefficients of lines 1 .. NR. cx1 takes the zone step as the
// distance to the next line; cx3, cx5, cx6 the true distance gr(i+1) - gr(i) and mean
// radius. Entries the rules leave unset are 0.
void hecoef() {
  const int NR = latc.NR;
  const float DDZ = latc.DDZ;
  cm1_data_t &c = cm1_data;
  for (arr1<float> *x : {&c.cx1, &c.cx2, &c.cx3, &c.cx5, &c.cx6}) {
    need(*x, NR);
    x->fill(0.0f);
  }
  for (int i = 1; i <= NR; ++i) c.cx1(i) = DDZ / gdr(i);
  for (int i = 2; i <= NR - 1; ++i) {
    c.cx2(i) = DDZ / gr(i);
    c.cx3(i) = DDZ / (gr(i) + gr(i + 1));
    c.cx5(i) = gr(i + 1) / (gr(i + 1) - gr(i));
    c.cx6(i) = gr(i) / (gr(i + 1) - gr(i));
  }
  if (NR >= 2) {
    c.cx2(NR) = DDZ / gr(NR);
    c.cx3(NR) = c.cx3(NR - 1);
    c.cx5(NR) = c.cx5(NR - 1);
    c.cx6(NR) = c.cx6(NR - 1);
  }
}

// Electric coefficients of lines 1 .. NR. The dual cell of line i runs
// from gr(i) - gdr(i-1)/2 to gr(i) + gdr(i)/2: dx3 is DDZ over its height, dx4 DDZ over
// its centre radius, dx5, dx6 the radii of its upper and lower edge over its height; dx2
// is DDZ over the radius of the Er and Hz nodes.
void eecoef() {
  const int NR = latc.NR;
  const float DDZ = latc.DDZ;
  cm2_data_t &c = cm2_data;
  for (arr1<float> *x : {&c.dx1, &c.dx2, &c.dx3, &c.dx4, &c.dx5, &c.dx6}) {
    need(*x, NR);
    x->fill(0.0f);
  }
  for (int i = 1; i <= NR; ++i) {
    c.dx1(i) = DDZ / gdr(i);
    c.dx2(i) = DDZ / (gdr(i) * 0.5f + gr(i));
  }
  for (int i = 2; i <= NR; ++i) {
    c.dx3(i) = 2.0f * DDZ / (gdr(i) + gdr(i - 1));
    c.dx4(i) = DDZ / ((gdr(i) - gdr(i - 1)) * 0.25f + gr(i));
    c.dx5(i) = c.dx3(i) / c.dx2(i);
    c.dx6(i) = c.dx3(i) / (DDZ / (gr(i) - gdr(i - 1) * 0.5f));
  }
}

// ------------------------------------------------------------------ beam

// Line density of the source in column j at step NSTEP: from the line-charge table
// (the head in column (NSTEP - 1)/MTE + 1), or with TAVO from the bunch shape with the
// head half a mesh step behind NSTEP*DDZ/MTE, moving DDZ/MTE every step. Writes nothing
// shared.
static inline float qsource(int j, int NSTEP) {
  const int MTE = latc.MTE;
  if (win2.LTAVO) {
    float q;
    chage(j, NSTEP - MTE / 2, q);
    return q;
  }
  return qkval((NSTEP - 1) / MTE - j + 2);
}

// Divisor of the ring source, MTE*EPS0*PI*gr(IRDRIVE); 0 when there is no ring off the
// axis (the axis node of Ez lies on the axis of the mode, where Ez = 0).
static inline float qdiv() {
  const int IRD = latc.IRDRIVE;
  if (IRD < 2 || IRD > latc.NR || IRD > gr_data.gr.size() || !(gr(IRD) > 0.0f)) return 0.0f;
  return static_cast<float>(latc.MTE) * cons.EPS0 * cons.PI * gr(IRD);
}

// ------------------------------------------------------------------ left open end

void heff1(int NSTEP) {
  const int MTE = latc.MTE;
  loccom_t &L = loccom;
  // Four line densities (1/m) at the sample points of the two histories.
  float r1, r2, r3, r4;
  if (win2.LTAVO) {
    L.KQ1 = NSTEP - MTE / 2 - 1;
    L.KQ2 = L.KQ1 + 2 * MTE;
    chage(1, L.KQ1, r1);
    chage(1, L.KQ2, r2);
    if (L.KQ1 - MTE < 0) r3 = 0.0f;
    else chage(1, L.KQ1 - MTE, r3);
    chage(1, L.KQ1 + 3 * MTE, r4);
  } else {
    L.KQ1 = (NSTEP - 2) / MTE;
    L.KQ2 = (NSTEP - 2 + 2 * MTE) / MTE;
    const int K4 = (NSTEP - 2 + 4 * MTE) / MTE;
    r1 = qkval(L.KQ1 + 1);
    r2 = qkval(L.KQ2 + 1);
    r3 = L.KQ1 >= 1 ? qkval(L.KQ1) : 0.0f;
    r4 = qkval(K4);
  }
  L.Q1 = r1;
  L.Q2 = r2;
  // The ring of radius rb in a pipe of radius b. A ring on the axis (rb = 0) carries
  // no dipole field: its terms are 0 and no quotient by rb is formed.
  const int IRD = latc.IRDRIVE, IRPL = pipes.IRPL;
  const int ngr = static_cast<int>(gr_data.gr.size());
  const float rb = IRD >= 1 && IRD <= ngr ? gr(IRD) : 0.0f;
  const float b = IRPL >= 1 && IRPL <= ngr ? gr(IRPL) : 0.0f;
  const bool ring = rb > 0.0f;
  L.CBEAM = ring ? cons.CLIGHT / (2.0f * cons.PI * rb) : 0.0f;
  const float rbb = b > 0.0f ? rb / b : 0.0f;
  L.RBB2 = rbb * rbb;
  // The lines below the left pipe radius.
  if (IRPL <= 1) return;
  const int n = std::min({IRPL - 1, latc.NR, static_cast<int>(stk_data.hvstk.n1), ngr - 1});
  const float d1 = r2 - r1; // change over two mesh steps, seen by column 1
  const float d2 = r4 - r3; // over four, seen by column 2
  for (int i = 1; i <= n; ++i) {
    const float rbm = 2.0f * rb / (gr(i) + gr(i + 1));
    L.RBM2 = rbm * rbm;
    for (int k = 1; k <= 2; ++k) {
      if (i > 1) {
        const float rbr = rb / gr(i);
        L.RBR2 = rbr * rbr;
      }
      // Uniform inside the ring; outside it (rb/r)**2 with r = gr(i) for Hr and the
      // midpoint for Hphi, in line with their positions.
      float F;
      if (i < IRD) F = L.RBB2 - 1.0f;
      else F = k == 1 ? L.RBB2 - L.RBR2 : L.RBB2 + L.RBM2;
      const float x1 = wkget(he_data.h[k], i, 1), x2 = wkget(he_data.h[k], i, 2);
      const float t1 = ring ? L.CBEAM * d1 * F : 0.0f;
      const float t2 = ring ? L.CBEAM * d2 * F : 0.0f;
      delay_push(stk_data.hvstk, i, k, x1 + t1);
      delay_push(stk_data.hvstk1, i, k, x2 + t2);
    }
  }
}

// ------------------------------------------------------------------ right open end

void heff6() {
  const int NZ = latc.NZ, NR = latc.NR, MTE = latc.MTE;
  if (eline.JFRONT != NZ || NZ < lfrbk.IZMWL || NZ > lfrbk.IZMWR) return;
  const int n = std::min({pipes.IRPR - 1, NR, static_cast<int>(stk_data.hvstl.n1)});
  if (n < 1) return;
  const int s1 = std::max(1, NPT + 1 - MTE), s2 = std::max(1, NPT + 1 - 2 * MTE);
  const long b = static_cast<long>(NZ - lfrbk.IZMWL) * NR; // node of line i is b + i
  if (b + n > he_data.h[1].size()) return;
  const float FACH1 = loccom.FACH1;
  arr3<float> &L = stk_data.hvstl, &L1 = stk_data.hvstl1;
  auto E = [&](int c, int i) { return i <= NR ? ev(c, b + i) : 0.0f; };
  // Axis.
  hv(1, b + 1) = 2.0f * L(1, 1, s1) - L1(1, 1, s2);
  hv(2, b + 1) = 2.0f * L(1, 2, s1) - L1(1, 2, s2);
  hv(3, b + 1) = hv(3, b + 1) - 2.0f * FACH1 * cm1_data.cx1(1) * (ev(1, b + 1) + E(2, 2));
  // Lines below the right pipe radius, without the metal test.
  for (int i = 2; i <= n; ++i) {
    const long m = b + i;
    if (sjdg(3, m) != 0.0f) hv(1, m) = 2.0f * L(i, 1, s1) - L1(i, 1, s2);
    hv(3, m) = hv(3, m) - 2.0f * sjdg(1, m) * FACH1 * cm1_data.cx3(i) *
                              (cm1_data.cx5(i) * E(2, i + 1) + ev(1, m) - cm1_data.cx6(i) * ev(2, m));
    hv(2, m) = 2.0f * L(i, 2, s1) - L1(i, 2, s2);
  }
}

// ------------------------------------------------------------------ magnetic update

// Magnetic update of one column with node base b (0-based node of line 1): the axis
// (no flag or edge-factor test), lines 2 .. NR - 1, and line NR under the wall.
static inline void hcold(long b, int NR, float fach, const unsigned char *__restrict kc,
                         const float *__restrict er, const float *__restrict ep,
                         const float *__restrict ez, float *__restrict hr, float *__restrict hp,
                         float *__restrict hz, const float *__restrict cx1,
                         const float *__restrict cx2, const float *__restrict cx3,
                         const float *__restrict cx5, const float *__restrict cx6) {
  const unsigned char *k = kc + b;
  const float *r = er + b, *p = ep + b, *z = ez + b;
  float *Hr = hr + b, *Hp = hp + b, *Hz = hz + b;
  // Axis: Hr = Hphi, and the Hz of the disc around the axis.
  {
    const float z2 = NR >= 2 ? z[1] : 0.0f, p2 = NR >= 2 ? p[1] : 0.0f;
    const float hn = Hp[0] - fach * (cx1[0] * (z[0] - z2) + r[NR] - r[0]);
    Hp[0] = hn;
    Hr[0] = hn;
    Hz[0] = Hz[0] - 2.0f * fach * cx1[0] * (r[0] + p2);
  }
  for (int i = 1; i < NR - 1; ++i) {
    const std::uint32_t c = k[i];
    const std::uint32_t keep = 0u - kcbit(c, KC_OPEN);
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT));
    const float s1 = static_cast<float>(kcbit(c, KC_ER));
    const float s3 = static_cast<float>(kcbit(c, KC_EZ));
    const float r0 = Hr[i], p0 = Hp[i], z0 = Hz[i];
    const float rn = r0 - s3 * fach * ((p[i] - p[i + NR]) - cx2[i] * z[i]);
    const float zn = z0 - 2.0f * s1 * fach * cx3[i] * (cx5[i] * p[i + 1] - cx6[i] * p[i] + r[i]);
    const float pn = p0 - w * fach * (cx1[i] * (z[i] - z[i + 1]) + r[i + NR] - r[i]);
    Hr[i] = sel(keep, rn, r0);
    Hz[i] = sel(keep, zn, z0);
    Hp[i] = sel(keep, pn, p0);
  }
  if (NR >= 2) {
    const int i = NR - 1;
    const std::uint32_t c = k[i];
    if (kcbit(c, KC_OPEN)) {
      const float pup = 0.0f, zup = 0.0f; // Ephi, Ez of line NR + 1: the wall
      const float w = static_cast<float>(1u + kcbit(c, KC_CUT));
      const float s1 = static_cast<float>(kcbit(c, KC_ER));
      const float s3 = static_cast<float>(kcbit(c, KC_EZ));
      Hr[i] = Hr[i] - s3 * fach * ((p[i] - p[i + NR]) - cx2[i] * z[i]);
      Hz[i] = Hz[i] - 2.0f * s1 * fach * cx3[i] * (cx5[i] * pup - cx6[i] * p[i] + r[i]);
      Hp[i] = Hp[i] - w * fach * (cx1[i] * (z[i] - zup) + r[i + NR] - r[i]);
    }
  }
}

// ------------------------------------------------------------------ electric update

void heff7(int NSTEP) {
  const int NR = latc.NR, MTE = latc.MTE;
  // Column 1 while the back of the window is there: the lines below the left pipe,
  // the magnetic field of the ghost column 0 from the left delay lines, no metal test.
  const int IRPL = pipes.IRPL;
  if (eline.JBACK > 1 || IRPL <= 1 || lfrbk.IZMWL != 1) return;
  const int n = std::min({IRPL - 1, NR, static_cast<int>(stk_data.hvstk.n1)});
  const float FACE1 = loccom.FACE1;
  const cm2_data_t &d = cm2_data;
  const int IRD = latc.IRDRIVE;
  const float den = qdiv();
  for (int i = 1; i <= n; ++i) {
    const long m = i; // column 1 is local column 1
    const float GR = left_ghost(1, i), GP = left_ghost(2, i);
    if (i == 1) {
      ev(1, m) = ev(1, m) + FACE1 * (GP - hv(2, m) + d.dx2(1) * hv(3, m));
      ev(2, m) = ev(2, m) + FACE1 * (hv(1, m) - d.dx2(1) * hv(3, m) - GR);
      continue;
    }
    ev(1, m) = ev(1, m) + sjdg(1, m) * FACE1 * (GP - hv(2, m) + d.dx2(i) * hv(3, m));
    ev(2, m) = ev(2, m) + sjdg(2, m) * FACE1 * (d.dx3(i) * (hv(3, m - 1) - hv(3, m)) + hv(1, m) - GR);
    ev(3, m) = ev(3, m) + sjdg(3, m) * FACE1 * d.dx4(i) *
                              (d.dx5(i) * hv(2, m) - d.dx6(i) * hv(2, m - 1) - hv(1, m));
    if (i == IRD && sjdg(3, m) != 0.0f && den != 0.0f) {
      const float q = qsource(1, NSTEP);
      ev(3, m) = ev(3, m) - q * d.dx1(IRD) / den;
      loccom.KQ1 = win2.LTAVO ? NSTEP - MTE / 2 : (NSTEP - 1) / MTE;
      loccom.QSRC = q;
    }
  }
}

// Electric update of lines 1 .. NR of one column with node base b, from the new
// magnetic field of the column and of the column before it.
static inline void ecold(long b, int NR, float face, const unsigned char *__restrict kc,
                         float *__restrict er, float *__restrict ep, float *__restrict ez,
                         const float *__restrict hr, const float *__restrict hp,
                         const float *__restrict hz, const float *__restrict dx2,
                         const float *__restrict dx3, const float *__restrict dx4,
                         const float *__restrict dx5, const float *__restrict dx6) {
  const unsigned char *k = kc + b;
  float *Er = er + b, *Ep = ep + b, *Ez = ez + b;
  const float *r = hr + b, *p = hp + b, *z = hz + b;
  const float *rl = hr + b - NR, *pl = hp + b - NR;
  // Axis: no edge factors, Ez stays 0.
  if (kcbit(k[0], KC_OPEN)) {
    Er[0] = Er[0] + face * (pl[0] - p[0] + dx2[0] * z[0]);
    Ep[0] = Ep[0] + face * (r[0] - rl[0] - dx2[0] * z[0]);
  }
  for (int i = 1; i < NR; ++i) {
    const std::uint32_t c = k[i];
    const std::uint32_t keep = 0u - kcbit(c, KC_OPEN);
    const float s1 = static_cast<float>(kcbit(c, KC_ER));
    const float s2 = static_cast<float>(kcbit(c, KC_EPHI));
    const float s3 = static_cast<float>(kcbit(c, KC_EZ));
    const float r0 = Er[i], p0 = Ep[i], z0 = Ez[i];
    const float rn = r0 + s1 * face * (pl[i] - p[i] + dx2[i] * z[i]);
    const float pn = p0 + s2 * face * (dx3[i] * (z[i - 1] - z[i]) + r[i] - rl[i]);
    const float zn = z0 + s3 * face * dx4[i] * (dx5[i] * p[i] - r[i] - dx6[i] * p[i - 1]);
    Er[i] = sel(keep, rn, r0);
    Ep[i] = sel(keep, pn, p0);
    Ez[i] = sel(keep, zn, z0);
  }
}

void heff8(int NSTEP) {
  const int NR = latc.NR;
  const int IZMWL = lfrbk.IZMWL;
  const int ja = std::max(eline.JBACK + 1, IZMWL + 1), jb = std::min(eline.JFRONT, lfrbk.IZMWR);
  const float FACE1 = loccom.FACE1;
  const unsigned char *__restrict kc = celc_data.kc.data();
  float *__restrict er = he_data.e[1].data();
  float *__restrict ep = he_data.e[2].data();
  float *__restrict ez = he_data.e[3].data();
  const float *__restrict hr = he_data.h[1].data();
  const float *__restrict hp = he_data.h[2].data();
  const float *__restrict hz = he_data.h[3].data();
  const cm2_data_t &d = cm2_data;
  const float *dx2 = d.dx2.data(), *dx3 = d.dx3.data(), *dx4 = d.dx4.data();
  const float *dx5 = d.dx5.data(), *dx6 = d.dx6.data();
  const int IRD = latc.IRDRIVE;
  const float den = qdiv();
  const float dxd = den != 0.0f ? d.dx1(IRD) : 0.0f;
#pragma omp parallel for schedule(static) if (static_cast<long>(jb - ja + 1) * NR >= PARMIN)
  for (int j = ja; j <= jb; ++j) {
    const long b = static_cast<long>(j - IZMWL) * NR;
    ecold(b, NR, FACE1, kc, er, ep, ez, hr, hp, hz, dx2, dx3, dx4, dx5, dx6);
    // Source on the drive ring, where its Ez node lies in vacuum.
    if (den != 0.0f) {
      const long m = b + IRD - 1;
      if (kcbit(kc[m], KC_OPEN) && kcbit(kc[m], KC_EZ)) {
        const float q = qsource(j, NSTEP);
        ez[m] = ez[m] - q * dxd / den;
      }
    }
  }
}

// ------------------------------------------------------------------ the step

void hefld(int NSTEP) {
  const int NR = latc.NR;
  const int MTE = latc.MTE;
  if (NR < 1 || MTE < 1) return;

  // Update factors.
  loccom.FACH1 = 1.0f / (static_cast<float>(MTE) * cons.Z0);
  loccom.FACE1 = cons.Z0 / static_cast<float>(MTE);
  // Window with the cell flags of a new front column, left open end (heff1),
  // right delay lines, stored window.
  step_open(NSTEP, 1);
  // Magnetic update of the columns JBACK .. JFRONT - 1 (those held with their right
  // neighbour), divided by columns: each column's axis and interior lines read only the
  // electric field, which nothing writes in this loop.
  {
    const int IZMWL = lfrbk.IZMWL;
    const int ja = std::max(eline.JBACK, IZMWL), jb = std::min(eline.JFRONT - 1, lfrbk.IZMWR - 1);
    const float FACH1 = loccom.FACH1;
    const unsigned char *__restrict kc = celc_data.kc.data();
    const float *__restrict er = he_data.e[1].data();
    const float *__restrict ep = he_data.e[2].data();
    const float *__restrict ez = he_data.e[3].data();
    float *__restrict hr = he_data.h[1].data();
    float *__restrict hp = he_data.h[2].data();
    float *__restrict hz = he_data.h[3].data();
    const cm1_data_t &c = cm1_data;
    const float *cx1 = c.cx1.data(), *cx2 = c.cx2.data(), *cx3 = c.cx3.data();
    const float *cx5 = c.cx5.data(), *cx6 = c.cx6.data();
#pragma omp parallel for schedule(static) if (static_cast<long>(jb - ja + 1) * NR >= PARMIN)
    for (int j = ja; j <= jb; ++j)
      hcold(static_cast<long>(j - IZMWL) * NR, NR, FACH1, kc, er, ep, ez, hr, hp, hz, cx1, cx2, cx3,
            cx5, cx6);
  }
  // Right open end.
  heff6();
  // Electric update: column 1, then the columns JBACK + 1 .. JFRONT.
  heff7(NSTEP);
  heff8(NSTEP);
  // The pair of this step.
  step_close();
}
