// Echo of the inputs and of the geometry lines: report excerpts compared record by
// record. The expected records with numbers were written by gfortran with the same
// descriptor lists and values (tests/run/data/gen_echo.f90).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/derived.hpp"
#include "run/echo.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "../reset_records.hpp"
#include "../stopped_report.hpp"
#include "run_binary.hpp"

namespace {

using recs = std::vector<std::string>;

// Fresh records, a radial mesh gr(i) = (i - 1)*0.01 (i = 1 .. 11) and the report in memory.
void fresh() {
  reset_records();
  for (int k = 1; k <= 2000; ++k) var.RZ(k) = -8888.0f;
  gr_data.gr.alloc(11);
  gr_data.gdr.alloc(11);
  for (int i = 1; i <= 11; ++i) {
    gr(i) = static_cast<float>(i - 1) * 0.01f;
    gdr(i) = 0.01f;
  }
  uopen_mem(ndev.NOUT);
}

const recs &report() { return umem(ndev.NOUT); }

// The last n records of r.
recs tail(const recs &r, std::size_t n) {
  return r.size() <= n ? r : recs(r.end() - static_cast<long>(n), r.end());
}

} // namespace

TEST(Echo, FileGroupShowsTheMonitorTimesOnlyWhenTheMonitorIsOn) {
  fresh();
  prfile(true, false, true, 5.0f, 3600.0f);
  EXPECT_EQ(report(), (recs{"", " $FILE:", " SAVE FIELDS INTO FILE  (LSAV)  :  T",
                            " RECOVER FROM FILE      (LREC)  :  F",
                            " CPUTIME MONITOR ACTIVE (LCPUTM):  T",
                            " CPUTIME LEFT FOR SAVING FIELDS : TSOS =   5.0000    (S)",
                            " CPUTIME LIMIT OF BATCH JOB     : TMAX =   3600.0    (S)"}));
  fresh();
  prfile(false, true, false, 5.0f, 3600.0f);
  EXPECT_EQ(report(), (recs{"", " $FILE:", " SAVE FIELDS INTO FILE  (LSAV)  :  F",
                            " RECOVER FROM FILE      (LREC)  :  T",
                            " CPUTIME MONITOR ACTIVE (LCPUTM):  F"}));
}

TEST(Echo, BothEndsAreOpenWithTheTrailingBlanksOfTheText) {
  fresh();
  prboun();
  EXPECT_EQ(report(), (recs{"", " $BOUN:", " BOUNDARY CONDITIONS     LEFT   : OPEN              ",
                            " BOUNDARY CONDITIONS     RIGHT  : OPEN              "}));
}

TEST(Echo, MeshOfOneZoneListsTheGivenUserValues) {
  fresh();
  latc.NR = 20;
  latc.NZ = 100;
  latc.DDZ = 0.002f;
  latc.DDR(1) = 0.001f;
  lat2.NZONE = 1;
  geo.ZL = 0.1f;
  wpl.MROT = 0;
  win2.LCBACK = true; // NR*(NW + 4) = 2100 exceeds NR*NZ: the whole structure is held
  var.RZ(3) = 0.02f;
  var.RZ(1500) = -0.5f;
  prmesh(101, false, 0.05f);
  EXPECT_EQ(report(), (recs{"", " $MESH:", " NUMBER OF MESH LINES IN R      : NR   =         20",
                            " NUMBER OF MESH LINES IN Z      : NZ   =        100",
                            " NUMBER OF MESH POINTS          : NP   =       2000",
                            " TOTAL RADIUS OF THE STRUCTURE  : RAD  =  0.50000E-01(M)",
                            " TOTAL LENGTH OF THE STRUCTURE  : ZL   =  0.10000    (M)",
                            " STEP SIZE IN R                 : DDR  =  0.10000E-02(M)",
                            " STEP SIZE IN Z                 : DDZ  =  0.20000E-02(M)",
                            " STRUCTURE INPUT VARIABLE       : RZ  3=  0.20000E-01(M)",
                            " STRUCTURE INPUT VARIABLE       : RZ***= -0.50000    (M)"}));
  EXPECT_EQ(msz.NP, 2000);
}

