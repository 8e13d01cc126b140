// Wake integration along the Napoly-Zotter contour (monopole napl1, dipole napl2).
//
// Between unequal beam pipes, or with material below the pipe radius, no straight line
// r = const runs from end to end in vacuum. The longitudinal wake is then integrated
// along a contour that follows the left pipe radius up to the column IZCF, runs down (or
// up) a vertical leg at IZCF to the line IRWAK, along IRWAK to IZCT, and along a second
// leg back to the right pipe radius:
//   W(s) = int_pipe,left Ez dz + int_leg (Er + Z0*Hphi) dr + int_IRWAK Ez dz
//        + int_leg (Er + Z0*Hphi) dr + int_pipe,right Ez dz.
// The vertical legs join the horizontal parts at the time the witness passes their
// column, so that the sum is the wake of one witness path closed through the pipes; with
// the legs in the pipes it does not depend on where they stand. The witness passes a
// leg's column during the MTE steps it spends there: each step adds the leg integral of
// its own fields with weight 1/MTE (folded into sfg and slg with the sign of the leg).
//
// The dipole (field ~ cos(phi) with the radial dependence of the pipe modes) takes the
// horizontal part at RWAK as a combination of Ez and Hz that holds for r^1 and r^-1 field
// parts alike, and the legs with the r and 1/r weights of the two pipe radii; unequal pipes
// add a term along the cells between the axis and IRWAK at the leg of the wider pipe.
//
// The step frame (window, crossing step, witness index, raise of KX) is that of jmpbm.
#include <algorithm>
#include <cmath>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

// CDT (the path of the witness in one time step) and the leg weights
// sfg(i) = SGNV(1)*gdr(i)/MTE, slg(i) = SGNV(2)*gdr(i)/MTE, once per run (marker = NR).
void napset(int &marker) {
  const int NR = latc.NR;
  if (NR <= marker) return;
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;
  const float fm = static_cast<float>(MTE);
  napprm.CDT = tstep.CDT;
  const long n = std::min<long>({static_cast<long>(NR), nap_data.sfg.size(), nap_data.slg.size(),
                                 gr_data.gdr.size()});
  for (long i = 1; i <= n; ++i) {
    nap_data.sfg(i) = wprm.SGNV(1) * gdr(i) / fm;
    nap_data.slg(i) = wprm.SGNV(2) * gdr(i) / fm;
  }
  marker = NR;
}

// The field of line i at the witness position during the step, interpolated in time and
// z from the column j it passes and its neighbours in the direction of travel (jj is j
// counted in that direction, NZ the last column).
// Ez sits on the column: the mean over the mesh step completed in a crossing step.
float ezt(const wkframe_t &f, const wkcomp_t &X, int i, int j, int jj) {
  const float x0 = wkget(X, i, j);
  if (f.cross && jj != latc.NZ) return (x0 + wkget(X, i, j + f.d)) / 2.0f;
  return x0;
}
// Er and Ephi sit half a mesh step ahead.
float eht(const wkframe_t &f, const wkcomp_t &X, int i, int j, int jj) {
  const int NZ = latc.NZ;
  const float x0 = wkget(X, i, j);
  if (f.cross) {
    if (jj >= NZ - 1) return x0;
    return (x0 + 2.0f * wkget(X, i, j + f.d) + wkget(X, i, j + 2 * f.d)) / 4.0f;
  }
  if (jj == NZ) return x0;
  return (x0 + wkget(X, i, j + f.d)) / 2.0f;
}
// Hphi and Hr, half a time step apart from E.
float ht(const wkframe_t &f, const wkcomp_t &X, int i, int j, int jj) {
  const float x0 = wkget(X, i, j);
  if (f.cross) {
    if (jj == latc.NZ) return x0;
    return (7.0f * x0 + wkget(X, i, j + f.d)) / 8.0f;
  }
  if (f.after && jj >= 2) return (7.0f * x0 + wkget(X, i, j - f.d)) / 8.0f;
  return x0;
}

