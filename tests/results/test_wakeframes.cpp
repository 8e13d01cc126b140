// Wake plot frame: header and titles, the curves with their line styles and pieces of
// at most 1021 points, the inside legends and the legend lines below the plotting
// area, record by record; and the example deck's printer plot and wake frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/mesh.hpp"
#include "results/wakeframes.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "../run/run_binary.hpp"

namespace {

using recs = std::vector<std::string>;
const int U = ndev.NTOP;

void fresh() {
  uopen_mem(U);
  red.REDTXT = std::string(13, ' ');
  wpt.CDATE = "01/02/03";
  wpt.CTIME = "04.05.06";
  wp2.TUSED = 1.25f;
  wpl.MROT = 0;
  latc.SIG = 0.01f;
  latc.DDZ = 0.001f;
  for (long k = 1; k <= latc.DDR.size(); ++k) latc.DDR(k) = 0.0f;
  latc.DDR(1) = 0.0005f;
}

fix1<std::string, 10> title() {
  fix1<std::string, 10> t;
  const char *w[9] = {"WAKE FRA", "ME TEST ", "        ", "SECOND L", "INE     ",
                      "        ", "        ", "        ", "      //"};
  for (int k = 1; k <= 9; ++k) t(k) = w[k - 1];
  return t;
}

fix1<float, 4> range(float L) {
  fix1<float, 4> r;
  r(1) = 0.0f;
  r(2) = L;
  r(3) = -1.0f;
  r(4) = 1.0f;
  return r;
}

arr1<float> values(const std::vector<float> &v) {
  arr1<float> a(static_cast<long>(v.size()));
  for (std::size_t k = 0; k < v.size(); ++k) a(static_cast<long>(k) + 1) = v[k];
  return a;
}

std::string point(float x, float y) {
  return fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, x}, {ritem::REAL, 0, y}})[0];
}

const recs header_common = {
    "  NEW FRAME",
    "  SET FONT DUPLEX",
    "  SET SIZE 13 BY 10              ",
    "  SET WINDOW X FROM 2 12 Y FROM 1.75 TO 8",
    "  SET TICKS SIZE 0.05",
    "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Wake Potentials'",
    "  TITLE 2.0 8.6 SIZE 1.50 'ZELK_MP 12.5 : WAKE FRAME TEST         '",
    "  MORE 'SECOND LINE                                   //'",
    "  TITLE BOTTOM 'Distance from Bunch Head S (m)'",
    "  TITLE LEFT   'Scaled Wake Potential W (S)'",
    "  TITLE 10.9 8.9 SIZE 1.25 '01/02/03  04.05.06'",
    "  TITLE 10.1 9.1 SIZE 1.25 'Cpu Time Used: 1.250E+00(s)'",
    "  TITLE 2.00 8.3 SIZE 1.40 'MROT= 0,  SIG= 1.000 cm,'",
    "  MORE '  DDZ= 1.000 mm,  DDR= 0.500 mm'",
};
const std::string limits = "  SET LIMITS X    0.0000      0.20000     Y   -1.0000       1.0000    ";

// The records after the first k of the plot file.
recs after(std::size_t k) {
  const recs &r = umem(U);
  return recs(r.begin() + static_cast<long>(k < r.size() ? k : r.size()), r.end());
}

} // namespace

