// Geometry lines: decoding of one line, reading and decoding of the contour, the
// messages and stops of the mesh input.
#include <cmath>
#include <string>
#include <vector>

#include "deck_test_util.hpp"
#include "run/geomlines.hpp"

namespace {

class GeomLines : public ::testing::Test {
protected:
  void SetUp() override { fresh_inputs(); }
};

struct flot_case {
  const char *line;
  float v1, v2;
  int c1, c2, c3, c4;
};

// One decoded line: VAL(1), VAL(2), ICODE(1..4), IERR.
struct decoded {
  float VAL[3];
  int ICODE[5];
  int IERR;
};
decoded decode(const std::string &line) {
  decoded d{};
  flot(line, 72, d.VAL, d.ICODE, d.IERR);
  return d;
}

// The lines of a deck between the header and the groups that follow it.
std::string geometry(const std::vector<std::string> &lines) {
  std::string s = "1\n";
  for (auto &l : lines) s += l + "\n";
  return s;
}

struct contour_result {
  int NPTS = 0, NLINES = 0, NLAST = 0;
  float ZMAX = 0.0f, RMAX = 0.0f;
};
contour_result read_contour(bool LADD, const std::vector<std::string> &lines) {
  deck(geometry(lines));
  contour_result r;
  inputi(LADD, r.NPTS, r.NLINES, r.NLAST, r.ZMAX, r.RMAX);
  return r;
}

void expect_points(const std::vector<std::pair<float, float>> &pts) {
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const long P = static_cast<long>(k) + 1;
    EXPECT_FLOAT_EQ(geo.RR(P), pts[k].first) << "RR(" << P << ")";
    EXPECT_FLOAT_EQ(geo.ZZ(P), pts[k].second) << "ZZ(" << P << ")";
  }
}

} // namespace

TEST_F(GeomLines, FlotDecodesTheFormsOfOneLine) {
  var.RZ(3) = 0.02f;
  var.RZ(12) = 0.5f;
  static const std::string at_col72 = std::string(70, ' ') + "1E";
  const flot_case cases[] = {
      {"0.05,0.1", 0.05f, 0.1f, 0, 0, 0, -1},
      {"0.05 , 0.1", 0.05f, 0.1f, 0, 0, 0, -1},
      {"0.05,,0.1", 0.05f, 0.1f, 0, 0, 0, -1},
      {"   .05   0.1", 0.05f, 0.1f, 0, 0, 0, -1},
      {"5.E-2 0", 0.05f, 0.0f, 0, 0, 0, -1},
      {"5D-2", 0.05f, 0.0f, 0, 0, 0, -1},
      {"1.5E+3", 1500.0f, 0.0f, 0, 0, 0, -1},
      {"1E", 1.0f, 0.0f, 0, 0, 0, -1},
      {at_col72.c_str(), 1.0f, 0.0f, 0, 0, 0, -1},
      {"1.5E 3", 1.5f, 3.0f, 0, 0, 0, -1},
      {"2.5E-1,-4E1", 0.25f, -40.0f, 0, 0, 0, -1},
      {"1+2 +0.5", 12.0f, 0.5f, 0, 0, 0, -1},  // "+" is ignored, also between digits
      {"0.0-5 3-", -0.05f, -3.0f, 0, 0, 0, -1}, // "-" negates wherever it stands
      {"", 0.0f, 0.0f, 0, 0, 0, -1},            // a blank line is the point (0, 0)
      {"-RZ3 RZ12", -0.02f, 0.5f, -3, 12, 0, -1},
      {"0.1 RZ12", 0.1f, 0.5f, 0, 12, 0, -1},
      {"CS 0.05", -1.0f, 0.05f, 0, 0, -1, -1},
      {"CL,-0.05", -2.0f, -0.05f, 0, 0, -2, -1},
      {"ES 0.02", -3.0f, 0.02f, 0, 0, -3, -1},
      {"EL", -4.0f, 0.0f, 0, 0, -4, -1},
      {"RCS 0.01", -1.0f, 0.01f, 0, 0, -1, -1}, // C after R starts the marker
      {"> 3", 0.0f, 3.0f, 0, 0, 0, 3},
      {">3", 0.0f, 3.0f, 0, 0, 0, 3},
      {"R>2.7", 0.0f, 2.7f, 0, 0, 0, 2},         // ">" after R; the count is truncated
      {"0.1 >3", 0.1f, 0.0f, 0, 0, 0, -1},       // ">" after value 1: an ordinary point
      {"<", 0.0f, 0.0f, 0, 0, 0, -9999},
      {"0.1 <", 0.1f, 0.0f, 0, 0, 0, -9999},
      {"9999 5", 9999.0f, 5.0f, 0, 0, 0, -1},
      {"9999.001", 9999.001f, 0.0f, 0, 0, 0, -1},
      {"0E99999 1", 0.0f, 1.0f, 0, 0, 0, -1},
      {"0.1 0.2 pipe end", 0.1f, 0.2f, 0, 0, 0, -1}, // after two values the line is done
  };
  for (const flot_case &c : cases) {
    const decoded d = decode(c.line);
    SCOPED_TRACE(std::string("line \"") + c.line + "\"");
    EXPECT_EQ(d.IERR, 0);
    EXPECT_FLOAT_EQ(d.VAL[1], c.v1);
    EXPECT_FLOAT_EQ(d.VAL[2], c.v2);
    EXPECT_EQ(d.ICODE[1], c.c1);
    EXPECT_EQ(d.ICODE[2], c.c2);
    EXPECT_EQ(d.ICODE[3], c.c3);
    EXPECT_EQ(d.ICODE[4], c.c4);
  }
  EXPECT_TRUE(report().empty());
}

