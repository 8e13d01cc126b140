// Impedance and loss-factor spectra: the windowed Fourier sum checked on wakes whose
// spectra are known (a resistor, single spikes), the window functions, the frequency
// range, the Bessel function, the limits of the float range and the plot frames.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "results/impedance.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "../reset_records.hpp"

namespace {

using recs = std::vector<std::string>;

constexpr int NF = 624;
constexpr double C_NS = 0.299792448; // m/ns

// Bunch of SIG = 1 cm on a mesh of 1 mm, cut at 5 sigma: NSTART = 50 samples from the
// head to the centre. The plot file and the report in memory.
void fresh() {
  reset_records();
  latc.SIG = 0.01f;
  latc.DDZ = 0.001f;
  latc.DDR(1) = 0.0005f;
  latc.NZ = 200;
  wpl.MROT = 0;
  cals.SIGCUT = 5.0f;
  wpt.CDATE = "01/02/03";
  wpt.CTIME = "04.05.06";
  for (int k = 1; k <= 10; ++k) mp.TITLE(k) = std::string(8, ' ');
  uopen_mem(ndev.NTOP);
  uopen_mem(ndev.NOUT);
  uopen_mem(ndev.NPOT);
}

fix1<std::string, 10> title() {
  fix1<std::string, 10> t;
  const char *words[9] = {"RESISTOR", " SPECTRU", "M TEST  ", "", "", "", "", "", ""};
  for (int k = 1; k <= 9; ++k) t(k) = words[k - 1];
  return t;
}

// A wake of NN samples (storage NN + 5, as the run's wake arrays).
arr1<float> wake(int NN) { return arr1<float>(NN + 5, 0.0f); }

// Resistor R (Ohm) driven by the Gaussian bunch: W(s) = -R c lambda(s) (V/C), the
// bunch centre at sample NSTART + 1 = 51.
arr1<float> resistor_wake(int NN, double R) {
  arr1<float> W = wake(NN);
  const double sig = 0.01, ddz = 0.001, s0 = 50 * ddz;
  for (int j = 1; j <= NN; ++j) {
    const double s = (j - 1) * ddz;
    const double lam = std::exp(-0.5 * (s - s0) * (s - s0) / (sig * sig)) / (std::sqrt(2 * M_PI) * sig);
    W(j) = static_cast<float>(-R * 299792448.0 * lam);
  }
  return W;
}

struct frame {
  recs r;
  std::vector<double> x, y; // the 624 points of the frame's curve
  std::size_t after = 0;    // index of the record after the points
};

double num(const std::string &s) { return std::strtod(s.c_str(), nullptr); }

// The frames of the plot file, with the points of their main curve.
std::vector<frame> frames() {
  std::vector<frame> f;
  for (const std::string &s : umem(ndev.NTOP)) {
    if (s == "  NEW FRAME") f.emplace_back();
    EXPECT_FALSE(f.empty()) << "record before the first frame: " << s;
    if (f.empty()) continue;
    f.back().r.push_back(s);
  }
  for (frame &fr : f) {
    std::size_t k = 0;
    while (k < fr.r.size() && fr.r[k].rfind("  SET LIMIT X ", 0) != 0) ++k;
    EXPECT_LT(k + NF, fr.r.size());
    if (k + NF >= fr.r.size()) continue;
    for (int i = 1; i <= NF; ++i) {
      const std::string &p = fr.r[k + i];
      EXPECT_EQ(p.size(), 27u) << p;
      fr.x.push_back(num(p.substr(1, 13)));
      fr.y.push_back(num(p.substr(14, 13)));
    }
    fr.after = k + NF + 1;
  }
  return f;
}

double fmax_of(const frame &f) {
  for (const std::string &s : f.r)
    if (s.rfind("  SET LIMIT X ", 0) == 0) return num(s.substr(27, 13));
  ADD_FAILURE() << "no limit record";
  return 0;
}

// |got - want| within rel times the largest |want| of the curve, plus abs.
void expect_curve(const std::vector<double> &got, const std::vector<double> &want, double rel,
                  const std::string &what, double abs = 0.0) {
  ASSERT_EQ(got.size(), want.size()) << what;
  double big = 0;
  for (double w : want) big = std::fmax(big, std::fabs(w));
  for (std::size_t i = 0; i < got.size(); ++i)
    ASSERT_NEAR(got[i], want[i], rel * big + abs) << what << " at point " << i + 1;
}

std::string point(float x, float y) {
  std::vector<ritem> v{{ritem::REAL}, {ritem::REAL}};
  v[0].r = x;
  v[1].r = y;
  return fmt_records("(1X,2G13.5)", v)[0];
}

// Bunch-limited upper frequency for EXPFAC = 20: 0.3 sqrt(2 ln 20) / (2 pi SIG).
const double FQ = 0.3 * std::sqrt(2.0 * std::log(20.0)) / (2.0 * M_PI * 0.01);

} // namespace

