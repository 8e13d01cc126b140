// Wake report: extrema, loss and kick factors, their scales and warnings, the
// normalised curves and the printed wake tables. Expected records come from gfortran
// (data/gen_wakes.f90 -> data/wakes_expected.txt) for the same 32-bit values.
#include <gtest/gtest.h>

#include <cmath>

#include "results/wakes.hpp"
#include "run/units.hpp"
#include "wake_fixture.hpp"

namespace {

arr1<float> &WZ() { return wzwy_data.wz; }
arr1<float> &WT() { return wzwy_data.wt; }
arr1<float> &WY() { return wzwy_data.wy; }
arr1<float> &WP() { return wzwy_data.wp; }

// The arrays of the dipole cases of gen_wakes.f90.
void dipole_arrays(int N) {
  for (int k = 1; k <= N + 5; ++k) {
    WY()(k) = static_cast<float>(k) * 1.5e11f;
    WT()(k) = 1.0e12f - static_cast<float>(k) * 3.0e11f;
    WZ()(k) = static_cast<float>(k - 4) * 2.0e9f;
  }
}

const std::vector<std::string> &report() { return umem(ndev.NOUT); }

// The record that begins with the given text (empty when there is none).
std::string record_of(const std::string &head) {
  for (const std::string &r : report())
    if (r.rfind(head, 0) == 0) return r;
  return "";
}

struct halves_t {
  float sum, first, last;
};
halves_t halves() {
  const std::string r = record_of(" INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY =");
  const std::size_t p = r.find("HALF = ");
  halves_t h{field_after(r, "DENSITY = "), -1.0f, -1.0f};
  if (p != std::string::npos) {
    h.first = std::strtof(r.c_str() + p + 7, nullptr);
    h.last = std::strtof(r.c_str() + p + 7 + 11, nullptr);
  }
  return h;
}

} // namespace

TEST(WakeReport, RecordsAsGfortranWritesThem) {
  struct row {
    const char *name;
    wcase c;
    bool LOGT, LNAPM1, LNAPOLY;
  } rows[] = {
      // monopole, logarithmic term, sample N + 1 the largest
      {"mono", wcase{}, true, false, false},
      // dipole cut short by the monitor, SIG/DDZ = 3.5
      {"dip", [] { wcase c; c.MROT = 1; c.SIG = 0.0035f; c.IRPL = c.IRPR = 7; c.KEND = 57; return c; }(),
       false, false, false},
      // dipole with the drive ring on the axis, Napoly method (no azimuthal wake)
      {"dip0", [] { wcase c; c.MROT = 1; c.IRDRIVE = 1; c.IRPL = c.IRPR = 7; return c; }(), false,
       true, true},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.name);
    wake_setup(r.c);
    wpl2.LNAPOLY = r.LNAPOLY;
    const int N = r.c.NW;
    if (r.c.MROT == 0) {
      for (int k = 1; k <= N + 5; ++k) WZ()(k) = static_cast<float>(k * k - 9 * k) * 2.5e10f;
      WZ()(N + 1) = 2.0e13f;                             // counts for the extrema
      for (int k = N + 2; k <= N + 5; ++k) WZ()(k) = 9.0e13f; // does not
      for (int k = 1; k <= N + 5; ++k) WP()(k) = WZ()(k) - 1.0e11f;
    } else {
      dipole_arrays(N);
    }
    wkplot(N, mp.TITLE, false, false, r.LOGT, r.LNAPM1, r.c.KEND, mp.RW, 0, false);
    const std::vector<std::string> &got = report();
    const std::vector<std::string> &want = wakes_expected(r.name);
    ASSERT_FALSE(want.empty()) << "wakes_expected.txt has no case " << r.name;
    ASSERT_EQ(got.size(), want.size() + 1);
    EXPECT_EQ(got[0], want[0]);
    // The CPU time varies; the rest of its record is fixed.
    EXPECT_EQ(got[1].substr(0, 85), std::string(72, ' ') + "CPUTIME USED:");
    EXPECT_EQ(got[1].substr(95), "(S)   DDR= 1.000E-03  DDZ= 1.000E-03");
    for (std::size_t k = 1; k < want.size(); ++k)
      EXPECT_EQ(got[k + 1], want[k]) << "record " << k + 2;
  }
}