// The frame header with one radial zone, and with five: the further-zone records list
// DDR(2) to DDR(4) only.
TEST(WakeFrames, HeaderAndTitles) {
  struct row {
    const char *what;
    std::vector<float> ddr;
    recs zones;
  } rows[] = {
      {"one zone", {0.0005f}, {}},
      {"five zones", {0.0005f, 0.001f, 0.0015f, 0.002f, 0.0025f},
       {"  MORE ',  1.000 mm'", "  MORE ',  1.500 mm'", "  MORE ',  2.000 mm'"}},
  };
  for (const row &c : rows) {
    SCOPED_TRACE(c.what);
    fresh();
    for (std::size_t k = 0; k < c.ddr.size(); ++k) latc.DDR(static_cast<long>(k) + 1) = c.ddr[k];
    wplot(title(), arr1<float>(), 0, 0, range(0.2f));
    recs want = header_common;
    want.insert(want.end(), c.zones.begin(), c.zones.end());
    want.push_back(limits);
    EXPECT_EQ(umem(U), want);
    EXPECT_FLOAT_EQ(wzero.XLEGW, 0.01f);
    EXPECT_FLOAT_EQ(wzero.DYLEGW, 0.1f);
    EXPECT_FLOAT_EQ(wzero.YLEGW, 0.8f);
  }
}

// A charge density non-zero only at its start: after its last non-zero sample only the
// first zero sample and the last sample are drawn; then the inside legend.
TEST(WakeFrames, ChargeDensityWithATrailingRunOfZeros) {
  fresh();
  wplot(title(), arr1<float>(), 0, 0, range(0.2f));
  const std::size_t head = umem(U).size();
  wplot(title(), values({1.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f}), 6, 1, range(0.2f));
  const recs want = {
      "    0.0000       1.0000    ",
      "   0.10000E-02  0.50000    ",
      "   0.20000E-02   0.0000    ",
      "   0.50000E-02   0.0000    ",
      "  JOIN DOTS    ",
      "   0.10000E-01  0.80000    ",
      "   0.30000E-01  0.80000    ",
      "  JOIN 1 DOTS    ",
      "  TITLE   0.35000E-01  0.80000     DATA SIZE 1.5 'Charge Density'",
  };
  EXPECT_EQ(after(head), want);
}

// Curves of 1, 1021 and 2042 points: pieces of at most 1021 points sharing their end
// point, and the final JOIN always written.
TEST(WakeFrames, CurvePieces) {
  for (int n : {1, 1021, 2042}) {
    SCOPED_TRACE(n);
    fresh();
    wplot(title(), arr1<float>(), 0, 0, range(0.2f));
    const std::size_t head = umem(U).size();
    arr1<float> Y(n);
    for (int j = 1; j <= n; ++j) Y(j) = static_cast<float>(j % 7) / 8.0f;
    wplot(title(), Y, n, 4, range(0.2f));
    recs want;
    int count = 0;
    for (int j = 1; j <= n; ++j) {
      const std::string p = point(static_cast<float>(j - 1) * 0.001f, Y(j));
      want.push_back(p);
      if (++count == 1021) {
        want.push_back("  JOIN SOLID   ");
        want.push_back(p);
        count = 1;
      }
    }
    want.push_back("  JOIN SOLID   ");
    const recs got = after(head);
    ASSERT_EQ(got.size(), want.size() + 4);
    EXPECT_EQ(recs(got.begin(), got.begin() + static_cast<long>(want.size())), want);
    EXPECT_EQ(got[want.size() + 2], "  JOIN 1 SOLID   ");
  }
}

// Inside legends for RANGE = (0, L, -1, 1): heights 0.8, 0.7, 0.6, samples from L/20
// to 3L/20, texts at 3.5L/20.
TEST(WakeFrames, InsideLegends) {
  fresh();
  wplot(title(), arr1<float>(), 0, 0, range(0.2f));
  const std::size_t head = umem(U).size();
  const arr1<float> Y = values({0.5f});
  for (int kind : {1, 2, 3}) wplot(title(), Y, 1, kind, range(0.2f));
  const recs want = {
      "    0.0000      0.50000    ", "  JOIN DOTS    ",
      "   0.10000E-01  0.80000    ", "   0.30000E-01  0.80000    ", "  JOIN 1 DOTS    ",
      "  TITLE   0.35000E-01  0.80000     DATA SIZE 1.5 'Charge Density'",
      "    0.0000      0.50000    ", "  JOIN DOTDASH ",
      "   0.10000E-01  0.70000    ", "   0.30000E-01  0.70000    ", "  JOIN 1 DOTDASH ",
      "  TITLE   0.35000E-01  0.70000     DATA SIZE 1.5 'Azimuthal     '",
      "    0.0000      0.50000    ", "  JOIN DASH    ",
      "   0.10000E-01  0.60000    ", "   0.30000E-01  0.60000    ", "  JOIN 1 DASH    ",
      "  TITLE   0.35000E-01  0.60000     DATA SIZE 1.5 'Transverse    '",
  };
  EXPECT_EQ(after(head), want);
}

