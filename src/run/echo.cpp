// Report of the inputs: one routine per group, each a heading and its echo lines.
#include "run/echo.hpp"

#include <climits>
#include <cmath>

#include "geometry/mesh.hpp"
#include "run/banners.hpp"
#include "run/constants.hpp"
#include "run/derived.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

namespace {

const int U = ndev.NOUT;

// A group heading: an empty record, then the heading text.
void heading(const char *text) { rec(U, "(/1X,A)", text); }
// A switch line: the label, then the switch in L1.
void swline(const char *label, bool x) { rec(U, "(1X,A,L1)", label, x); }

// The upper frequency of the spectra, sqrt(2 ln EXPFAC)/(2 pi SIG), and the derived
// CUTOFF of every run need EXPFAC > 1.
void expfac_stop() {
  stop_real("EXPFAC", expfr.EXPFAC, "MUST BE GREATER THAN 1 FOR THE SPECTRA");
}

} // namespace

float grat(int i) { return i >= 1 && i <= gr_data.gr.size() ? gr(i) : 0.0f; }

void prfile(bool LSAV, bool LREC, bool LCPUTM, float TSOS, float TMAX) {
  heading("$FILE:");
  swline("SAVE FIELDS INTO FILE  (LSAV)  :  ", LSAV);
  swline("RECOVER FROM FILE      (LREC)  :  ", LREC);
  swline("CPUTIME MONITOR ACTIVE (LCPUTM):  ", LCPUTM);
  if (LCPUTM) {
    rec(U, "(1X,A,G13.5,A)", "CPUTIME LEFT FOR SAVING FIELDS : TSOS =", TSOS, "(S)");
    rec(U, "(1X,A,G13.5,A)", "CPUTIME LIMIT OF BATCH JOB     : TMAX =", TMAX, "(S)");
  }
}

void prboun() {
  // Both ends of the structure are open.
  heading("$BOUN:");
  rec(U, "(1X,A,A)", "BOUNDARY CONDITIONS     LEFT   :", " OPEN              ");
  rec(U, "(1X,A,A)", "BOUNDARY CONDITIONS     RIGHT  :", " OPEN              ");
}

void prmesh(int NW, bool BEAMONLY, float RAD) {
  const int NR = latc.NR, NZ = latc.NZ;
  if (!BEAMONLY) {
    heading("$MESH:");
    rec(U, "(1X,A,I10)", "NUMBER OF MESH LINES IN R      : NR   = ", NR);
    rec(U, "(1X,A,I10)", "NUMBER OF MESH LINES IN Z      : NZ   = ", NZ);
  }
  // Mesh points held: the whole structure, or with the moving back window only the
  // columns of the wake length plus four when that is fewer.
  long long np = static_cast<long long>(NR) * NZ;
  if (win2.LCBACK) {
    const long long npw = static_cast<long long>(NR) * (static_cast<long long>(NW) + 4);
    if (static_cast<float>(npw) <= static_cast<float>(np)) np = npw;
  }
  if (np > INT_MAX / 8 || np < 0) {
    const long long nmesh = 30LL * NR + np;
    stop_memory(nmesh, run_array_bytes(nmesh, NR + 1LL, NW + 5LL, 0),
                NODE_COUNT_LIMIT_TEXT);
  }
  msz.NP = static_cast<int>(np);
  if (BEAMONLY) return;
  rec(U, "(1X,A,I10)", "NUMBER OF MESH POINTS          : NP   = ", msz.NP);
  rec(U, "(1X,A,G13.5,A)", "TOTAL RADIUS OF THE STRUCTURE  : RAD  =", RAD, "(M)");
  rec(U, "(1X,A,G13.5,A)", "TOTAL LENGTH OF THE STRUCTURE  : ZL   =", geo.ZL, "(M)");
  const float ddz = latc.DDZ;
  if (lat2.NZONE == 1) {
    rec(U, "(1X,A,G13.5,A)", "STEP SIZE IN R                 : DDR  =", latc.DDR(1), "(M)");
    rec(U, "(1X,A,G13.5,A)", "STEP SIZE IN Z                 : DDZ  =", ddz, "(M)");
  } else {
    for (int k = 1; k <= lat2.NZONE && k <= 1000; ++k) {
      const float rlo = k == 1 ? 0.0f : lat2.XR(k - 1);
      rec(U, "(1X,A,G13.5,A,A,G13.5,A,G13.5)", "STEP SIZE IN R                 : DDR  =",
          latc.DDR(k), "(M)", "  FROM R=", rlo, "  TO R=", lat2.XR(k));
    }
    rec(U, "(1X,A,G13.5,A)", "STEP SIZE IN Z                 : DDZ  =", ddz, "(M)");
  }
  for (int k = 1; k <= 2000; ++k)
    if (var.RZ(k) != -8888.0f)
      rec(U, "(1X,A,I3,A,G13.5,A)", "STRUCTURE INPUT VARIABLE       : RZ", k, "=", var.RZ(k), "(M)");
}