TEST(Echo, MeshOfTwoZonesGivesEachZoneItsRange) {
  fresh();
  latc.NR = 31;
  latc.NZ = 50;
  latc.DDZ = 0.001f;
  latc.DDR(1) = 0.001f;
  latc.DDR(2) = 0.0005f;
  lat2.NZONE = 2;
  lat2.XR(1) = 0.01f;
  lat2.XR(2) = 0.02f;
  wpl.MROT = 1;
  win2.LCBACK = false;
  prmesh(20, false, 0.02f);
  const recs &r = report();
  ASSERT_EQ(r.size(), 10u);
  EXPECT_EQ(r[4], " NUMBER OF MESH POINTS          : NP   =       1550");
  EXPECT_EQ(r[7], " STEP SIZE IN R                 : DDR  =  0.10000E-02(M)  FROM R=   0.0000      TO R=  0.10000E-01");
  EXPECT_EQ(r[8], " STEP SIZE IN R                 : DDR  =  0.50000E-03(M)  FROM R=  0.10000E-01  TO R=  0.20000E-01");
  EXPECT_EQ(r[9], " STEP SIZE IN Z                 : DDZ  =  0.10000E-02(M)");
}

TEST(Echo, BeamOnlyRunSetsThePointsAndPrintsNothing) {
  fresh();
  latc.NR = 10;
  latc.NZ = 500;
  win2.LCBACK = true;
  prmesh(100, true, 0.05f);
  EXPECT_TRUE(report().empty());
  EXPECT_EQ(msz.NP, 10 * 104); // the moving window holds NW + 4 columns
}

TEST(Echo, TimeGroupWarnsWhenMtIsBelowTheRecommendedValue) {
  fresh();
  latc.DDZ = 0.001f;
  latc.NZ = 100;
  latc.MTE = 2;
  wind.NT = 403;
  run_time_step();
  prtime(3, 2.0f, true, false, 12.5f, 5);
  EXPECT_EQ(report(),
            (recs{"", " $TIME:", " TIME STEPS TO BE PROCESSED     : NT   =    403",
                  " NUMBER OF TIME STEPS/MESH STEP : MT   =      2",
                  " *** WARNING ***  NO GUARANTEE FOR NUMERICAL STABILITY IN THE PRESENT CALCULATION WHERE MAX(DDZ/DDR) IS   2.0000    ",
                  " *** A RECOMMENDED VALUE FOR MT : MT   =      3 ***",
                  " VELOCITY OF THE BUNCH / C      : BETA =   1.0000    ",
                  " TIME-STEP VALUE                : DT   =   1.6678    (PS)",
                  " TIME FOR A PARTICLE TO PASS    : PT   =   333.56    (PS)",
                  " START TIME FOR FILED LINE PLOT : TPS  =   12.500    (PS)",
                  " NUMBER OF FILED LINE PLOTS     : NSHOT=      5"}));
  // A uniform mesh needs no warning, whatever MT is.
  fresh();
  latc.DDZ = 0.001f;
  latc.NZ = 100;
  latc.MTE = 2;
  prtime(3, 1.0f, false, false, 0.0f, 5);
  EXPECT_EQ(report().size(), 7u);
}

TEST(Echo, TimeGroupStopsWhenTheDelayLinesAreTooShort) {
  // 2*MTE = 38 passes.
  fresh();
  latc.DDZ = 0.001f;
  latc.NZ = 100;
  latc.MTE = 19;
  prtime(1, 1.0f, false, false, 0.0f, 5);
  EXPECT_EQ(report().size(), 7u);
  // 2*MTE = 40 stops after the heading and its two lines.
  const recs r = stopped_report([] {
    latc.MTE = 20;
    wind.NT = 403;
    prtime(1, 1.0f, false, false, 0.0f, 5);
  });
  EXPECT_EQ(r, (recs{"", " $TIME:", " TIME STEPS TO BE PROCESSED     : NT   =    403",
                     " NUMBER OF TIME STEPS/MESH STEP : MT   =     20",
                     " *** STOP ***  2*(MT+1):     42 EXCEEDS MAXIMUM NPT:     40"}));
}

