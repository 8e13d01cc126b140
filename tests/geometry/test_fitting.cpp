// Boundary fitting: crossings of straight pieces, circles and ellipses, their order and
// hit flags, and the cell flags and edge factors of small structures worked out by hand.
// Each structure is given as its contour (r, z) in metres on a mesh of 0.01 m steps; the
// expected cell flags of a column are written line 1 (the axis) first.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include "fit_fixture.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

using namespace fit;

namespace {

constexpr float D = 0.01f;

// Cell flags of every column with all columns held in memory.
std::vector<std::string> columns() {
  arrays(latc.NZ + 30);
  return run_columns(false, latc.NZ + 10);
}

// Expected flags: runs of (number of columns, flags of each of them).
std::vector<std::string> expand_cols(std::vector<std::pair<int, std::string>> runs) {
  std::vector<std::string> v{""};
  for (auto &r : runs)
    for (int n = 0; n < r.first; ++n) v.push_back(r.second);
  return v;
}

void expect_columns(const std::vector<std::string> &got, const std::vector<std::string> &want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t j = 1; j < want.size(); ++j)
    EXPECT_EQ(got[j], want[j]) << "column " << j;
}

// The pillbox: pipe radius 0.03 (line 4), cavity radius 0.08 (line 9) from z = 0.03 to
// 0.07 (columns 4 to 8), length 0.10 (NZ = 10), 11 radial lines.
void pillbox() {
  uniform_mesh(11, D);
  contour(D, 10, {pt(0.03f, 0.0f), pt(0.03f, 0.03f), pt(0.08f, 0.03f), pt(0.08f, 0.07f),
                  pt(0.03f, 0.07f), pt(0.03f, 0.0f)});
}

const std::string PIPE = "00055555555"; // vacuum below line 4, metal above

} // namespace

TEST(CellFlags, PillboxCellsAreVacuumOrMetal) {
  pillbox();
  std::vector<std::string> got = columns();
  // The first column (z = 0 .. 0.01) and the last (column NZ = 10) are pipe columns.
  EXPECT_EQ(got[1], PIPE);
  EXPECT_EQ(got[10], PIPE);
  expect_columns(got, expand_cols({{3, PIPE}, {4, "00000000555"}, {3, PIPE}}));
}

TEST(CellFlags, PillboxEdgeFactors) {
  pillbox();
  columns();
  // Er, Ephi, Ez of lines 1..11 in a column: 1 where the component lies in vacuum.
  struct { int j; std::string er, ephi, ez; } cases[] = {
      // First column: the axis line has no Ez or Ephi; the pipe wall at line 4 is metal.
      {1, "11100000000", "01100000000", "01100000000"},
      // First cavity column: Er and Ephi on the left wall above the pipe are shut off.
      {4, "11100000000", "01100000000", "01111111000"},
      {5, "11111111000", "01111111000", "01111111000"},
      // Column 8 lies right of the cavity's right wall.
      {8, "11100000000", "01100000000", "01100000000"},
      {10, "11100000000", "01100000000", "01100000000"},
  };
  for (auto &c : cases) {
    std::string er, ephi, ez;
    for (int i = 1; i <= latc.NR; ++i) {
      const long m = (c.j - lfrbk.IZMWL) * latc.NR + i;
      er += sjdg(1, m) == 1.0f ? '1' : '0';
      ephi += sjdg(2, m) == 1.0f ? '1' : '0';
      ez += sjdg(3, m) == 1.0f ? '1' : '0';
    }
    EXPECT_EQ(er, c.er) << "Er, column " << c.j;
    EXPECT_EQ(ephi, c.ephi) << "Ephi, column " << c.j;
    EXPECT_EQ(ez, c.ez) << "Ez, column " << c.j;
  }
}