// Loss factor k = integral of W(s) lambda(s) ds of wakes whose answer is known for a
// Gaussian bunch: a constant wake W0 gives W0 (the bunch holds unit charge), a wake
// shaped like the bunch, C lambda(s), gives C / (2 sqrt(pi) sigma); both split evenly
// at the bunch centre.
TEST(WakeReport, LossFactorOfKnownWakes) {
  wcase c;
  c.NBUNCH = 1;
  c.SIG = 0.004f;
  c.NW = 80;
  const float sigma = c.SIG;
  struct row {
    const char *name;
    bool shaped;
    float C, k;
  } rows[] = {
      {"constant", false, 2.0e12f, 2.0f},
      {"bunch-shaped", true, 1.0e10f, 1.0e10f * 1.0e-12f / (2.0f * std::sqrt(cons.PI) * sigma)},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.name);
    wake_setup(c);
    ASSERT_EQ(qkar.NQ, 42);
    for (int k = 1; k <= c.NW + 5; ++k) WZ()(k) = r.shaped ? r.C * wdens(k) : r.C;
    wkplot(c.NW, mp.TITLE, false, false, false, false, c.KEND, mp.RW, 0, false);
    const halves_t h = halves();
    EXPECT_NEAR(h.sum, r.k, 2.0e-3f * r.k);
    EXPECT_NEAR(h.first, 0.5f * r.k, 2.0e-3f * r.k);
    EXPECT_NEAR(h.last, 0.5f * r.k, 2.0e-3f * r.k);
  }
}

// The wake factors alone, without any output: a Gaussian bunch of unit charge and
// SIG = 4 mm; a constant longitudinal wake W0 gives the loss factor W0, split evenly at
// the bunch centre; a transverse wake shaped like the bunch, C lambda(s), gives the kick
// C / (2 sqrt(pi) sigma); a negative constant azimuthal wake gives its value. The
// extrema start at 0, and the peak charge per mesh step is that of the Gaussian,
// DDZ / (sqrt(2 pi) sigma).
TEST(WakeFactors, KnownWakesWithoutOutput) {
  wcase c;
  c.NBUNCH = 1;
  c.SIG = 0.004f;
  c.NW = 80;
  c.MROT = 1;
  wake_setup(c);
  ASSERT_EQ(qkar.NQ, 42);
  const float W0 = 2.0e12f, C = 1.0e10f, Y0 = -3.0e11f;
  for (int k = 1; k <= c.NW + 5; ++k) {
    WZ()(k) = W0;
    WT()(k) = C * wdens(k);
    WY()(k) = Y0;
  }
  qkar.QMAX = -1.0f;
  const wake_factors f = wake_factors_of(c.NW);
  EXPECT_TRUE(report().empty());
  EXPECT_TRUE(umem(ndev.NTOP).empty());
  EXPECT_TRUE(umem(ndev.NPOT).empty());
  EXPECT_EQ(qkar.QMAX, -1.0f) << "the factors change no record";

  const float sig = c.SIG, kick = C / (2.0f * std::sqrt(cons.PI) * sig);
  EXPECT_NEAR(f.SUMZ, W0, 2.0e-3f * W0);
  EXPECT_NEAR(f.FIRST, 0.5f * W0, 2.0e-3f * W0);
  EXPECT_NEAR(f.LAST, 0.5f * W0, 2.0e-3f * W0);
  EXPECT_NEAR(f.SUMT, kick, 2.0e-3f * kick);
  EXPECT_NEAR(f.SUMY, Y0, 2.0e-3f * std::fabs(Y0));
  EXPECT_EQ(f.SUMP, 0.0f);
  EXPECT_EQ(f.z.WMIN, 0.0f);
  EXPECT_EQ(f.z.WMAX, W0);
  EXPECT_EQ(f.z.A, W0);
  EXPECT_EQ(f.y.WMIN, Y0);
  EXPECT_EQ(f.y.WMAX, 0.0f);
  EXPECT_EQ(f.y.A, -Y0);
  const float qpeak = c.DDZ / (std::sqrt(2.0f * cons.PI) * sig);
  EXPECT_NEAR(f.QMAX, qpeak, 2.0e-3f * qpeak);
  EXPECT_NEAR(f.QMIN, 0.0f, 1.0e-6f * qpeak) << "the samples behind the bunch";
  EXPECT_NEAR(f.t.A, C * f.QMAX / c.DDZ, 1.0e-5f * C * f.QMAX / c.DDZ);
}

// FIRST sums the samples before M = NQ/2 and half of sample M; LAST is the rest.
TEST(WakeReport, HalvesOfTheLossFactorSplitAtHalfOfNQ) {
  struct row {
    int NQ, sample;
    float first;
  } rows[] = {{7, 2, 1.0f}, {7, 3, 0.5f}, {7, 4, 0.0f},
              {8, 3, 1.0f}, {8, 4, 0.5f}, {8, 5, 0.0f}};
  for (const row &r : rows) {
    SCOPED_TRACE("NQ " + std::to_string(r.NQ) + " sample " + std::to_string(r.sample));
    wcase c;
    c.NBUNCH = 1;
    c.SIG = 0.004f;
    wake_setup(c);
    qkar.NQ = r.NQ;
    // One sample worth 1 V/pC of loss.
    WZ()(r.sample) = 1.0e12f / (wdens(r.sample) * c.DDZ);
    wkplot(c.NW, mp.TITLE, false, false, false, false, c.KEND, mp.RW, 0, false);
    const halves_t h = halves();
    EXPECT_NEAR(h.sum, 1.0f, 1.0e-3f);
    EXPECT_NEAR(h.first, r.first, 1.0e-3f);
    EXPECT_NEAR(h.last, 1.0f - r.first, 1.0e-3f);
  }
}

