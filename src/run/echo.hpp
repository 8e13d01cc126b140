// Report of the inputs, group by group, with the derived values the run will use and
// the warnings and stops the inputs call for; and the report of the geometry lines.
// Order in a run: prfile, prboun, prmesh (sets NP, also in a beam-only run), then
// after the allocation the geometry-form line, prngeo, prbeam, prwake, prtime,
// prplot, prprin.
#pragma once

// Radius of radial mesh line i for the echo lines (0 outside the radial mesh).
float grat(int i);

void prfile(bool LSAV, bool LREC, bool LCPUTM, float TSOS, float TMAX);
void prboun();
// Sets msz.NP in every run.
void prmesh(int NW, bool BEAMONLY, float RAD);
// The geometry-form line in front of the geometry lines.
void prgeoform(bool LADD);
void prngeo(bool LADD, int NLINES, float ZLAST);
void prbeam(int ISIG);
void prwake(float UBTE, int NW);
// MTREC and RATIO as fixed by run_time_step. Stops when 2*MTE reaches the delay-line depth.
void prtime(int MTREC, float RATIO, bool LPLE, bool LPLC, float TPS, int NSHOT);
// LFFTANY is a result. Stops at the end of the group when EXPFAC <= 1.
void prplot(bool LCAVIN, bool LCAVUS, bool LPLW, bool LFFT, bool LFFTA, bool LFFTT,
            bool LFFTL, bool LSPEC, bool LPLE, bool LPLC, bool LPALL, int NPLOT,
            float CUTOFF, bool &LFFTANY, float REDUCE);
// A beam-only run (no echo): stop when a spectrum is requested (LFFTANY, or LFFT or
// LFFTL in any mode) and EXPFAC is not greater than 1, after the run banner.
void prexpf(bool LFFT, bool LFFTL, bool LFFTANY, bool BEAMONLY);
void prprin(bool LMATPR, bool LPRW, bool LSVW, bool LPPW);