// The leg factor of a dipole leg: finite, or 0 where a pipe of zero radius leaves it
// without value.
inline float finite_or_0(float x) { return std::isfinite(x) ? x : 0.0f; }

} // namespace

void napl1(int KSTEP, int &KX, int NW, const wkfld_t &L) {
  napset(napcom.NRNAP1);
  wkframe_t f;
  wkframe(KSTEP, KX, NW, f);
  const int IZCF = wprm.IZCF, IZCT = wprm.IZCT, IRWAK = wprm.IRWAK;
  const int IRPL = pipes.IRPL, IRPR = pipes.IRPR;
  const float CDT = napprm.CDT, Z0 = cons.Z0;
  const wkcomp_t &Er = L.c[0], &Ez = L.c[2], &Hphi = L.c[4];
  const arr1<float> &sfg = nap_data.sfg, &slg = nap_data.slg;
  const bool left = IRWAK != IRPL && wprm.IRVLO(1) <= wprm.IRVUP(1);
  const bool right = IRWAK != IRPR && wprm.IRVLO(2) <= wprm.IRVUP(2);
  for (int j = f.JB; j <= f.JF; ++j) {
    int jj, s;
    if (!wkcol(f, j, jj, s)) continue;
    // Trapezoidal ends of the horizontal parts.
    const float w = (j == IZCF || j == IZCT) ? 0.5f : 1.0f;
    float acc = wzwy_data.wz(s);
    if (j <= IZCF) acc = acc + w * CDT * ezt(f, Ez, IRPL, j, jj);
    if (j >= IZCT) acc = acc + w * CDT * ezt(f, Ez, IRPR, j, jj);
    if (IZCF < IZCT && IZCF <= j && j <= IZCT) acc = acc + w * CDT * ezt(f, Ez, IRWAK, j, jj);
    // Legs: the cells between the pipe line and IRWAK, walked from the pipe towards
    // IRWAK on the left and back on the right (the signs sit in sfg and slg).
    if (j == IZCF && left)
      for (int i = wprm.IRVLO(1); i <= wprm.IRVUP(1); ++i)
        acc = acc - sfg(i) * (eht(f, Er, i, j, jj) + Z0 * ht(f, Hphi, i, j, jj));
    if (j == IZCT && right)
      for (int i = wprm.IRVLO(2); i <= wprm.IRVUP(2); ++i)
        acc = acc + slg(i) * (eht(f, Er, i, j, jj) + Z0 * ht(f, Hphi, i, j, jj));
    wzwy_data.wz(s) = acc;
  }
}

