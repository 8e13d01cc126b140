// Line-printer plot: the scales of both axes, the marks of the curves and the printed
// rows, the range warning and the points at no finite position. The expected steps,
// divisions and labels are worked out by hand from the scale rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "results/lineprinter.hpp"
#include "run/constants.hpp"
#include "run/units.hpp"

namespace {

using recs = std::vector<std::string>;
const int U = ndev.NOUT;

void fresh() {
  uopen_mem(U);
  xyz = xyz_t{};
}

arr1<float> values(const std::vector<float> &v) {
  arr1<float> a(static_cast<long>(v.size()));
  for (std::size_t k = 0; k < v.size(); ++k) a(static_cast<long>(k) + 1) = v[k];
  return a;
}

arr1<float> constant(int n, float y) { return arr1<float>(n, y); }

fix1<float, 4> range(float x0, float x1, float y0, float y1) {
  fix1<float, 4> r;
  r(1) = x0;
  r(2) = x1;
  r(3) = y0;
  r(4) = y1;
  return r;
}

// One curve in mode 0 (evenly spaced points over the x range).
void curve0(const arr1<float> &Y, char ch, fix1<float, 4> R, int nmore) {
  drplot(U, Y, Y, static_cast<int>(Y.size()), ch, 0, R, nmore);
}

// One curve at the given abscissae (mode 1).
void curve1(const arr1<float> &X, const arr1<float> &Y, char ch, int nmore) {
  fix1<float, 4> R = range(0.0f, 0.2f, -1.0f, 1.0f);
  drplot(U, X, Y, static_cast<int>(Y.size()), ch, 1, R, nmore);
}

// Abscissae of n points from x0 to x1.
arr1<float> spaced(int n, float x0, float x1) {
  arr1<float> x(n);
  for (int i = 1; i <= n; ++i) x(i) = x0 + static_cast<float>(i - 1) * (x1 - x0) / static_cast<float>(n - 1);
  return x;
}

// The printed row r (1-based) without its 11 leading columns (value or blanks).
std::string row_cells(const recs &r, int row) { return r.at(row - 1).substr(11); }

// The picture of an empty plot: division rows of "-" with "+" every ncpd columns,
// other rows blank with "I" there.
std::string empty_row(bool division, int ncols, int ncpd) {
  std::string s(ncols, division ? '-' : ' ');
  for (int c = 1; c <= ncols; c += ncpd) s[c - 1] = division ? '+' : 'I';
  return s;
}

std::string label_record(const std::vector<std::string> &labels, int ncpd) {
  std::string s = "0      ";
  for (std::size_t k = 0; k < labels.size(); ++k) {
    if (k > 0) s += std::string(ncpd - 9, ' ');
    s += labels[k];
  }
  return s;
}

} // namespace

// Steps, divisions, columns or rows per division and labels of a table of ranges.
TEST(LinePrinter, ScaleOfTheAxes) {
  struct row {
    const char *what;
    float x0, x1, y0, y1;
    float dxs;
    int nxdiv, ncpd, ncols;
    std::vector<std::string> xlabels;
    int nydiv, nrpd, nrows;
    float yorg;
  } rows[] = {
      // hi on a step multiple: NMAX = 0.2/0.05 = 4 exactly
      {"x 0 to 0.2, y -1 to 1", 0.0f, 0.2f, -1.0f, 1.0f, 0.05f, 4, 30, 121,
       {" 0.00E+00", " 5.00E-02", " 1.00E-01", " 1.50E-01"}, 4, 10, 41, 1.0f},
      // d = 0.1 lies within the tolerance of 10**-1: P = 0.01, INT(d/P) = 10, step 0.02
      {"x 0 to 0.1", 0.0f, 0.1f, -1.0f, 1.0f, 0.02f, 5, 24, 121,
       {" 0.00E+00", " 2.00E-02", " 4.00E-02", " 6.00E-02", " 8.00E-02"}, 4, 10, 41, 1.0f},
      // step 0.02 gives NMIN = -1, NMAX = 8, nine divisions: step 0.05, three of them
      {"x -0.0004 to 0.144", -0.0004f, 0.144f, -1.0f, 1.0f, 0.05f, 3, 40, 121,
       {" 0.00E+00", " 5.00E-02", " 1.00E-01"}, 4, 10, 41, 1.0f},
      // a y range below zero: step 0.5, NMAX = INT(-2 + 0.01) = -1, NMIN = INT(-6 - 0.99) = -6
      {"y -3 to -1", 0.0f, 0.2f, -3.0f, -1.0f, 0.05f, 4, 30, 121,
       {" 0.00E+00", " 5.00E-02", " 1.00E-01", " 1.50E-01"}, 5, 8, 41, -0.5f},
  };
  for (const row &c : rows) {
    SCOPED_TRACE(c.what);
    fresh();
    curve0(constant(3, 1.0E30f), '*', range(c.x0, c.x1, c.y0, c.y1), 0);
    EXPECT_FLOAT_EQ(xyz.DXS, c.dxs);
    EXPECT_EQ(xyz.NXDIV, c.nxdiv);
    EXPECT_EQ(xyz.NCPD, c.ncpd);
    EXPECT_EQ(xyz.NCOLS, c.ncols);
    EXPECT_EQ(xyz.NYDIV, c.nydiv);
    EXPECT_EQ(xyz.NRPD, c.nrpd);
    EXPECT_EQ(xyz.NROWS, c.nrows);
    EXPECT_FLOAT_EQ(xyz.YORG, c.yorg);
    const recs &r = umem(U);
    ASSERT_EQ(r.size(), static_cast<std::size_t>(c.nrows + 1));
    EXPECT_EQ(r.back(), label_record(c.xlabels, c.ncpd));
    EXPECT_EQ(xyz.NCURV, 0); // ready for the next plot
  }
}