TEST(CellFlags, DiagonalWallsCutTheirCells) {
  uniform_mesh(11, D);
  struct { const char *name; std::vector<cline> lines; int nz; std::vector<std::pair<int, std::string>> want; } cases[] = {
      // Up-taper at 45 degrees from line 4 to line 7: vacuum at the (+z, -r) corner.
      {"up-taper",
       {pt(0.03f, 0.0f), pt(0.03f, 0.03f), pt(0.06f, 0.06f), pt(0.06f, 0.0f)},
       10,
       {{3, PIPE}, {1, "00045555555"}, {1, "00004555555"}, {1, "00000455555"}, {4, "00000055555"}}},
      // Down-taper from line 7 to line 4: vacuum at the (-z, -r) corner.
      {"down-taper",
       {pt(0.06f, 0.0f), pt(0.06f, 0.03f), pt(0.03f, 0.06f), pt(0.03f, 0.0f)},
       10,
       {{3, "00000055555"}, {1, "00000255555"}, {1, "00002555555"}, {1, "00025555555"}, {4, PIPE}}},
      // Re-entrant cavity: the walls lean back over the pipe at 45 degrees, walked
      // towards -z on both sides (vacuum at (+z, +r) on the left, at (-z, +r) on the right).
      {"re-entrant",
       {pt(0.03f, 0.0f), pt(0.03f, 0.06f), pt(0.06f, 0.03f), pt(0.06f, 0.12f), pt(0.03f, 0.09f),
        pt(0.03f, 0.0f)},
       15,
       {{3, PIPE},
        {1, "00055155555"},
        {1, "00051055555"},
        {1, "00010055555"},
        {3, "00000055555"},
        {1, "00030055555"},
        {1, "00053055555"},
        {1, "00055355555"},
        {3, PIPE}}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    contour(D, c.nz, c.lines);
    expect_columns(columns(), expand_cols(c.want));
  }
}

TEST(CellFlags, CircleAndEllipseArcs) {
  uniform_mesh(11, D);
  struct { const char *name; std::vector<cline> lines; std::vector<std::pair<int, std::string>> want; } cases[] = {
      // Quarter circle of radius 0.03 about (r, z) = (0.06, 0.03), counterclockwise from
      // the pipe at z = 0.03 up to r = 0.06 at z = 0.06; mesh points (4,4) (5,4) (6,5) (7,6)
      // (7,7) (column, line).
      {"circle",
       {pt(0.03f, 0.0f), pt(0.03f, 0.03f), circ(-1, 0.03f, 0.06f, 0.03f), pt(0.06f, 0.06f),
        pt(0.06f, 0.10f), pt(0.03f, 0.10f), pt(0.03f, 0.0f)},
       {{4, PIPE}, {1, "00045555555"}, {1, "00004555555"}, {4, "00000055555"}, {3, PIPE}}},
      // The same ends with a negative radius: centre (0.03, 0.06), the arc turns
      // clockwise, rising first; mesh points (4,4) (4,5) (5,6) (6,7) (7,7).
      {"circle, negative radius",
       {pt(0.03f, 0.0f), pt(0.03f, 0.03f), circ(-1, -0.03f, 0.03f, 0.06f), pt(0.06f, 0.06f),
        pt(0.06f, 0.10f), pt(0.03f, 0.10f), pt(0.03f, 0.0f)},
       {{3, PIPE}, {1, "00004555555"}, {1, "00000455555"}, {5, "00000055555"}, {3, PIPE}}},
      // Quarter ellipse, semi-axes 0.02 (r) and 0.04 (z) about (0.05, 0.03), from the
      // pipe at z = 0.03 to r = 0.05 at z = 0.07; mesh points (4,4) (5,4) (6,4) (7,5) (8,6).
      {"ellipse",
       {pt(0.03f, 0.0f), pt(0.03f, 0.03f), ell(-3, 0.0f, 0.02f, 0.04f), pt(0.05f, 0.03f),
        pt(0.05f, 0.07f), pt(0.05f, 0.10f), pt(0.03f, 0.10f), pt(0.03f, 0.0f)},
       {{5, PIPE}, {1, "00045555555"}, {1, "00004555555"}, {3, "00000555555"}, {3, PIPE}}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    contour(D, 13, c.lines);
    expect_columns(columns(), expand_cols(c.want));
  }
}

TEST(CellFlags, CircleOfRadiusZeroTurnsCounterclockwise) {
  // A half circle over a chord of 0.04 m on the pipe wall at r = 0.05 (line 6), from
  // z = 0.05 to 0.09, centre (0.05, 0.07). A radius value of 0 is fitted as the radius
  // +0.02: counterclockwise, so the arc dips towards the axis down to r = 0.03 (line 4);
  // the radius -0.02 turns clockwise and bulges up to r = 0.07.
  uniform_mesh(11, D);
  auto flags = [](float radius) {
    contour(D, 14, {pt(0.05f, 0.0f), pt(0.05f, 0.05f), circ(-1, radius, 0.05f, 0.07f), pt(0.05f, 0.09f),
                    pt(0.05f, 0.0f)});
    return columns();
  };
  const std::vector<std::string> zero = flags(0.0f);
  const std::string pipe = "00000555555";
  // Mesh points of the dip: (6,6) (6,5) (7,4) (8,4) (9,4) (10,5) (10,6) (column, line).
  expect_columns(zero, expand_cols({{5, pipe}, {1, "00025555555"}, {2, "00055555555"},
                                    {1, "00045555555"}, {5, pipe}}));
  EXPECT_EQ(flags(0.02f), zero);
  EXPECT_EQ(flags(-0.02f)[8], "00000005555");
}

TEST(CellFlags, TwoRadialZones) {
  // Lines 1..5 every 0.01 m, lines 6..9 every 0.02 m (0.06 .. 0.12). A taper from r = 0.04
  // to 0.08 over four columns crosses the zone boundary: its column crossings at
  // r = 0.05 and 0.07 fall on lines 5 and 6 (halves go down), so it climbs in steps.
  radial_mesh({{D, 4}, {0.02f, 4}});
  ASSERT_EQ(latc.NR, 9);
  contour(D, 13, {pt(0.04f, 0.0f), pt(0.04f, 0.03f), pt(0.08f, 0.07f), pt(0.08f, 0.10f),
                  pt(0.04f, 0.10f), pt(0.04f, 0.0f)});
  const std::string pipe = "000055555";
  expect_columns(columns(), expand_cols({{4, pipe}, {1, "000045555"}, {1, "000005555"},
                                         {1, "000004555"}, {3, "000000555"}, {3, pipe}}));
}

TEST(CellFlags, SameFlagsWhenTheWindowMoves) {
  // The re-entrant cavity on a longer mesh, once with every column in memory and
  // without the moving back, once with 14 columns in memory and the back following
  // the front 8 columns behind: the frame is rebuilt and the memory shifts many times.
  uniform_mesh(11, D);
  contour(D, 60, {pt(0.03f, 0.0f), pt(0.03f, 0.16f), pt(0.06f, 0.13f), pt(0.06f, 0.42f),
                  pt(0.03f, 0.39f), pt(0.03f, 0.0f)});
  arrays(90);
  std::vector<std::string> full = run_columns(false, 70);
  arrays(14);
  const int nt = 60 + 8 - 4; // back = front - 8
  std::vector<std::string> moving = run_columns(true, nt);
  EXPECT_GT(lfrbk.IZMWL, 40);
  EXPECT_GT(lfrbk.IZFRL, 40);
  expect_columns(moving, full);
}

TEST(CellFlags, MemoryShiftKeepsColumnsAndFreesTheTail) {
  pillbox();
  arrays(8); // 8 columns in memory: frame 1..6
  run_columns(false, 3); // columns 1..5 classified, memory 1..8
  // Put marks in columns 2..7 and shift with the back moving from 1 to 2 and the
  // front arriving at column 9 = IZMWR + 1.
  const int nr = latc.NR;
  for (int j = 2; j <= 7; ++j)
    for (int i = 1; i <= nr; ++i) iflg((j - 1) * nr + i) = static_cast<float>(j % 5);
  for (int i = 1; i <= nr; ++i) sjdg(2, (7 - 1) * nr + i) = sjdg(2, (8 - 1) * nr + i) = 1.0f;
  lfrbk.IZFRL = 5;
  lfrbk.IZFRR = 12; // no new frame at column 9
  hit1(0);
  bcdet(2, 9, 1, 8);
  for (int j = 2; j <= 7; ++j)
    EXPECT_EQ(iflg((j - 2) * nr + 5), static_cast<float>(j % 5)) << "column " << j;
  EXPECT_EQ(sjdg(2, (7 - 2) * nr + 11), 1.0f);
  EXPECT_EQ(sjdg(2, (8 - 2) * nr + 11), 1.0f);
  // The freed tail is the new front column 9 at local column 8, classified afresh: the
  // marks of the column that stood there are gone from its metal cells.
  std::string front;
  for (int i = 1; i <= nr; ++i) front += static_cast<char>('0' + static_cast<int>(iflg(7 * nr + i)));
  EXPECT_EQ(front, PIPE);
  EXPECT_EQ(sjdg(2, 7 * nr + 11), 0.0f);
  EXPECT_EQ(sjdg(3, 7 * nr + 2), 1.0f);
}

TEST(CellFlags, CallsAfterTheLastColumnChangeNothing) {
  pillbox();
  columns();
  std::vector<float> before(flg_data.iflg.v.begin(), flg_data.iflg.v.end());
  const int frl = lfrbk.IZFRL, frr = lfrbk.IZFRR;
  bcdet(1, latc.NZ, 1, latc.NZ);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), flg_data.iflg.v.begin(), flg_data.iflg.v.end()));
  EXPECT_EQ(lfrbk.IZFRL, frl);
  EXPECT_EQ(lfrbk.IZFRR, frr);
}

