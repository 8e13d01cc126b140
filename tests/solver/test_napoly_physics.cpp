// The Napoly contour against physics, monopole and dipole: with equal pipes it gives the
// straight-line wake; between unequal pipes its loss factor does not depend on where the
// contour runs; with the logarithmic term it gives the loss of a step-out that the
// straight line reaches only with a long outgoing pipe; a dipole run with LTAVO keeps the
// witness index of the plain run. Thread-count independence, the report lines of a
// Napoly run, and a counter-rotating run with a moving stored window.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "deckrun.hpp"
#include "results/wakes.hpp"
#include "run/runseq.hpp"
#include "run/timeloop.hpp"
#include "run/units.hpp"

namespace {

std::string read_deck(const std::string &name) {
  std::ifstream f(std::string(ZELK_SOURCE_DIR) + "/tests/decks/" + name);
  EXPECT_TRUE(f.good()) << name;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A structure given by its wall points (r, z) from the left pipe end to the right one,
// closed along the axis; mesh h, bunch SIG = 5 mm, MT = 3, a wake of 6 cm.
std::string deck_of(const std::vector<std::pair<float, float>> &wall, int MROT,
                    const std::string &wake_extra, float h = 0.001f, int MT = 3) {
  std::ostringstream d;
  d << " &FILE  LSAV=F /\nNAPOLY TEST STRUCTURE\n"
    << " &MESH  DDZ=" << h << ", DDR(1)=" << h << " /\n#CAVITYSHAPE\n0.\n0.0 0.0\n";
  for (const auto &p : wall) d << p.first << " " << p.second << "\n";
  d << "0.0 " << wall.back().second << "\n0.0 0.0\n9999. 0.\n"
    << " &BEAM  SIG=0.005, MROT=" << MROT << " /\n &TIME  MT=" << MT << " /\n"
    << " &WAKE  UBT=0.06" << wake_extra << " /\n &PLOT  /\n &PRIN  /\nSTOP\n";
  return d.str();
}

// A cavity of radius 4 cm and length 3 cm between a left pipe of radius a and length
// L1 and a right pipe of radius b and length L2.
std::string cavity(float a, float b, float L1, float L2, int MROT, const std::string &wake,
                   float h = 0.001f, int MT = 3) {
  const float z1 = L1, z2 = L1 + 0.03f, ze = z2 + L2;
  return deck_of({{a, 0.0f}, {a, z1}, {0.04f, z1}, {0.04f, z2}, {b, z2}, {b, ze}}, MROT, wake, h, MT);
}

std::string contour(float ZCF, float ZCT, float RWAK) {
  std::ostringstream s;
  s << ", LNAPOLY=T, ZCF=" << ZCF << ", ZCT=" << ZCT << ", RWAK=" << RWAK;
  return s.str();
}

// The whole run of a deck, as the main program does it.
void run_deck(const std::string &deck) {
  deck_read(deck);
  one_run(false);
}

std::vector<float> wz_of_run() {
  std::vector<float> w;
  for (int s = 1; s <= mp.NW; ++s) w.push_back(wzwy_data.wz(s));
  return w;
}

// Loss factor (V/C) of the bunch: the wake times the line density, integrated over the
// bunch; of wp (with the logarithmic term) when the run made it.
double loss_factor(bool with_log) {
  const arr1<float> &w = with_log ? wzwy_data.wp : wzwy_data.wz;
  double k = 0.0;
  for (long s = 1; s <= qkar.NQ && s <= w.size(); ++s) k += double(w(s)) * wdens(s) * latc.DDZ;
  return k;
}

float peak(const std::vector<float> &w) {
  float m = 0.0f;
  for (float x : w) m = std::max(m, std::fabs(x));
  return m;
}

bool report_has(const std::string &text) {
  for (const std::string &l : umem(ndev.NOUT))
    if (l.find(text) != std::string::npos) return true;
  return false;
}

} // namespace

// Equal pipes, the contour on the pipe radius with its legs given: no leg contributes and
// each column adds Ez of the pipe line once in all, so the wake is that of the straight
// line within rounding.
TEST(NapolyPhysics, EqualPipesGiveTheStraightLineWake) {
  const std::string deck = cavity(0.01f, 0.01f, 0.03f, 0.03f, 0, "");
  run_deck(deck);
  const std::vector<float> straight = wz_of_run();
  run_deck(cavity(0.01f, 0.01f, 0.03f, 0.03f, 0, contour(0.02f, 0.07f, 0.01f)));
  ASSERT_TRUE(wpl2.LNAPOLY);
  ASSERT_EQ(wprm.IRWAK, pipes.IRPL);
  const std::vector<float> napoly = wz_of_run();
  ASSERT_EQ(straight.size(), napoly.size());
  const float A = peak(straight);
  EXPECT_GT(A, 1e11f);
  for (std::size_t s = 0; s < straight.size(); ++s)
    EXPECT_NEAR(napoly[s], straight[s], 1.0e-5f * A) << "s = " << s + 1;
}

// A cavity between pipes of 1 and 1.5 cm. The loss factor with the logarithmic term does
// not depend on the contour: legs moved along the pipes, the horizontal part lowered
// below the smaller aperture (both legs then carry field), both pipes twice as long.
TEST(NapolyPhysics, MonopoleLossFactorDoesNotDependOnTheContour) {
  const float a = 0.01f, b = 0.015f;
  run_deck(cavity(a, b, 0.03f, 0.03f, 0, contour(0.01f, 0.08f, 0.01f)));
  ASSERT_TRUE(mp.LOGT);
  const double k0 = loss_factor(true);
  EXPECT_GT(std::fabs(k0), 1e11);
  struct row {
    const char *what;
    std::string deck;
  } rows[] = {
      {"legs moved in", cavity(a, b, 0.03f, 0.03f, 0, contour(0.02f, 0.07f, 0.01f))},
      {"legs moved out", cavity(a, b, 0.03f, 0.03f, 0, contour(0.005f, 0.085f, 0.01f))},
      {"RWAK below the smaller pipe", cavity(a, b, 0.03f, 0.03f, 0, contour(0.01f, 0.08f, 0.005f))},
      {"pipes twice as long", cavity(a, b, 0.06f, 0.06f, 0, contour(0.04f, 0.11f, 0.01f))},
      {"pipes twice as long, legs at the ends", cavity(a, b, 0.06f, 0.06f, 0, contour(0.01f, 0.14f, 0.01f))},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    run_deck(r.deck);
    const double k = loss_factor(true);
    EXPECT_LT(std::fabs(k / k0 - 1.0), 0.01) << "loss factor " << k << " V/C, base " << k0;
  }
}

// A step-out from radius a = 1 cm to b = 2 cm. With short pipes (2 cm each side) the
// Napoly loss factor with the logarithmic term is the loss of the step; the straight line
// at r = a reaches it only once the field scattered at the step has caught up with the
// witness, here with an outgoing pipe of 40 cm.
TEST(NapolyPhysics, StepOutWithTheLogTermMatchesTheLongPipeStraightLine) {
  auto step = [](float L2, const std::string &wake) {
    return deck_of({{0.01f, 0.0f}, {0.01f, 0.02f}, {0.02f, 0.02f}, {0.02f, 0.02f + L2}}, 0, wake);
  };
  run_deck(step(0.02f, ""));
  ASSERT_TRUE(wpl2.LNAPOLY); // forced by the unequal pipes
  ASSERT_TRUE(mp.LOGT);
  const double kn = loss_factor(true);
  run_deck(step(0.40f, ", LNONAP=T"));
  ASSERT_FALSE(wpl2.LNAPOLY);
  const double ks = loss_factor(false);
  EXPECT_GT(std::fabs(ks), 1e11);
  EXPECT_LT(std::fabs(kn / ks - 1.0), 0.02) << "Napoly " << kn << " V/C, straight line " << ks;
}

// A monopole run that the unequal pipes put on the Napoly contour ends with wp and the
// report lines of the logarithmic term, from non-zero wakes.
TEST(NapolyPhysics, ForcedMonopoleRunReportsTheLogTerm) {
  run_deck(read_deck("napoly_cavity_unequal.in"));
  ASSERT_TRUE(wpl2.LNAPOLY);
  EXPECT_TRUE(mp.LOGT);
  EXPECT_GT(peak(wz_of_run()), 1e11f);
  EXPECT_NE(loss_factor(true), loss_factor(false));
  EXPECT_TRUE(report_has(" WAKE WITH LOG, TERM MIN/MAX="));
  EXPECT_TRUE(report_has(" WITH LOG. TERM DUE TO UNEQUAL BEAM PIPE RADII  = "));
  EXPECT_FALSE(report_has("PIPE RADII  =  0.000E+00"));
  for (int s = 1; s <= mp.NW; ++s) EXPECT_EQ(wzwy_data.wy(s), 0.0f) << s;
}

// 1 thread against 8: the wakes of a Napoly run with both legs in the field, bit for bit,
// on a mesh of 0.25 mm whose window exceeds the size that the field step runs in parallel.
TEST(NapolyPhysics, MonopoleThreadCountDoesNotChangeTheWake) {
  const std::string deck =
      cavity(0.01f, 0.015f, 0.03f, 0.03f, 0, contour(0.01f, 0.08f, 0.005f), 0.00025f);
  std::vector<float> res[2];
  const int saved = omp_get_max_threads();
  const int nt[2] = {1, 8};
  for (int r = 0; r < 2; ++r) {
    omp_set_num_threads(nt[r]);
    run_deck(deck);
    long widest = 0;
    for (int k = 1; k <= wind.NT; ++k) {
      int jb, jf;
      wndpair(k, jb, jf);
      widest = std::max(widest, static_cast<long>(latc.NR) * (jf - jb + 1));
    }
    EXPECT_GT(widest, 32768L);
    res[r].assign(wzwy_data.wz.v.begin(), wzwy_data.wz.v.end());
    res[r].insert(res[r].end(), wzwy_data.wp.v.begin(), wzwy_data.wp.v.end());
  }
  omp_set_num_threads(saved);
  ASSERT_EQ(res[0].size(), res[1].size());
  EXPECT_GT(peak(res[0]), 1e11f);
  EXPECT_EQ(std::memcmp(res[0].data(), res[1].data(), res[0].size() * sizeof(float)), 0);
}

// A counter-rotating beam with the Napoly method: the witness columns run backwards, the
// interpolation reads the columns behind, and the stored window moves past them (the
// columns it has left count as 0). The beams meet at the cavity in the middle, where the
// legs stand (on the pipe walls Ez is 0). Runs clean in the index-checked build.
TEST(NapolyPhysics, CounterRotatingRunWithMovingStoredWindow) {
  const float z1 = 0.14f, z2 = 0.17f, ze = 0.30f;
  const std::string deck = deck_of({{0.01f, 0.0f}, {0.01f, z1}, {0.04f, z1}, {0.04f, z2}, {0.015f, z2},
                                    {0.015f, ze}},
                                   0, ", LCRBW=T, ZSEP=0.29");
  deck_read(deck);
  ASSERT_TRUE(run_prepare(false));
  ASSERT_TRUE(wpl2.LNAPOLY);
  ASSERT_TRUE(crbw.LCRBW);
  advan(false, mp.KX, mp.KY, mp.KSTART);
  time_loop();
  EXPECT_GT(lfrbk.IZMWL, 1); // the stored window moved
  const std::vector<float> w = wz_of_run();
  for (float x : w) ASSERT_TRUE(std::isfinite(x));
  EXPECT_GT(peak(w), 0.0f);
}

// ------------------------------------------------------------------ dipole

namespace {

// Kick factor (V/C/m for the unit offset of the drive ring): the transverse wake times the
// line density, integrated over the bunch.
double kick_factor() {
  double k = 0.0;
  for (long s = 1; s <= qkar.NQ && s <= wzwy_data.wt.size(); ++s)
    k += double(wzwy_data.wt(s)) * wdens(s) * latc.DDZ;
  return k;
}

// The whole-sample lag L (|L| <= 3) that best aligns b(s + L) with a(s), by least squares
// over the samples both curves hold.
int best_lag(const std::vector<float> &a, const std::vector<float> &b) {
  int best = 0;
  double emin = -1.0;
  for (int L = -3; L <= 3; ++L) {
    double e = 0.0;
    for (int s = 3; s + 3 < static_cast<int>(a.size()); ++s) {
      const double d = double(a[s]) - b[s + L];
      e += d * d;
    }
    if (emin < 0.0 || e < emin) emin = e, best = L;
  }
  return best;
}

} // namespace

// Equal pipes of 1 cm (line 11), the contour on the pipe radius: XPX = 2, XMX = 0, no leg
// and no unequal-pipe term, so napl2 gives the straight-line wake within rounding.
TEST(NapolyPhysics, DipoleEqualPipesGiveTheStraightLineWake) {
  run_deck(cavity(0.01f, 0.01f, 0.03f, 0.03f, 1, ""));
  const std::vector<float> straight = wz_of_run();
  run_deck(cavity(0.01f, 0.01f, 0.03f, 0.03f, 1, contour(0.02f, 0.07f, 0.01f)));
  ASSERT_TRUE(mp.LNAPM1);
  ASSERT_EQ(wprm.IRWAK, 11);
  EXPECT_EQ(wprm.XPX, 2.0f);
  EXPECT_EQ(wprm.XMX, 0.0f);
  const std::vector<float> napoly = wz_of_run();
  ASSERT_EQ(straight.size(), napoly.size());
  const float A = peak(straight);
  EXPECT_GT(A, 1e9f);
  for (std::size_t s = 0; s < straight.size(); ++s)
    EXPECT_NEAR(napoly[s], straight[s], 1.0e-5f * A) << "s = " << s + 1;
}

// The dipole cavity between pipes of 1 and 1.5 cm: the loss factor (after the unequal-pipe
// correction) does not depend on the contour: legs moved along the pipes, the horizontal
// part lowered to line 7, both pipes twice as long.
TEST(NapolyPhysics, DipoleLossFactorDoesNotDependOnTheContour) {
  const float a = 0.01f, b = 0.015f;
  run_deck(cavity(a, b, 0.03f, 0.03f, 1, contour(0.01f, 0.08f, 0.01f)));
  ASSERT_TRUE(mp.LNAPM1);
  const double k0 = loss_factor(false);
  EXPECT_GT(std::fabs(k0), 1e9);
  struct row {
    const char *what;
    std::string deck;
  } rows[] = {
      {"legs moved in", cavity(a, b, 0.03f, 0.03f, 1, contour(0.02f, 0.07f, 0.01f))},
      {"legs moved out", cavity(a, b, 0.03f, 0.03f, 1, contour(0.005f, 0.085f, 0.01f))},
      {"RWAK below the smaller pipe", cavity(a, b, 0.03f, 0.03f, 1, contour(0.01f, 0.08f, 0.006f))},
      {"pipes twice as long", cavity(a, b, 0.06f, 0.06f, 1, contour(0.04f, 0.11f, 0.01f))},
      {"pipes twice as long, legs at the ends", cavity(a, b, 0.06f, 0.06f, 1, contour(0.01f, 0.14f, 0.01f))},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.what);
    run_deck(r.deck);
    ASSERT_TRUE(mp.LNAPM1);
    const double k = loss_factor(false);
    EXPECT_LT(std::fabs(k / k0 - 1.0), 0.01) << "loss factor " << k << " V/C/m^2, base " << k0;
  }
}

