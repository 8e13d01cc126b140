// Field and current line snapshots on a vacuum mesh with the fields set directly: the
// lines of known stream functions, the levels and titles, a snapshot without field,
// the full list of westward crossings, a bunch of zero density and the bunch cut by the
// left end; and the snapshots of whole runs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "../solver/deckrun.hpp"
#include "../solver/minirun.hpp"
#include "results/snapshots.hpp"
#include "run/timeloop.hpp"
#include "run/units.hpp"
#include "shape_fixture.hpp"

using namespace shapetest;

namespace {

constexpr float H = 0.001f; // mesh step (m)

// A vacuum mesh of nr rows and nz columns, all of them held (LCBACK off), columns
// 1 .. jfront computed; the outline a straight pipe of radius 3 mm; no bunch table.
void vacuum(int nr, int nz, int jfront) {
  minirun_t c;
  c.NR = nr;
  c.NZ = nz;
  c.h = H;
  c.LCBACK = false;
  c.IRPL = c.IRPR = c.IRDRIVE = 1;
  mini_setup(c);
  flg_data.iflg.fill(0.0f);
  eline.JFRONT = jfront;
  lat2 = lat2_t{};
  lat2.NZONE = 1;
  lat2.NRL = nr;
  lat2.XR(1) = gr(nr);
  for (int k = 1; k <= 1000; ++k) latc.DDR(k) = 0.0f;
  latc.DDR(1) = H;
  latc.SIG = 0.002f;
  geo = geo_t{};
  geo.ZL = static_cast<float>(nz) * H;
  const float r[] = {0.0f, 0.003f, 0.003f, 0.0f, 0.0f}, z[] = {0.0f, 0.0f, geo.ZL, geo.ZL, 0.0f};
  for (int k = 1; k <= 5; ++k) {
    geo.RR(k) = r[k - 1];
    geo.ZZ(k) = z[k - 1];
  }
  latc.NPTS = 5;
  lat2.NLAST = 3;
  qkar.NQ = 0;
  qkar.QMAX = 50.0f;
  cdis.NBUNCH = 1;
  frame_texts();
  uopen_mem(ndev.NTOP);
  uopen_mem(ndev.NOUT);
}

// Hphi of the stream function s(i, j) (the current 2 pi r Hphi at the cell centre).
template <class F> void current(F s) {
  for (int j = 1; j <= latc.NZ; ++j)
    for (int i = 1; i <= latc.NR; ++i)
      hv(2, node(i, j)) = s(i, j) / (2.0f * cons.PI * (gr(i) + gdr(i) / 2.0f));
}

// A bump of height 1 around row 15, column 20.
float bump(int i, int j) {
  const float d = static_cast<float>((i - 15) * (i - 15) + (j - 20) * (j - 20));
  return std::exp(-d / 20.0f);
}

// The contour lines of a frame: the curves after the outline (and the bunch, when the
// frame has one: nb curves).
std::vector<curve> lines_of(const std::vector<std::string> &recs, std::size_t nb = 0) {
  std::vector<curve> c = curves(recs, find_rec(recs, "  JOIN 1 DOTDASH") + 1);
  c.erase(c.begin(), c.begin() + std::min(nb, c.size()));
  return c;
}

} // namespace

// Current 2 pi r Hphi = j in column j, levels relative to the extrema 1 and 8: NPLOT / 2
// = 4 levels 1.875, 3.625, 5.375, 7.125, each a straight line from the axis row to the
// top row at z = (CLEV - 0.5) DDZ, traced once.
TEST(Snapshots, StraightCurrentLinesTracedOnce) {
  vacuum(6, 40, 8);
  current([](int, int j) { return static_cast<float>(j); });
  eplot(mp.TITLE, 8, 10, false, true);
  const std::vector<std::string> &recs = umem(ndev.NTOP);
  EXPECT_EQ(recs[13], "  MORE '  Min/Max= 1.875E+00/ 7.125E+00(A),'");
  EXPECT_EQ(recs[14], "  MORE '  Current Between Lines= 1.750E+00(A)'");
  const std::vector<curve> lines = lines_of(recs);
  ASSERT_EQ(lines.size(), 4u);
  const float clev[] = {1.875f, 3.625f, 5.375f, 7.125f};
  for (int l = 0; l < 4; ++l) {
    ASSERT_EQ(lines[l].pts.size(), 6u) << "line " << l;
    for (int i = 1; i <= 6; ++i) {
      EXPECT_NEAR(lines[l].pts[i - 1].x, (clev[l] - 0.5f) * H, 2.0E-8) << "line " << l << " row " << i;
      EXPECT_NEAR(lines[l].pts[i - 1].y, (static_cast<float>(i) - 0.5f) * H, 2.0E-8) << "line " << l;
    }
    EXPECT_EQ(lines[l].end, "  JOIN 1 SOLID");
  }
}

