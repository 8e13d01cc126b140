// Completion of the wake arrays at the end of a run: the unequal-pipe corrections, the
// transverse wake from the longitudinal one, the logarithmic term, the drive ring on
// the axis and the conditions of the spectra; end to end on small decks.
#include <gtest/gtest.h>

#include <cmath>

#include "../results/wake_fixture.hpp"
#include "results/wakes.hpp"
#include "run/completion.hpp"
#include "run_binary.hpp"

namespace {
arr1<float> &WZ() { return wzwy_data.wz; }
arr1<float> &WT() { return wzwy_data.wt; }
arr1<float> &WY() { return wzwy_data.wy; }
arr1<float> &WP() { return wzwy_data.wp; }

// Dipole test run (no spectra) on the fixture, radial step = DDZ = 0.001.
wcase dipole(int IRPL, int IRPR, int NW = 10) {
  wcase c;
  c.MROT = 1;
  c.NBUNCH = 1;
  c.SIG = 0.004f;
  c.IRPL = IRPL;
  c.IRPR = IRPR;
  c.NW = NW;
  return c;
}
} // namespace

// wt(k) is the mean of the running sums of -wz*DDZ/RW at k - 1 and k. With DDZ/RW =
// 1/4 and wz(k) = k the sums are -k(k+1)/8, so wt(k) = -k^2/8 exactly.
TEST(Completion, TransverseWakeIsTheMeanOfTheRunningSums) {
  for (int NW : {10, 1}) {
    wake_setup(dipole(5, 5, NW));
    mp.ITEST = 1;
    ASSERT_EQ(mp.RW, 4.0f * latc.DDZ);
    for (int k = 1; k <= NW; ++k) WZ()(k) = static_cast<float>(k);
    complete_run();
    for (int k = 1; k <= NW; ++k) {
      EXPECT_EQ(WT()(k), -static_cast<float>(k * k) / 8.0f) << "NW " << NW << " k " << k;
      EXPECT_EQ(WZ()(k), static_cast<float>(k)) << "equal pipes leave wz alone";
    }
    EXPECT_FALSE(mp.LOGT);
  }
}

// Unequal pipes, a < b: the static field difference lambda*D*RW*(1/b^2 - 1/a^2)/(2 pi eps0)
// is added to wz inside the bunch only; LNONAP turns its sign. With LCRBW wt = -wy.
TEST(Completion, DipoleCorrectionOfUnequalPipes) {
  const int IRPL = 5, IRPR = 8;
  std::vector<float> delta[2];
  for (int nonap = 0; nonap <= 1; ++nonap) {
    wcase c = dipole(IRPL, IRPR, 60);
    wake_setup(c);
    mp.ITEST = 1;
    wpl2.LNONAP = nonap == 1;
    crbw.LCRBW = true;
    for (int k = 1; k <= c.NW; ++k) WY()(k) = 2.0f * static_cast<float>(k);
    complete_run();
    const float a = gr(IRPL), b = gr(IRPR), D = gr(c.IRDRIVE), RW = mp.RW;
    float X = D * RW * (1.0f / (b * b) - 1.0f / (a * a)) / (2.0f * cons.PI * cons.EPS0);
    if (nonap) X = -X;
    for (int k = 1; k <= c.NW; ++k) {
      const float lam = k <= qkar.NQ ? wdens(k) : 0.0f;
      EXPECT_NEAR(WZ()(k), lam * X, 1.0e-6f * std::fabs(lam * X)) << "k " << k;
      EXPECT_EQ(WT()(k), -WY()(k)) << "k " << k;
      delta[nonap].push_back(WZ()(k));
    }
  }
  for (std::size_t k = 0; k < delta[0].size(); ++k) EXPECT_EQ(delta[1][k], -delta[0][k]);
  EXPECT_LT(delta[0][20], 0.0f); // a < b: 1/b^2 - 1/a^2 < 0
  EXPECT_EQ(delta[0][59], 0.0f); // beyond the bunch
}

