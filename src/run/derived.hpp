// Derived run quantities and the run's arrays. The main program calls these in the
// run order (after the contour is decoded and setgrd has run):
//   run_mte             after setgrd                 LCFRON, MTE, UBTE = UBT, stops
//   run_bunch_cut       after setprm mode 0          ISEP/ZSEP, REDTXT, SIGCUT, ZHALF, NQ
//   run_wake_steps      next                         UBTE, LCPUTM, NW, LPLEC, NT, snapshots
//   run_cutoff          after setprm mode 2, setkmin CUTOFF
//   run_time_step       next, before the echo        tstep: DT, CDT, ZCDT, RATIO, MTREC
//   (prfile, prboun, prmesh: NP)
//   run_sizes_alloc     next                         NMESH, MSZW, MSZQ, the run arrays
//   run_lfftany         with the echo of BEAM..PRIN  LFFTANY, also without the echo
//   alloc_napoly        after examin                 sfg, slg when LNAPOLY
//   run_qmax            after calsum/qkset           QMAX when LPLE or LPLC
//   release_run_arrays  end of the process           every array above
#pragma once

// LCFRON forced on, MTE (4 for TAVO in a dipole run, else MT), UBTE = UBT; then the
// stops on inputs that every later rule divides by: MTE, SIG, ISIG, NSHOT.
void run_mte();
// Beam separation snapped to the mesh, plot size text, SIGCUT, ZHALF and NQ.
void run_bunch_cut();
// Wake length, LCPUTM forced by LSAV, NUBT, NW, LPLEC, NT and the snapshot schedule;
// RESTORED: the run restored from a save file keeps the saved schedule.
void run_wake_steps(bool RESTORED);
// Upper frequency of the spectra (GHz) when CUTOFF is 0.
void run_cutoff();
// The time step of the run (record tstep): DT, CDT and ZCDT from DDZ and MTE, and the
// stability limit: RATIO, the largest DDZ/DDR of the radial zones (at least 1), and
// MTREC, the time steps per mesh step that the Courant limit of the mode MROT asks for.
void run_time_step();
// LFFTANY: any spectrum requested for the mode of the run (MROT 0 or 1).
void lfftany_rule(bool LFFT, bool LFFTL, bool LFFTA, bool LFFTT, bool LSPEC, bool &LFFTANY);
void run_lfftany();
// NMESH, MSZW, MSZQ and the allocation of every run array (NP set by prmesh).
void run_sizes_alloc();
// Napoly weights sfg, slg when LNAPOLY is set after examin.
void alloc_napoly();
// Release every run array allocated above (at the end of the process; the radial mesh
// lines gr, gdr belong to the radial set-up and are released with it).
void release_run_arrays();
// Peak line density QMAX (1/m) over the wake points, for the field-line snapshots.
void run_qmax();