TEST_F(GeomLines, FlotNegativeZeroKeepsItsSign) {
  // s * V * 10^e with V = 0 and s = -1 is -0.0 (the echo writes it as -0.0000); a value
  // without digits is 0.0.
  const decoded d = decode("-0 -0.0E5");
  EXPECT_TRUE(std::signbit(d.VAL[1]));
  EXPECT_TRUE(std::signbit(d.VAL[2]));
  const decoded b = decode("- 0.1");
  EXPECT_FLOAT_EQ(b.VAL[1], -0.1f); // the sign waits for the digits of its value
  const decoded e = decode("0.1 -");
  EXPECT_FALSE(std::signbit(e.VAL[2]));
  const decoded f = decode("-0E99999");
  EXPECT_TRUE(std::signbit(f.VAL[1]));
  EXPECT_EQ(f.VAL[1], 0.0f);
}

TEST_F(GeomLines, FlotIllegalCharacterKeepsFinishedValues) {
  struct ill {
    const char *line;
    char ch;
    float v1;
  } cases[] = {
      {"0.1 x", 'x', 0.1f}, {"0.1a 0.2", 'a', 0.0f}, {"0.1\t0.2", '\t', 0.0f},
      {" %0.1", '%', 0.0f}, {"CX 0.1", 'X', 0.0f},   {"RA", 'A', 0.0f},
      {"0.1 D5", 'D', 0.1f}, {"0.1 S", 'S', 0.1f},
  };
  for (const ill &c : cases) {
    uopen_mem(ndev.NOUT);
    SCOPED_TRACE(c.line);
    const decoded d = decode(c.line);
    EXPECT_EQ(d.IERR, -1);
    EXPECT_FLOAT_EQ(d.VAL[1], c.v1);
    ASSERT_EQ(report().size(), 1u);
    EXPECT_EQ(report()[0], std::string(" *** ERROR *** ILLEGAL CHARACTER \"") + c.ch +
                               "\" IN MESH INPUT LINE --> " + col72(c.line));
  }
}