TEST(Echo, BeamGroupVariants) {
  struct tcase {
    float rdrive;
    int irdrive, mrot, nbunch;
    recs tail;
  };
  const tcase cases[] = {
      // ring radius not given: the line of the ring and the MODE NUMBER label
      {-1.0f, 1, 0, 1,
       {" NUMBER OF STAND.DEV. USED      : ISIG = +/-  5",
        " RADIAL BEAM OFFSET AT          :RDRIVE=   0.0000    (M)",
        " MODE NUMBER (MONOPOLE/DIPOLE)  : MROT =      0"}},
      // given on a mesh line
      {0.02f, 3, 1, 1,
       {" NUMBER OF STAND.DEV. USED      : ISIG = +/-  5",
        " RADIAL BEAM OFFSET AT          :RDRIVE=  0.20000E-01(M)",
        " MODE NUMBER (MONOPOLE/DIPOLE)  : MROT =      1"}},
      // moved onto a mesh line: the arrow and the ANGULAR MOMENTUM label
      {0.012f, 2, 1, 1,
       {" NUMBER OF STAND.DEV. USED      : ISIG = +/-  5",
        " RADIAL BEAM OFFSET AT          :RDRIVE=  0.12000E-01(M)  --->  0.10000E-01(M)",
        " ANGULAR MOMENTUM               : MROT =      1"}},
      // a train
      {-1.0f, 1, 0, 3,
       {" MODE NUMBER (MONOPOLE/DIPOLE)  : MROT =      0",
        " NUMBER OF GAUSSIAN BUNCHES     :NBUNCH=      3",
        " SEPARATION BETWEEN BUNCHES     : BSEP =  0.10000    (M)"}},
      // a triangle
      {-1.0f, 1, 0, 0,
       {" MODE NUMBER (MONOPOLE/DIPOLE)  : MROT =      0",
        " *** ATTENTION *** USER NOW MUST PROVIDE THE CHARGE DISTRIBUTION"}},
  };
  for (const tcase &c : cases) {
    fresh();
    latc.SIG = 0.01f;
    offs.RDRIVE = c.rdrive;
    latc.IRDRIVE = c.irdrive;
    wpl.MROT = c.mrot;
    cdis.NBUNCH = c.nbunch;
    cdis.BSEP = 0.1f;
    prbeam(5);
    const recs &r = report();
    ASSERT_GE(r.size(), 3u);
    EXPECT_EQ(r[1], " $BEAM:");
    EXPECT_EQ(r[2], " SIGMA OF THE GAUSSIAN BUNCH    : SIG  =  0.10000E-01(M)");
    EXPECT_EQ(tail(r, c.tail.size()), c.tail) << "RDRIVE " << c.rdrive << " NBUNCH " << c.nbunch;
  }
}

TEST(Echo, WakeGroupWithTwoPipesCounterBeamAndNapolyContour) {
  fresh();
  pipes.IRPL = 5;
  pipes.IRPR = 7;
  win2.LCBACK = false;
  wpl2.LNAPOLY = true;
  crbw.LCRBW = true;
  crbw.ZSEP = 12.0f * 0.001f;
  offs.ZCF = 0.02f;
  offs.RWAK = 0.03f; // ZCT not given
  prwake(0.1f, 101);
  EXPECT_EQ(report(), (recs{"", " $WAKE:", " RADIAL WAKE OFFSET        (LEFT)   AT  R   =  0.40000E-01(M)",
                            "                           (RIGHT)  AND R   =  0.60000E-01(M)",
                            " WAKE    BETWEEN THE BUNCH  COORDINATES UBF =   0.0000    (M)",
                            "                                    AND UBT =  0.10000    (M)",
                            " WINDOW FOR FRONT                 (LCFRON)  :  T",
                            " WINDOW FOR BACK                  (LCBACK)  :  F",
                            " TAVO WAKE INTEGRATION METHOD     (LTAVO )  :  F",
                            " NAPOLY WAKE INTEGRATION METHOD   (LNAPOLY) :  T",
                            " CONVENTIONAL INTEGRATION METHOD  (LNONAP)  :  F",
                            " WAKE FOR A COUNTER-ROTATING BEAM (LCRBW)   :  T",
                            " INITIAL DISTANCE BTW. TWO BEAMS: ZSEP =  0.12000E-01(M)",
                            " STARTING Z FOR INTEGRAL AT RWAK: ZCF  =  0.20000E-01(M)",
                            " RADIAL OFFSET FOR WAKE INTEGRAL: RWAK =  0.30000E-01(M)",
                            " NUMBER OF WAKE POTENTIAL POINTS: NW   =     101"}));
}