// A resistor gives a flat real impedance R, a loss spectrum 2 R exp(-u^2) and the loss
// factor R c / (2 sqrt(pi) SIG).
TEST(Spectra, ResistorHasAFlatImpedanceAndItsKnownLossFactor) {
  fresh();
  ffts.LWNDW = false;
  const double R = 50.0; // Ohm
  const arr1<float> W = resistor_wake(301, R);
  zplot(title(), W, 301, 3, 0.0f, 7.0f); // a monopole run ignores the factor
  std::vector<frame> f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_NEAR(fmax_of(f[0]), FQ, 1e-4 * FQ);
  const double DF = FQ / NF;
  EXPECT_NEAR(f[0].x.back(), FQ - DF, 1e-4 * FQ); // the last frequency is FMAX - DF
  expect_curve(f[0].y, std::vector<double>(NF, 0.001 * R), 1e-4, "Re Z (kOhm)");
  expect_curve(f[1].y, std::vector<double>(NF, 0.0), 0.0, "Im Z", 1e-4 * 0.001 * R);

  fresh();
  ffts.LWNDW = false;
  zplot(title(), W, 301, 5, 0.0f, 1.0f);
  f = frames();
  ASSERT_EQ(f.size(), 2u);
  std::vector<double> dk(NF), k(NF);
  double sum = 0;
  for (int i = 0; i < NF; ++i) {
    const double u = 2 * M_PI * (i * DF) * 0.01 / C_NS;
    dk[i] = 2 * 0.001 * R * std::exp(-u * u); // V/pC/GHz
    sum += dk[i];
    k[i] = DF * sum;
  }
  EXPECT_NEAR(f[0].y[0], 0.1, 1e-5); // dk/df at f = 0: 2 R in kOhm
  expect_curve(f[0].y, dk, 1e-4, "dk/df");
  expect_curve(f[1].y, k, 1e-4, "k(F)");
  // The left sum up to FMAX against the loss factor of the whole spectrum, R c/(2 sqrt(pi) SIG)
  // times erf(u(FMAX)): within the first step's half.
  const double kinf = 0.001 * R * C_NS / (2 * std::sqrt(M_PI) * 0.01) * std::erf(std::sqrt(2 * std::log(20.0)));
  EXPECT_NEAR(f[1].y.back(), kinf, 0.003 * kinf);
  // The bunch spectrum under the loss spectrum: peak of dk/df times exp(-u^2), the same
  // curve for a resistor.
  std::vector<double> bs;
  for (int i = 1; i <= NF; ++i) bs.push_back(num(f[0].r[f[0].after + i].substr(14, 13)));
  expect_curve(bs, dk, 1e-4, "bunch spectrum");
}