TEST_F(GeomLines, UngivenReferenceWarnsWithAndWithoutSign) {
  const decoded a = decode("RZ7 0.1");
  EXPECT_FLOAT_EQ(a.VAL[1], -8888.0f);
  EXPECT_EQ(a.ICODE[1], 7);
  const decoded b = decode("0.1 -RZ7");
  EXPECT_FLOAT_EQ(b.VAL[2], 8888.0f);
  EXPECT_EQ(b.ICODE[2], -7);
  ASSERT_EQ(report().size(), 2u);
  // The record names the signed index n of the reference, in I2.
  EXPECT_EQ(report()[0],
            " *** ERROR *** UNGIVEN VARIABLE \"RZ 7\" IN MESH INPUT LINE --> " + col72("RZ7 0.1"));
  EXPECT_EQ(report()[1],
            " *** ERROR *** UNGIVEN VARIABLE \"RZ-7\" IN MESH INPUT LINE --> " + col72("0.1 -RZ7"));
}

TEST_F(GeomLines, AbsoluteContourWithComment) {
  const contour_result r = read_contour(false, {
                                                   "0.0 0.0",
                                                   "0.02 0.0",
                                                   "% the cell",
                                                   "0.02 0.01",
                                                   "0.05,0.01",
                                                   "0.05 0.03",
                                                   "0.02 0.03",
                                                   "0.02 0.04",
                                                   "0.0 0.04",
                                                   "0.0 0.0",
                                                   "9999 0",
                                                   " &BEAM SIG=0.001 /",
                                               });
  expect_points({{0.0f, 0.0f}, {0.02f, 0.0f}, {0.02f, 0.01f}, {0.05f, 0.01f}, {0.05f, 0.03f},
                 {0.02f, 0.03f}, {0.02f, 0.04f}, {0.0f, 0.04f}, {0.0f, 0.0f}, {9999.0f, 0.0f}});
  EXPECT_EQ(r.NPTS, 9);
  EXPECT_EQ(r.NLINES, 9); // the comment is not stored, the end line not counted
  EXPECT_EQ(r.NLAST, 7);  // the point before the return to point 1
  EXPECT_FLOAT_EQ(r.ZMAX, 0.04f);
  EXPECT_FLOAT_EQ(r.RMAX, 0.05f);
  EXPECT_EQ(geolines[3], col72("0.02 0.01"));
  EXPECT_EQ(geolines[10], col72("9999 0"));
  std::string next;
  ASSERT_TRUE(uget(ndev.NIN, next));
  EXPECT_EQ(next, " &BEAM SIG=0.001 /"); // the reading stops right after the end line
  EXPECT_TRUE(report().empty());
}

TEST_F(GeomLines, ContourThatNeverReturnsEndsTwoBeforeTheLastPoint) {
  const contour_result r =
      read_contour(false, {"0 0", "0.02 0", "0.02 0.01", "0.03 0.01", "0.03 0.02", "9999"});
  EXPECT_EQ(r.NPTS, 5);
  EXPECT_EQ(r.NLAST, 3);
}

TEST_F(GeomLines, RelativeRepeatGroupAndAbsoluteIgnoresTheMarks) {
  const std::vector<std::string> lines = {"0.0 0.0", "0.02 0.0", "> 3",        "0.0 0.01",
                                          "0.01 0.0", "<",      "-0.05 0.0",   "9999"};
  const contour_result rel = read_contour(true, lines);
  // Each increment is taken from the point before it: the group runs three times.
  expect_points({{0.0f, 0.0f},
                 {0.02f, 0.0f},
                 {0.02f, 0.01f},
                 {0.03f, 0.01f},
                 {0.03f, 0.02f},
                 {0.04f, 0.02f},
                 {0.04f, 0.03f},
                 {0.05f, 0.03f},
                 {0.0f, 0.03f},
                 {9999.0f, 0.0f}});
  EXPECT_EQ(rel.NPTS, 9);
  EXPECT_EQ(rel.NLINES, 7);
  EXPECT_EQ(rel.NLAST, 7);
  EXPECT_FLOAT_EQ(rel.RMAX, 0.05f);
  EXPECT_FLOAT_EQ(rel.ZMAX, 0.03f);

  fresh_inputs();
  const contour_result abs = read_contour(false, lines);
  expect_points({{0.0f, 0.0f}, {0.02f, 0.0f}, {0.0f, 0.01f}, {0.01f, 0.0f}, {-0.05f, 0.0f},
                 {9999.0f, 0.0f}});
  EXPECT_EQ(abs.NPTS, 5);
  EXPECT_EQ(abs.NLINES, 7);
}