// The Napoly method integrates with the frame of the straight line also when LTAVO is
// set: the dipole wake of a run with LTAVO (MT forced to 4) lines up with that of the run
// without it at MT = 4 to the sample, and the loss and kick factors agree.
TEST(NapolyPhysics, DipoleLtavoRunKeepsTheWitnessIndexOfTheNapolyFrame) {
  const float a = 0.01f, b = 0.015f;
  run_deck(cavity(a, b, 0.03f, 0.03f, 1, ", LTAVO=T"));
  ASSERT_TRUE(wpl2.LNAPOLY);
  ASSERT_EQ(latc.MTE, 4);
  const std::vector<float> tavo = wz_of_run();
  const double kl_t = loss_factor(false), kt_t = kick_factor();
  run_deck(cavity(a, b, 0.03f, 0.03f, 1, "", 0.001f, 4));
  ASSERT_EQ(latc.MTE, 4);
  const std::vector<float> plain = wz_of_run();
  const double kl_p = loss_factor(false), kt_p = kick_factor();
  EXPECT_EQ(best_lag(plain, tavo), 0);
  EXPECT_LT(std::fabs(kl_t / kl_p - 1.0), 0.03) << "loss factor " << kl_t << " and " << kl_p;
  EXPECT_LT(std::fabs(kt_t / kt_p - 1.0), 0.03) << "kick factor " << kt_t << " and " << kt_p;
}