TEST(CellFlags, NewFrameOpensTwoColumnsBeforeTheFront) {
  pillbox();
  arrays(8);
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = 6;
  lfrbk.IZMWL = 1;
  lfrbk.IZMWR = 8;
  hit1(0);
  bcdet(1, 6, 1, 5);
  EXPECT_EQ(lfrbk.IZFRL, 4);
  EXPECT_EQ(lfrbk.IZFRR, 10);
  // Column 6 (a cavity column) is classified from the new frame's table.
  std::string got;
  for (int i = 1; i <= latc.NR; ++i) got += static_cast<char>('0' + static_cast<int>(iflg(5 * latc.NR + i)));
  EXPECT_EQ(got, "00000000555");
}

// ---------------------------------------------------------------- trace

namespace {

struct entry { int iz, ir; float t; };

void run_trace(int iplot, std::vector<entry> e, int &nptw, int &irl, int &izl) {
  arr1<int> irc(static_cast<long>(e.size()) + 1), izc(static_cast<long>(e.size()) + 1);
  arr1<float> tc(static_cast<long>(e.size()) + 1);
  for (std::size_t n = 0; n < e.size(); ++n) {
    izc(n + 1) = e[n].iz;
    irc(n + 1) = e[n].ir;
    tc(n + 1) = e[n].t;
  }
  trace(iplot, static_cast<int>(e.size()), irc, izc, tc, nptw, irl, izl);
}

// The flags set in the table, as (cell, direction) pairs.
std::vector<std::pair<int, int>> flags_set() {
  std::vector<std::pair<int, int>> v;
  for (int c = 1; c <= msz.NMESH; ++c)
    for (int d = 1; d <= 8; ++d)
      if (ihit(c, d) == -1) v.push_back({c, d});
  return v;
}

} // namespace