void prgeoform(bool LADD) {
  rec(U, "()");
  rec(U, "(1X,A,A16)", LADD ? "@CAVITYSHAPE (@@CAVITYSHAPE) :  " : "#CAVITYSHAPE (##CAVITYSHAPE) :  ",
      mp.CAVTXT);
}

void prbeam(int ISIG) {
  heading("$BEAM:");
  rec(U, "(1X,A,G13.5,A)", "SIGMA OF THE GAUSSIAN BUNCH    : SIG  =", latc.SIG, "(M)");
  rec(U, "(1X,A,I3)", "NUMBER OF STAND.DEV. USED      : ISIG = +/-", ISIG);
  const float rring = grat(latc.IRDRIVE);
  if (offs.RDRIVE >= 0.0f && std::fabs(rring - offs.RDRIVE) > 1.0E-6f) {
    // The given ring radius was moved onto a mesh line.
    rec(U, "(1X,A,G13.5,A,A,G13.5,A)", "RADIAL BEAM OFFSET AT          :RDRIVE=", offs.RDRIVE, "(M)",
        "  --->", rring, "(M)");
    rec(U, "(1X,A,I7)", "ANGULAR MOMENTUM               : MROT =", wpl.MROT);
  } else {
    rec(U, "(1X,A,G13.5,A)", "RADIAL BEAM OFFSET AT          :RDRIVE=", rring, "(M)");
    rec(U, "(1X,A,I7)", "MODE NUMBER (MONOPOLE/DIPOLE)  : MROT =", wpl.MROT);
  }
  if (cdis.NBUNCH > 1) {
    rec(U, "(1X,A,I7)", "NUMBER OF GAUSSIAN BUNCHES     :NBUNCH=", cdis.NBUNCH);
    rec(U, "(1X,A,G13.5,A)", "SEPARATION BETWEEN BUNCHES     : BSEP =", cdis.BSEP, "(M)");
  }
  if (cdis.NBUNCH <= 0)
    rec(U, "(1X,A,A)", "*** ATTENTION *** USER NOW MUST PROVIDE THE CHARGE", " DISTRIBUTION");
}

void prwake(float UBTE, int NW) {
  heading("$WAKE:");
  rec(U, "(1X,A,G13.5,A)", "RADIAL WAKE OFFSET        (LEFT)   AT  R   =", grat(pipes.IRPL), "(M)");
  if (pipes.IRPR != pipes.IRPL)
    rec(U, "(1X,A,G13.5,A)", "                          (RIGHT)  AND R   =", grat(pipes.IRPR), "(M)");
  rec(U, "(1X,A,G13.5,A)", "WAKE    BETWEEN THE BUNCH  COORDINATES UBF =", 0.0f, "(M)");
  rec(U, "(1X,A,G13.5,A)", "                                   AND UBT =", UBTE, "(M)");
  swline("WINDOW FOR FRONT                 (LCFRON)  :  ", win2.LCFRON);
  swline("WINDOW FOR BACK                  (LCBACK)  :  ", win2.LCBACK);
  swline("TAVO WAKE INTEGRATION METHOD     (LTAVO )  :  ", win2.LTAVO);
  swline("NAPOLY WAKE INTEGRATION METHOD   (LNAPOLY) :  ", wpl2.LNAPOLY);
  swline("CONVENTIONAL INTEGRATION METHOD  (LNONAP)  :  ", wpl2.LNONAP);
  swline("WAKE FOR A COUNTER-ROTATING BEAM (LCRBW)   :  ", crbw.LCRBW);
  if (crbw.LCRBW)
    rec(U, "(1X,A,G13.5,A)", "INITIAL DISTANCE BTW. TWO BEAMS: ZSEP =", crbw.ZSEP, "(M)");
  if (wpl2.LNAPOLY) {
    if (offs.ZCF >= 0.0f)
      rec(U, "(1X,A,G13.5,A)", "STARTING Z FOR INTEGRAL AT RWAK: ZCF  =", offs.ZCF, "(M)");
    if (offs.ZCT >= 0.0f)
      rec(U, "(1X,A,G13.5,A)", "LAST Z FOR INTEGRAL AT RWAK    : ZCT  =", offs.ZCT, "(M)");
    if (offs.RWAK >= 0.0f)
      rec(U, "(1X,A,G13.5,A)", "RADIAL OFFSET FOR WAKE INTEGRAL: RWAK =", offs.RWAK, "(M)");
  }
  rec(U, "(1X,A,I8)", "NUMBER OF WAKE POTENTIAL POINTS: NW   =", NW);
}