// A dipole run on the Napoly contour reports the transverse and the longitudinal wake,
// from non-zero wakes, and no azimuthal wake (the contour gives none).
TEST(NapolyPhysics, DipoleRunReportsTransverseAndLongitudinalOnly) {
  run_deck(read_deck("napoly_dipole_unequal.in"));
  ASSERT_TRUE(mp.LNAPM1);
  EXPECT_GT(peak(wz_of_run()), 1e9f);
  EXPECT_NE(kick_factor(), 0.0);
  EXPECT_TRUE(report_has(" TRANSVERSE   WAKE   MIN/MAX="));
  EXPECT_TRUE(report_has(" LONGITUDINAL WAKE   MIN/MAX="));
  EXPECT_TRUE(report_has("INTEGRATED  TRANSVERSE   WAKE * CHARGE DENSITY = "));
  EXPECT_TRUE(report_has("INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY = "));
  EXPECT_FALSE(report_has(" AZIMUTHAL    WAKE   MIN/MAX="));
  EXPECT_FALSE(report_has("INTEGRATED  AZIMUTHAL"));
  for (int s = 1; s <= mp.NW; ++s) EXPECT_EQ(wzwy_data.wy(s), 0.0f) << s;
}

// 1 thread against 8 for a dipole Napoly run with legs, on a window wide enough for the
// dipole step to run in parallel.
TEST(NapolyPhysics, DipoleThreadCountDoesNotChangeTheWake) {
  const std::string deck =
      cavity(0.01f, 0.015f, 0.03f, 0.03f, 1, contour(0.01f, 0.08f, 0.006f), 0.00025f);
  std::vector<float> res[2];
  const int saved = omp_get_max_threads();
  const int nt[2] = {1, 8};
  for (int r = 0; r < 2; ++r) {
    omp_set_num_threads(nt[r]);
    run_deck(deck);
    ASSERT_TRUE(mp.LNAPM1);
    long widest = 0;
    for (int k = 1; k <= wind.NT; ++k) {
      int jb, jf;
      wndpair(k, jb, jf);
      widest = std::max(widest, static_cast<long>(latc.NR) * (jf - jb + 1));
    }
    EXPECT_GT(widest, 16384L);
    res[r].assign(wzwy_data.wz.v.begin(), wzwy_data.wz.v.end());
    res[r].insert(res[r].end(), wzwy_data.wt.v.begin(), wzwy_data.wt.v.end());
  }
  omp_set_num_threads(saved);
  ASSERT_EQ(res[0].size(), res[1].size());
  EXPECT_GT(peak(res[0]), 1e9f);
  EXPECT_EQ(std::memcmp(res[0].data(), res[1].data(), res[0].size() * sizeof(float)), 0);
}