// The drive ring on the axis (D = 0) between pipes off the axis: the correction is
// lambda * 0 * (1/b^2 - 1/a^2) / (2 pi eps0), a zero of the sign of 1/b^2 - 1/a^2
// (negative for a < b); -0 samples of wz keep their sign under it, as the formula gives.
TEST(Completion, DipoleCorrectionWithTheRingOnTheAxisIsTheFormulasZero) {
  wcase c = dipole(5, 8, 20);
  c.IRDRIVE = 1;
  wake_setup(c);
  mp.ITEST = 1;
  for (int k = 1; k <= c.NW; ++k) WZ()(k) = -0.0f;
  complete_run();
  for (int k = 1; k <= c.NW; ++k) {
    EXPECT_EQ(WZ()(k), 0.0f) << "k " << k;
    EXPECT_TRUE(std::signbit(WZ()(k))) << "k " << k;
  }
}

// Monopole, Napoly contour, unequal pipes: F = lambda*ln(b/a)/(pi eps0); wp = wz - F and
// wz - F/2 in wz; beyond the bunch wp = wz. No such term without LNAPOLY or for MROT = 1.
TEST(Completion, LogarithmicTermOfUnequalPipes) {
  struct row {
    int MROT;
    bool LNAPOLY, LOGT;
  } rows[] = {{0, true, true}, {0, false, false}, {1, true, false}};
  for (const row &r : rows) {
    wcase c = dipole(5, 8, 60);
    c.MROT = r.MROT;
    wake_setup(c);
    mp.ITEST = 1;
    wpl2.LNAPOLY = r.LNAPOLY;
    mp.LNAPM1 = r.LNAPOLY && r.MROT == 1;
    for (int k = 1; k <= c.NW + 5; ++k) WZ()(k) = WP()(k) = 1.0e10f;
    complete_run();
    EXPECT_EQ(mp.LOGT, r.LOGT) << "MROT " << r.MROT;
    if (!r.LOGT) continue;
    const float L = std::log(gr(8) / gr(5));
    for (int k = 1; k <= c.NW; ++k) {
      const float F = (k <= qkar.NQ ? wdens(k) : 0.0f) * L / (cons.PI * cons.EPS0);
      EXPECT_EQ(WP()(k), 1.0e10f - F) << "k " << k;
      EXPECT_EQ(WZ()(k), 1.0e10f - F / 2.0f) << "k " << k;
      if (k > qkar.NQ) {
        EXPECT_EQ(WP()(k), WZ()(k)) << "k " << k;
      }
    }
    EXPECT_GT(1.0e10f - WP()(qkar.NQ / 2), 0.0f); // b > a: the term lowers the wake
    bool line = false;
    for (const std::string &x : umem(ndev.NOUT))
      line = line || x.rfind(" WITH LOG. TERM DUE TO UNEQUAL BEAM PIPE RADII  = ", 0) == 0;
    EXPECT_TRUE(line);
  }
}

// Drive ring on the axis in a dipole run: report and tables at scale 0, the warning
// after the extremum lines, and FAC = 0 for the dipole spectra.
TEST(Completion, DriveRingOnTheAxis) {
  wcase c = dipole(5, 5, 20);
  c.IRDRIVE = 1;
  wake_setup(c);
  mp.FAC = -7.0f;
  mp.LFFT = mp.LFFTANY = true;
  mp.LSVW = true;
  for (int k = 1; k <= c.NW + 5; ++k) WZ()(k) = -static_cast<float>(k) * 1.0e9f;
  complete_run();
  EXPECT_EQ(mp.FAC, 0.0f);
  const std::vector<std::string> &r = umem(ndev.NOUT);
  std::size_t w = 0;
  for (std::size_t k = 0; k < r.size(); ++k)
    if (r[k].find("*** WARNING *** THE DRIVE RING IS ON THE AXIS") != std::string::npos) w = k;
  ASSERT_GT(w, 0u);
  EXPECT_EQ(r[w], " *** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.");
  // WMIN < 0 times the scale 0 is -0, as the formula gives it.
  EXPECT_EQ(r[w - 1].rfind(" LONGITUDINAL WAKE   MIN/MAX=-0.000E+00/ 0.000E+00 V/PC/M**2,", 0), 0u) << r[w - 1];
  EXPECT_EQ(r[w + 1], "0");
  for (const std::string &x : umem(ndev.NPOT)) EXPECT_EQ(x.find("NaN"), std::string::npos) << x;
}