// A wake much shorter than the bunch: the sums stop at the end of the arrays
// (NW + 5 = 8 samples of a bunch of 42), everything beyond counts as 0.
TEST(WakeReport, SumsOverAWakeShorterThanTheBunch) {
  wcase c;
  c.NBUNCH = 1;
  c.SIG = 0.004f;
  c.NW = 3;
  c.MROT = 1;
  wake_setup(c);
  ASSERT_EQ(qkar.NQ, 42);
  ASSERT_EQ(WZ().size(), 8);
  float want = 0.0f;
  for (int k = 1; k <= 8; ++k) {
    WZ()(k) = WT()(k) = WY()(k) = 1.0e18f;
    want += 1.0e18f * wdens(k) * c.DDZ;
  }
  wkplot(c.NW, mp.TITLE, false, false, false, false, c.KEND, mp.RW, 0, false);
  const float s2 = 1.0e-12f / gr(c.IRDRIVE);
  EXPECT_NEAR(field_after(record_of(" INTEGRATED  TRANSVERSE"), "DENSITY = "), want * s2, 1.0e-3f * want * s2);
  EXPECT_NEAR(field_after(record_of(" INTEGRATED  AZIMUTHAL"), "DENSITY = "), want * s2, 1.0e-3f * want * s2);
  // Monopole: all eight samples lie before M = 21, so the last half is empty.
  c.MROT = 0;
  wake_setup(c);
  for (int k = 1; k <= 8; ++k) WZ()(k) = 1.0e18f;
  wkplot(c.NW, mp.TITLE, false, false, false, false, c.KEND, mp.RW, 0, false);
  const halves_t h = halves();
  EXPECT_NEAR(h.sum, want * 1.0e-12f, 1.0e-3f * want * 1.0e-12f);
  EXPECT_EQ(h.first, h.sum);
  const std::string r = record_of(" INTEGRATED  LONGITUDINAL");
  EXPECT_NE(r.find("/ 0.000E+00 V/PC/M**0)"), std::string::npos) << r;
}

TEST(WakeReport, CurveWithZeroPeakIsNormalisedToZeros) {
  struct row {
    std::vector<float> W;
    int N;
    float A;
    std::vector<float> want;
  } rows[] = {
      {{0.0f, 0.0f, 0.0f}, 3, 0.0f, {0.0f, 0.0f, 0.0f}},
      {{-0.0f, 0.0f}, 2, 0.0f, {0.0f, 0.0f}},
      {{1.0f, -2.0f, 4.0f}, 3, 4.0f, {0.25f, -0.5f, 1.0f}},
      {{1.0f, -2.0f}, 3, 2.0f, {0.5f, -1.0f, 0.0f}}, // beyond the array: 0
  };
  for (const row &r : rows) {
    arr1<float> W(static_cast<long>(r.W.size())), T(r.N, 7.0f);
    for (std::size_t k = 0; k < r.W.size(); ++k) W(k + 1) = r.W[k];
    wnorm(W, r.N, r.A, T);
    for (int k = 1; k <= r.N; ++k) {
      EXPECT_EQ(T(k), r.want[k - 1]) << "sample " << k << " A " << r.A;
      EXPECT_FALSE(std::signbit(T(k)) && r.want[k - 1] == 0.0f);
    }
  }
}

// A test run: the printer plot of the bunch alone, the charge line, the extremum and
// integrated lines of the zero wakes, no "not completed" warning (KEND is not set) and
// no wake table.
TEST(WakeReport, TestRunReportsTheZeroWakes) {
  wcase c;
  c.KEND = -7;
  wake_setup(c);
  wkplot(c.NW, mp.TITLE, true, true, false, false, -7, mp.RW, 1, true);
  const std::vector<std::string> &r = report();
  // The header, the printer plot of the bunch shape alone (41 rows and the labels).
  ASSERT_EQ(r.size(), 8u + 42u);
  for (int k = 3; k < 3 + 41; ++k)
    EXPECT_EQ(r[k].find_first_not_of(" -+I.0123456789E*"), std::string::npos) << r[k];
  EXPECT_EQ(r[44].rfind("0       0.00E+00", 0), 0u) << r[44];
  const std::vector<std::string> t(r.begin() + 42, r.end());
  EXPECT_EQ(t[3], "");
  EXPECT_EQ(t[4].rfind(" LINE CHARGE DENSITY MIN/MAX= 0.000E+00/ 2.000E+02", 0), 0u) << t[4];
  EXPECT_EQ(t[5], " LONGITUDINAL WAKE   MIN/MAX= 0.000E+00/ 0.000E+00 V/PC/M**0, SCALE= 0.000E+00 V/PC/M**0");
  EXPECT_EQ(t[6], "0");
  EXPECT_EQ(t[7], " INTEGRATED  LONGITUDINAL WAKE * CHARGE DENSITY =  0.000E+00 V/PC/M**0"
                  "   (FIRST/LAST HALF =  0.000E+00/ 0.000E+00 V/PC/M**0)");
  EXPECT_TRUE(umem(ndev.NPOT).empty());
}