// The y values of the division rows of the range -3 .. -1.
TEST(LinePrinter, DivisionRowValuesBelowZero) {
  fresh();
  curve0(constant(3, 1.0E30f), '*', range(0.0f, 0.2f, -3.0f, -1.0f), 0);
  const recs &r = umem(U);
  const char *want[] = {" -5.00E-01", " -1.00E+00", " -1.50E+00", " -2.00E+00", " -2.50E+00",
                        " -3.00E+00"};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.at(8 * k).substr(0, 10), want[k]) << "row " << 8 * k + 1;
}

// One curve of 201 zeros over 0 .. 0.2: every record of the plot.
TEST(LinePrinter, ZeroCurveAllRecords) {
  fresh();
  curve0(constant(201, 0.0f), 'L', range(0.0f, 0.2f, -1.0f, 1.0f), 0);
  recs want;
  const char *value[] = {"  1.00E+00", "  5.00E-01", "  0.00E+00", " -5.00E-01", " -1.00E+00"};
  for (int r = 1; r <= 41; ++r) {
    const bool division = (r - 1) % 10 == 0;
    std::string cells = r == 21 ? std::string(121, 'L') : empty_row(division, 121, 30);
    want.push_back((division ? std::string(value[(r - 1) / 10]) + " " : std::string(11, ' ')) + cells);
  }
  want.push_back("0       0.00E+00" + std::string(21, ' ') + " 5.00E-02" + std::string(21, ' ') +
                 " 1.00E-01" + std::string(21, ' ') + " 1.50E-01");
  const recs &r = umem(U);
  ASSERT_EQ(r.size(), want.size());
  for (std::size_t k = 0; k < want.size(); ++k)
    EXPECT_EQ(r[k], want[k]) << "record " << k + 1 << "\n got: " << r[k] << "\nwant: " << want[k];
}

// N = 1 in mode 0: the x range (0, 0) fails. The warning, the later curves of the plot
// passed over, and a fresh plot at the call after the one with NMORE = 0.
TEST(LinePrinter, RangeWarningAbandonsThePlot) {
  fresh();
  curve0(constant(1, 0.5f), '*', range(0.0f, 0.0f, -1.0f, 1.0f), 1);
  const recs warning = {"", "", "", " **WARNING**", "",
                        " WRONG RANGE IN X OR Y GIVEN TO SUBROUTINE DRPLOT:",
                        " XMIN= 0.00000E+00", " XMAX= 0.00000E+00", " YMIN=-1.00000E+00",
                        " YMAX= 1.00000E+00", "", ""};
  EXPECT_EQ(umem(U), warning);
  EXPECT_LT(xyz.NCURV, 0);
  curve0(constant(201, 0.0f), 'A', range(0.0f, 0.2f, -1.0f, 1.0f), 1);
  curve0(constant(201, 0.0f), 'L', range(0.0f, 0.2f, -1.0f, 1.0f), 0);
  EXPECT_EQ(umem(U), warning); // nothing more
  EXPECT_EQ(xyz.NCURV, 0);
  curve0(constant(201, 0.0f), 'L', range(0.0f, 0.2f, -1.0f, 1.0f), 0);
  const recs &r = umem(U);
  ASSERT_EQ(r.size(), warning.size() + 42);
  EXPECT_EQ(r[warning.size() + 20], "  0.00E+00 " + std::string(121, 'L'));
}