// Spectra rest on one Gaussian bunch: none for a test run, a train or a triangular
// bunch when a spectrum is asked for. FAC = 1/D and the LFFT expansion show that the
// spectra were made.
TEST(Completion, ConditionsOfTheSpectra) {
  struct row {
    int NBUNCH, ITEST;
    bool LFFTANY, made;
  } rows[] = {
      {1, 0, true, true}, {2, 0, true, false}, {0, 0, true, false}, {-1, 0, true, false},
      {1, 1, true, false}, {0, 0, false, false}, {2, 0, false, true},
  };
  for (const row &r : rows) {
    wcase c;
    c.NBUNCH = r.NBUNCH;
    c.SIG = 0.004f;
    wake_setup(c);
    mp.ITEST = r.ITEST;
    mp.LFFTANY = r.LFFTANY;
    mp.LFFT = true;
    mp.FAC = -7.0f;
    complete_run();
    const std::string what = "NBUNCH " + std::to_string(r.NBUNCH) + " ITEST " + std::to_string(r.ITEST);
    EXPECT_EQ(mp.LFFTL, r.made) << what;
    EXPECT_EQ(mp.FAC, r.made ? 1.0f / gr(c.IRDRIVE) : -7.0f) << what;
  }
}

// End to end: the report's wake section ends with the loss factor, the table file has
// the longitudinal wake block of NW + 6 records.
TEST(Completion, PillboxReportEndsWithTheLossFactor) {
  std::string deck = deck_file("pillbox_small.in");
  const std::string prin = " &PRIN  /";
  deck.replace(deck.find(prin), prin.size(), " &PRIN  LSVW=T /");
  run_result r = run_zelk(deck, "pillbox.in", "pillbox.in", "OMP_NUM_THREADS=2");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  std::vector<std::string> rep = lines_of(slurp(r.dir / "pillbox.out"));
  ASSERT_GE(rep.size(), 10u);
  // the end block takes the last six records
  const std::string &loss = rep[rep.size() - 7];
  EXPECT_EQ(loss.rfind(" INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY = ", 0), 0u) << loss;
  EXPECT_NE(loss.find("(FIRST/LAST HALF = "), std::string::npos) << loss;
  const float k = field_after(loss, "DENSITY = ");
  EXPECT_TRUE(std::isfinite(k) && k != 0.0f) << loss;
  std::vector<std::string> pot = lines_of(slurp(r.dir / "pillbox.pot"));
  ASSERT_GE(pot.size(), 6u);
  EXPECT_EQ(pot[0], "  TITLE: LONGITUDINAL WAKE POTENTIAL             ");
  const int n = std::atoi(pot[3].c_str() + 35);
  EXPECT_GT(n, 0);
  EXPECT_EQ(static_cast<int>(pot.size()), n + 6);
  EXPECT_EQ(pot.back(), " ");
}

TEST(Completion, DipoleDeckWithTheRingOnTheAxis) {
  run_result r = run_zelk(deck_file("dipole_ring_on_axis.in"), "ring.in", "ring.in");
  ASSERT_EQ(r.status, 0) << r.err_terminal;
  const std::string out = slurp(r.dir / "ring.out");
  EXPECT_NE(out.find("\n *** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.\n"),
            std::string::npos);
  for (const char *f : {"ring.out", "ring.pot", "ring.top"}) {
    const std::string t = slurp(r.dir / f);
    EXPECT_EQ(t.find("NaN"), std::string::npos) << f;
    EXPECT_EQ(t.find("Infinity"), std::string::npos) << f;
  }
}

// ln(b/a) of a pipe of zero radius has no value: the run stops before its time loop.
TEST(Completion, LogarithmicTermWithAPipeOfZeroRadiusStops) {
  run_result r = run_zelk(deck_file("napoly_zero_pipe.in"), "zp.in", "zp.in");
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> rep = lines_of(slurp(r.dir / "zp.out"));
  ASSERT_FALSE(rep.empty());
  EXPECT_EQ(rep.back(), " *** STOP *** RBP =   0.0000     THE LOGARITHMIC TERM OF UNEQUAL PIPES NEEDS BEAM PIPES OF NON-ZERO RADIUS.");
}