// A bump inside the field region: every level gives one closed line whose last point
// is its first; the same fields drawn twice give the same records.
TEST(Snapshots, BumpGivesOneClosedLinePerLevel) {
  vacuum(30, 40, 40);
  current(bump);
  eplot(mp.TITLE, 10, 10, false, true);
  const std::vector<std::string> first = umem(ndev.NTOP);
  const std::vector<curve> lines = lines_of(first);
  ASSERT_EQ(lines.size(), 5u);
  for (const curve &c : lines) {
    ASSERT_GT(c.pts.size(), 8u);
    EXPECT_EQ(c.pts.front().x, c.pts.back().x);
    EXPECT_EQ(c.pts.front().y, c.pts.back().y);
  }
  // The electric field lines of the summed field: the same lines, NPLOT of them.
  for (long m = 1; m <= msz.NMESH; ++m) hv(3, m) = hv(2, m) * static_cast<float>(latc.MTE) * cons.CLIGHT / H;
  uopen_mem(ndev.NTOP);
  eplot(mp.TITLE, 10, 10, true, true);
  EXPECT_EQ(lines_of(umem(ndev.NTOP)).size(), 10u);
  EXPECT_EQ(umem(ndev.NTOP)[5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Electric Field Lines'");

  uopen_mem(ndev.NTOP);
  eplot(mp.TITLE, 10, 10, false, true);
  eplot(mp.TITLE, 10, 10, false, true);
  const std::vector<std::string> &twice = umem(ndev.NTOP);
  ASSERT_EQ(twice.size(), 2 * first.size());
  EXPECT_EQ(std::vector<std::string>(twice.begin(), twice.begin() + first.size()), first);
  EXPECT_EQ(std::vector<std::string>(twice.begin() + first.size(), twice.end()), first);
  EXPECT_FALSE(epz_data.z.allocated());
}

// No field: the frame, its titles, the outline and the bunch, and no line. The levels
// of the titles: with LPALL from the start values of the extrema; without it from the
// rounded indices held as reals, about +-1.0E30 (no index overflows).
TEST(Snapshots, NoFieldNoLine) {
  struct row {
    bool LPALL;
    const char *minmax, *spacing;
  } rows[] = {
      {true, "  MORE '  Min/Max= 8.000E+29/-8.000E+29(A),'", "  MORE '  Current Between Lines=-4.000E+29(A)'"},
      {false, "  MORE '  Min/Max= 1.000E+30/-1.000E+30(A),'", "  MORE '  Current Between Lines= 2.998E+09(A)'"},
  };
  for (const row &r : rows) {
    vacuum(6, 40, 8);
    qkar.NQ = 5;
    for (int q = 1; q <= 5; ++q) wzwy_data.qkst(q) = static_cast<float>(q);
    qkar.QMAX = 50.0f;
    // The bunch alone, as the frame must hold it.
    float YMIN = -gr(6) / 20.0f;
    chgplt(10, YMIN);
    const std::vector<std::string> bunch = umem(ndev.NTOP);
    ASSERT_FALSE(bunch.empty());
    uopen_mem(ndev.NTOP);
    eplot(mp.TITLE, 10, 10, false, r.LPALL);
    const std::vector<std::string> &recs = umem(ndev.NTOP);
    EXPECT_EQ(recs[5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Total Current Lines'");
    // 10/3 steps of 1 mm at the speed of light.
    EXPECT_EQ(recs[11], "  TITLE 10.1 9.1 SIZE 1.25 'Time Passed:      11.12 (ps)'");
    EXPECT_EQ(recs[12], "  TITLE 2.00 8.3 SIZE 1.40 'SIG= 0.200 cm,'");
    EXPECT_EQ(recs[13], r.minmax);
    EXPECT_EQ(recs[14], r.spacing);
    const std::size_t k = find_rec(recs, "  JOIN 1 DOTDASH") + 1;
    EXPECT_EQ(std::vector<std::string>(recs.begin() + k, recs.end()), bunch) << "LPALL " << r.LPALL;
  }
}

// More westward crossings at one level than the list holds: columns alternately 1 and 2
// A, 1000 rows; each column of 2 gives one line of 1000 westward crossings. 500 such
// columns fill the list exactly and lose nothing; 501 lose the rest of the snapshot,
// which the report says once.
TEST(Snapshots, FullCrossingListIsReported) {
  struct row {
    int jfront;
    int warnings;
  } rows[] = {{1000, 0}, {1002, 1}};
  for (const row &r : rows) {
    vacuum(1000, r.jfront, r.jfront);
    current([](int, int j) { return j % 2 == 0 ? 2.0f : 1.0f; });
    uopen_out(ndev.NTOP, "/dev/null");
    eplot(mp.TITLE, 2, 10, false, true);
    uclose(ndev.NTOP);
    int n = 0;
    for (const std::string &s : umem(ndev.NOUT)) {
      if (s.find("WARNING") == std::string::npos) continue;
      EXPECT_EQ(s, " *** WARNING *** SNAPSHOT AT STEP     10 IS INCOMPLETE: 500000 CROSSINGS AT ONE LEVEL");
      ++n;
    }
    EXPECT_EQ(n, r.warnings) << "JFRONT " << r.jfront;
    EXPECT_EQ(cntr.NLIST, 500000) << "JFRONT " << r.jfront;
  }
}

// A bunch of zero density at every sample (QMAX = 0): no NaN in the frame, the level
// title 0.0 where the levels have no value, the bunch curves on the ring.
TEST(Snapshots, ZeroPeakDensityWritesNoNan) {
  vacuum(30, 40, 40);
  current(bump);
  qkar.NQ = 5;
  for (int q = 1; q <= 5; ++q) wzwy_data.qkst(q) = 0.0f;
  qkar.QMAX = 0.0f;
  eplot(mp.TITLE, 10, 10, false, false);
  const std::vector<std::string> &recs = umem(ndev.NTOP);
  for (const std::string &s : recs) {
    EXPECT_EQ(s.find("NaN"), std::string::npos) << s;
    EXPECT_EQ(s.find("Inf"), std::string::npos) << s;
  }
  EXPECT_EQ(recs[13], "  MORE '  Min/Max= 0.000E+00/ 0.000E+00(A),'");
  const std::vector<curve> bunch = curves(recs, find_rec(recs, "  JOIN 1 DOTDASH") + 1);
  ASSERT_EQ(bunch.size(), 6u); // and no contour line
  for (const curve &c : bunch)
    for (const xy &p : c.pts) EXPECT_EQ(p.y, 0.0f);
}

// The left end cuts the bunch (the table index at column 1 is inside the table): the
// outer curve starts on the ring radius rb, the innermost lies on it, the others
// between, each at its share m/5 of the outer one (to the 5 digits of G13.5).
TEST(Snapshots, BunchCutByTheLeftEnd) {
  vacuum(6, 40, 20);
  latc.IRDRIVE = 3;
  const float rb = gr(3);
  qkar.NQ = 8;
  for (int q = 1; q <= 8; ++q) wzwy_data.qkst(q) = static_cast<float>(q);
  qkar.QMAX = 8.0f;
  const float YMIN = -0.0003f;
  chgplt(13, YMIN); // (13 - 1)/3 = 4: column i holds table index 6 - i
  const std::vector<curve> c = curves(umem(ndev.NTOP));
  ASSERT_EQ(c.size(), 6u);
  ASSERT_EQ(c[0].pts.size(), 6u); // (0, rb), then columns 1 .. 5
  EXPECT_EQ(c[0].pts[0].x, 0.0f);
  EXPECT_FLOAT_EQ(c[0].pts[0].y, rb);
  EXPECT_NEAR(c[0].pts[1].y, rb + 0.75f * YMIN * 5.0f / 8.0f, 6.0E-8);
  for (int m = 1; m <= 5; ++m) {
    ASSERT_EQ(c[m].pts.size(), 5u);
    for (int i = 1; i <= 5; ++i) {
      const float f = static_cast<float>(5 - m) / 5.0f;
      EXPECT_NEAR(c[m].pts[i - 1].x, (i - 1) * H, 1.0E-9);
      EXPECT_NEAR(c[m].pts[i - 1].y, rb + f * 0.75f * YMIN * static_cast<float>(6 - i) / 8.0f, 6.0E-8);
    }
  }
  for (const xy &p : c[5].pts) EXPECT_FLOAT_EQ(p.y, rb);
}

// Whole runs of the small pillbox with all columns held: with LPLE the summed Hphi gives
// field lines; with LPLE and LPLC the sum is not formed, and the "Electric Field Lines"
// frames hold their titles, the outline and the bunch (below the drive ring) but no line.
TEST(Snapshots, RunWithLpleAndLplcDrawsNoLine) {
  auto run = [](const std::string &plot) {
    std::ifstream f(ZELK_SOURCE_DIR "/tests/decks/pillbox_small.in");
    std::string deck((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    deck.replace(deck.find(" &PLOT  /"), 9, " &PLOT " + plot + " /");
    deck.replace(deck.find(" &WAKE  UBT=0.1 /"), 17, " &WAKE  UBT=0.1, LCBACK=F /");
    deck.replace(deck.find(" &TIME  MT=3 /"), 14, " &TIME  MT=3, NSHOT=3 /");
    testing::internal::CaptureStdout();
    deck_setup(deck);
    time_loop();
    testing::internal::GetCapturedStdout();
    return umem(ndev.NTOP);
  };
  // Frames, and the points of the frames after their outlines above the drive ring.
  auto frames = [](const std::vector<std::string> &recs, int &nframes, int &above) {
    nframes = above = 0;
    const float rb = gr(latc.IRDRIVE);
    for (std::size_t k = find_rec(recs, "  NEW FRAME"); k < recs.size();
         k = find_rec(recs, "  NEW FRAME", k + 1)) {
      EXPECT_EQ(recs[k + 5], "  TITLE 7.0 9.0 CENTER SIZE 2.2  'Electric Field Lines'");
      EXPECT_EQ(recs[k + 13].rfind("  MORE '  Min/Max=", 0), 0u);
      ++nframes;
      const std::size_t end = find_rec(recs, "  NEW FRAME", k + 1);
      for (const curve &c : curves(recs, find_rec(recs, "  JOIN 1 DOTDASH", k) + 1, end))
        for (const xy &p : c.pts) above += p.y > rb;
    }
  };
  int n, above;
  frames(run("LPLE=T"), n, above);
  EXPECT_EQ(n, 3);
  EXPECT_GT(above, 0);
  frames(run("LPLE=T, LPLC=T"), n, above);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(above, 0);
}

// A line of more crossings than a piece holds: pieces of 1021 points sharing their end
// point, the last one closed by the final " JOIN 1 SOLID".
TEST(Snapshots, LongLineInPiecesOf1021) {
  vacuum(1100, 10, 8);
  current([](int, int j) { return static_cast<float>(j); });
  eplot(mp.TITLE, 2, 10, false, true); // one level, 4.5
  const std::vector<curve> lines = lines_of(umem(ndev.NTOP));
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].pts.size(), 1021u);
  ASSERT_EQ(lines[1].pts.size(), 1100u - 1021u + 1u);
  EXPECT_EQ(lines[1].pts.front().y, lines[0].pts.back().y);
  for (const curve &c : lines)
    for (const xy &p : c.pts) EXPECT_NEAR(p.x, 4.0f * H, 2.0E-8);
}

// Cells cut by the wall (flags 1 to 4) make their edges starts of lines in the passes
// along the boundary, also edges that a line of the level has crossed already. A line
// started there would run along the line drawn before, and around a closed line to its
// own start; with every cell cut, a closed line would be drawn once per crossing. Each
// crossing is written once per level: the bump gives one closed line per level of the
// same number of points as without cut cells, the straight lines four lines of one
// point per row.
TEST(Snapshots, CutCellsStartNoLineTwice) {
  auto points = [](const std::vector<curve> &lines) {
    std::vector<std::size_t> n;
    for (const curve &c : lines) n.push_back(c.pts.size());
    return n;
  };
  vacuum(30, 40, 40);
  current(bump);
  eplot(mp.TITLE, 10, 10, false, true);
  const std::vector<std::size_t> bump_points = points(lines_of(umem(ndev.NTOP)));
  ASSERT_EQ(bump_points.size(), 5u);
  for (const float f : {1.0f, 2.0f, 3.0f, 4.0f}) {
    SCOPED_TRACE(f);
    vacuum(30, 40, 40);
    current(bump);
    flg_data.iflg.fill(f);
    eplot(mp.TITLE, 10, 10, false, true);
    const std::vector<curve> lines = lines_of(umem(ndev.NTOP));
    EXPECT_EQ(points(lines), bump_points);
    for (const curve &c : lines) {
      EXPECT_EQ(c.pts.front().x, c.pts.back().x);
      EXPECT_EQ(c.pts.front().y, c.pts.back().y);
      std::set<std::pair<float, float>> distinct;
      for (const xy &p : c.pts) distinct.insert({p.x, p.y});
      EXPECT_EQ(distinct.size(), c.pts.size() - 1);
    }

    vacuum(6, 40, 8);
    current([](int, int j) { return static_cast<float>(j); });
    flg_data.iflg.fill(f);
    eplot(mp.TITLE, 8, 10, false, true);
    EXPECT_EQ(points(lines_of(umem(ndev.NTOP))), std::vector<std::size_t>(4, 6));
  }
}