// A failed y range is replaced by the data range, stored back; with no data, or no
// finite data, the warning shows the range as given.
TEST(LinePrinter, DataRangeReplacesAFailedRange) {
  fresh();
  fix1<float, 4> R = range(0.0f, 0.2f, 1.0f, 1.0f);
  const arr1<float> Y = values({-1.0f, std::numeric_limits<float>::quiet_NaN(), 0.25f,
                                std::numeric_limits<float>::infinity(), 1.0f});
  drplot(U, Y, Y, 5, '*', 0, R, 0);
  EXPECT_EQ(R(3), -1.0f);
  EXPECT_EQ(R(4), 1.0f);
  EXPECT_EQ(xyz.NROWS, 41);
  EXPECT_EQ(umem(U).size(), 42u);

  // x from the data in mode 1
  fresh();
  R = range(0.3f, 0.1f, -1.0f, 1.0f);
  const arr1<float> X = values({0.0f, 0.1f, 0.2f});
  drplot(U, X, values({0.0f, 0.0f, 0.0f}), 3, '*', 1, R, 0);
  EXPECT_EQ(R(1), 0.0f);
  EXPECT_EQ(R(2), 0.2f);
  EXPECT_EQ(xyz.NCPD, 30);

  const float inf = std::numeric_limits<float>::infinity();
  struct row {
    const char *what;
    arr1<float> Y;
    int N;
  } rows[] = {{"no data", values({0.0f}), 0},
              {"no finite data", values({inf, -inf, std::numeric_limits<float>::quiet_NaN()}), 3},
              {"a single value", values({0.5f, 0.5f}), 2}};
  for (const row &c : rows) {
    SCOPED_TRACE(c.what);
    fresh();
    R = range(0.0f, 0.2f, 1.0f, 1.0f);
    drplot(U, c.Y, c.Y, c.N, '*', 0, R, 0);
    const recs &r = umem(U);
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(r[3], " **WARNING**");
    EXPECT_EQ(r[8], c.N == 2 ? " YMIN= 5.00000E-01" : " YMIN= 1.00000E+00");
    EXPECT_EQ(xyz.NCURV, 0);
  }
}

// Two curves with one character share its index: the later marks replace the others'
// in the same cells, and both show the same character.
TEST(LinePrinter, CurvesSharingACharacter) {
  fresh();
  curve0(constant(201, 0.0f), 'A', range(0.0f, 0.2f, -1.0f, 1.0f), 1);
  curve1(spaced(201, 0.0f, 0.1f), constant(201, 0.0f), 'B', 1);
  curve1(spaced(201, 0.0f, 0.05f), constant(201, 0.0f), 'A', 1);
  EXPECT_EQ(xyz.NCURV, 2);
  curve1(values({0.1f}), values({1.0f}), 'B', 0);
  const recs &r = umem(U);
  ASSERT_EQ(r.size(), 42u);
  EXPECT_EQ(row_cells(r, 21), std::string(31, 'A') + std::string(30, 'B') + std::string(60, 'A'));
  std::string top = empty_row(true, 121, 30);
  top[60] = 'B';
  EXPECT_EQ(row_cells(r, 1), top);
}

// Eight characters: the eighth takes over index 1, so the first curve's remaining
// cells show it too. Codes 0 .. 9 and the blank stand for digits.
TEST(LinePrinter, EighthCharacterTakesOverTheFirstIndex) {
  fresh();
  curve0(constant(201, 0.0f), 'a', range(0.0f, 0.2f, -1.0f, 1.0f), 1);
  // Curves 2 .. 7, one point each on the top row, at columns c: x = (c - 1)*0.05/30.
  const int cols[] = {11, 21, 41, 51, 71, 81};
  const char chars[] = {'b', 'c', '\3', ' ', 'f', 'g'};
  for (int k = 0; k < 6; ++k)
    curve1(values({static_cast<float>(cols[k] - 1) * 0.05f / 30.0f}), values({1.0f}), chars[k], 1);
  EXPECT_EQ(xyz.NCURV, 7);
  curve1(spaced(101, 0.0f, 0.05f), constant(101, 0.0f), 'h', 0);
  const recs &r = umem(U);
  ASSERT_EQ(r.size(), 42u);
  EXPECT_EQ(row_cells(r, 21), std::string(121, 'h'));
  std::string top = empty_row(true, 121, 30);
  const char shown[] = {'b', 'c', '3', '5', 'f', 'g'}; // '\3' is "3", the blank of index 5 "5"
  for (int k = 0; k < 6; ++k) top[cols[k] - 1] = shown[k];
  EXPECT_EQ(row_cells(r, 1), top);
}

// A curve holding NaN and infinities: those points are passed over, the finite ones
// are marked (the sanitizer build checks the float-to-integer conversions).
TEST(LinePrinter, PointsAtNoFinitePositionArePassedOver) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  fresh();
  // Mode 0 over 0 .. 0.2 with 5 points: columns 1, 31, 61, 91, 121.
  curve0(values({0.0f, nan, inf, -inf, 0.0f}), '*', range(0.0f, 0.2f, -1.0f, 1.0f), 1);
  // Mode 1: non-finite abscissae with finite ordinates, and huge finite values.
  curve1(values({nan, inf, -inf, 0.1f, 3.0E38f}), values({0.5f, 0.5f, 0.5f, 0.5f, 0.5f}), 'X', 1);
  curve1(values({0.05f, 0.05f}), values({nan, -3.0E38f}), 'Y', 0);
  const recs &r = umem(U);
  ASSERT_EQ(r.size(), 42u);
  std::string mid = empty_row(true, 121, 30);
  mid[0] = mid[120] = '*';
  EXPECT_EQ(row_cells(r, 21), mid);
  std::string upper = empty_row(true, 121, 30);
  upper[60] = 'X';
  EXPECT_EQ(row_cells(r, 11), upper);
  for (int row = 1; row <= 41; ++row) {
    if (row == 11 || row == 21) continue;
    EXPECT_EQ(row_cells(r, row), empty_row((row - 1) % 10 == 0, 121, 30)) << "row " << row;
  }
}
