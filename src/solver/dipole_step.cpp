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
#include <algorithm>
#include <bit>
#include <cstdint>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"
#include "solver/sweep.hpp"

// The update equations take vectors of floats as well (hecold): they are passed and
// returned only between always inlined routines, so no call with a vector argument
// remains whose convention would depend on the instruction set.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

loccom_t loccom;

// Bitwise select: a where mask is all ones, b where it is 0 (a metal node keeps its value
// bit for bit, and the loop vectorises without branches).
[[gnu::always_inline]] static inline float sel(std::uint32_t mask, float a, float b) {
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// ------------------------------------------------------------------ update equations

// The update equations of one node, written once: every line of the sweep's columns takes
// them from here (the plain lines, the cut and metal lines with their edge factors, the top
// line, the axis), and the open-end columns where they sum the terms in the same order,
// as single values or eight lines at a time (V a
// float or a vector of floats). f is the step factor with the edge factor of the node
// folded in (s*FACH1, s*FACE1, exactly the step factor in vacuum); the values of the line
// above are marked u, those of the line below b, those of the next column x and of the
// column before l.
//   Faraday, the new Hr, Hz (ring cell, f2 = 2*s*FACH1) and Hphi of line i:
template <class V, class F> [[gnu::always_inline]] static inline V hr_upd(V h, F f, V p, V px, V cx2, V z) {
  return h - f * ((p - px) - cx2 * z);
}
template <class V, class F>
[[gnu::always_inline]] static inline V hz_upd(V h, F f2, V cx3, V cx5, V pu, V cx6, V p, V r) {
  return h - f2 * cx3 * (cx5 * pu - cx6 * p + r);
}
template <class V, class F>
[[gnu::always_inline]] static inline V hp_upd(V h, F f, V cx1, V z, V zu, V rx, V r) {
  return h - f * (cx1 * (z - zu) + rx - r);
}
//   the Hz of the disc around the axis:
[[gnu::always_inline]] static inline float hz_axis(float h, float f, float cx1, float r, float pu) {
  return h - 2.0f * f * cx1 * (r + pu);
}
//   Ampere, the new Er, Ephi and Ez of line i:
template <class V, class F> [[gnu::always_inline]] static inline V er_upd(V e, F f, V pl, V p, V dx2, V z) {
  return e + f * (pl - p + dx2 * z);
}
template <class V, class F>
[[gnu::always_inline]] static inline V ep_upd(V e, F f, V dx3, V zb, V z, V r, V rl) {
  return e + f * (dx3 * (zb - z) + r - rl);
}
template <class V, class F>
[[gnu::always_inline]] static inline V ez_upd(V e, F f, V dx4, V dx5, V p, V r, V dx6, V pb) {
  return e + f * dx4 * (dx5 * p - r - dx6 * pb);
}

// ------------------------------------------------------------------ coefficients

static void need(arr1<float> &x, int n) {
  if (x.size() < n) x.alloc(n);
}

// Update factors and magnetic coefficients of lines 1 .. NR. cx1 takes the zone step as the
// distance to the next line; cx3, cx5, cx6 the true distance gr(i+1) - gr(i) and mean
// radius. Entries the rules leave unset are 0.
void hecoef() {
  const int NR = latc.NR;
  const float DDZ = latc.DDZ;
  // Update factors dt/(mu0 DDZ) and dt/(eps0 DDZ).
  loccom.FACH1 = 1.0f / (static_cast<float>(latc.MTE) * cons.Z0);
  loccom.FACE1 = cons.Z0 / static_cast<float>(latc.MTE);
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
  delay_shift(stk_data.hvstk, n);
  delay_shift(stk_data.hvstk1, n);
  const wkfld_t fld = wkfld_held(); // Hr, Hphi of columns 1 and 2
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
      const float x1 = wkget(fld.c[2 + k], i, 1), x2 = wkget(fld.c[2 + k], i, 2);
      const float t1 = ring ? L.CBEAM * d1 * F : 0.0f;
      const float t2 = ring ? L.CBEAM * d2 * F : 0.0f;
      stk_data.hvstk(i, k, NPT) = x1 + t1;
      stk_data.hvstk1(i, k, NPT) = x2 + t2;
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
  hv(3, b + 1) = hz_axis(hv(3, b + 1), FACH1, cm1_data.cx1(1), ev(1, b + 1), E(2, 2));
  // Lines below the right pipe radius, without the metal test.
  for (int i = 2; i <= n; ++i) {
    const long m = b + i;
    if (sjdg(3, m) != 0.0f) hv(1, m) = 2.0f * L(i, 1, s1) - L1(i, 1, s2);
    // The terms of the ring cell in the order this column has always summed them (the
    // last bit of a sum depends on it).
    hv(3, m) = hv(3, m) - 2.0f * sjdg(1, m) * FACH1 * cm1_data.cx3(i) *
                              (cm1_data.cx5(i) * E(2, i + 1) + ev(1, m) - cm1_data.cx6(i) * ev(2, m));
    hv(2, m) = 2.0f * L(i, 2, s1) - L1(i, 2, s2);
  }
}

// ------------------------------------------------------------------ magnetic update

// Parts of the magnetic update of a column: all of it, the axis alone, or all but the axis
// and the plain lines (done by the fused update of the column, hecold).
enum { HC_ALL, HC_AXIS, HC_REST };

// Magnetic update of one column: the axis (no flag or edge-factor test), lines 2 .. NR - 1,
// and line NR under the wall. k the column's cell codes; r, p, z its Er, Ephi, Ez, rx, px
// the Er, Ephi of the column to its right; Hr, Hp, Hz its magnetic field, in place; u the
// column's runs (plain lines without their codes, metal lines left as they are).
[[gnu::always_inline]] static inline void hcold(int NR, float fach, const unsigned char *__restrict k,
                                                runs_t u, const float *__restrict r, const float *__restrict p,
                                                const float *__restrict z, const float *__restrict rx,
                                                const float *__restrict px, float *__restrict Hr,
                                                float *__restrict Hp, float *__restrict Hz,
                                                const float *__restrict cx1, const float *__restrict cx2,
                                                const float *__restrict cx3, const float *__restrict cx5,
                                                const float *__restrict cx6, int part = HC_ALL) {
  // Axis: Hr = Hphi, and the Hz of the disc around the axis.
  if (part != HC_REST) {
    const float z2 = NR >= 2 ? z[1] : 0.0f, p2 = NR >= 2 ? p[1] : 0.0f;
    const float hn = hp_upd(Hp[0], fach, cx1[0], z[0], z2, rx[0], r[0]);
    Hp[0] = hn;
    Hr[0] = hn;
    Hz[0] = hz_axis(Hz[0], fach, cx1[0], r[0], p2);
  }
  if (part == HC_AXIS) return;
  const int pe = std::min(u.P, NR - 1), ue = std::min(u.U, NR - 1);
  const float f2 = 2.0f * fach;
  for (int i = 1; i < (part == HC_REST ? 1 : pe); ++i) {
    Hr[i] = hr_upd(Hr[i], fach, p[i], px[i], cx2[i], z[i]);
    Hz[i] = hz_upd(Hz[i], f2, cx3[i], cx5[i], p[i + 1], cx6[i], p[i], r[i]);
    Hp[i] = hp_upd(Hp[i], fach, cx1[i], z[i], z[i + 1], rx[i], r[i]);
  }
  for (int i = std::max(pe, 1); i < ue; ++i) {
    const std::uint32_t c = k[i];
    const std::uint32_t keep = 0u - kcbit(c, KC_OPEN);
    const float w = static_cast<float>(1u + kcbit(c, KC_CUT));
    const float s1 = static_cast<float>(kcbit(c, KC_ER));
    const float s3 = static_cast<float>(kcbit(c, KC_EZ));
    const float r0 = Hr[i], p0 = Hp[i], z0 = Hz[i];
    const float rn = hr_upd(r0, s3 * fach, p[i], px[i], cx2[i], z[i]);
    const float zn = hz_upd(z0, 2.0f * s1 * fach, cx3[i], cx5[i], p[i + 1], cx6[i], p[i], r[i]);
    const float pn = hp_upd(p0, w * fach, cx1[i], z[i], z[i + 1], rx[i], r[i]);
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
      Hr[i] = hr_upd(Hr[i], s3 * fach, p[i], px[i], cx2[i], z[i]);
      Hz[i] = hz_upd(Hz[i], 2.0f * s1 * fach, cx3[i], cx5[i], pup, cx6[i], p[i], r[i]);
      Hp[i] = hp_upd(Hp[i], w * fach, cx1[i], z[i], zup, rx[i], r[i]);
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
      ev(1, m) = er_upd(ev(1, m), FACE1, GP, hv(2, m), d.dx2(1), hv(3, m));
      ev(2, m) = ev(2, m) + FACE1 * (hv(1, m) - d.dx2(1) * hv(3, m) - GR);
      continue;
    }
    ev(1, m) = er_upd(ev(1, m), sjdg(1, m) * FACE1, GP, hv(2, m), d.dx2(i), hv(3, m));
    ev(2, m) = ep_upd(ev(2, m), sjdg(2, m) * FACE1, d.dx3(i), hv(3, m - 1), hv(3, m), hv(1, m), GR);
    // The terms in the order this column has always summed them (the last bit depends on
    // it); the other columns take ez_upd.
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

// Electric update of lines 1 .. NR of one column from the new magnetic field of the
// column (r, p, z: Hr, Hphi, Hz) and of the column before it (rl, pl: Hr, Hphi). k the
// column's cell codes and u its runs; Er, Ep, Ez its electric field, in place.
[[gnu::always_inline]] static inline void ecold(int NR, float face, const unsigned char *__restrict k,
                                                runs_t u, float *__restrict Er, float *__restrict Ep,
                                                float *__restrict Ez, const float *__restrict r,
                                                const float *__restrict p, const float *__restrict z,
                                                const float *__restrict rl, const float *__restrict pl,
                                                const float *__restrict dx2, const float *__restrict dx3,
                                                const float *__restrict dx4, const float *__restrict dx5,
                                                const float *__restrict dx6, bool rest = false) {
  // Axis: no edge factors, Ez stays 0. (rest: the plain lines below the top one are done,
  // by the fused update of the column.)
  if (kcbit(k[0], KC_OPEN)) {
    Er[0] = er_upd(Er[0], face, pl[0], p[0], dx2[0], z[0]);
    Ep[0] = Ep[0] + face * (r[0] - rl[0] - dx2[0] * z[0]);
  }
  const int P = rest ? 1 : u.P, lo = rest ? std::min(u.P, NR - 1) : u.P;
  for (int i = 1; i < P; ++i) {
    Er[i] = er_upd(Er[i], face, pl[i], p[i], dx2[i], z[i]);
    Ep[i] = ep_upd(Ep[i], face, dx3[i], z[i - 1], z[i], r[i], rl[i]);
    Ez[i] = ez_upd(Ez[i], face, dx4[i], dx5[i], p[i], r[i], dx6[i], p[i - 1]);
  }
  for (int i = std::max(lo, 1); i < u.U; ++i) {
    const std::uint32_t c = k[i];
    const std::uint32_t keep = 0u - kcbit(c, KC_OPEN);
    const float s1 = static_cast<float>(kcbit(c, KC_ER));
    const float s2 = static_cast<float>(kcbit(c, KC_EPHI));
    const float s3 = static_cast<float>(kcbit(c, KC_EZ));
    const float r0 = Er[i], p0 = Ep[i], z0 = Ez[i];
    const float rn = er_upd(r0, s1 * face, pl[i], p[i], dx2[i], z[i]);
    const float pn = ep_upd(p0, s2 * face, dx3[i], z[i - 1], z[i], r[i], rl[i]);
    const float zn = ez_upd(z0, s3 * face, dx4[i], dx5[i], p[i], r[i], dx6[i], p[i - 1]);
    Er[i] = sel(keep, rn, r0);
    Ep[i] = sel(keep, pn, p0);
    Ez[i] = sel(keep, zn, z0);
  }
}

// Magnetic and electric update of lines 2 .. n of a column in plain vacuum in one pass,
// line by line: the magnetic update of a line reads the old electric field of the line and
// the one above, the electric update the new magnetic field of the line and the one below,
// so each line's new magnetic field is used while it is still in registers. The axis line
// must have its new magnetic field. Eight lines at a time where the compiler has vectors
// of floats (GCC and Clang), the rest line by line, with the same equations element by
// element.
#if defined(__GNUC__)
#define ZELK_V8 1
typedef float v8f __attribute__((vector_size(32)));
// Eight floats at any address, read or written in place.
typedef float v8u __attribute__((vector_size(32), aligned(4), may_alias));
#define V8(p) (*reinterpret_cast<v8u *>(p))
#define V8C(p) (static_cast<v8f>(*reinterpret_cast<const v8u *>(p)))
// The lines i - 1 .. i + 6 from the vector of lines i - 8 .. i - 1 and that of i .. i + 7.
[[gnu::always_inline]] static inline v8f lines_below(v8f before, v8f v) {
#if defined(__clang__)
  return __builtin_shufflevector(before, v, 7, 8, 9, 10, 11, 12, 13, 14);
#else
  typedef int v8i __attribute__((vector_size(32)));
  return __builtin_shuffle(before, v, v8i{7, 8, 9, 10, 11, 12, 13, 14});
#endif
}
#endif
[[gnu::always_inline]] static inline void hecold(int n, float fach, float face, float *__restrict Er,
                                                 float *__restrict Ep, float *__restrict Ez,
                                                 const float *__restrict rx, const float *__restrict px,
                                                 float *__restrict Hr, float *__restrict Hp,
                                                 float *__restrict Hz, const float *__restrict rl,
                                                 const float *__restrict pl, const float *__restrict cx1,
                                                 const float *__restrict cx2, const float *__restrict cx3,
                                                 const float *__restrict cx5, const float *__restrict cx6,
                                                 const float *__restrict dx2, const float *__restrict dx3,
                                                 const float *__restrict dx4, const float *__restrict dx5,
                                                 const float *__restrict dx6) {
  const float f2 = 2.0f * fach;
  int i = 1;
#ifdef ZELK_V8
  v8f hzb = {}, hpb = {}; // the vector before: its last lane line i - 1
  hzb[7] = Hz[0];
  hpb[7] = Hp[0];
  for (; i + 8 <= n; i += 8) {
    const v8f r = V8C(Er + i), p = V8C(Ep + i), z = V8C(Ez + i);
    const v8f hr = hr_upd(V8C(Hr + i), fach, p, V8C(px + i), V8C(cx2 + i), z);
    const v8f hz = hz_upd(V8C(Hz + i), f2, V8C(cx3 + i), V8C(cx5 + i), V8C(Ep + i + 1), V8C(cx6 + i), p, r);
    const v8f hp = hp_upd(V8C(Hp + i), fach, V8C(cx1 + i), z, V8C(Ez + i + 1), V8C(rx + i), r);
    V8(Hr + i) = hr;
    V8(Hz + i) = hz;
    V8(Hp + i) = hp;
    const v8f hzm = lines_below(hzb, hz), hpm = lines_below(hpb, hp);
    V8(Er + i) = er_upd(r, face, V8C(pl + i), hp, V8C(dx2 + i), hz);
    V8(Ep + i) = ep_upd(p, face, V8C(dx3 + i), hzm, hz, hr, V8C(rl + i));
    V8(Ez + i) = ez_upd(z, face, V8C(dx4 + i), V8C(dx5 + i), hp, hr, V8C(dx6 + i), hpm);
    hzb = hz;
    hpb = hp;
  }
#endif
  for (; i < n; ++i) {
    const float r = Er[i], p = Ep[i], z = Ez[i];
    Hr[i] = hr_upd(Hr[i], fach, p, px[i], cx2[i], z);
    Hz[i] = hz_upd(Hz[i], f2, cx3[i], cx5[i], Ep[i + 1], cx6[i], p, r);
    Hp[i] = hp_upd(Hp[i], fach, cx1[i], z, Ez[i + 1], rx[i], r);
    Er[i] = er_upd(r, face, pl[i], Hp[i], dx2[i], Hz[i]);
    Ep[i] = ep_upd(p, face, dx3[i], Hz[i - 1], Hz[i], Hr[i], rl[i]);
    Ez[i] = ez_upd(z, face, dx4[i], dx5[i], Hp[i], Hr[i], dx6[i], Hp[i - 1]);
  }
}

#ifdef ZELK_V8
#undef V8
#undef V8C
#endif

// ------------------------------------------------------------------ the step

// The dipole mode of the sweep (sweep.hpp): the column Er, Ephi, Ez, Hr, Hphi, Hz, the
// factors and coefficients of the step.
struct dip_t {
  static constexpr int NC = 6, NE = 3, MROT = 1;
  static constexpr int COMP[NC] = {0, 1, 2, 3, 4, 5};
  static constexpr long PARMIN = 16384;
  static constexpr bool COL1_LATE = true;
  int IRD;
  float FACH1, FACE1, den, dxd;
  const float *cx1, *cx2, *cx3, *cx5, *cx6;
  const float *dx2, *dx3, *dx4, *dx5, *dx6;
  using sw = sweep_t<dip_t>;
  using col_t = swcol_t<NC>;
  static void open(int NSTEP, dip_t &m);
  [[gnu::always_inline]] static inline void col(const sw &s, int st, int j, const col_t &c, const col_t &next,
                                                const col_t &prev, bool electric);
  // Between two steps of a group, once the earlier step has given columns 1 and 2:
  // column 1 takes the earlier step's electric update (heff7) and the left delay lines
  // the later step's push (heff1).
  static void between(const sw &s, int st) {
    heff7(s.NSTEP + st - 1);
    heff1(s.NSTEP + st);
  }
  // Column 1 of the last step (heff7) comes after the sweep: it reads the new magnetic
  // field of column 1 and writes electric components that no other update of the step
  // reads.
  static void close(const sw &s, int S) {
    heff7(s.NSTEP + S - 1);
    if (S > 1 && s.push) wkline_take(S - 1, 1, 1); // column 1 after its electric update
  }
};

// Column j of step NSTEP + st (heff8 for the column): its magnetic update from its
// electric field and the Er, Ephi of the next column, then its electric update and ring
// source from its new magnetic field and the new Hr, Hphi of the column before it.
inline void dip_t::col(const sw &s, int st, int j, const col_t &c, const col_t &next, const col_t &prev,
                       bool electric) {
  const dip_t &m = s.m;
  const int NR = s.NR;
  const unsigned char *kc = s.kc + static_cast<long>(j - s.IZMWL) * NR;
  const colrun_t &cr = celc_data.run[static_cast<std::size_t>(j - s.IZMWL)];
  const runs_t u{cr.P[1], cr.U};
  float *const Er = c.x[0], *const Ep = c.x[1], *const Ez = c.x[2];
  float *const Hr = c.x[3], *const Hp = c.x[4], *const Hz = c.x[5];
  const float *rx = next.x[0], *px = next.x[1], *rl = prev.x[3], *pl = prev.x[4];
  // Both updates of the column: its plain lines in one pass, then the others.
  const bool both = electric && j < s.J1 && j > s.J0 && NR >= 2;
  if (both) {
    hcold(NR, m.FACH1, kc, u, Er, Ep, Ez, rx, px, Hr, Hp, Hz, m.cx1, m.cx2, m.cx3, m.cx5, m.cx6, HC_AXIS);
    hecold(std::min(u.P, NR - 1), m.FACH1, m.FACE1, Er, Ep, Ez, rx, px, Hr, Hp, Hz, rl, pl, m.cx1, m.cx2,
           m.cx3, m.cx5, m.cx6, m.dx2, m.dx3, m.dx4, m.dx5, m.dx6);
  }
  if (j < s.J1)
    hcold(NR, m.FACH1, kc, u, Er, Ep, Ez, rx, px, Hr, Hp, Hz, m.cx1, m.cx2, m.cx3, m.cx5, m.cx6,
          both ? HC_REST : HC_ALL);
  if (electric && j > s.J0) {
    ecold(NR, m.FACE1, kc, u, Er, Ep, Ez, Hr, Hp, Hz, rl, pl, m.dx2, m.dx3, m.dx4, m.dx5, m.dx6, both);
    // Source on the drive ring, where its Ez node lies in vacuum.
    if (m.den != 0.0f) {
      const int i = m.IRD - 1;
      if (kcbit(kc[i], KC_OPEN) && kcbit(kc[i], KC_EZ)) {
        const float q = qsource(j, s.NSTEP + st);
        Ez[i] = Ez[i] - q * m.dxd / m.den;
      }
    }
  }
}

// Opening of step NSTEP: the window with the cell flags of a new front column, the left
// open end (heff1), the right delay lines, the stored window, the right open end; the
// factors (built once per run by hecoef) and coefficients of the sweep.
void dip_t::open(int NSTEP, dip_t &m) {
  step_open(NSTEP, 1);
  // Right open end: the magnetic field of column NZ from the delay lines and the old
  // electric field of column NZ; no magnetic update of the sweep writes column NZ.
  heff6();
  // One sweep over the columns JBACK .. JFRONT held in memory: the magnetic update of
  // the columns held with their right neighbour (axis and interior), the electric update
  // and ring source of the columns after JBACK (heff8).
  m.IRD = latc.IRDRIVE;
  m.FACH1 = loccom.FACH1;
  m.FACE1 = loccom.FACE1;
  m.den = qdiv();
  m.dxd = m.den != 0.0f ? cm2_data.dx1(m.IRD) : 0.0f;
  const cm1_data_t &c1 = cm1_data;
  m.cx1 = c1.cx1.data();
  m.cx2 = c1.cx2.data();
  m.cx3 = c1.cx3.data();
  m.cx5 = c1.cx5.data();
  m.cx6 = c1.cx6.data();
  const cm2_data_t &c2 = cm2_data;
  m.dx2 = c2.dx2.data();
  m.dx3 = c2.dx3.data();
  m.dx4 = c2.dx4.data();
  m.dx5 = c2.dx5.data();
  m.dx6 = c2.dx6.data();
}

// One step: a group of one.
void hefld(int NSTEP) { hefld_steps(NSTEP, 1); }

int hefld_steps(int NSTEP, int nmax) { return fld_steps<dip_t>(NSTEP, nmax); }