// A single spike d samples behind the bunch centre: Z = -0.001 DTS W exp(-i w d DT) E,
// with the sign of KIND 1 reversed, the dipole factor, -i for dipole kinds 1, 2, and the
// time origin moved by ISEP - NZ samples for a counter-rotating beam.
TEST(Spectra, SpikesShowThePhaseSignAndTheTimeOrigin) {
  struct tcase {
    int kind, mrot;
    float factor;
    int spike;       // sample of the spike
    int shift;       // ISEP - NZ with LCRBW, else 0
    bool lcrbw;
    double sign;     // -1 for KIND 1
    double fac;      // the factor that applies
    bool minus_i;    // dipole phase
  };
  const tcase cases[] = {
      {3, 0, 7.0f, 51, 0, false, 1, 1, false},    // at the centre: real, no phase
      {3, 0, 7.0f, 55, 0, false, 1, 1, false},    // 4 samples behind the centre
      {1, 0, 1.0f, 55, 0, false, -1, 1, false},   // KIND 1 reverses the sign
      {4, 0, 1.0f, 47, 0, false, 1, 1, false},    // ahead of the centre
      {1, 1, 25.0f, 55, 0, false, -1, 25, true},  // dipole azimuthal: -i and the factor
      {2, 1, 25.0f, 55, 0, false, 1, 25, true},   // dipole transverse
      {3, 1, 25.0f, 55, 0, false, 1, 25, false},  // dipole longitudinal keeps its phase
      {3, 0, 1.0f, 48, 3, true, 1, 1, false},     // ISEP - NZ = 3: origin 3 samples ahead
      {3, 0, 1.0f, 51, 700, true, 1, 1, false},   // NTOT far beyond 2*NN + 4
  };
  const int NN = 301;
  const double DT = 0.001 / C_NS, c = 0.001 * DT * 1e-9, w0 = 1.0e12;
  const double DF = FQ / NF;
  for (const tcase &t : cases) {
    fresh();
    ffts.LWNDW = false;
    wpl.MROT = t.mrot;
    crbw.LCRBW = t.lcrbw;
    crbw.ISEP = latc.NZ + t.shift;
    arr1<float> W = wake(NN);
    W(t.spike) = static_cast<float>(w0);
    zplot(title(), W, NN, t.kind, 0.0f, t.factor);
    const std::vector<frame> f = frames();
    ASSERT_EQ(f.size(), 2u) << "KIND " << t.kind;
    std::vector<double> re(NF), im(NF);
    const double tt = (t.spike - 1 - 50 + t.shift) * DT; // ns from the time origin
    for (int i = 0; i < NF; ++i) {
      const double w = 2 * M_PI * i * DF, u = w * 0.01 / C_NS;
      const double E = std::exp(u * u / 2);
      double zr = -c * t.fac * t.sign * w0 * std::cos(w * tt) * E;
      double zi = c * t.fac * t.sign * w0 * std::sin(w * tt) * E;
      if (t.minus_i) {
        const double r = zr;
        zr = zi;
        zi = -r;
      }
      re[i] = zr;
      im[i] = zi;
    }
    const std::string what = "KIND " + std::to_string(t.kind) + " MROT " + std::to_string(t.mrot) +
                             " spike " + std::to_string(t.spike);
    double big = 0;
    for (int i = 0; i < NF; ++i) big = std::fmax(big, std::hypot(re[i], im[i]));
    expect_curve(f[0].y, re, 0.0, what + " frame 1", 1e-4 * big);
    expect_curve(f[1].y, im, 0.0, what + " frame 2", 1e-4 * big);
  }
}

// The weight of a spike at f = 0 is the window value at its position NPAD + j; x runs
// from -1 to 1 over NTOT = 501 positions by repeated addition of 2/(NTOT - 1).
TEST(Spectra, WindowKindsAndPositions) {
  struct tcase {
    bool lwndw;
    int nwfun;
    float alpha;
    int kind; // 1 Kaiser-Bessel, 2 Blackman-Harris, 3 Gauss, 0 none
  };
  const tcase cases[] = {
      {true, 1, 3.0f, 1},  {true, 0, 2.0f, 1},   {true, -4, 2.0f, 1}, // NWFUN <= 0 as 1
      {true, 1, 40.0f, 1},                                          // I0(PI*ALPHA) beyond a float
      {true, 2, 3.0f, 2},  {true, 3, 3.0f, 3},   {true, 9, 1.5f, 3},
      {false, 2, 3.0f, 0}, {false, 1, 3.0f, 0},                     // LWNDW false: 1.0
  };
  const int NN = 301, NPAD = 200, NTOT = 501;
  const double c = 0.001 * (0.001 / C_NS) * 1e-9, w0 = 1.0e12;
  for (const tcase &t : cases) {
    for (int js : {1, 51, 126, 301}) {
      fresh();
      ffts.LWNDW = t.lwndw;
      wfun.NWFUN = t.nwfun;
      wfun.ALPHA = t.alpha;
      arr1<float> W = wake(NN);
      W(js) = static_cast<float>(w0);
      zplot(title(), W, NN, 3, 0.0f, 1.0f);
      const std::vector<frame> f = frames();
      ASSERT_EQ(f.size(), 2u);
      float xf = -1.0f;
      const float step = 2.0f / static_cast<float>(NTOT - 1);
      for (int m = 1; m < NPAD + js; ++m) xf += step;
      const double x = xf, pa = M_PI * t.alpha;
      double win = 1.0;
      if (t.kind == 1)
        win = std::cyl_bessel_i(0.0, pa * std::sqrt(std::fmax(0.0, 1 - x * x))) / std::cyl_bessel_i(0.0, pa);
      if (t.kind == 2)
        win = 0.40217 + 0.49703 * std::cos(M_PI * x) + 0.09392 * std::cos(2 * M_PI * x) +
              0.00183 * std::cos(3 * M_PI * x);
      if (t.kind == 3) win = std::exp(-0.5 * (t.alpha * x) * (t.alpha * x));
      const double want = -c * w0 * win;
      EXPECT_NEAR(f[0].y[0], want, 1e-4 * std::fabs(want) + 1e-30)
          << "NWFUN " << t.nwfun << " ALPHA " << t.alpha << " LWNDW " << t.lwndw << " sample " << js;
    }
  }
}

