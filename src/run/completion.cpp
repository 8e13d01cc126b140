// End of a run: the wake arrays that the integration left are completed, then the wake
// report, the printed tables and the spectra are made from them.
//
// Unequal beam pipes: a wake integrated along the line r = RW inside the left pipe
// (radius a) and the right pipe (radius b) misses the static field difference of the
// two pipes. For the dipole (offset D of the drive ring) the missing longitudinal part
// is lambda(s) * D * RW * (1/b^2 - 1/a^2) / (2 pi eps0); for the monopole with the
// Napoly contour it is the logarithmic term lambda(s) * ln(b/a) / (pi eps0), added in
// full to wp and in half to wz.
//
// Transverse wake (Panofsky-Wenzel): dWt/ds = -dWz/dr, and the dipole Wz grows as r, so
// dWz/dr = Wz/RW on the wake line; integrated as a running sum over the samples and
// taken at the middle of each step.
#include "run/completion.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/mesh.hpp"
#include "results/impedance.hpp"
#include "results/wakes.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

namespace {

// Radius of radial line i (0 for an index that names no line).
float radius(int i) { return i >= 1 && i <= gr_data.gr.size() ? gr(i) : 0.0f; }

// lambda(k) of the corrections: the line density of the bunch at sample k, 0 beyond it.
inline float lam(long k, int NQ) { return k <= NQ ? wdens(k) : 0.0f; }

} // namespace

void complete_check() {
  // ln(b/a) of the logarithmic term has no value for a pipe of zero radius.
  if (!(wpl.MROT == 0 && wpl2.LNAPOLY && pipes.IRPL != pipes.IRPR)) return;
  const float rp = std::min(radius(pipes.IRPL), radius(pipes.IRPR));
  if (rp > 0.0f) return;
  stop_real("RBP", rp, "THE LOGARITHMIC TERM OF UNEQUAL PIPES NEEDS BEAM PIPES OF NON-ZERO RADIUS.");
}

void complete_run() {
  arr1<float> &wz = wzwy_data.wz, &wy = wzwy_data.wy, &wt = wzwy_data.wt, &wp = wzwy_data.wp;
  const int MROT = wpl.MROT;
  const int IRPL = pipes.IRPL, IRPR = pipes.IRPR, IRDRIVE = latc.IRDRIVE;
  const int NQ = qkar.NQ;
  const float DDZ = latc.DDZ;
  const float RW = mp.RW;
  const float a = radius(IRPL), b = radius(IRPR), D = radius(IRDRIVE);
  // Samples of the run; the loops never pass the end of the arrays.
  long NW = mp.NW;
  for (const arr1<float> *x : {&wz, &wy, &wt, &wp})
    if (x->size() < NW) NW = x->size();
  float *pz = wz.data();
  float *pp = wp.data();

  // Dipole runs (and higher modes alike).
  if (MROT != 0) {
    // Unequal pipes. A pipe of zero radius comes with the wake line on the axis
    // (RW <= min(a, b)), where 0 * 1/0 has no value: the correction is then 0.
    if (IRPL != IRPR) {
      float X = D * RW * (1.0f / (b * b) - 1.0f / (a * a)) / (2.0f * cons.PI * cons.EPS0);
      if (!std::isfinite(X)) X = 0.0f;
      if (wpl2.LNONAP) X = -X;
#pragma omp parallel for schedule(static)
      for (long k = 1; k <= NW; ++k) pz[k - 1] = pz[k - 1] + lam(k, NQ) * X;
    }
    if (crbw.LCRBW) {
      // Counter-rotating beams: the transverse wake is the azimuthal one, negated.
      for (long k = 1; k <= NW; ++k) wt(k) = -wy(k);
    } else if (NW >= 1) {
      // Running sum of -Wz*DDZ/RW, then the mean of the sums at k - 1 and k (the
      // sum before sample 1 is 0). A wake line on the axis gives no transverse wake.
      if (RW != 0.0f) {
        wt(1) = -wz(1) * DDZ / RW;
        for (long k = 2; k <= NW; ++k) wt(k) = wt(k - 1) - wz(k) * DDZ / RW;
      } else {
        for (long k = 1; k <= NW; ++k) wt(k) = 0.0f;
      }
      for (long k = NW; k >= 2; --k) wt(k) = (wt(k) + wt(k - 1)) * 0.5f;
      wt(1) = wt(1) * 0.5f;
    }
  }

  // Monopole with the Napoly contour and unequal pipes: the logarithmic term.
  mp.LOGT = MROT == 0 && wpl2.LNAPOLY && IRPL != IRPR;
  if (mp.LOGT) {
    const float L = std::log(b / a);
#pragma omp parallel for schedule(static)
    for (long k = 1; k <= NW; ++k) {
      const float F = lam(k, NQ) * L / (cons.PI * cons.EPS0);
      const float w = pz[k - 1];
      pp[k - 1] = w - F;
      pz[k - 1] = w - F / 2.0f;
    }
  }

  // Wake report and printed tables.
  wkplot(mp.NW, mp.TITLE, mp.LPLW, mp.LSVW, mp.LOGT, mp.LNAPM1, mp.KEND, RW, mp.ITEST, mp.LPPW);
  if (mp.LPRW) prinw(mp.NW, mp.LNAPM1, mp.LOGT);

  // Spectra. Every spectrum divides by the spectrum of one Gaussian bunch: none for a
  // test run, a bunch train or a triangular bunch (whatever the mode, as the triangular
  // bunch has no Gaussian spectrum at all).
  const int NBUNCH = cdis.NBUNCH;
  if (mp.ITEST == 1 || NBUNCH < 1 || (mp.LFFTANY && NBUNCH > 1)) return;
  if (mp.LFFT) mp.LFFTL = mp.LFFTA = mp.LFFTT = true;
  // Dipole spectra per unit offset; with the ring on the axis there is none (0).
  mp.FAC = IRDRIVE > 1 ? 1.0f / D : 0.0f;
  const float FAC = mp.FAC;
  const float FACRW = RW != 0.0f ? FAC / RW : 0.0f;
  const bool LCRBW = crbw.LCRBW;
  const int NN = mp.NW;
  if (MROT == 1 && mp.LFFTA && !mp.LNAPM1) zplot(mp.TITLE, wy, NN, 1, mp.CUTOFF, FAC);
  if (MROT == 1 && mp.LFFTT) zplot(mp.TITLE, wt, NN, 2, mp.CUTOFF, FAC);
  if (mp.LFFTL) zplot(mp.TITLE, wz, NN, 3, mp.CUTOFF, FACRW);
  if (mp.LSPEC && MROT == 0 && !LCRBW) zplot(mp.TITLE, wz, NN, 5, mp.CUTOFF, 1.0f);
  if (mp.LFFTL && mp.LOGT) zplot(mp.TITLE, wp, NN, 4, mp.CUTOFF, 1.0f);
  if (mp.LSPEC && mp.LOGT && !LCRBW) zplot(mp.TITLE, wp, NN, 6, mp.CUTOFF, 1.0f);
}