void prtime(int MTREC, float RATIO, bool LPLE, bool LPLC, float TPS, int NSHOT) {
  const int MTE = latc.MTE;
  // Time step (ps) and the time for the bunch to pass the structure.
  const float DT = tstep.DT * 1.0E12f;
  const float PT = DT * static_cast<float>(static_cast<long long>(latc.NZ) * MTE);
  heading("$TIME:");
  rec(U, "(1X,A,I7)", "TIME STEPS TO BE PROCESSED     : NT   =", wind.NT);
  rec(U, "(1X,A,I7)", "NUMBER OF TIME STEPS/MESH STEP : MT   =", MTE);
  // The open-end delay lines hold NPT = 40 slots.
  if (2 * static_cast<long long>(MTE) >= NPT) {
    rec(U, "(1X,A,I7,A,I7)", "*** STOP ***  2*(MT+1):", 2 * (static_cast<long>(MTE) + 1),
        " EXCEEDS MAXIMUM NPT:", NPT);
    zstop();
  }
  if (MTE < MTREC && RATIO > 1.0f) {
    rec(U, "(1X,A,A,G13.5)", "*** WARNING ***  NO GUARANTEE FOR NUMERICAL STABILITY",
        " IN THE PRESENT CALCULATION WHERE MAX(DDZ/DDR) IS", RATIO);
    rec(U, "(1X,A,I7,A)", "*** A RECOMMENDED VALUE FOR MT : MT   =", MTREC, " ***");
  }
  rec(U, "(1X,A,G13.5)", "VELOCITY OF THE BUNCH / C      : BETA =", 1.0f);
  rec(U, "(1X,A,G13.5,A)", "TIME-STEP VALUE                : DT   =", DT, "(PS)");
  rec(U, "(1X,A,G13.5,A)", "TIME FOR A PARTICLE TO PASS    : PT   =", PT, "(PS)");
  if (LPLE || LPLC) {
    rec(U, "(1X,A,G13.5,A)", "START TIME FOR FILED LINE PLOT : TPS  =", TPS, "(PS)");
    rec(U, "(1X,A,I7)", "NUMBER OF FILED LINE PLOTS     : NSHOT=", NSHOT);
  }
}