// A Kaiser parameter whose I0(PI*ALPHA) exceeds even a double still gives a window.
TEST(Spectra, KaiserWindowOfAHugeAlphaStaysFinite) {
  fresh();
  wfun.ALPHA = 300.0f; // PI*ALPHA = 942
  const int NN = 301, js = 52; // one position past the middle
  arr1<float> W = wake(NN);
  W(js) = 1.0e12f;
  zplot(title(), W, NN, 3, 0.0f, 1.0f);
  const std::vector<frame> f = frames();
  ASSERT_EQ(f.size(), 2u);
  float xf = -1.0f;
  for (int m = 1; m < 200 + js; ++m) xf += 2.0f / 500.0f;
  const double b = M_PI * 300.0, a = b * std::sqrt(1 - double(xf) * xf);
  const double win = std::exp(a - b) * std::sqrt(b / a); // ratio of the asymptotic forms
  const double want = -0.001 * (0.001 / C_NS) * 1e-9 * 1.0e12 * win;
  EXPECT_NEAR(f[0].y[0], want, 1e-4 * std::fabs(want));
}

// NPAD < 0 (wake shorter than the bunch + wake behind): the samples ahead of the window
// weigh nothing; NTOT = 1 is the single weight 1.0; NTOT <= 0 gives no spectrum.
TEST(Spectra, ShortWakes) {
  const double c = 0.001 * (0.001 / C_NS) * 1e-9;
  // NN = 60: NPAD = -41, NTOT = 19; samples 1 .. 41 lie ahead of the window.
  fresh();
  arr1<float> W = wake(60);
  for (int j = 1; j <= 41; ++j) W(j) = 1.0e15f;
  W(51) = 1.0e12f; // the centre, position 10 of 19: x = 0, Kaiser weight 1
  zplot(title(), W, 60, 3, 0.0f, 1.0f);
  std::vector<frame> f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_NEAR(f[0].y[0], -c * 1.0e12, 1e-4 * c * 1.0e12);
  // NN = NSTART + 1 = 51: NTOT = 1, the last sample alone with weight 1.
  fresh();
  W = wake(51);
  for (int j = 1; j <= 50; ++j) W(j) = 1.0e15f;
  W(51) = 1.0e12f;
  zplot(title(), W, 51, 3, 0.0f, 1.0f);
  f = frames();
  ASSERT_EQ(f.size(), 2u);
  expect_curve(f[1].y, std::vector<double>(NF, 0.0), 0.0, "Im Z of the centre sample", 1e-5 * c * 1.0e12);
  EXPECT_NEAR(f[0].y[0], -c * 1.0e12, 1e-4 * c * 1.0e12);
  // NN = 50: NTOT = -1.
  for (int kind : {3, 5}) {
    fresh();
    W = wake(50);
    W(10) = 1.0e12f;
    zplot(title(), W, 50, kind, 0.0f, 1.0f);
    EXPECT_TRUE(umem(ndev.NTOP).empty());
    EXPECT_EQ(umem(ndev.NOUT), (recs{" *** SKIP *** WAKE TOO SHORT FOR THE SPECTRUM"}));
  }
}

