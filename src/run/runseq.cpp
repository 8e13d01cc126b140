// One run of the run sequence: the contour on the mesh, the derived quantities, the
// echo of the inputs, the run's arrays, the first window, the time loop and the results.
#include "run/runseq.hpp"

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/banners.hpp"
#include "run/clock.hpp"
#include "run/completion.hpp"
#include "run/constants.hpp"
#include "run/derived.hpp"
#include "run/echo.hpp"
#include "run/geomlines.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/savefile.hpp"
#include "run/timeloop.hpp"
#include "run/units.hpp"
#include "results/shapes.hpp"
#include "solver/bunch.hpp"
#include "solver/fields.hpp"
#include "solver/kmin.hpp"
#include "solver/step.hpp"

bool run_prepare(bool restored) {
  // 1. The copies of the first run's inputs are taken by first_run_copies; every run but
  // the restored one starts its loop at step 0.
  if (!restored) mp.KSTART = 0;
  // 2. banner of a later run that is not beam-only
  if (mp.IRUN > 0 && !mp.BEAMONLY) run_banner();
  // 3. decode the stored geometry lines again in every later run
  if (mp.IRUN > 0) {
    latc.NPTS = mp.NPTS0;
    lat2.NLAST = mp.NLAST0;
    inputd(mp.LADD, latc.NPTS, mp.NLINES, lat2.NLAST, mp.ZMAX, mp.RMAX);
    if (restored) mp.ZLAST = geo.ZZ(lat2.NLAST);
  }
  // 4. extent of the structure, circles and ellipses
  setgrd(mp.RBP, mp.ZMAX, mp.RMAX, mp.RMIN, mp.ZLFT, mp.ZRGT, mp.RAD);
  // 5. LCFRON, MTE (with the checks of the bunch and time inputs)
  run_mte();
  // 6. z mesh and mesh indices of the contour
  setprm(0, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  // 7. beam separation, plot size text, bunch cut and half length
  run_derive_7();
  // 8. wake length, number of steps, snapshot schedule
  run_derive_8(restored);
  // 9. pipe and drive-ring indices, the straight wake line
  setprm(2, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  setkmin();
  // 10. upper frequency of the spectra
  run_cutoff();
  // 11., 12. echo of FILE, BOUN and MESH
  if (!mp.BEAMONLY) {
    prfile(mp.LSAV, mp.LREC, mp.LCPUTM, mp.TSOS, mp.TMAX);
    prboun();
  }
  prmesh(mp.NW, mp.BEAMONLY, mp.RAD, mp.MTREC, mp.RATIO);
  // 13. sizes and allocation of the run's arrays
  run_sizes_alloc();
  // 14. echo of the geometry and of the other groups
  run_lfftany();
  if (!mp.BEAMONLY) {
    prgeoform(mp.LADD);
    prngeo(mp.LADD, mp.NLINES, mp.ZLAST);
    prbeam(mp.ISIG);
    prwake(mp.UBTE, mp.NW);
    prtime(mp.MTREC, mp.RATIO, mp.LPLE, mp.LPLC, mp.TPS, mp.NSHOT);
    prplot(mp.LCAVIN, mp.LCAVUS, mp.LPLW, mp.LFFT, mp.LFFTA, mp.LFFTT, mp.LFFTL, mp.LSPEC,
           mp.LPLE, mp.LPLC, mp.LPALL, mp.NPLOT, mp.CUTOFF, mp.LFFTANY, mp.REDUCE);
    prprin(mp.LMATPR, mp.LPRW, mp.LSVW, mp.LPPW);
  } else {
    // No echo in a beam-only run, but its spectra need a valid EXPFAC all the same.
    prexpf(mp.LFFT, mp.LFFTL, mp.LFFTANY, mp.BEAMONLY);
  }
  // 15. half-cell input
  if (symt.LHALF) {
    expand();
    expand2();
  }
  // 16., 17. the wake-integration contour and the beam-pipe checks
  if (wpl2.LNONAP) wpl2.LNAPOLY = false;
  examin(mp.IRUN, mp.BEAMONLY, mp.LNAPM1, mp.RMIN, mp.RBP, mp.ZLFT, mp.ZRGT, mp.ISKIP);
  // 18. Napoly weights
  if (wpl2.LNAPOLY) alloc_napoly();
  // 19. the straight wake line again
  setkmin();
  mp.RW = gr(pint.KMIN);
  // 20. a failed check skips the run
  if (mp.ISKIP != 0) return false;
  // 21. mesh map and shape frames
  bool draw = mp.IRUN == 0 || mp.MESHNEW;
  if (draw && mp.LMATPR) pltmsh();
  if (draw && mp.LCAVIN) cplot();
  if (draw && mp.LCAVUS) uplot();
  // 22. cell flags, fields, bunch sums, wake accumulators, line-charge table
  flgclr();
  initjd();
  calsum();
  wakecl();
  if (!(win2.LTAVO && wpl.MROT == 1)) qkset();
  // 23. peak line density for the snapshots
  if (mp.LPLE || mp.LPLC) run_qmax();
  return true;
}

void one_run(bool restored) {
  if (!run_prepare(restored)) return;
  complete_check();
  // A run whose loop takes no step (ITEST = 1, or KSTART at or beyond NT) counts as
  // complete: it has nothing to save, and the routines after the loop see the last step.
  mp.KEND = wind.NT - 1;
  // 24. test mode: no time stepping
  if (mp.ITEST != 1) {
    // 25. first window
    advan(restored, mp.KX, mp.KY, mp.KSTART);
    // 26. the Napoly method cannot give the counter-rotating dipole wake
    if (wpl2.LNAPOLY && wpl.MROT == 1 && crbw.LCRBW) {
      rec(ndev.NOUT, "()");
      rec(ndev.NOUT, "(1X,A)",
          "*** SKIP ***  LCRBW CANNOT BE TRUE WHEN LNAPOLY IS TRUE AND MROT=1 IN THIS VERSION OF ZELK.");
      rec(ndev.NOUT, "()");
      return;
    }
    // 27. the run line on the terminal and the time loop
    rec(NTERM, "(A,I3,A2,A)", " > THE", mp.IRUN + 1, run_suffix(mp.IRUN + 1), " RUN STARTED");
    time_loop();
    // 28. save file when the monitor left the loop before its last step
    if (mp.LSAV && mp.KEND < wind.NT - 1) save_run();
  }
  // 29. completion of the wake arrays, report, tables, plots and spectra
  complete_run();
}