// The style word of every kind and mode: the table's rows for MROT = 0 and 1, the row
// of MROT = 1 for higher modes and that of MROT = 0 below 0.
TEST(WakeFrames, StyleWords) {
  const char *mono[5] = {"DOTS    ", "DOTDASH ", "DASH    ", "SOLID   ", "DASH    "};
  const char *dip[5] = {"DOTS    ", "DOTDASH ", "SOLID   ", "DASH    ", "SOLID   "};
  for (int mrot : {0, 1, 2, 7, -1}) {
    for (int kind = 1; kind <= 5; ++kind) {
      fresh();
      wpl.MROT = mrot;
      wplot(title(), values({0.5f}), 1, kind, range(0.2f));
      const recs &r = umem(U);
      ASSERT_EQ(r.size(), 6u);
      const std::string word = mrot >= 1 ? dip[kind - 1] : mono[kind - 1];
      EXPECT_EQ(r[1], "  JOIN " + word) << "MROT " << mrot << " kind " << kind;
      EXPECT_EQ(r[4], "  JOIN 1 " + word) << "MROT " << mrot << " kind " << kind;
    }
  }
}

// Legend lines with the reset position: heights 0.70, 0.47, 0.24, label at 2.00,
// extrema at 4.00, factor at 8.70; the units by kind and mode, and the case records of
// V/pC/m**2 with their marks under the "2" and the "3".
TEST(WakeFrames, LegendLines) {
  fresh();
  wpadd(0.0f, 0.0f, 0.0f, 0, 0);
  EXPECT_TRUE(umem(U).empty());
  wpadd(-1.0f, 2.0f, 0.5f, 0, 4);
  wpadd(-1.0f, 2.0f, 0.5f, 1, 3);
  wpadd(-1.0f, 2.0f, 0.5f, 1, 4);
  wpadd(-1.0f, 2.0f, 0.5f, 0, 5);
  wpadd(-1.0f, 2.0f, 0.5f, 2, 4);
  const recs want = {
      "  TITLE  2.00 0.70 SIZE 1.40 'Longitudinal Wake '",
      "  TITLE  4.00 0.70 SIZE 1.40 'Min/Max= -1.000E+00/ 2.000E+00 V/pC,     '",
      "  TITLE  8.70 0.70 SIZE 1.40 'Loss Factor=  5.000E-01 V/pC     '",
      "  TITLE  2.00 0.47 SIZE 1.40 'Transverse Wake   '",
      "  TITLE  4.00 0.47 SIZE 1.40 'Min/Max= -1.000E+00/ 2.000E+00 V/pC/m,   '",
      "  TITLE  8.70 0.47 SIZE 1.40 'Loss Factor=  5.000E-01 V/pC/m   '",
      "  TITLE  2.00 0.24 SIZE 1.40 'Longitudinal Wake '",
      "  TITLE  4.00 0.24 SIZE 1.40 'Min/Max= -1.000E+00/ 2.000E+00 V/pC/m223,'",
      "  CASE  '" + std::string(30, ' ') + "       X X '",
      "  TITLE  8.70 0.24 SIZE 1.40 'Loss Factor=  5.000E-01 V/pC/m223'",
      "  CASE  '" + std::string(23, ' ') + "       X X'",
      "  TITLE  2.00 0.01 SIZE 1.40 'With Log. Term    '",
      "  TITLE  4.00 0.01 SIZE 1.40 'Min/Max= -1.000E+00/ 2.000E+00 V/pC,     '",
      "  TITLE  8.70 0.01 SIZE 1.40 'Loss Factor=  5.000E-01 V/pC     '",
      "  TITLE  2.00-0.22 SIZE 1.40 'Longitudinal Wake '",
      "  TITLE  4.00-0.22 SIZE 1.40 'Min/Max= -1.000E+00/ 2.000E+00 V/pC/m,   '",
      "  TITLE  8.70-0.22 SIZE 1.40 'Loss Factor=  5.000E-01 V/pC/m   '",
  };
  const recs &r = umem(U);
  EXPECT_EQ(r, want);
  // The marks stand under the "2" of "m2" and under the "3", counted in the title text.
  ASSERT_GE(r.size(), 11u);
  for (int k : {7, 9}) {
    const std::size_t t = r[k].find('\'') + 1, c = r[k + 1].find('\'') + 1;
    const std::size_t m2 = r[k].find("m223") + 1;
    EXPECT_EQ(r[k + 1][c + (m2 - t)], 'X');
    EXPECT_EQ(r[k][m2 + 2], '3');
    EXPECT_EQ(r[k + 1][c + (m2 + 2 - t)], 'X');
  }
}