// FMAX = min(FQ, FN), or CUTOFF when 0.001 < CUTOFF < FN.
TEST(Spectra, UpperFrequency) {
  struct tcase {
    float ddz, sig, cutoff;
    double fmax;
  };
  const double FN1 = 299792448.0 * 5e-10 / 0.001;  // 149.9 GHz
  const double FN10 = 299792448.0 * 5e-10 / 0.01;  // 14.99 GHz
  const double FQ1 = 0.3 * std::sqrt(2 * std::log(20.0)) / (2 * M_PI * 0.001); // 116.9 GHz
  const tcase cases[] = {
      {0.001f, 0.01f, 0.0f, FQ},     {0.001f, 0.01f, 0.001f, FQ}, {0.001f, 0.01f, 0.002f, 0.002},
      {0.001f, 0.01f, 5.0f, 5.0},    {0.001f, 0.01f, 30.0f, 30.0}, // above FQ
      {0.001f, 0.01f, 149.0f, 149.0}, {0.001f, 0.01f, 150.0f, FQ}, // at or above FN
      {0.01f, 0.001f, 0.0f, FN10},   {0.01f, 0.001f, 20.0f, FN10}, {0.01f, 0.001f, 10.0f, 10.0},
      {0.001f, 0.001f, 0.0f, FQ1},   {0.001f, 0.001f, 140.0f, 140.0},
  };
  (void)FN1;
  for (const tcase &t : cases) {
    fresh();
    latc.DDZ = t.ddz;
    latc.SIG = t.sig;
    cals.SIGCUT = 2.0f;
    arr1<float> W = wake(200);
    W(100) = 1.0f;
    zplot(title(), W, 200, 3, t.cutoff, 1.0f);
    const std::vector<frame> f = frames();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_NEAR(fmax_of(f[0]), t.fmax, 1e-4 * t.fmax) << "DDZ " << t.ddz << " CUTOFF " << t.cutoff;
    EXPECT_NEAR(f[0].x[1], t.fmax / NF, 1e-4 * t.fmax / NF);
    EXPECT_EQ(f[0].x[0], 0.0);
  }
}

// I0 of Abramowitz and Stegun against the library's Bessel function in double; the
// exponential beyond the float range in double, the result limited to the float range.
TEST(Spectra, BesselI0) {
  for (float x : {0.0f, 0.5f, 1.0f, 2.0f, 3.0f, 3.7499f, 3.75f, 5.0f, 10.0f, 30.0f, 60.0f, 88.0f,
                  89.0f, 90.0f, -2.0f, -10.0f, -89.0f}) {
    const double want = std::cyl_bessel_i(0.0, std::fabs(double(x)));
    EXPECT_NEAR(bessi0(x), want, 1e-6 * want) << "x = " << x;
  }
  EXPECT_EQ(bessi0(100.0f), FLT_MAX);   // I0(100) = 1.07E+42
  EXPECT_EQ(bessi0(-1000.0f), FLT_MAX); // exp(1000) beyond a double too
}

// A CUTOFF far above the bunch limit: exp(u^2/2) beyond the float range; the impedance
// is limited to the float range, the loss spectrum goes to 0, nothing is infinite.
TEST(Spectra, BunchFactorBeyondTheFloatRangeIsLimited) {
  for (int kind : {3, 5}) {
    fresh();
    ffts.LWNDW = false;
    intr.LINTZ = true;
    const arr1<float> W = resistor_wake(301, 50.0);
    zplot(title(), W, 301, kind, 140.0f, 1.0f); // u = 29 at 140 GHz: u^2/2 = 430
    const std::vector<frame> f = frames();
    ASSERT_EQ(f.size(), kind == 3 ? 3u : 2u);
    for (const std::string &s : umem(ndev.NTOP)) {
      ASSERT_EQ(s.find("Inf"), std::string::npos) << s;
      ASSERT_EQ(s.find("NaN"), std::string::npos) << s;
      ASSERT_EQ(s.find('*'), std::string::npos) << s;
    }
    bool at_limit = false;
    for (const frame &fr : f)
      for (double y : fr.y) {
        ASSERT_LE(std::fabs(y), 3.4029e38);
        at_limit = at_limit || std::fabs(y) > 3.4e38;
      }
    if (kind == 3) {
      EXPECT_TRUE(at_limit);
      EXPECT_NEAR(f[0].y[0], 0.05, 1e-5); // the low frequencies as before
    } else {
      EXPECT_FALSE(at_limit);
      EXPECT_NEAR(f[0].y.back(), 0.0, 1e-30);
    }
  }
}