TEST(HitFlags, EachStepSetsItsEdgeOrDiagonal) {
  uniform_mesh(5, D);
  arrays(6);
  const int nr = 5;
  // From mesh point (frame column 2, line 3), c0 = 2*5 + 3 = 13.
  struct { int dz, dr; std::vector<std::pair<int, int>> want; } cases[] = {
      {+1, 0, {{13, 2}}},          {-1, 0, {{13 - nr, 1}}},
      {0, +1, {{13, 4}}},          {0, -1, {{12, 3}}},
      {+1, +1, {{13, 6}}},         {-1, -1, {{13 - nr - 1, 5}}},
      {+1, -1, {{12, 7}}},         {-1, +1, {{13 - nr, 8}}},
      {0, 0, {}},                  {2, 0, {}}, // same point; two columns apart
      {1, 2, {}},
  };
  int n = 0, irl = 1, izl = 1;
  for (auto &c : cases) {
    initht();
    run_trace(0, {{2, 3, 0.0f}, {2 + c.dz, 3 + c.dr, 1.0f}}, n, irl, izl);
    EXPECT_EQ(flags_set(), c.want) << "step (" << c.dz << ", " << c.dr << ")";
  }
  // A step from a start entry left of the frame names no cell of the table.
  initht();
  run_trace(0, {{-1, 1, 0.0f}, {0, 1, 0.5f}, {1, 1, 1.0f}}, n, irl, izl);
  EXPECT_EQ(flags_set(), (std::vector<std::pair<int, int>>{{1, 2}}));
}