// The example deck: the printer plot between the header of the wake report and the
// charge line, and one wake frame whose charge density ends with " JOIN DOTS    " and
// whose longitudinal wake ends with " JOIN SOLID   ".
TEST(WakeFrames, ExampleDeckPrintsAndDrawsItsWakes) {
  const run_result res =
      run_zelk(slurp(std::filesystem::path(ZELK_SOURCE_DIR) / "examples" / "pillbox.in"),
               "pillbox.in", "pillbox.in", "OMP_NUM_THREADS=2");
  ASSERT_EQ(res.status, 0) << res.err_terminal;
  const recs out = lines_of(slurp(res.dir / "pillbox.out"));
  std::size_t h = 0;
  while (h < out.size() && out[h].rfind("1PROBLEM :", 0) != 0) ++h;
  ASSERT_LT(h + 3 + 42 + 1, out.size());
  // 41 rows (five divisions of 8 .. 10 rows), the label record, an empty record.
  EXPECT_EQ(out[h + 3].substr(0, 11), "  1.00E+00 ");
  EXPECT_EQ(out[h + 3 + 40].substr(0, 11), " -1.00E+00 ");
  EXPECT_EQ(out[h + 3 + 41].rfind("0       0.00E+00", 0), 0u) << out[h + 3 + 41];
  EXPECT_EQ(out[h + 3 + 42], "");
  EXPECT_EQ(out[h + 3 + 43].rfind(" LINE CHARGE DENSITY", 0), 0u) << out[h + 3 + 43];
  int stars = 0, ells = 0;
  for (std::size_t k = h + 3; k < h + 3 + 41; ++k)
    for (char ch : out[k].substr(11)) {
      stars += ch == '*';
      ells += ch == 'L';
    }
  EXPECT_GT(stars, 20);
  EXPECT_GT(ells, 100);

  const recs top = lines_of(slurp(res.dir / "pillbox.top"));
  int frames = 0;
  std::size_t f = 0;
  for (std::size_t k = 0; k < top.size(); ++k)
    if (top[k] == "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Wake Potentials'") {
      ++frames;
      f = k;
    }
  ASSERT_EQ(frames, 1);
  // Each curve ends four records before the text of its inside legend.
  std::vector<std::string> ends;
  for (std::size_t k = f + 4; k < top.size() && top[k] != "  NEW FRAME"; ++k)
    if (top[k].find(" DATA SIZE 1.5 '") != std::string::npos) ends.push_back(top[k - 4]);
  EXPECT_EQ(ends, (recs{"  JOIN DOTS    ", "  JOIN SOLID   "}));
  std::filesystem::remove_all(res.dir);
}