// The records of one loss-spectrum call: frame 1 with the bunch spectrum and its
// legend, frame 2 (the integral) without; both end with the zero line.
TEST(Spectra, FrameRecords) {
  fresh();
  red.REDTXT = "REDUCE  0.800";
  latc.DDR(2) = 0.002f;
  latc.DDR(3) = 0.00025f;
  latc.DDR(4) = 0.0f;
  latc.DDR(5) = 0.003f; // after a zero: not shown
  intr.LINTZ = true;    // a loss spectrum still has two frames
  const arr1<float> W = resistor_wake(301, 50.0);
  zplot(title(), W, 301, 5, 0.0f, 1.0f);
  const std::vector<frame> f = frames();
  ASSERT_EQ(f.size(), 2u);
  const recs head1 = {
      "  NEW FRAME",
      "  SET FONT DUPLEX",
      "  SET SIZE 13 BY 10 REDUCE  0.800",
      "  SET WINDOW X FROM 2 12 Y FROM 1.00 TO 8",
      "  SET TICKS SIZE 0.05",
      "  TITLE 3.4 9.0 SIZE 2.2  ' '",
      "  MORE '   Frequency Spectrum of Loss Factor    '",
      "  TITLE 2.0 8.6 SIZE 1.5  'ZELK_MP 12.5 : RESISTOR SPECTRUM TEST  '",
      "  MORE '" + std::string(48, ' ') + "'",
      "  TITLE BOTTOM 'Frequency f (GHz)'",
      "  TITLE LEFT   '             dk2L1/df  (V/pC/GHz) '",
      "  CASE         '               V V                '",
      "  TITLE 10.9 8.9 SIZE 1.25 '01/02/03  04.05.06'",
      "  TITLE 2.00 8.3 SIZE 1.40 'MROT= 0,  SIG= 1.000 cm,'",
      "  MORE '  DDZ= 1.000 mm,  DDR= 0.500 mm'",
      "  MORE ',  2.000 mm'",
      "  MORE ',  0.250 mm'",
  };
  ASSERT_GE(f[0].r.size(), head1.size() + 1);
  for (std::size_t k = 0; k < head1.size(); ++k) EXPECT_EQ(f[0].r[k], head1[k]) << "record " << k + 1;
  const float FMAX = static_cast<float>(num(f[0].r[head1.size()].substr(27, 13)));
  EXPECT_NEAR(FMAX, FQ, 1e-4 * FQ);
  EXPECT_EQ(f[0].r[head1.size()], fmt_records("(1X,A,2G13.5)", {{ritem::TEXT, 0, 0, false, " SET LIMIT X "},
                                                               {ritem::REAL, 0, 0.0f}, {ritem::REAL, 0, FMAX}})[0]);
  // Frame 1: the curve, " JOIN ", the bunch spectrum, its legend, the zero line.
  const double M = f[0].y[0]; // the peak of dk/df, at f = 0
  std::size_t k = f[0].after;
  ASSERT_EQ(f[0].r.size(), k + 1 + NF + 1 + 2 + 1 + 1 + 4);
  EXPECT_EQ(f[0].r[k], "  JOIN ");
  EXPECT_EQ(f[0].r[k + NF + 1], "  JOIN DOTS ");
  // Legend sample from 12 to 15 twentieths of FMAX at 0.9 of the peak, its text at 15.5.
  const std::string &p1 = f[0].r[k + NF + 2], &p2 = f[0].r[k + NF + 3];
  EXPECT_NEAR(num(p1.substr(1, 13)), 0.6 * FMAX, 1e-4 * FMAX);
  EXPECT_NEAR(num(p2.substr(1, 13)), 0.75 * FMAX, 1e-4 * FMAX);
  EXPECT_NEAR(num(p1.substr(14, 13)), 0.9 * M, 1e-4 * M);
  EXPECT_EQ(p1.substr(14), p2.substr(14));
  EXPECT_EQ(f[0].r[k + NF + 4], "  JOIN DOTS ");
  const std::string &lg = f[0].r[k + NF + 5];
  ASSERT_EQ(lg.size(), 8u + 26u + 31u) << lg;
  EXPECT_EQ(lg.substr(0, 8), "  TITLE ");
  EXPECT_NEAR(num(lg.substr(8, 13)), 0.775 * FMAX, 1e-4 * FMAX);
  EXPECT_EQ(lg.substr(21, 13), p1.substr(14, 13));
  EXPECT_EQ(lg.substr(34), " DATA SIZE 1.5 'Bunch Spectrum'");
  const recs zero = {"  SET ORDER X Y ", point(0.0f, 0.0f), point(FMAX, 0.0f), "  JOIN DOTDASH "};
  EXPECT_EQ(recs(f[0].r.end() - 4, f[0].r.end()), zero);
  // Frame 2: the integral with " JOIN 1 ", no bunch spectrum.
  EXPECT_EQ(f[1].r[6], "  MORE ' Loss Factor Spectrum Integrated upto F '");
  EXPECT_EQ(f[1].r[9], "  TITLE BOTTOM 'Frequency F (GHz)'");
  EXPECT_EQ(f[1].r[10], "  TITLE LEFT   '                  k2L1(F)  (V/pC) '");
  EXPECT_EQ(f[1].r[11], "  CASE         '                   V V            '");
  ASSERT_EQ(f[1].r.size(), f[1].after + 1 + 4);
  EXPECT_EQ(f[1].r[f[1].after], "  JOIN 1 ");
  EXPECT_EQ(recs(f[1].r.end() - 4, f[1].r.end()), zero);
}