void napl2(int KSTEP, int &KX, int NW, const wkfld_t &L) {
  napset(napcom.NRNAP2);
  wkframe_t f;
  wkframe(KSTEP, KX, NW, f);
  const int NZ = latc.NZ;
  const int IZCF = wprm.IZCF, IZCT = wprm.IZCT, IRWAK = wprm.IRWAK;
  const int IRPL = pipes.IRPL, IRPR = pipes.IRPR;
  const float CDT = napprm.CDT, Z0 = cons.Z0;
  const float XPX = wprm.XPX, XMX = wprm.XMX;
  const wkcomp_t &Er = L.c[0], &Ephi = L.c[1], &Ez = L.c[2];
  const wkcomp_t &Hr = L.c[3], &Hphi = L.c[4], &Hz = L.c[5];
  const arr1<float> &sfg = nap_data.sfg, &slg = nap_data.slg;

  // Dipole factors of the pipe radii b1 (left), b2 (right) and the smaller one bm.
  const float b1 = gr(IRPL), b2 = gr(IRPR), bm = gr(std::min(IRPL, IRPR));
  const float QL = bm / b1, QR = bm / b2;
  const float DLT = bm * (1.0f / (b2 * b2) - 1.0f / (b1 * b1));
  const int JS = IRPR < IRPL ? IZCF : (IRPL < IRPR ? IZCT : 0);

  const bool left = IRWAK != IRPL && wprm.IRVLO(1) <= wprm.IRVUP(1);
  const bool right = IRWAK != IRPR && wprm.IRVLO(2) <= wprm.IRVUP(2);
  const bool unequal = IRPL != IRPR && IRWAK >= 2;

  // Hz extrapolated from the two lines below to the line IRWAK, where it is not stored
  // at the node of Ez; a column beyond the mesh holds none (0.0, whatever memory holds).
  auto Y = [&](int j) -> float {
    if (j < 1 || j > NZ) return 0.0f;
    return (3.0f * wkget(Hz, IRWAK - 1, j) - wkget(Hz, IRWAK - 2, j)) / 2.0f;
  };
  // Radial part of the field along a leg or the axis line at line i of column j:
  // (Er + Z0*Hphi) on the cell and (Ephi - Z0*Hr) averaged over its two lines.
  auto legs = [&](int i, int j, int jj, float &E, float &PR) {
    E = eht(f, Er, i, j, jj) + Z0 * ht(f, Hphi, i, j, jj);
    const float P = (eht(f, Ephi, i, j, jj) + eht(f, Ephi, i + 1, j, jj)) / 2.0f;
    const float R = (ht(f, Hr, i, j, jj) + ht(f, Hr, i + 1, j, jj)) / 2.0f;
    PR = P - Z0 * R;
  };

  for (int j = f.JB; j <= f.JF; ++j) {
    int jj, s;
    if (!wkcol(f, j, jj, s)) continue;
    const float w = (j == IZCF || j == IZCT) ? 0.5f : 1.0f;
    float acc = wzwy_data.wz(s);
    if (j <= IZCF) acc = acc + w * CDT * ezt(f, Ez, IRPL, j, jj);
    if (j >= IZCT) acc = acc + w * CDT * ezt(f, Ez, IRPR, j, jj);
    if (IZCF < IZCT && IZCF <= j && j <= IZCT) {
      float Yt;
      const int d = f.d;
      if (jj == NZ)
        Yt = Y(j);
      else if (f.cross && IZCF < j && j < IZCT)
        Yt = (Y(j) + 2.0f * Y(j + d) + Y(j + 2 * d)) / 4.0f;
      else
        Yt = (Y(j) + Y(j + d)) / 2.0f;
      acc = acc + w * CDT * (XPX / 2.0f * ezt(f, Ez, IRWAK, j, jj) - XMX / 2.0f * Z0 * Yt);
    }
    if (j == IZCF && left)
      for (int i = wprm.IRVLO(1); i <= wprm.IRVUP(1); ++i) {
        const float r = gr(i) + gdr(i) / 2.0f;
        const float G = b1 / r;
        const float KP = finite_or_0(QL * (G + 1.0f / G)), KM = finite_or_0(QL * (G - 1.0f / G));
        float E, PR;
        legs(i, j, jj, E, PR);
        acc = acc - sfg(i) / 2.0f * (KP * E + KM * PR);
      }
    if (j == IZCT && right)
      for (int i = wprm.IRVLO(2); i <= wprm.IRVUP(2); ++i) {
        const float r = gr(i) + gdr(i) / 2.0f;
        const float G = b2 / r;
        const float KP = finite_or_0(QR * (G + 1.0f / G)), KM = finite_or_0(QR * (G - 1.0f / G));
        float E, PR;
        legs(i, j, jj, E, PR);
        acc = acc + slg(i) / 2.0f * (KP * E + KM * PR);
      }
    // Unequal pipes: the dipole pipe fields of the two radii differ; the difference is
    // taken along the cells from the axis to IRWAK at the leg of the wider pipe.
    if (unequal && j == JS)
      for (int i = 1; i <= IRWAK - 1; ++i) {
        const float r = gr(i) + gdr(i) / 2.0f;
        float E, PR;
        legs(i, j, jj, E, PR);
        acc = acc + finite_or_0(std::fabs(slg(i)) / 2.0f * DLT * r) * (E - PR);
      }
    wzwy_data.wz(s) = acc;
  }
}