TEST_F(GeomLines, RelativeArcsTakeTheirReferencePoints) {
  const contour_result r = read_contour(true, {
                                                  "0.0 0.0",     // 1 point 1, as written
                                                  "0.02 0.0",    // 2 (0.02, 0)
                                                  "CS 0.01",     // 3 circle marker
                                                  "0.01 0.01",   // 4 end: from line 2
                                                  "ES 0.005",    // 5 ellipse marker
                                                  "0.05 0.0",    // 6 centre: from line 4
                                                  "-0.04 0.01",  // 7 end: from the centre
                                                  "-0.04 0.0",   // 8
                                                  "0 -0.02",     // 9 back to point 1
                                                  "9999",
                                              });
  expect_points({{0.0f, 0.0f},
                 {0.02f, 0.0f},
                 {-1.0f, 0.01f},
                 {0.03f, 0.01f},
                 {-3.0f, 0.005f},
                 {0.08f, 0.01f},
                 {0.04f, 0.02f},
                 {0.0f, 0.02f},
                 {0.0f, 0.0f}});
  EXPECT_EQ(r.NPTS, 9);
  EXPECT_EQ(r.NLAST, 7);
  EXPECT_FLOAT_EQ(r.RMAX, 0.04f); // the ellipse centre at r = 0.08 is not a point
  EXPECT_FLOAT_EQ(r.ZMAX, 0.02f);
}

TEST_F(GeomLines, RelativeSmallResultsAreZeroAndBlankLineRepeatsThePoint) {
  read_contour(true, {"0.03 0.0", "0.0 0.01", "", "-0.0300001 0.0", "0.0 -0.01", "9999"});
  expect_points({{0.03f, 0.0f}, {0.03f, 0.01f}, {0.03f, 0.01f}, {0.0f, 0.01f}, {0.0f, 0.0f}});
  EXPECT_EQ(geo.RR(4), 0.0f); // |0.03 - 0.0300001| <= 1.0E-6
}

TEST_F(GeomLines, RelativePointsUseTheFloatConstantsInDouble) {
  // R = (100 dR + 100 Rref) * 0.01 and Z = ((dZ + Zref) * 100) * 0.01, the constants being
  // 32-bit reals (0.01f lies below 0.01) and the arithmetic double, rounded once when
  // stored. From (0.005, 0.005) by (0.001, 0.001): 0.00599999959 = 0x1.89374ap-8, one unit
  // below 0.006f, which the float sum or the double constants would give.
  read_contour(true,
               {"0.005 0.005", "0.001 0.001", "0.001,0.001", "0 -0.007", "0.01 0", "0 0.01", "9999"});
  EXPECT_EQ(geo.RR(2), 0x1.89374ap-8f);
  EXPECT_EQ(geo.ZZ(2), 0x1.89374ap-8f);
  EXPECT_NE(geo.RR(2), 0.006f);
  EXPECT_EQ(geo.RR(3), 0x1.cac08p-8f); // 0.00699999928, from the stored 0x1.89374ap-8
  EXPECT_EQ(geo.ZZ(3), 0x1.cac08p-8f);
  EXPECT_EQ(geo.ZZ(4), 0.0f); // |Z| <= 1.0E-6 is zero
}