void prplot(bool LCAVIN, bool LCAVUS, bool LPLW, bool LFFT, bool LFFTA, bool LFFTT,
            bool LFFTL, bool LSPEC, bool LPLE, bool LPLC, bool LPALL, int NPLOT,
            float CUTOFF, bool &LFFTANY, float REDUCE) {
  heading("$PLOT:");
  swline("PLOT OF CAVITY SHAPE INPUT       (LCAVIN)  :  ", LCAVIN);
  swline("PLOT OF CAVITY SHAPE USED        (LCAVUS)  :  ", LCAVUS);
  swline("PLOT OF NAPOLY-ZOTTER CONTOUR    (LPATH)   :  ", plnz.LPATH);
  swline("PLOT OF ALL WAKE POTENTIALS      (LPLW)    :  ", LPLW);
  swline("PLOT OF AZIMUTHAL WAKE POTENTIAL (LPLWA)   :  ", wps.LPLWA);
  swline("PLOT OF TRANSVERSE WAKE POTENT.  (LPLWT)   :  ", wps.LPLWT);
  swline("PLOT OF LONGITUDINAL WAKE POTENT.(LPLWL)   :  ", wps.LPLWL);
  swline("PLOT OF FFT OF WAKE POTENTIALS   (LFFT)    :  ", LFFT);
  swline("PLOT OF FFT OF AZIMUTHAL WAKE    (LFFTA)   :  ", LFFTA);
  swline("PLOT OF FFT OF TRANSVERSE WAKE   (LFFTT)   :  ", LFFTT);
  swline("PLOT OF FFT OF LONGITUDINAL WAKE (LFFTL)   :  ", LFFTL);
  swline("PLOT OF INTEGRATION OF IMPEDANCE (LINTZ)   :  ", intr.LINTZ);
  swline("PLOT OF ENERGY LOSS SPECTRUM     (LSPEC)   :  ", LSPEC);
  if (LSPEC && crbw.LCRBW) {
    rec(U, "()");
    rec(U, "(1X,A,A)", "*** SKIP ***  LSPEC CANNOT BE TRUE WHEN LCRBW IS ", "TRUE IN THIS VERSION OF ZELK.");
    rec(U, "()");
  }
  swline("PLOT OF ELECTRIC FIELD LINES     (LPLE)    :  ", LPLE);
  swline("PLOT OF TOTAL CURRENT LINES      (LPLC)    :  ", LPLC);
  swline("SWITCH FROM ABSOLUTE TO RELATVE  (LPALL)   :  ", LPALL);
  rec(U, "(1X,A,I8)", "NUMBER OF CONTOUR LINES        : NPLOT=", NPLOT);
  rec(U, "(1X,A,G13.5)", "ENHANCEMENT FACTOR FOR FFT PLOT:EXPFAC=", expfr.EXPFAC);
  rec(U, "(1X,A,G13.5,A)", "CUTOFF FREQUENCY FOR FFT PLOT  :CUTOFF=", CUTOFF, "(GHZ)");
  swline("WINDOWING FOR FOURIER TRANSFORMS (LWNDW)   :  ", ffts.LWNDW);
  rec(U, "(1X,A,I8)", "WINDOW FUNCTION                : NWFUN=", wfun.NWFUN);
  rec(U, "(1X,A,G13.5)", "WINDOW PARAMETER FOR WIDTH     : ALPHA=", wfun.ALPHA);
  lfftany_rule(LFFT, LFFTL, LFFTA, LFFTT, LSPEC, LFFTANY);
  const char *nofl = "   NO PLOT OF ELECTRIC FIELD LINES WILL BE PRODUCED.";
  if (LFFTANY && cdis.NBUNCH > 1)
    rec(U, "(1X,A,A)", "*** WARNING ***  WHEN NBUNCH IS GREATER THAN 1,", " NO FFT WILL BE PRODUCED.");
  // The triangular bunch has no Gaussian spectrum to divide by.
  if (LFFTANY && cdis.NBUNCH < 1)
    rec(U, "(1X,A)", "*** WARNING ***  WHEN NBUNCH IS LESS THAN 1, NO FFT WILL BE PRODUCED.");
  if (LPLE && win2.LCBACK)
    rec(U, "(1X,A,A)", "*** WARNING ***  WHEN LPLE=.T., LCBACK MUST TO BE .F.", nofl);
  if (LPLC && win2.LCBACK)
    rec(U, "(1X,A,A)", "*** WARNING ***  WHEN LPLC=.T., LCBACK MUST TO BE .F.", nofl);
  if (LPLE && wpl.MROT != 0)
    rec(U, "(1X,A,A)", "*** WARNING ***  WHEN LPLE=.T., MROT MUST TO BE 0.", nofl);
  if (LPLC && wpl.MROT != 0)
    rec(U, "(1X,A,A)", "*** WARNING ***  WHEN LPLC=.T., MROT MUST TO BE 0.", nofl);
  if (REDUCE != 0.0f)
    rec(U, "(1X,A,G13.5)", "REDUCTION FACTOR OF ALL PLOTS  :REDUCE=", REDUCE);
  if (!(expfr.EXPFAC > 1.0f)) expfac_stop();
}

void prexpf(bool LFFT, bool LFFTL, bool LFFTANY, bool BEAMONLY) {
  // Any mode takes the longitudinal spectrum with LFFT or LFFTL.
  if (!(LFFTANY || LFFT || LFFTL) || expfr.EXPFAC > 1.0f) return;
  // A beam-only run shows its banner in front of its first message.
  if (BEAMONLY && mp.IRUN > 0) run_banner(false);
  expfac_stop();
}

void prprin(bool LMATPR, bool LPRW, bool LSVW, bool LPPW) {
  heading("$PRIN:");
  swline("PRINTOUT OF CAVITY SHAPE USED    (LMATPR)  :  ", LMATPR);
  swline("PRINTOUT OF WAKE POTENTIALS      (LPRW)    :  ", LPRW);
  swline("LINE-PRINTER PLOT OF WAKE POT.   (LPPW)    :  ", LPPW);
  swline("SAVE WAKE POTENTIALS IN A FILE   (LSVW)    :  ", LSVW);
  swline("SAVE AZIMUTHAL WAKE IN A FILE    (LSVWA)   :  ", wps.LSVWA);
  swline("SAVE TRANSVERSE WAKE IN A FILE   (LSVWT)   :  ", wps.LSVWT);
  swline("SAVE LONGITUDINAL WAKE IN A FILE (LSVWL)   :  ", wps.LSVWL);
  swline("SAVE FFT RESULTS IN A FILE       (LSVF)    :  ", ffts.LSVF);
}