TEST(Echo, PlotGroupWarningsAndTheSpectrumSwitch) {
  fresh();
  wpl.MROT = 1;
  cdis.NBUNCH = 3;
  win2.LCBACK = true;
  bool lfftany = false;
  prplot(false, false, false, false, false, true, false, false, true, false, false, 10, 11.5f,
         lfftany, 0.5f);
  EXPECT_TRUE(lfftany); // LFFTT counts for a dipole run
  const recs &r = report();
  ASSERT_EQ(r.size(), 28u);
  EXPECT_EQ(r[1], " $PLOT:");
  EXPECT_EQ(r[2], " PLOT OF CAVITY SHAPE INPUT       (LCAVIN)  :  F");
  EXPECT_EQ(r[11], " PLOT OF FFT OF TRANSVERSE WAKE   (LFFTT)   :  T");
  EXPECT_EQ(tail(r, 14),
            (recs{" PLOT OF ENERGY LOSS SPECTRUM     (LSPEC)   :  F",
                  " PLOT OF ELECTRIC FIELD LINES     (LPLE)    :  T",
                  " PLOT OF TOTAL CURRENT LINES      (LPLC)    :  F",
                  " SWITCH FROM ABSOLUTE TO RELATVE  (LPALL)   :  F",
                  " NUMBER OF CONTOUR LINES        : NPLOT=      10",
                  " ENHANCEMENT FACTOR FOR FFT PLOT:EXPFAC=   20.000    ",
                  " CUTOFF FREQUENCY FOR FFT PLOT  :CUTOFF=   11.500    (GHZ)",
                  " WINDOWING FOR FOURIER TRANSFORMS (LWNDW)   :  T",
                  " WINDOW FUNCTION                : NWFUN=       1",
                  " WINDOW PARAMETER FOR WIDTH     : ALPHA=   3.0000    ",
                  " *** WARNING ***  WHEN NBUNCH IS GREATER THAN 1, NO FFT WILL BE PRODUCED.",
                  " *** WARNING ***  WHEN LPLE=.T., LCBACK MUST TO BE .F.   NO PLOT OF ELECTRIC FIELD LINES WILL BE PRODUCED.",
                  " *** WARNING ***  WHEN LPLE=.T., MROT MUST TO BE 0.   NO PLOT OF ELECTRIC FIELD LINES WILL BE PRODUCED.",
                  " REDUCTION FACTOR OF ALL PLOTS  :REDUCE=  0.50000    "}));
}

TEST(Echo, SpectrumSwitchFollowsTheModeAndTheLossSpectrumSkip) {
  struct tcase {
    int mrot;
    bool lffta, lspec, before, after;
  };
  const tcase cases[] = {
      {0, true, false, true, false},  // LFFTA is no spectrum of a monopole run
      {1, true, false, false, true},
      {0, false, true, false, true},
      {2, false, true, true, true},   // other modes keep the value
      {2, false, true, false, false},
  };
  for (const tcase &c : cases) {
    fresh();
    wpl.MROT = c.mrot;
    win2.LCBACK = false;
    bool lfftany = c.before;
    prplot(false, false, false, false, c.lffta, false, false, c.lspec, false, false, false, 10,
           1.0f, lfftany, 0.0f);
    EXPECT_EQ(lfftany, c.after) << "MROT " << c.mrot;
  }
  fresh();
  crbw.LCRBW = true;
  win2.LCBACK = false;
  bool lfftany = false;
  prplot(false, false, false, false, false, false, false, true, false, false, false, 10, 1.0f,
         lfftany, 0.0f);
  const recs &r = report();
  ASSERT_GE(r.size(), 18u);
  EXPECT_EQ(r[14], " PLOT OF ENERGY LOSS SPECTRUM     (LSPEC)   :  T");
  EXPECT_EQ(r[15], "");
  EXPECT_EQ(r[16], " *** SKIP ***  LSPEC CANNOT BE TRUE WHEN LCRBW IS TRUE IN THIS VERSION OF ZELK.");
  EXPECT_EQ(r[17], "");
  EXPECT_EQ(r[18], " PLOT OF ELECTRIC FIELD LINES     (LPLE)    :  F");
}