TEST_F(GeomLines, InputdDecodesAgainWithTheRzOfTheRun) {
  var.RZ(1) = 0.05f;
  const std::vector<std::string> lines = {"0 0", "0.02 0", "> 2", "RZ1 0.01", "-RZ1 0.01",
                                          "<",   "0 0",    "9999"};
  // Relative: 0.02 -> +0.05 -> -0.05, twice; then (0, 0) as an increment is the point again.
  const contour_result first = read_contour(true, lines);
  EXPECT_EQ(first.NPTS, 7);
  expect_points({{0.0f, 0.0f}, {0.02f, 0.0f}, {0.07f, 0.01f}, {0.02f, 0.02f}, {0.07f, 0.03f},
                 {0.02f, 0.04f}, {0.02f, 0.04f}});
  EXPECT_FLOAT_EQ(first.RMAX, 0.07f);
  const float rr_first[] = {geo.RR(3), geo.RR(4), geo.RR(5)};

  // The same RZ: the same contour; a later MESH that changes RZ(1): a new contour.
  for (long P = 1; P <= 7; ++P) geo.RR(P) = geo.ZZ(P) = -7.0f;
  int NPTS = first.NPTS, NLAST = 0;
  float ZMAX = -1.0f, RMAX = -1.0f;
  inputd(true, NPTS, first.NLINES, NLAST, ZMAX, RMAX);
  EXPECT_EQ(NPTS, 7);
  EXPECT_EQ(NLAST, first.NLAST);
  EXPECT_EQ(ZMAX, first.ZMAX);
  EXPECT_EQ(RMAX, first.RMAX);
  EXPECT_EQ(geo.RR(3), rr_first[0]);
  EXPECT_EQ(geo.RR(4), rr_first[1]);
  EXPECT_EQ(geo.RR(5), rr_first[2]);

  var.RZ(1) = 0.03f;
  inputd(true, NPTS, first.NLINES, NLAST, ZMAX, RMAX);
  expect_points({{0.0f, 0.0f}, {0.02f, 0.0f}, {0.05f, 0.01f}, {0.02f, 0.02f}, {0.05f, 0.03f},
                 {0.02f, 0.04f}, {0.02f, 0.04f}});
  EXPECT_FLOAT_EQ(RMAX, 0.05f);
  EXPECT_EQ(NLAST, NPTS - 2);
  EXPECT_TRUE(report().empty());
}

TEST_F(GeomLines, ExactlyTwentyThousandLinesAreAccepted) {
  std::vector<std::string> lines;
  for (int k = 0; k < 19999; ++k) lines.push_back("0.01 " + std::to_string(k * 0.001));
  lines.push_back("9999");
  const contour_result r = read_contour(false, lines);
  EXPECT_EQ(r.NPTS, 19999);
  EXPECT_EQ(r.NLINES, 19999);
  EXPECT_EQ(r.NLAST, 19997);
}

// ---------------------------------------------------------------- stops

namespace {
const char *kTooLong = " *** STOP *** YOUR GEOMETRY INPUT IS TOO LONG. INCLEASE THE PARAMETER "
                       "NBP (CURRENTLY ONLY   20000 )";

std::vector<std::string> stop_of_contour(bool LADD, const std::vector<std::string> &lines,
                                         bool half = false) {
  return stop_report(geometry(lines), [LADD, half] {
    symt.LHALF = half;
    int NPTS, NLINES, NLAST;
    float ZMAX, RMAX;
    inputi(LADD, NPTS, NLINES, NLAST, ZMAX, RMAX);
  });
}

std::string dump_line(int i, const std::string &l) {
  char num[8];
  std::snprintf(num, sizeof num, "%5d", i);
  return std::string(" ") + num + ":     " + col72(l);
}
} // namespace

using GeomLinesDeath = GeomLines;