// The frames of each kind: main and left titles, the end of the curve, the bunch curve
// of the loss spectra only, and the integral frame with LINTZ.
TEST(Spectra, FramesOfEachKind) {
  struct fr_t {
    const char *aleg, *left, *join;
  };
  const fr_t L1 = {"    Real Part of Azimuthal Impedance    ", "               Real Z2A1  (kW/m)  ", "  JOIN "};
  const fr_t L2 = {" Imaginary Part of Azimuthal Impedance  ", "               Imag Z2A1  (kW/m)  ", "  JOIN "};
  const fr_t L3 = {"   Real Part of Transverse Impedance    ", "               Real Z2T1  (kW/m)  ", "  JOIN "};
  const fr_t L4 = {" Imaginary Part of Transverse Impedance ", "               Imag Z2T1  (kW/m)  ", "  JOIN "};
  const fr_t L5 = {"  Real Part of Longitudinal Impedance   ", "               Real Z2L1  (kW)    ", "  JOIN "};
  const fr_t L6 = {"Imaginary Part of Longitudinal Impedance", "               Imag Z2L1  (kW)    ", "  JOIN "};
  const fr_t L7 = {"  Real Part of Longitudinal Impedance   ", "            Real Z2L1  (kW/m**2)  ", "  JOIN "};
  const fr_t L8 = {"Imaginary Part of Longitudinal Impedance", "            Imag Z2L1  (kW/m**2)  ", "  JOIN "};
  const fr_t L9 = {"    Real Part of Long.+Log Impedance    ", "             Real Z2L+LOG1  (kW)  ", "  JOIN "};
  const fr_t L10 = {" Imaginary Part of Long.+Log Impedance  ", "             Imag Z2L+LOG1  (kW)  ", "  JOIN "};
  const fr_t L13 = {"   Spectrum of Long.+Log Loss Factor    ", "             dk2L1/df  (V/pC/GHz) ", "  JOIN "};
  const fr_t L14 = {"Long.+Log Loss Factor Integrated upto F ", "                  k2L1(F)  (V/pC) ", "  JOIN 1 "};
  const fr_t L15 = {" Azimuthal Impedance Integrated upto F  ", "   I02F10101  Re Z2A1df (kWXGHz/m)", "  JOIN 1 "};
  const fr_t L16 = {" Transverse Impedance Integrated upto F ", "   I02F10101  Re Z2T1df (kWXGHz/m)", "  JOIN 1 "};
  const fr_t L17 = {"Longitudinal Impedance Integrated upto F", "     I02F10101  Re Z2L1df (kWXGHz)", "  JOIN 1 "};
  const fr_t L18 = {"Longitudinal Impedance Integrated upto F", "I02F10101  Re Z2L1df (kWXGHz/m**2)", "  JOIN 1 "};
  const fr_t L19 = {" Long.+Log Impedance Integrated upto F  ", "     I02F10101  Re Z2L1df (kWXGHz)", "  JOIN 1 "};
  struct tcase {
    int kind, mrot;
    bool lintz;
    std::vector<fr_t> want;
  };
  const tcase cases[] = {
      {1, 1, true, {L1, L2, L15}}, {2, 1, true, {L3, L4, L16}}, {2, 1, false, {L3, L4}},
      {3, 0, true, {L5, L6, L17}}, {3, 1, true, {L7, L8, L18}}, {3, 2, true, {L7, L8, L18}},
      {4, 0, true, {L9, L10, L19}}, {6, 0, true, {L13, L14}},
  };
  for (const tcase &t : cases) {
    fresh();
    wpl.MROT = t.mrot;
    intr.LINTZ = t.lintz;
    const arr1<float> W = resistor_wake(301, 50.0);
    zplot(title(), W, 301, t.kind, 0.0f, 1.0f);
    const std::vector<frame> f = frames();
    ASSERT_EQ(f.size(), t.want.size()) << "KIND " << t.kind << " MROT " << t.mrot;
    for (std::size_t n = 0; n < f.size(); ++n) {
      const std::string what = "KIND " + std::to_string(t.kind) + " frame " + std::to_string(n + 1);
      EXPECT_EQ(f[n].r[6], std::string("  MORE '") + t.want[n].aleg + "'") << what;
      EXPECT_EQ(f[n].r[10], std::string("  TITLE LEFT   '") + t.want[n].left + "'") << what;
      ASSERT_LT(f[n].after, f[n].r.size());
      EXPECT_EQ(f[n].r[f[n].after], t.want[n].join) << what;
      // The bunch spectrum follows the first frame of a loss spectrum only.
      const bool bunch = t.kind == 6 && n == 0;
      EXPECT_EQ(f[n].r.size(), f[n].after + 1 + (bunch ? NF + 5 : 0) + 4) << what;
    }
  }
}