// The upper frequency of the spectra and the derived CUTOFF take sqrt(2 ln EXPFAC): an
// EXPFAC of 1 or less ends the echo of the group with the stop, whatever is plotted.
TEST(Echo, PlotGroupStopsOnAnEnhancementFactorOfOneOrLess) {
  struct tcase {
    float expfac;
    int mrot;
    bool lfft, lffta, lfftl, lspec;
    bool stops;
  };
  const tcase cases[] = {
      {1.0f, 0, false, false, true, false, true},
      {0.5f, 0, false, false, false, true, true},
      {-3.0f, 1, false, true, false, false, true},
      {1.0f, 2, true, false, false, false, true},
      {1.0f, 0, false, true, false, false, true},   // LFFTA: no spectrum of a monopole run
      {0.0f, 0, false, false, false, false, true},  // no spectrum requested
      {1.0001f, 0, false, false, true, false, false},
      {20.0f, 1, true, false, false, true, false},
  };
  for (const tcase &c : cases) {
    fresh();
    wpl.MROT = c.mrot;
    win2.LCBACK = false;
    expfr.EXPFAC = c.expfac;
    auto body = [&c] {
      bool lfftany = false;
      prplot(false, false, false, c.lfft, c.lffta, false, c.lfftl, c.lspec, false, false, false, 10,
             1.0f, lfftany, 0.0f);
    };
    if (!c.stops) {
      body();
      EXPECT_EQ(report().back(), " WINDOW PARAMETER FOR WIDTH     : ALPHA=   3.0000    ") << c.expfac;
      continue;
    }
    const recs r = stopped_report(body);
    const std::string value = fmt_records("(G13.5)", {{ritem::REAL, 0, c.expfac}})[0];
    EXPECT_EQ(tail(r, 2), (recs{" WINDOW PARAMETER FOR WIDTH     : ALPHA=   3.0000    ",
                                " *** STOP *** EXPFAC =" + value + " MUST BE GREATER THAN 1 FOR THE SPECTRA"}))
        << c.expfac;
  }
}

// A triangular bunch (NBUNCH < 1) has no Gaussian spectrum: warned when a spectrum is asked.
TEST(Echo, PlotGroupWarnsThatATriangularBunchGivesNoSpectrum) {
  for (bool lfftl : {true, false}) {
    fresh();
    wpl.MROT = 0;
    cdis.NBUNCH = 0;
    win2.LCBACK = false;
    bool lfftany = false;
    prplot(false, false, false, false, false, false, lfftl, false, false, false, false, 10, 1.0f,
           lfftany, 0.0f);
    const std::string last = " WINDOW PARAMETER FOR WIDTH     : ALPHA=   3.0000    ";
    if (lfftl)
      EXPECT_EQ(tail(report(), 2),
                (recs{last, " *** WARNING ***  WHEN NBUNCH IS LESS THAN 1, NO FFT WILL BE PRODUCED."}));
    else
      EXPECT_EQ(report().back(), last);
  }
}