TEST_F(GeomLinesDeath, IllegalCharacterDumpsTheLinesSoFar) {
  const auto out = stop_of_contour(false, {"0 0", "% comment", "0.02 0", "0.02 0.0l", "9999"});
  const std::vector<std::string> want = {
      " *** ERROR *** ILLEGAL CHARACTER \"l\" IN MESH INPUT LINE --> " + col72("0.02 0.0l"),
      " ??? DUMP OF THE MESH INPUT SO FAR ???",
      "",
      dump_line(1, "0 0"),
      dump_line(2, "0.02 0"),
      dump_line(3, "0.02 0.0l"),
  };
  EXPECT_EQ(out, want);
}

TEST_F(GeomLinesDeath, ClosingMarkWithoutOpeningMark) {
  const auto out = stop_of_contour(true, {"0 0", "0.02 0", "<", "9999"});
  const std::vector<std::string> want = {
      " *** STOP *** YOU MAY HAVE FORGOTTEN \">\" BEFORE \"<\"",
      " ??? DUMP OF THE MESH INPUT SO FAR ???",
      "",
      dump_line(1, "0 0"),
      dump_line(2, "0.02 0"),
      dump_line(3, "<"),
  };
  EXPECT_EQ(out, want);
}

TEST_F(GeomLinesDeath, IllegalCharacterInExponentStopsWithoutDump) {
  const auto out = stop_of_contour(false, {"0 0", "1.5E+x 0", "9999"});
  EXPECT_EQ(out, std::vector<std::string>{" *** ERROR *** ILLEGAL CHARACTER \"x\" "});
}

TEST_F(GeomLinesDeath, TooLongInput) {
  std::vector<std::string> lines(20001, "0.01 0.01");
  EXPECT_EQ(stop_of_contour(false, lines), std::vector<std::string>{kTooLong});
  // A repeat group that would go beyond the contour arrays.
  EXPECT_EQ(stop_of_contour(true, {"0 0", "> 30000", "0 0.001", "<", "9999"}),
            std::vector<std::string>{kTooLong});
  // Half-cell input: the mirrored contour must fit as well.
  std::vector<std::string> half;
  for (int k = 0; k < 10002; ++k) half.push_back("0.01 " + std::to_string(k * 0.001));
  half.push_back("9999");
  EXPECT_EQ(stop_of_contour(false, half, true), std::vector<std::string>{kTooLong});
}

TEST_F(GeomLinesDeath, UngivenRzStopsOnceTheLinesAreRead) {
  const auto out =
      stop_of_contour(false, {"0 0", "RZ5 0", "RZ5 RZ9", "-RZ9 0.03", "0 0.03", "9999"});
  const std::vector<std::string> want = {
      " *** ERROR *** UNGIVEN VARIABLE \"RZ 5\" IN MESH INPUT LINE --> " + col72("RZ5 0"),
      " *** ERROR *** UNGIVEN VARIABLE \"RZ 5\" IN MESH INPUT LINE --> " + col72("RZ5 RZ9"),
      " *** ERROR *** UNGIVEN VARIABLE \"RZ 9\" IN MESH INPUT LINE --> " + col72("RZ5 RZ9"),
      " *** ERROR *** UNGIVEN VARIABLE \"RZ-9\" IN MESH INPUT LINE --> " + col72("-RZ9 0.03"),
      " *** STOP *** GEOMETRY INPUT USES RZ   5 WHICH IS NOT GIVEN.",
  };
  EXPECT_EQ(out, want);
}

