// Wake integration along the straight line r = gr(KMIN).
//
// A witness charge at distance S = (s - 1)*DDZ behind the head moves with the bunch at
// c; its wake is the integral of the force along its path,
//   wz(s) = integral Ez dz,   wy(s) = integral (Ephi + Z0*Hr) dz   (V/C for 1 C),
// accumulated step by step: in every time step the witness of every column in the window
// advances dz = DDZ/MTE. The witness of index s sits in column KX - s + 1, KX counting
// the mesh steps travelled. jmpbm interpolates the field to the witness position where
// it passes a column; conbm (TAVO) samples each component where and when the witness
// passes its mesh position.
#include <algorithm>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

wkfld_t wkfld_held() {
  wkfld_t L;
  const int NR = latc.NR;
  const arr1<float> *x[6] = {&he_data.e[1], &he_data.e[2], &he_data.e[3],
                             &he_data.h[1], &he_data.h[2], &he_data.h[3]};
  for (int c = 0; c < 6; ++c) {
    wkcomp_t &k = L.c[c];
    k.x = x[c]->data();
    k.n = x[c]->size();
    k.I0 = 1;
    k.I1 = NR;
    k.IZMWL = lfrbk.IZMWL;
    k.IZMWR = lfrbk.IZMWR;
    k.sj = NR;
  }
  return L;
}

wkfld_t wkfld_slot(int n) {
  wkfld_t L;
  const int I = wkline.I;
  const bool inside = I >= 1 && I <= latc.NR;
  for (int c = 0; c < 6; ++c) {
    const std::vector<float> &v = wkline.v[n][c];
    wkcomp_t &k = L.c[c];
    k.x = v.data();
    k.n = inside ? static_cast<long>(v.size()) : 0;
    k.I0 = I;
    k.I1 = I;
    k.IZMWL = wkline.IZMWL;
    k.IZMWR = wkline.IZMWR;
    k.sj = 1;
  }
  return L;
}

void wakecl() {
  arr1<float> *w[4] = {&wzwy_data.wz, &wzwy_data.wy, &wzwy_data.wt, &wzwy_data.wp};
  for (arr1<float> *x : w) {
    const long n = std::min<long>(x->size(), msz.MSZW);
    float *p = x->data();
#pragma omp parallel for schedule(static)
    for (long s = 0; s < n; ++s) p[s] = 0.0f;
  }
}

// Highest witness index that a step may add to.
static int smax(int NW) {
  return static_cast<int>(std::min<long>({static_cast<long>(NW) + 2, wzwy_data.wz.size(),
                                          wzwy_data.wy.size()}));
}

void wkframe(int KSTEP, int &KX, int NW, wkframe_t &f) {
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;
  wndpair(KSTEP + 1, f.JB, f.JF);
  f.cross = (KSTEP + 1) % MTE == 0; // the bunch completes a mesh step
  f.after = KSTEP % MTE == 0;
  f.d = crbw.LCRBW ? -1 : 1;
  f.KX = KX;
  f.smax = smax(NW);
  if (f.cross) KX = KX + 1;
}

bool wkcol(const wkframe_t &f, int j, int &jj, int &s) {
  const bool back = crbw.LCRBW;
  jj = back ? latc.NZ - j + 1 : j;
  const int jc = back ? crbw.ISEP - j + 1 : j;
  s = f.KX - jc + 1;
  return s >= 1 && s <= f.smax;
}

void jmpbm(int KSTEP, int &KX, int NW, const wkfld_t &L) {
  const int NZ = latc.NZ;
  const int KMIN = pint.KMIN;
  wkframe_t f;
  wkframe(KSTEP, KX, NW, f);
  const int d = f.d;
  const float CDT = tstep.CDT;
  const float ZCDT = tstep.ZCDT;
  const wkcomp_t &Ez = L.c[2], &Ephi = L.c[1], &Hr = L.c[3];
  for (int j = f.JB; j <= f.JF; ++j) {
    int jj, s;
    if (!wkcol(f, j, jj, s)) continue;
    const float ez0 = wkget(Ez, KMIN, j);
    const float ep0 = wkget(Ephi, KMIN, j);
    const float hr0 = wkget(Hr, KMIN, j);
    float dz, de, dh;
    if (f.cross) {
      dz = jj == NZ ? ez0 * CDT : (ez0 + wkget(Ez, KMIN, j + d)) * CDT / 2.0f;
      de = jj < NZ - 1
               ? (ep0 + 2.0f * wkget(Ephi, KMIN, j + d) + wkget(Ephi, KMIN, j + 2 * d)) * CDT / 4.0f
               : ep0 * CDT;
      dh = jj == NZ ? hr0 * ZCDT : (7.0f * hr0 + wkget(Hr, KMIN, j + d)) * ZCDT / 8.0f;
    } else {
      dz = ez0 * CDT;
      de = jj < NZ ? (ep0 + wkget(Ephi, KMIN, j + d)) * CDT / 2.0f : ep0 * CDT;
      if (f.after)
        dh = jj < 2 ? hr0 * ZCDT : (7.0f * hr0 + wkget(Hr, KMIN, j - d)) * ZCDT / 8.0f;
      else
        dh = hr0 * ZCDT;
    }
    wzwy_data.wz(s) = wzwy_data.wz(s) + dz;
    wzwy_data.wy(s) = wzwy_data.wy(s) + de + dh;
  }
}

void conbm(int KSTEP, int &KX, int &KY, int NW, const wkfld_t &L) {
  const int k = KSTEP;
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;
  const int KMIN = pint.KMIN;
  const bool crbw_ = crbw.LCRBW;
  const float DDZ = latc.DDZ;
  int JB, JF;
  wndpair(k + 1, JB, JF);
  const int sm = smax(NW);
  const int ph = (k + 1) % MTE;
  if (ph == MTE / 2) { // the witness passes the z of Ez and Hr
    KX = KX + 1;
    for (int j = JB; j <= JF; ++j) {
      const int jc = crbw_ ? crbw.ISEP - j + 1 : j;
      const int s = KX - jc + 1;
      if (s < 1 || s > sm) continue;
      wzwy_data.wz(s) = wzwy_data.wz(s) + wkget(L.c[2], KMIN, j) * DDZ;
      wzwy_data.wy(s) = wzwy_data.wy(s) + cons.Z0 * wkget(L.c[3], KMIN, j) * DDZ;
    }
  }
  if (ph == 0) { // it passes the z of Ephi
    KY = KY + 1;
    for (int j = JB; j <= JF; ++j) {
      const int jc = crbw_ ? crbw.ISEP - j + 1 : j;
      const int s = KY - jc + 1;
      if (s < 1 || s > sm) continue;
      wzwy_data.wy(s) = wzwy_data.wy(s) + wkget(L.c[1], KMIN, j) * DDZ;
    }
  }
}