// A beam-only continuation prints no echo but stops all the same, after its run banner.
TEST(Echo, BeamOnlyRunWithSpectraStopsOnTheEnhancementFactor) {
  std::string deck = deck_file("pillbox_small.in");
  deck.replace(deck.find("LSAV=F"), 6, "LSAV=F, ITEST=1");
  deck.replace(deck.find("STOP"), 4, "CONT\n &BEAM  SIG=0.012 /\n &PLOT  LFFTL=T, EXPFAC=0.5 /\nSTOP");
  const run_result r = run_zelk(deck, "b.in", "b.in");
  EXPECT_EQ(r.status, 1) << r.err_terminal;
  const recs rep = lines_of(slurp(r.dir / "b.out"));
  ASSERT_GE(rep.size(), 9u);
  EXPECT_EQ(rep.back(), " *** STOP *** EXPFAC =  0.50000     MUST BE GREATER THAN 1 FOR THE SPECTRA");
  EXPECT_EQ(rep[rep.size() - 9], "1" + std::string(76, '*')); // the banner of run 2 before it
  EXPECT_NE(rep[rep.size() - 7].find(" 2ND RUN"), std::string::npos) << rep[rep.size() - 7];
  // The first run, which asks for no spectrum, ends normally before it.
  EXPECT_EQ(std::count(rep.begin(), rep.end(), " $PLOT:"), 1);

  // Without a spectrum the beam-only run has no use for EXPFAC and ends normally.
  deck.replace(deck.find("LFFTL=T, "), 9, "");
  const run_result q = run_zelk(deck, "c.in", "c.in");
  EXPECT_EQ(q.status, 0) << q.err_terminal;
  const recs rq = lines_of(slurp(q.dir / "c.out"));
  EXPECT_TRUE(std::none_of(rq.begin(), rq.end(), [](const std::string &l) { return l.find("*** STOP") != l.npos; }));
}

TEST(Echo, PrinGroup) {
  fresh();
  ffts.LSVF = true;
  prprin(true, false, false, true);
  EXPECT_EQ(report(), (recs{"", " $PRIN:", " PRINTOUT OF CAVITY SHAPE USED    (LMATPR)  :  T",
                            " PRINTOUT OF WAKE POTENTIALS      (LPRW)    :  F",
                            " LINE-PRINTER PLOT OF WAKE POT.   (LPPW)    :  T",
                            " SAVE WAKE POTENTIALS IN A FILE   (LSVW)    :  F",
                            " SAVE AZIMUTHAL WAKE IN A FILE    (LSVWA)   :  F",
                            " SAVE TRANSVERSE WAKE IN A FILE   (LSVWT)   :  F",
                            " SAVE LONGITUDINAL WAKE IN A FILE (LSVWL)   :  F",
                            " SAVE FFT RESULTS IN A FILE       (LSVF)    :  T"}));
}

TEST(Echo, GeometryFormLine) {
  fresh();
  mp.CAVTXT = "HALF CELL INPUT ";
  prgeoform(true);
  prgeoform(false);
  EXPECT_EQ(report(), (recs{"", " @CAVITYSHAPE (@@CAVITYSHAPE) :  HALF CELL INPUT ", "",
                            " #CAVITYSHAPE (##CAVITYSHAPE) :  HALF CELL INPUT "}));
}

namespace {

// Stored geometry lines 1 .. n and the contour points RR, ZZ with mesh indices IR, IZ.
struct gpoint {
  const char *line;
  float rr, zz;
  int ir, iz;
};
void store_geometry(const std::vector<gpoint> &g) {
  for (std::size_t j = 0; j < g.size(); ++j) geolines[j + 1] = padto(g[j].line, 72);
  geolines[g.size() + 1] = padto("9999 0", 72);
}
void store_contour(const std::vector<gpoint> &g) {
  int k = 1;
  for (const gpoint &p : g) {
    if (p.ir < 0) continue; // a line that is no contour line (repeat marks)
    geo.RR(k) = p.rr;
    geo.ZZ(k) = p.zz;
    latc.IR(k) = p.ir;
    latc.IZ(k) = p.iz;
    ++k;
  }
}

} // namespace