// With the drive ring on the axis the dipole tables carry the report's scale 0: every
// value is the sample times 0, a zero that keeps the sample's sign as gfortran writes it.
TEST(WakeReport, DipoleTablesWithTheRingOnTheAxisHoldZeros) {
  wcase c;
  c.MROT = 1;
  c.IRDRIVE = 1;
  c.NW = 5;
  wake_setup(c);
  dipole_arrays(c.NW);
  wkplot(c.NW, mp.TITLE, false, true, false, false, c.KEND, mp.RW, 0, false);
  const std::vector<std::string> &t = umem(ndev.NPOT);
  ASSERT_EQ(t.size(), 3u * (c.NW + 6)); // azimuthal, transverse, longitudinal
  const arr1<float> *W[3] = {&WY(), &WT(), &WZ()};
  for (int b = 0; b < 3; ++b)
    for (int k = 1; k <= c.NW; ++k) {
      const std::string &r = t[b * (c.NW + 6) + 4 + k];
      EXPECT_EQ(r.substr(14), (*W[b])(k) < 0.0f ? "  -0.0000    " : "   0.0000    ") << r;
    }
}

TEST(PrintedWakes, BlocksOfTenSamples) {
  for (int N : {95, 20}) {
    wcase c;
    c.NW = N;
    wake_setup(c);
    for (int k = 1; k <= N; ++k) WZ()(k) = static_cast<float>(k) * 1.25e3f - 7.0e4f;
    prinw(N, false, false);
    const std::string name = "prinw" + std::to_string(N);
    const std::vector<std::string> &want = wakes_expected(name);
    ASSERT_FALSE(want.empty()) << name;
    ASSERT_EQ(report().size(), want.size()) << name;
    ASSERT_EQ(report().size(), 3u + 3u * static_cast<unsigned>((N + 9) / 10)) << name;
    for (std::size_t k = 0; k < want.size(); ++k) EXPECT_EQ(report()[k], want[k]) << name << " record " << k + 1;
  }
}

// Order of the headings and of the tables in the report.
TEST(PrintedWakes, HeadingsAndOrder) {
  struct row {
    int MROT;
    bool LNAPM1, LOGT;
    std::vector<std::string> want;
  } rows[] = {
      {1, false, false,
       {"1", " AZIMUTHAL WAKE FIELDS --->", "AWAKE", "1", " TRANSVERSE WAKE FIELDS --->", "TWAKE", "0",
        " LONGITUDINAL WAKE FIELDS --->", "LWAKE"}},
      {1, true, false,
       {"1", " TRANSVERSE WAKE FIELDS --->", "TWAKE", "0", " LONGITUDINAL WAKE FIELDS --->", "LWAKE"}},
      {0, false, true, {"1", " LONGITUDINAL WAKE FIELDS --->", "LWAKE", "PWAKE"}},
      {2, false, false,
       {"1", " AZIMUTHAL WAKE FIELDS --->", "AWAKE", "1", " TRANSVERSE WAKE FIELDS --->", "TWAKE", "LWAKE"}},
  };
  for (const row &r : rows) {
    wcase c;
    c.MROT = r.MROT;
    c.NW = 12;
    wake_setup(c);
    prinw(c.NW, r.LNAPM1, r.LOGT);
    // Headings and the label of each run of value records.
    std::vector<std::string> got;
    for (const std::string &x : report()) {
      if (x == "1" || x == "0" || x.find("FIELDS --->") != std::string::npos) {
        got.push_back(x);
      } else if (x.size() > 6 && x.find("WAKE/V  =") == 2) {
        const std::string label = x.substr(1, 5);
        if (got.empty() || got.back() != label) got.push_back(label);
      }
    }
    EXPECT_EQ(got, r.want) << "MROT " << r.MROT << " LNAPM1 " << r.LNAPM1 << " LOGT " << r.LOGT;
  }
}