TEST(HitFlags, CrossingsAreOrderedByTheirParameter) {
  uniform_mesh(5, D);
  arrays(6);
  initht();
  int n = 0, irl = 1, izl = 1;
  // Given out of order; equal parameters keep their order (the two entries on (1, 1)
  // give no step between them).
  run_trace(0, {{3, 1, 0.75f}, {1, 1, 0.25f}, {1, 1, 0.25f}, {2, 1, 0.5f}, {0, 1, 0.0f}}, n, irl, izl);
  EXPECT_EQ(flags_set(), (std::vector<std::pair<int, int>>{{1, 2}, {6, 2}, {11, 2}}));
}

TEST(HitFlags, PlotModeWritesEachMeshPointOnceInPiecesOf1021) {
  uniform_mesh(5, D);
  latc.DDZ = D;
  uopen_mem(ndev.NTOP);
  int n = 0, irl = 1, izl = 1;
  // First entry on (1, 1): equal to the carry at the start, not written.
  std::vector<entry> e{{1, 1, 0.0f}, {1, 1, 0.0f}, {2, 1, 1.0f}, {2, 2, 2.0f}};
  run_trace(1, e, n, irl, izl);
  std::vector<std::string> want{fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, 0.02f}, {ritem::REAL, 0, 0.0f}})[0],
                                fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, 0.02f}, {ritem::REAL, 0, 0.01f}})[0]};
  EXPECT_EQ(umem(ndev.NTOP), want);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(izl, 2);
  EXPECT_EQ(irl, 2);
  // The count runs on: 1019 more points fill the piece, then JOIN, PLOT and the point again.
  uopen_mem(ndev.NTOP);
  std::vector<entry> more;
  for (int k = 1; k <= 1020; ++k) more.push_back({2 + k, 2, static_cast<float>(k)});
  run_trace(1, more, n, irl, izl);
  const std::vector<std::string> &r = umem(ndev.NTOP);
  ASSERT_EQ(r.size(), 1023u);
  EXPECT_EQ(r[1019], "  JOIN 1 SOLID");
  EXPECT_EQ(r[1020], "  PLOT");
  EXPECT_EQ(r[1021], r[1018]);
  EXPECT_EQ(n, 2);
  uclose(ndev.NTOP);
}

// ---------------------------------------------------------------- crossings in plot mode

TEST(Crossings, FittedBoundaryOfThePillboxInThePlotFile) {
  pillbox();
  uopen_mem(ndev.NTOP);
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = latc.NZ;
  hit1(1);
  // Mesh points of the boundary, each once: up the pipe wall's start, along the pipe,
  // round the cavity, along the pipe to column NZ + 1. The closing lines over the open
  // right end are no boundary, so the piece is left open for the caller to end.
  std::vector<std::pair<int, int>> pts{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {3, 5}, {3, 6}, {3, 7},
                                       {3, 8}, {3, 9}, {4, 9}, {5, 9}, {6, 9}, {7, 9}, {7, 8},
                                       {7, 7}, {7, 6}, {7, 5}, {7, 4}, {8, 4}, {9, 4}, {10, 4}};
  std::vector<std::string> want;
  for (auto &p : pts)
    want.push_back(fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, p.first * D}, {ritem::REAL, 0, gr(p.second)}})[0]);
  const std::vector<std::string> &got = umem(ndev.NTOP);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t n = 0; n < want.size(); ++n) EXPECT_EQ(got[n], want[n]) << "record " << n + 1;
  uclose(ndev.NTOP);
}