TEST(Echo, GeometryOfAnAbsoluteDeck) {
  fresh();
  latc.DDZ = 0.01f;
  var.RZ(3) = 0.02f;
  var.RZ(5) = 0.02f;
  const std::vector<gpoint> g = {
      {"0.0 0.0", 0.0f, 0.0f, 1, 1},
      {"0.02 0.0", 0.02f, 0.0f, 3, 1},
      {"0.02 0.02", 0.02f, 0.02f, 3, 3},
      {"CS -RZ5", -1.0f, -0.02f, 0, 0},     // convex circle, radius from RZ5
      {"0.0337 0.06", 0.0337f, 0.06f, 4, 7}, // between radial lines 4 and 5
      {"RZ3, 0.08", 0.02f, 0.08f, 3, 9},
      {"ES 0.0", -3.0f, 0.0f, 0, 0},
      {"0.03 0.05", 0.03f, 0.05f, 0, 0},     // centre of the ellipse
      {"0.02 0.1", 0.02f, 0.12f, 3, 10},     // NLAST: its z replaced by the structure length
      {"0.0 0.1", 0.0f, 0.1f, 1, 11},
      {"0.0 0.0", 0.0f, 0.0f, 1, 1},
  };
  store_geometry(g);
  store_contour(g);
  lat2.NLAST = 9;
  prngeo(false, 11, 0.1f);
  EXPECT_EQ(report(),
            (recs{"", " INPUT:       (R, Z)                   (IR, IZ)",
                  " (    0.0000       0.0000     )  (       1      1 )",
                  " (   0.20000E-01   0.0000     )  (       3      1 )",
                  " (   0.20000E-01  0.20000E-01 )  (       3      3 )",
                  " CONNECTED BY A CONVEX  CIRCLE, IKIND=-1,  RADIUS= RZ  5 --->   -0.20000E-01",
                  " (   0.33700E-01  0.60000E-01 )  (       4      7 ) ---> (   0.30000E-01  0.60000E-01 )",
                  " (      RZ  3     0.80000E-01 )  (       3      9 ) ---> (   0.20000E-01  0.80000E-01 )",
                  " CONNECTED BY AN ELLIPSE,       IKIND=-3,  (RM, ZM)=     (   0.30000E-01  0.50000E-01 )",
                  " (   0.20000E-01  0.10000     )  (       3     10 )",
                  " (    0.0000      0.10000     )  (       1     11 )",
                  " (    0.0000       0.0000     )  (       1      1 )"}));
}

namespace {

// A relative deck whose middle group is taken twice; the closing line returns to the axis.
// With empty_group, a group without contour lines and a huge count follows it.
std::vector<gpoint> relative_deck(float rclose, bool empty_group = false) {
  std::vector<gpoint> g = {
      {"0.0 0.0", 0.0f, 0.0f, 1, 1},
      {"0.02 0.0", 0.02f, 0.0f, 3, 1},
      {"> 2", 0.0f, 0.0f, -1, -1},
      {"0.0 0.01", 0.02f, 0.01f, 3, 2},
      {"0.01 0.0", 0.03f, 0.01f, 4, 2},
      {"<", 0.0f, 0.0f, -1, -1},
  };
  const std::vector<gpoint> empty = {{"> 2000000000", 0.0f, 0.0f, -1, -1},
                                     {"<", 0.0f, 0.0f, -1, -1}};
  const std::vector<gpoint> rest = {
      {"-0.0163 0.0", 0.0237f, 0.02f, 3, 3}, // off the radial lines
      {"-0.0037 0.03", 0.02f, 0.05f, 3, 5},  // NLAST
      {"-0.02 0.0", 0.0f, 0.05f, 1, 6},
      {"0.0 -0.05", rclose, 0.0f, 1, 1},
  };
  if (empty_group) g.insert(g.end(), empty.begin(), empty.end());
  g.insert(g.end(), rest.begin(), rest.end());
  return g;
}

// Returns the number of stored lines.
int store_relative(float rclose, bool empty_group = false) {
  std::vector<gpoint> g = relative_deck(rclose, empty_group);
  store_geometry(g);
  // The contour as decoded: the group's two lines twice.
  const std::size_t t = empty_group ? 8 : 6; // first line after the groups
  std::vector<gpoint> c = {g[0], g[1], g[3], g[4], {"", 0.03f, 0.02f, 4, 3},
                           {"", 0.04f, 0.02f, 5, 3}, g[t], g[t + 1], g[t + 2], g[t + 3]};
  store_contour(c);
  lat2.NLAST = 8;
  return static_cast<int>(g.size());
}

} // namespace

