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
  // The copies of the first run's inputs are taken by first_run_copies; every run but
  // the restored one starts its loop at step 0.
  if (!restored) mp.KSTART = 0;
  // Banner of a later run that is not beam-only
  if (mp.IRUN > 0 && !mp.BEAMONLY) run_banner();
  // Decode the stored geometry lines again in every later run
  if (mp.IRUN > 0) {
    latc.NPTS = mp.NPTS0;
    lat2.NLAST = mp.NLAST0;
    inputd(mp.LADD, latc.NPTS, mp.NLINES, lat2.NLAST, mp.ZMAX, mp.RMAX);
    if (restored) mp.ZLAST = geo.ZZ(lat2.NLAST);
  }
  // The restored run builds the mesh of the saved run, whose NR and NZ the file lacks.
  if (restored) restore_mesh();
  // Extent of the structure, circles and ellipses
  setgrd(mp.RBP, mp.ZMAX, mp.RMAX, mp.RMIN, mp.ZLFT, mp.ZRGT, mp.RAD);
  // LCFRON, MTE (with the checks of the bunch and time inputs)
  run_mte();
  // The z mesh and the mesh indices of the contour
  setprm(0, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  // Beam separation, plot size text, bunch cut and half length
  run_bunch_cut();
  // Wake length, number of steps, snapshot schedule
  run_wake_steps(restored);
  // Pipe and drive-ring indices, the straight wake line
  setprm(2, mp.LPLEC, mp.RAD, mp.ZLFT, mp.ZRGT, mp.RMIN, mp.RBP);
  if (restored) restore_napoly();
  setkmin();
  // Upper frequency of the spectra
  run_cutoff();
  // The time step and its stability limit
  run_time_step();
  // Echo of FILE, BOUN and MESH
  if (!mp.BEAMONLY) {
    prfile(mp.LSAV, mp.LREC, mp.LCPUTM, mp.TSOS, mp.TMAX);
    prboun();
  }
  prmesh(mp.NW, mp.BEAMONLY, mp.RAD);
  // Sizes and allocation of the run's arrays
  run_sizes_alloc();
  if (restored) restore_check_sizes();
  // Echo of the geometry and of the other groups
  run_lfftany();
  if (!mp.BEAMONLY) {
    prgeoform(mp.LADD);
    prngeo(mp.LADD, mp.NLINES, mp.ZLAST);
    prbeam(mp.ISIG);
    prwake(mp.UBTE, mp.NW);
    prtime(tstep.MTREC, tstep.RATIO, mp.LPLE, mp.LPLC, mp.TPS, mp.NSHOT);
    prplot(mp.LCAVIN, mp.LCAVUS, mp.LPLW, mp.LFFT, mp.LFFTA, mp.LFFTT, mp.LFFTL, mp.LSPEC,
           mp.LPLE, mp.LPLC, mp.LPALL, mp.NPLOT, mp.CUTOFF, mp.LFFTANY, mp.REDUCE);
    prprin(mp.LMATPR, mp.LPRW, mp.LSVW, mp.LPPW);
  } else {
    // No echo in a beam-only run, but its spectra need a valid EXPFAC all the same.
    prexpf(mp.LFFT, mp.LFFTL, mp.LFFTANY, mp.BEAMONLY);
  }
  // The echo on the disk before the long work of the run.
  uflush(ndev.NOUT);
  // Half-cell input
  if (symt.LHALF) {
    expand();
    expand2();
  }
  // The wake-integration contour and the beam-pipe checks
  if (wpl2.LNONAP) wpl2.LNAPOLY = false;
  examin(mp.IRUN, mp.BEAMONLY, mp.LNAPM1, mp.RMIN, mp.RBP, mp.ZLFT, mp.ZRGT, mp.ISKIP);
  // Napoly weights
  if (wpl2.LNAPOLY) alloc_napoly();
  // The straight wake line again
  setkmin();
  mp.RW = gr(pint.KMIN);
  // A failed check skips the run
  if (mp.ISKIP != 0) return false;
  // Mesh map and shape frames
  bool draw = mp.IRUN == 0 || mp.MESHNEW;
  if (draw && mp.LMATPR) pltmsh();
  if (draw && mp.LCAVIN) cplot();
  if (draw && mp.LCAVUS) uplot();
  // Update coefficients of the field step
  step_coefficients(wpl.MROT);
  // Cell flags, fields, bunch sums, wake accumulators, line-charge table
  flgclr();
  initjd();
  calsum();
  wakecl();
  if (!(win2.LTAVO && wpl.MROT == 1)) qkset();
  // Peak line density for the snapshots
  if (mp.LPLE || mp.LPLC) run_qmax();
  return true;
}

void one_run(bool restored) {
  if (!run_prepare(restored)) return;
  complete_check();
  // A run whose loop takes no step (ITEST = 1, or KSTART at or beyond NT) counts as
  // complete: it has nothing to save, and the routines after the loop see the last step.
  mp.KEND = wind.NT - 1;
  // Test mode: no time stepping
  if (mp.ITEST != 1) {
    // First window
    advan(restored, mp.KX, mp.KY, mp.KSTART);
    // The Napoly method cannot give the counter-rotating dipole wake
    if (wpl2.LNAPOLY && wpl.MROT == 1 && crbw.LCRBW) {
      rec(ndev.NOUT, "()");
      rec(ndev.NOUT, "(1X,A)",
          "*** SKIP ***  LCRBW CANNOT BE TRUE WHEN LNAPOLY IS TRUE AND MROT=1 IN THIS VERSION OF ZELK.");
      rec(ndev.NOUT, "()");
      return;
    }
    // The run line on the terminal and the time loop
    rec(NTERM, "(A,I3,A2,A)", " > THE", mp.IRUN + 1, run_suffix(mp.IRUN + 1), " RUN STARTED");
    time_loop();
    // Save file when the monitor left the loop before its last step
    if (mp.LSAV && mp.KEND < wind.NT - 1) save_run();
  }
  // Completion of the wake arrays, report, tables, plots and spectra
  complete_run();
}