TEST(Crossings, FurtherClosedContourIsFittedAfterTheFirst) {
  // A metal ring of one cell's height (r = 0.05 .. 0.06, z = 0.04 .. 0.06) inside the
  // pillbox, given after the closing lines as a closed contour of its own.
  pillbox();
  further({pt(0.05f, 0.04f), pt(0.05f, 0.06f), pt(0.06f, 0.06f), pt(0.06f, 0.04f), pt(0.05f, 0.04f)});
  // Classify: the ring's cells (columns 5 and 6, line 6) are metal, the cells above the
  // ring vacuum again up to the cavity wall.
  expect_columns(columns(), expand_cols({{3, PIPE}, {1, "00000000555"}, {2, "00000500555"},
                                         {1, "00000000555"}, {3, PIPE}}));
  // Plot: the return to the axis point after the closing lines ends the first contour
  // with JOIN and PLOT; the ring follows in the same count of points. Its own closing
  // point is the last line, which the walk does not reach.
  uopen_mem(ndev.NTOP);
  lfrbk.IZFRL = 1;
  lfrbk.IZFRR = latc.NZ;
  hit1(1);
  const std::vector<std::string> &got = umem(ndev.NTOP);
  auto point = [](int iz, int ir) {
    return fmt_records("(1X,2G13.5)", {{ritem::REAL, 0, iz * D}, {ritem::REAL, 0, gr(ir)}})[0];
  };
  ASSERT_EQ(got.size(), 21u + 2 + 7);
  EXPECT_EQ(got[20], point(10, 4));
  EXPECT_EQ(got[21], "  JOIN 1 SOLID");
  EXPECT_EQ(got[22], "  PLOT");
  // Each mesh point of the ring once, round to its start point again.
  const std::vector<std::string> ring{point(4, 6), point(5, 6), point(6, 6), point(6, 7),
                                      point(5, 7), point(4, 7), point(4, 6)};
  for (std::size_t n = 0; n < ring.size(); ++n) EXPECT_EQ(got[23 + n], ring[n]) << "ring point " << n;
  uclose(ndev.NTOP);
}

TEST(Crossings, CircleBelowHalfTheChordKeepsItsFullColumnRange) {
  // A half circle over a chord of 0.20 m along the pipe, given with radius -0.001: it is
  // fitted with radius 0.10 about (r, z) = (0.03, 0.13), bulging up to line 14. Its column
  // crossings must run over the columns of the corrected radius: with the range of the
  // marker's radius (one column either side of the centre) the flat top of the arc has
  // no crossings, the boundary has gaps there and those columns lose their metal.
  uniform_mesh(16, D);
  contour(D, 27, {pt(0.03f, 0.0f), pt(0.03f, 0.03f), circ(-1, -0.001f, 0.03f, 0.13f),
                  pt(0.03f, 0.23f), pt(0.03f, 0.0f)});
  std::vector<std::string> cols = columns();
  // Highest vacuum cell of each column.
  auto top = [](const std::string &s) {
    int t = 0;
    for (std::size_t i = 0; i < s.size() && s[i] != '5'; ++i) t = static_cast<int>(i) + 1;
    return t;
  };
  for (int j = 1; j <= 27; ++j) EXPECT_EQ(cols[j].back(), '5') << "column " << j << ": " << cols[j];
  EXPECT_EQ(top(cols[3]), 3);
  EXPECT_EQ(top(cols[25]), 3);
  EXPECT_EQ(top(cols[13]), 13);
  EXPECT_EQ(top(cols[14]), 13);
  for (int j = 4; j <= 13; ++j) EXPECT_GE(top(cols[j]), top(cols[j - 1])) << "column " << j;
  for (int j = 15; j <= 25; ++j) EXPECT_LE(top(cols[j]), top(cols[j - 1])) << "column " << j;
}

// ---------------------------------------------------------------- stops