TEST(Echo, GeometryOfARelativeDeckEchoesEveryPassOfAGroup) {
  // Also with a group that holds no contour line and a count of two thousand million:
  // its passes write nothing, and the echo does not spin through them.
  for (bool empty_group : {false, true}) {
    fresh();
    latc.DDZ = 0.01f;
    const int nlines = store_relative(0.0f, empty_group);
    const auto t0 = std::chrono::steady_clock::now();
    prngeo(true, nlines, 0.05f);
    // Passing through every empty pass takes most of a minute; the echo takes microseconds.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 10.0);
    EXPECT_EQ(report(),
              (recs{"", " INPUT:       (R, Z)                   (IR, IZ)",
                    " (    0.0000       0.0000     )  (       1      1 ) ---> (    0.0000       0.0000     )",
                    " (   0.20000E-01   0.0000     )  (       3      1 ) ---> (   0.20000E-01   0.0000     )",
                    " (    0.0000      0.10000E-01 )  (       3      2 ) ---> (   0.20000E-01  0.10000E-01 )",
                    " (   0.10000E-01   0.0000     )  (       4      2 ) ---> (   0.30000E-01  0.10000E-01 )",
                    " (    0.0000      0.10000E-01 )  (       4      3 ) ---> (   0.30000E-01  0.20000E-01 )",
                    " (   0.10000E-01   0.0000     )  (       5      3 ) ---> (   0.40000E-01  0.20000E-01 )",
                    " (  -0.16300E-01   0.0000     )  (       3      3 ) ---> (   0.23700E-01  0.20000E-01 ) ---> (   0.20000E-01  0.20000E-01 )",
                    " (  -0.37000E-02  0.30000E-01 )  (       3      5 ) ---> (   0.20000E-01  0.50000E-01 )",
                    " (  -0.20000E-01   0.0000     )  (       1      6 ) ---> (    0.0000      0.50000E-01 )",
                    " (    0.0000     -0.50000E-01 )  (       1      1 ) ---> (    0.0000       0.0000     )"}))
        << "empty group " << empty_group;
  }
}

TEST(Echo, GeometryOfARelativeDeckStopsWhenTheFirstPolygonStaysOpen) {
  // The closing point 0.006 above the axis: more than half the radial step 0.01.
  fresh();
  latc.DDZ = 0.01f;
  store_relative(0.006f);
  const recs r = stopped_report([] { prngeo(true, 10, 0.05f); });
  EXPECT_EQ(tail(r, 2), (recs{" *** STOP *** THE FIRST POLYGON IS NOT CLOSED.",
                              " THERE IS A VERTICAL GAP MORE THAN DDR/2 AT RLC."}));
  // 0.004 is less than half a step: no stop.
  fresh();
  latc.DDZ = 0.01f;
  store_relative(0.004f);
  prngeo(true, 10, 0.05f);
  EXPECT_EQ(report().size(), 12u);
}

TEST(Echo, GeometryPassesOverALineThatIsNoCurveCode) {
  fresh();
  latc.DDZ = 0.01f;
  const std::vector<gpoint> g = {
      {"0.0 0.0", 0.0f, 0.0f, 1, 1},
      {"0.01 0.0", -1.5f, 0.0f, 1, 1}, // a radius value of -1.5 is neither point nor arc
      {"0.02 0.0", 0.02f, 0.0f, 3, 1},
  };
  store_geometry(g);
  store_contour(g);
  lat2.NLAST = 8;
  prngeo(false, 3, 0.0f);
  EXPECT_EQ(report(), (recs{"", " INPUT:       (R, Z)                   (IR, IZ)",
                            " (    0.0000       0.0000     )  (       1      1 )",
                            " (   0.20000E-01   0.0000     )  (       3      1 )"}));
}
