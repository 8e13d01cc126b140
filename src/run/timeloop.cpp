// The time loop of a run: one field step of the run's azimuthal mode and one step of
// its wake integration per time step, progress lines on the terminal at every tenth of
// the steps, the stop test of the CPU-time monitor and the field-line snapshots.
#include "run/timeloop.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/mesh.hpp"
#include "results/snapshots.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

void cpulft(float TSOS, float TMAX, bool &LSTOP) {
  // The reserve is compared with a fixed hour of time left; TMAX plays no part.
  (void)TMAX;
  LSTOP = TSOS > 3600.0f;
}

// Time sum of Hphi in the Hz slot (unused by the monopole step) for the field-line plot;
// all columns from 1 are held, since this runs only without LCBACK.
static void hphisum() {
  const long NR = latc.NR;
  if (NR < 1) return;
  const int jf = std::min<long>(eline.JFRONT, he_data.h[3].size() / NR);
  float *__restrict hz = he_data.h[3].data();
  const float *__restrict hp = he_data.h[2].data();
#pragma omp parallel for schedule(static)
  for (int j = 1; j <= jf; ++j) {
    const long b = (j - 1) * NR;
    for (long i = 0; i < NR; ++i) hz[b + i] = hz[b + i] + hp[b + i];
  }
}

// Fields that grow without bound reach the wake accumulators as infinity or NaN. They
// are looked at once per progress line and at the end of the loop: a run whose wake is
// no longer finite stops there, with the step and the time-step data that explain it.
// Every sample that a result reads is looked at: the extrema take one beyond the NW
// reported ones, the loss and kick factors the NQ samples of the bunch, which are more
// than NW when the wake is shorter than the bunch.
static void check_wakes(int nstep) {
  const long n = std::max<long>(static_cast<long>(mp.NW) + 1, qkar.NQ);
  for (const arr1<float> *w : {&wzwy_data.wz, &wzwy_data.wp, &wzwy_data.wy, &wzwy_data.wt}) {
    const float *p = w->data();
    const long m = std::min<long>(n, w->size());
    for (long i = 0; i < m; ++i) {
      if (std::isfinite(p[i])) continue;
      rec(ndev.NOUT, "(1X,A,I7,A,I10,A,I7,A,G13.5)", "*** STOP *** MT =", latc.MTE,
          " LETS THE FIELDS GROW WITHOUT BOUND: THE WAKE IS NOT FINITE AT TIME STEP", nstep,
          ". RECOMMENDED MT =", tstep.MTREC, ", LARGEST DDZ/DDR =", tstep.RATIO);
      zstop();
    }
  }
}

// The wake integration of time step k (its field step k + 1 done).
// L: the fields of that step (the field arrays, or the line a group left for it).
static void wake_step(int k, const wkfld_t &L) {
  const int MROT = wpl.MROT;
  const int NW = mp.NW;
  if (wpl2.LNAPOLY && MROT == 0) napl1(k, mp.KX, NW, L);
  else if (wpl2.LNAPOLY && MROT == 1) napl2(k, mp.KX, NW, L);
  else if (!win2.LTAVO || MROT == 0) jmpbm(k, mp.KX, NW, L);
  else if (MROT == 1) conbm(k, mp.KX, mp.KY, NW, L);
}

void time_loop() {
  const int NT = wind.NT;
  const int MROT = wpl.MROT;
  const int KSTART = mp.KSTART;
  const int STEP10 = (NT - KSTART - 1) / 10;
  int next = KSTART + STEP10;
  int tenth = 1;
  // Field steps share one sweep over memory where nothing between them reads the fields
  // but the wake integration along the line KMIN: not with the Napoly contour, the
  // field-line snapshots or the CPU-time monitor, and not across a progress line.
  // Snapshots only of the monopole field, whose Hphi is the stream function they draw.
  const bool snaps = MROT == 0 && mp.LPLEC && !win2.LCBACK;
  const bool groups = (MROT == 0 || MROT == 1) && !wpl2.LNAPOLY && !snaps && !mp.LCPUTM;
  int ahead = 0, slot = -1; // field steps done beyond step k + 1; the wake line of step k
  for (int k = KSTART; k <= NT - 1; ++k) {
    // A signal ends the run here, between two steps (or groups of steps).
    interrupt_check(k, NT);
    mp.KEND = k;
    if (k == next) {
      check_wakes(k);
      rec(NTERM, "(A,I4,A)", " > ", 10 * tenth, "% OVER");
      next += STEP10;
      ++tenth;
    }

    if (ahead > 0) {
      --ahead;
      ++slot;
    } else {
      int nmax = groups ? std::min(stepping.GROUP, NT - k) : 1;
      if (next > k) nmax = std::min(nmax, next - k);
      int n = 1;
      if (MROT == 0) n = mefld_steps(k + 1, nmax);
      else if (MROT == 1) n = hefld_steps(k + 1, nmax);
      ahead = n - 1;
      slot = n > 1 ? 0 : -1; // a group leaves the wake line of each of its steps
    }
    wake_step(k, slot >= 0 ? wkfld_slot(slot) : wkfld_held());

    if (mp.LCPUTM) {
      bool LSTOP = false;
      cpulft(mp.TSOS, mp.TMAX, LSTOP);
      if (LSTOP) break;
    }

    if (snaps) {
      if (!mp.LPLC) hphisum();
      if (k + 1 >= mp.KSNAP) {
        eplot(mp.TITLE, mp.NPLOT, k + 1, mp.LPLE, mp.LPALL);
        mp.TSNAP = mp.TSNAP + mp.DTSNAP;
        mp.KSNAP = nint(mp.TSNAP);
      }
    }
  }
  interrupt_check(-1, 0);
  check_wakes(mp.KEND + 1);
}