namespace {

// A report file of its own for each test binary: the same tests run at the same time
// from other build trees.
std::string report_path(const char *name) {
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  return testing::TempDir() + "zelk_fit_" + std::to_string(std::hash<std::string>{}(exe)) + "_" + name;
}

std::string read_file(const std::string &p) {
  std::ifstream f(p);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

} // namespace

TEST(CrossingsDeath, NotFiniteCrossingStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string out = report_path("nan.out");
  struct { const char *name; std::vector<cline> lines; int nan_point; bool in_z; int line; } cases[] = {
      // A circle from a point to itself: no centre.
      {"circle of zero chord",
       {pt(0.03f, 0.0f), pt(0.03f, 0.03f), circ(-1, 0.02f, 0.03f, 0.03f), pt(0.03f, 0.03f),
        pt(0.03f, 0.0f)},
       0, false, 4},
      // Point 3 has lost its radius: the segment from point 2 to it stops.
      {"NaN radius", {pt(0.03f, 0.0f), pt(0.03f, 0.03f), pt(0.03f, 0.05f), pt(0.03f, 0.0f)}, 3, false, 2},
      // A flat ellipse (ELLP 0.004 m, both ends and the centre at r = 0.035, between two
      // mesh lines) whose centre (line 5) has lost its z: no radial line meets it and
      // every column crossing is NaN.
      {"NaN ellipse centre",
       {pt(0.035f, 0.0f), pt(0.035f, 0.03f), ell(-3, 0.004f, 0.004f, 0.02f), pt(0.035f, 0.05f),
        pt(0.035f, 0.07f), pt(0.035f, 0.0f)},
       5, true, 4},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    uniform_mesh(11, D);
    contour(D, 10, c.lines);
    if (c.nan_point > 0 && c.in_z) {
      geo.ZZ(c.nan_point) = std::numeric_limits<float>::quiet_NaN();
    } else if (c.nan_point > 0) {
      // The point keeps a mesh line of its own but has lost its radius.
      geo.RR(c.nan_point) = std::numeric_limits<float>::quiet_NaN();
      latc.IR(c.nan_point) = 6;
    }
    arrays(40);
    std::remove(out.c_str());
    EXPECT_EXIT(
        {
          uopen_out(ndev.NOUT, out);
          lfrbk.IZFRL = 1;
          lfrbk.IZFRR = 38;
          hit1(0);
        },
        testing::ExitedWithCode(1), "");
    char want[128];
    std::snprintf(want, sizeof want, " *** STOP *** BOUNDARY FITTING FAILED AT CONTOUR LINE%6d\n", c.line);
    EXPECT_EQ(read_file(out), want);
  }
}

TEST(CrossingsDeath, TooManyCrossingsInOnePieceStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string out = report_path("nsp.out");
  std::remove(out.c_str());
  uniform_mesh(3, D);
  const int nz = 600000;
  contour(D, nz, {pt(0.01f, 0.0f), pt(0.01f, 0.0f)});
  EXPECT_EXIT(
      {
        uopen_out(ndev.NOUT, out);
        lfrbk.IZFRL = 1;
        lfrbk.IZFRR = nz;
        hit1(1);
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EQ(read_file(out), " *** STOP ***  THE NUMBER OF MESH FITTING POINTS 500001 EXCEEDS MAXIMUM NSP: 500000\n");
}

TEST(CellFlags, HalfEllipseOfEqualWaysTurnsCounterclockwise) {
  // A half ellipse between the two ends of its axial axis on the pipe wall at r = 0.05
  // (line 6), centre (0.05, 0.07), semi-axes 0.02 (r) and 0.04 (z). Both ways round are
  // equally long; the short-way code takes the counterclockwise one, as the long-way code
  // does, so the arc dips towards the axis (a rounded iris) down to r = 0.03 (line 4).
  uniform_mesh(11, D);
  std::vector<std::string> maps[2];
  int n = 0;
  for (int code : {-3, -4}) {
    contour(D, 14, {pt(0.05f, 0.0f), pt(0.05f, 0.03f), ell(code, 0.02f, 0.02f, 0.04f), pt(0.05f, 0.07f),
                    pt(0.05f, 0.11f), pt(0.05f, 0.0f)});
    maps[n++] = columns();
  }
  EXPECT_EQ(maps[0], maps[1]);
  const std::vector<std::string> &c = maps[0];
  for (int j : {1, 2, 3, 12, 13, 14}) EXPECT_EQ(c[j], "00000555555") << "column " << j;
  // The lowest point of the iris at z = 0.07: columns 7 and 8 on either side of it are
  // metal from line 4 up.
  for (int j : {7, 8}) EXPECT_EQ(c[j].substr(0, 4), "0005") << "column " << j << ": " << c[j];
  for (int j = 4; j <= 11; ++j) EXPECT_NE(c[j], "00000555555") << "column " << j;
}