TEST_F(GeomLinesDeath, UngivenRzStopsInTheDecodingOfALaterRun) {
  // The first reading has RZ(4); a later run whose RZ(4) is not given stops after the
  // stored lines are decoded again, each reference reported at every decoding.
  const std::vector<std::string> lines = {"0 0", "> 2", "0.01 RZ4", "<", "0.01 0", "-0.02 0", "9999"};
  const auto out = stop_report(geometry(lines), [&] {
    var.RZ(4) = 0.01f;
    int NPTS, NLINES, NLAST;
    float ZMAX, RMAX;
    inputi(true, NPTS, NLINES, NLAST, ZMAX, RMAX);
    var.RZ(4) = -8888.0f;
    inputd(true, NPTS, NLINES, NLAST, ZMAX, RMAX);
  });
  const std::string ungiven =
      " *** ERROR *** UNGIVEN VARIABLE \"RZ 4\" IN MESH INPUT LINE --> " + col72("0.01 RZ4");
  EXPECT_EQ(out, (std::vector<std::string>{ungiven, ungiven,
                                           " *** STOP *** GEOMETRY INPUT USES RZ   4 WHICH IS NOT GIVEN."}));
}

TEST_F(GeomLinesDeath, RzIndexOutsideTheTable) {
  const struct {
    const char *line;
    const char *n;
  } cases[] = {{"RZ2001 0", "   2001"},
               {"RZ 0.1", "      0"},
               {"0.1 -RZ0", "      0"},
               // The least integer is refused before it is negated.
               {"0.1 -RZ2147483648", "*******"},
               {"-RZ99999999999 0", "*******"}};
  for (auto &c : cases) {
    SCOPED_TRACE(c.line);
    const auto out = stop_of_contour(false, {"0 0", c.line, "9999"});
    EXPECT_EQ(out, std::vector<std::string>{std::string(" *** STOP *** RZ INDEX") + c.n +
                                            " IN MESH INPUT LINE --> " + col72(c.line)});
  }
}

TEST_F(GeomLinesDeath, NumberBeyondTheRangeOfAReal) {
  EXPECT_EQ(stop_of_contour(false, {"0 0", "0.02 1E39", "9999"}),
            std::vector<std::string>{" *** STOP *** NUMBER TOO LARGE IN MESH INPUT LINE --> " +
                                     col72("0.02 1E39")});
}

TEST_F(GeomLinesDeath, IllegalCurveCode) {
  EXPECT_EQ(stop_of_contour(false, {"0 0", "0.02 0", "-1.5 0.01", "0.03 0.01", "9999"}),
            std::vector<std::string>{" *** STOP *** ILLEGAL CURVE CODE  -1.5000     IN MESH "
                                     "INPUT LINE --> " +
                                     col72("-1.5 0.01")});
  // Relative: an increment that takes the radius below -1 is no arc marker either.
  EXPECT_EQ(stop_of_contour(true, {"0 0", "0.02 0", "-3.52 0.01", "9999"}),
            std::vector<std::string>{" *** STOP *** ILLEGAL CURVE CODE  -3.5000     IN MESH "
                                     "INPUT LINE --> " +
                                     col72("-3.52 0.01")});
}

TEST_F(GeomLinesDeath, ContourWithTooFewPoints) {
  EXPECT_EQ(stop_of_contour(false, {"0 0", "0.02 0", "0.02 0.01", "0 0", "9999"}),
            std::vector<std::string>{" *** STOP *** THE CONTOUR HAS TOO FEW POINTS: NLAST=     2"});
  EXPECT_EQ(stop_of_contour(false, {"0 0", "0.02 0", "9999"}),
            std::vector<std::string>{" *** STOP *** THE CONTOUR HAS TOO FEW POINTS: NLAST=     0"});
}

TEST_F(GeomLinesDeath, DeckEndsBeforeTheEndLine) {
  stop_report(geometry({"0 0", "0.02 0"}),
              [] {
                int NPTS, NLINES, NLAST;
                float ZMAX, RMAX;
                inputi(false, NPTS, NLINES, NLAST, ZMAX, RMAX);
              },
              "zelk: test.in:4: ");
  stop_report("x 1\n0 0\n9999\n",
              [] {
                int NPTS, NLINES, NLAST;
                float ZMAX, RMAX;
                inputi(false, NPTS, NLINES, NLAST, ZMAX, RMAX);
              },
              "zelk: test.in:1: a real number expected");
}
