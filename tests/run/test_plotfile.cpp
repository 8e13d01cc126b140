// Plot command file: curve pieces of at most 1021 points and the frame header.
#include <gtest/gtest.h>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/plotfile.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

namespace {

// Writes a curve of n points (x = k, y = 0) in pieces and closes it; returns the records.
std::vector<std::string> curve(int n) {
  uopen_mem(ndev.NTOP);
  plotpiece_t pc;
  for (int k = 1; k <= n; ++k) plot_piece_point(pc, static_cast<float>(k), 0.0f, JOIN_SOLID);
  plot_end(JOIN_SOLID);
  std::vector<std::string> r = umem(ndev.NTOP);
  uclose(ndev.NTOP);
  return r;
}

std::string point(int k) { return fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, float(k)}, {ritem::REAL, 0, 0.0f}})[0]; }

} // namespace

TEST(PlotFile, PiecesOf1021PointsShareTheirEndPoint) {
  struct { int n; std::vector<int> joins_after; } cases[] = {
      {3, {3}},
      {1021, {1021, 1021}},          // the full piece, the repeated point, the final JOIN
      {2042, {1021, 2041, 2042}},    // pieces of 1021, 1021 and 2 points
  };
  for (auto &c : cases) {
    std::vector<std::string> r = curve(c.n);
    // Rebuild the expected sequence: points with a JOIN after each piece end, the
    // piece-ending point written again.
    std::vector<std::string> want;
    int cnt = 0;
    for (int k = 1; k <= c.n; ++k) {
      want.push_back(point(k));
      if (++cnt == 1021) {
        want.push_back("  JOIN 1 SOLID");
        want.push_back(point(k));
        cnt = 1;
      }
    }
    want.push_back("  JOIN 1 SOLID");
    EXPECT_EQ(r, want) << "curve of " << c.n << " points";
    int joins = 0;
    for (auto &s : r) joins += s == "  JOIN 1 SOLID";
    EXPECT_EQ(joins, static_cast<int>(c.joins_after.size())) << c.n;
  }
}

TEST(PlotFile, FrameHeaderRecords) {
  uopen_mem(ndev.NTOP);
  red.REDTXT = std::string(13, ' ');
  for (int k = 1; k <= 9; ++k) mp.TITLE(k) = std::string(8, ' ');
  mp.TITLE(1) = "PILLBOX ";
  plot_header(PK_USED_SHAPE);
  std::vector<std::string> r = umem(ndev.NTOP);
  ASSERT_EQ(r.size(), 10u);
  EXPECT_EQ(r[0], "  NEW FRAME");
  EXPECT_EQ(r[1], "  SET FONT DUPLEX");
  EXPECT_EQ(r[2], "  SET SIZE 13 BY 10              "); // 13 blanks of REDTXT, 33 characters
  EXPECT_EQ(r[2].size(), 33u);
  EXPECT_EQ(r[3], "  SET WINDOW X FROM 2 12 Y FROM 1 TO 8");
  EXPECT_EQ(r[4], "  SET TICKS SIZE 0.05");
  EXPECT_EQ(r[5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Cavity Shape Used'");
  EXPECT_EQ(r[6], "  TITLE 2.0 8.6 SIZE 1.5  'ZELK_MP 12.5 : PILLBOX                 '");
  EXPECT_EQ(r[7], "  MORE '" + std::string(48, ' ') + "'");
  EXPECT_EQ(r[8], "  TITLE BOTTOM 'Z-axis (m)'");
  EXPECT_EQ(r[9], "  TITLE LEFT   'R-axis (m)'");
  uclose(ndev.NTOP);
}

// Lengths in the titles: the F6.3 field of mm or cm as long as it holds the value, the
// length in metres otherwise; never asterisks of a full field nor an infinity from a
// product beyond the single-precision range.
TEST(PlotFile, TitleLengthsFitTheirField) {
  const struct {
    float metres, scale;
    const char *unit, *want;
  } cases[] = {
      {0.002f, 1000.0f, " mm", " 2.000 mm"},
      {0.0999994f, 1000.0f, " mm", "99.999 mm"},
      {0.0999996f, 1000.0f, " mm", " 1.000E-01 m"}, // rounds to 100.000: too wide
      {0.15f, 1000.0f, " mm", " 1.500E-01 m"},
      {1.0E38f, 1000.0f, " mm", " 1.000E+38 m"},   // times 1000 beyond the range
      {3.4028235E38f, 1000.0f, " mm", " 3.403E+38 m"},
      {0.01f, 100.0f, " cm", " 1.000 cm"},
      {1.5f, 100.0f, " cm", " 1.500E+00 m"},
  };
  for (const auto &c : cases) EXPECT_EQ(title_length(c.metres, c.scale, c.unit), c.want) << c.metres;

  // The mode title and the further zone steps with such lengths.
  latc.SIG = 1.5f;
  latc.DDZ = 0.002f;
  latc.DDR(1) = 1.0E38f;
  latc.DDR(2) = 0.5f;
  wpl.MROT = 0;
  uopen_mem(ndev.NTOP);
  plot_mode_title();
  plot_zone_steps(2);
  EXPECT_EQ(umem(ndev.NTOP), (std::vector<std::string>{"  TITLE 2.00 8.3 SIZE 1.40 'MROT= 0,  SIG= 1.500E+00 m,'",
                                                       "  MORE '  DDZ= 2.000 mm,  DDR= 1.000E+38 m'",
                                                       "  MORE ',  5.000E-01 m'"}));
  uclose(ndev.NTOP);
  latc = latc_t{};
  wpl = wpl_t{};
}