// With LSVF every frame, the integral frame included, is also a table block holding the
// frame's 624 points, in the order of the frames; without LSVF the table file stays empty.
TEST(Spectra, TableBlocksFollowTheFrames) {
  for (bool lsvf : {true, false}) {
    fresh();
    ffts.LSVF = lsvf;
    intr.LINTZ = true;
    const arr1<float> W = resistor_wake(301, 50.0);
    zplot(title(), W, 301, 3, 0.0f, 1.0f);
    const std::vector<frame> f = frames();
    ASSERT_EQ(f.size(), 3u);
    const recs &tab = umem(ndev.NPOT);
    if (!lsvf) {
      EXPECT_TRUE(tab.empty());
      continue;
    }
    EXPECT_EQ(std::count(tab.begin(), tab.end(), " "), 3); // one end record per block
    auto pos = tab.begin();
    for (const frame &fr : f) {
      const auto first = fr.r.begin() + static_cast<long>(fr.after) - NF;
      const auto at = std::search(pos, tab.end(), first, first + NF);
      ASSERT_NE(at, tab.end()) << "frame " << (&fr - f.data()) + 1 << " has no block";
      pos = at + NF;
    }
  }
}

// The Fourier sum runs in parallel over the frequencies: 1 and 8 threads write the same
// plot file.
TEST(Spectra, OneAndEightThreadsWriteTheSameFrames) {
  arr1<float> W = wake(2001);
  for (int j = 1; j <= 2001; ++j)
    W(j) = 1.0e12f * std::sin(0.37f * static_cast<float>(j)) * std::exp(-0.002f * static_cast<float>(j));
  const int saved = omp_get_max_threads();
  recs out[2];
  for (int r = 0; r < 2; ++r) {
    fresh();
    intr.LINTZ = true;
    wpl.MROT = 1;
    omp_set_num_threads(r == 0 ? 1 : 8);
    zplot(title(), W, 2001, 1, 0.0f, 3.0f);
    out[r] = umem(ndev.NTOP);
  }
  omp_set_num_threads(saved);
  ASSERT_EQ(out[0].size(), out[1].size());
  EXPECT_TRUE(out[0] == out[1]);
}
